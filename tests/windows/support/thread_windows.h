#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace tevtest {

// Every window of this thread (top-level, owned and child windows) whose class
// name is `className` (any case); all of them when it is empty.
std::vector<HWND> ThreadWindows(const std::string& className = {});

std::string ClassNameOf(HWND window);
std::string TextOf(HWND window);

}  // namespace tevtest
