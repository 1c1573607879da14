// What every backend does when no message box could be shown: no desktop to show it on, or a
// helper that could not reach the display.
#pragma once

#include <cstdint>

namespace platform {

// The text goes to standard error, so that the user still gets it somewhere, and the answer is
// the one a box closed without a button gives: IDNO for a Yes/No question, IDOK otherwise.
int AnswerWithoutBox(const char* text, const char* caption, uint32_t style);

}  // namespace platform
