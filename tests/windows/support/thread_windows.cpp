#include "thread_windows.h"

namespace tevtest {

namespace {

struct Search {
    std::string className;
    std::vector<HWND> found;
};

void Consider(HWND window, Search& search) {
    if (search.className.empty() || lstrcmpiA(ClassNameOf(window).c_str(), search.className.c_str()) == 0)
        search.found.push_back(window);
}

BOOL CALLBACK OnChild(HWND window, LPARAM context) {
    Consider(window, *reinterpret_cast<Search*>(context));
    return TRUE;
}

BOOL CALLBACK OnTopLevel(HWND window, LPARAM context) {
    Consider(window, *reinterpret_cast<Search*>(context));
    EnumChildWindows(window, OnChild, context);
    return TRUE;
}

}  // namespace

std::vector<HWND> ThreadWindows(const std::string& className) {
    Search search{className, {}};
    EnumThreadWindows(GetCurrentThreadId(), OnTopLevel, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::string ClassNameOf(HWND window) {
    char name[256] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string TextOf(HWND window) {
    char text[1024] = {};
    GetWindowTextA(window, text, sizeof text);
    return text;
}

}  // namespace tevtest
