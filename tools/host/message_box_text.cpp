#include "message_box_text.h"

namespace tevhost {

namespace {

// Enumeration callbacks are stdcall on 32-bit Windows, which a lambda cannot be.
BOOL CALLBACK TakeStaticText(HWND child, LPARAM found) {
    char name[16] = {};
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0) return TRUE;
    std::string childText = WindowText(child);
    if (childText.empty()) return TRUE;
    *reinterpret_cast<std::string*>(found) = childText;
    return FALSE;
}

}  // namespace

std::string WindowText(HWND window) {
    const int length = GetWindowTextLengthA(window);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    text.resize(static_cast<std::size_t>(GetWindowTextA(window, text.data(), length + 1)));
    return text;
}

bool IsDialogClass(HWND window) {
    char name[16] = {};
    GetClassNameA(window, name, sizeof name);
    return lstrcmpA(name, "#32770") == 0;
}

std::string MessageText(HWND box) {
    std::string text;
    EnumChildWindows(box, TakeStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

}  // namespace tevhost
