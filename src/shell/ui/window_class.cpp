#include "ui/window_class.h"

#include <vector>

#include "ui/handles.h"
#include "ui/module_instance.h"

namespace tevpng::ui {

namespace {

std::vector<WindowClassRegistration>& Registrations() {
    static std::vector<WindowClassRegistration> registrations;
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
    if (!RegisterClassA(&windowClass)) return false;
    Registrations().emplace_back(name, instance);
    return true;
}

void UnregisterWindowClasses() {
    auto& registrations = Registrations();
    while (!registrations.empty()) registrations.pop_back();
}

}  // namespace tevpng::ui
