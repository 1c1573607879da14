// Fuzz target for the extension query on arbitrary driver strings: the copy, the spaces turned
// into separators, and exact-token matching, checked against a plain split of the same text.
// Input: a name, a zero byte, then the extension list (without a zero byte the whole input is
// the list). glGetString and the entry-point lookup are stand-ins defined here.
#include <GL/gl.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/platform.h"
#include "scene/gl_capabilities.h"

namespace {

std::string driverList;
constexpr GLint kDriverUnits = 4;

// True when `text`, cut at every byte of `separators`, has a token equal to `name`.
bool HasToken(std::string_view text, std::string_view separators, std::string_view name) {
    if (name.empty()) return false;
    size_t start = 0;
    while (true) {
        const size_t end = text.find_first_of(separators, start);
        if (text.substr(start, end == std::string_view::npos ? end : end - start) == name) {
            return true;
        }
        if (end == std::string_view::npos) return false;
        start = end + 1;
    }
}

}  // namespace

extern "C" const GLubyte* APIENTRY glGetString(GLenum name) {
    return name == GL_EXTENSIONS ? reinterpret_cast<const GLubyte*>(driverList.c_str()) : nullptr;
}

extern "C" void APIENTRY glGetIntegerv(GLenum name, GLint* value) {
    if (name == GL_MAX_TEXTURE_UNITS_ARB_VALUE) *value = kDriverUnits;
}

namespace platform {
// A distinct, recognisable address per name, so a stored entry point can be checked.
void* GetGlProcAddress(const char* name) {
    return reinterpret_cast<void*>(uintptr_t{0x1000} + std::strlen(name));
}
}  // namespace platform

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const size_t zero = input.find('\0');
    const std::string name(zero == std::string_view::npos ? "GL_ARB_multitexture"
                                                         : input.substr(0, zero));
    const std::string_view rest =
        zero == std::string_view::npos ? input : input.substr(zero + 1);
    driverList.assign(rest.substr(0, rest.find('\0')));  // the driver's string ends at a zero

    if (ExtensionListed(driverList.c_str(), name.c_str()) != HasToken(driverList, "\n", name)) {
        std::abort();
    }

    glCapabilities = GlCapabilities{};
    const std::string before = driverList;
    const bool both = HasToken(driverList, " \n", "GL_ARB_multitexture") &&
                      HasToken(driverList, " \n", "GL_EXT_texture_env_combine");
    if (QueryExtensions() != both || driverList != before) std::abort();
    if (glCapabilities.extensionsMissing == both) std::abort();
    const bool filled = glCapabilities.maxTextureUnits == kDriverUnits &&
                        glCapabilities.activeTexture == reinterpret_cast<ActiveTextureProc>(
                                                            platform::GetGlProcAddress("glActiveTextureARB"));
    const bool untouched = glCapabilities.maxTextureUnits == 1 && !glCapabilities.activeTexture;
    if (both ? !filled : !untouched) std::abort();
    return 0;
}
