// Recording stand-in for the platform's message box and focus, for the reader's tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "platform/platform.h"

struct ShownBox {
    platform::WindowHandle owner;
    std::string text;
    std::string caption;
    uint32_t style;
    int openDescriptors;  // open file descriptors while the box was up
};

std::vector<ShownBox>& ShownBoxes();
void SetFocusedWindow(platform::WindowHandle window);
// Files and mappings the process holds open (open_descriptors.cpp; Windows: tests/windows).
int CountOpenDescriptors();
// A pipe nothing writes to, under a name the reader can open: a FIFO in `folder`, or on Windows
// a named pipe (whose server end stays open until ClosePipe). Returns its name, "" on failure.
std::string MakePipe(const std::string& folder);
void ClosePipe();
