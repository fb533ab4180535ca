#include "ui/window_class.h"

#include <utility>
#include <vector>

#include "ui/module_instance.h"
#include "win32/handles.h"

namespace tevpng::ui {

namespace {

std::vector<win32::WindowClassRegistration>& Registrations() {
    static std::vector<win32::WindowClassRegistration> registrations;
    return registrations;
}

}  // namespace

bool EnsureWindowClass(const char* name, WNDPROC procedure, HBRUSH background) {
    HINSTANCE instance = ModuleInstance();
    WNDCLASSA existing{};
    if (GetClassInfoA(instance, name, &existing)) return true;
    WNDCLASSA windowClass{};
    windowClass.style = CS_DBLCLKS;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursor(nullptr, IDC_ARROW);
    windowClass.hbrBackground = background;
    windowClass.lpszClassName = name;
    win32::WindowClassRegistration registration = win32::RegisterWindowClass(windowClass);
    if (!registration) return false;
    Registrations().push_back(std::move(registration));
    return true;
}

void UnregisterWindowClasses() {
    auto& registrations = Registrations();
    while (!registrations.empty()) registrations.pop_back();
}

}  // namespace tevpng::ui
