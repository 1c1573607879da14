// The extension query: the driver's list, split into tokens, and the multitexture entry points.
#include "scene/gl_capabilities.h"

#include <cstdlib>
#include <cstring>
#include <memory>

#include "platform/platform.h"

GlCapabilities glCapabilities;

namespace {

struct FreeDeleter {
    void operator()(char* p) const { std::free(p); }
};

template <typename Proc>
Proc LookUp(const char* name) {
    return reinterpret_cast<Proc>(platform::GetGlProcAddress(name));
}

}  // namespace

bool ExtensionListed(const char* list, const char* name) {
    if (!list || !name || name[0] == '\0') return false;
    const size_t nameLength = std::strlen(name);
    // A prefix or a scattered match would report extensions the driver does not have, so only
    // an identical token counts.
    const char* token = list;
    while (true) {
        const char* end = std::strchr(token, '\n');
        const size_t length = end ? size_t(end - token) : std::strlen(token);
        if (length == nameLength && std::memcmp(token, name, length) == 0) return true;
        if (!end) return false;
        token = end + 1;
    }
}

bool QueryExtensions() {
    const char* driverList = reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
    std::unique_ptr<char, FreeDeleter> copy(driverList ? strdup(driverList) : nullptr);
    if (copy) {
        for (char* c = copy.get(); *c; ++c) {
            if (*c == ' ') *c = '\n';
        }
    }

    // Without a list (or memory for its copy) neither extension is known to be there.
    if (!copy || !ExtensionListed(copy.get(), "GL_ARB_multitexture") ||
        !ExtensionListed(copy.get(), "GL_EXT_texture_env_combine")) {
        glCapabilities.extensionsMissing = true;
        return false;
    }

    GLint units = glCapabilities.maxTextureUnits;
    glGetIntegerv(GL_MAX_TEXTURE_UNITS_ARB_VALUE, &units);
    glCapabilities.maxTextureUnits = units;
    glCapabilities.multiTexCoord1f = LookUp<MultiTexCoord1fProc>("glMultiTexCoord1fARB");
    glCapabilities.multiTexCoord2f = LookUp<MultiTexCoord2fProc>("glMultiTexCoord2fARB");
    glCapabilities.multiTexCoord3f = LookUp<MultiTexCoord3fProc>("glMultiTexCoord3fARB");
    glCapabilities.multiTexCoord4f = LookUp<MultiTexCoord4fProc>("glMultiTexCoord4fARB");
    glCapabilities.activeTexture = LookUp<ActiveTextureProc>("glActiveTextureARB");
    return true;
}
