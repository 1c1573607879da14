// Recording stand-ins for the shell functions the scene calls: the two requests, message boxes,
// the focused window and the GL entry-point lookup.
#pragma once

#include <string>
#include <vector>

#include "app/window_state.h"

namespace fake_shell {

struct Box {
    std::string text;
    std::string caption;
};

// "quit" and "toggle", in the order the requests were made.
extern std::vector<std::string> requests;
// The window each request was made for.
extern std::vector<const WindowState*> requestWindows;
extern std::vector<Box> boxes;
// Names looked up through GetGlProcAddress, in order.
extern std::vector<std::string> lookups;

// The address the lookup answers for a name: distinct and not null, except null for names
// starting with "glMissing".
void* AddressFor(const std::string& name);

void Reset();

}  // namespace fake_shell
