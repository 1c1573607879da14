#include "platform/common/message_box.h"

#include <cstdio>

#include "platform/platform.h"

namespace platform {

int AnswerWithoutBox(const char* text, const char* caption, uint32_t style) {
    std::fprintf(stderr, "%s: %s\n", caption ? caption : "", text ? text : "");
    return (style & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

}  // namespace platform
