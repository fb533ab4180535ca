#include "plugin_dll.h"

namespace tevtest {

std::string PluginDll::TestProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

std::string PluginDll::DefaultPath() { return TestProgramDirectory() + "tevpng.dll"; }

FARPROC PluginDll::Export(const char* name) const {
    return Module() ? GetProcAddress(Module(), name) : nullptr;
}

FARPROC PluginDll::ExportByOrdinal(int ordinal) const {
    return Module() ? GetProcAddress(Module(), MAKEINTRESOURCEA(ordinal)) : nullptr;
}

}  // namespace tevtest
