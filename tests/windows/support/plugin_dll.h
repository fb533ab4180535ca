#pragma once

#include <windows.h>

#include <string>

#include "tools/host/plugin_library.h"

namespace tevtest {

// The plug-in as a host sees it, bound exactly as the reference host binds it
// (LoadLibraryA, every export by name through GetProcAddress, cdecl function
// pointers), plus what tests look at besides.
class PluginDll : public tevhost::PluginLibrary {
public:
    // Loads the DLL at `path` (default: tevpng.dll next to the test program).
    explicit PluginDll(const std::string& path = DefaultPath()) : PluginLibrary(path) {}

    static std::string DefaultPath();
    static std::string TestProgramDirectory();  // ends with a backslash

    bool Loaded() const { return Module() != nullptr; }
    FARPROC Export(const char* name) const;
    FARPROC ExportByOrdinal(int ordinal) const;
};

}  // namespace tevtest
