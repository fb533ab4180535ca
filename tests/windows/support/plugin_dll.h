#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

namespace tevtest {

// The plug-in as a host sees it: loaded with LoadLibraryA, every export found
// with GetProcAddress and called through a cdecl function pointer.
class PluginDll {
public:
    using Command = void(__cdecl*)();
    using DrawFn = std::int32_t(__cdecl*)(HDC, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
    using SetWindowFn = void(__cdecl*)(HWND);
    using IntResultFn = std::int32_t(__cdecl*)();
    using TextResultFn = const char*(__cdecl*)();
    using TextArgFn = void(__cdecl*)(const char*);
    using IntArgFn = void(__cdecl*)(std::int32_t);

    // Loads the DLL at `path` (default: tevpng.dll next to the test program).
    explicit PluginDll(const std::string& path = DefaultPath());
    ~PluginDll();
    PluginDll(const PluginDll&) = delete;
    PluginDll& operator=(const PluginDll&) = delete;

    static std::string DefaultPath();
    static std::string TestProgramDirectory();  // ends with a backslash

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }
    const std::string& Path() const { return path_; }
    FARPROC Export(const char* name) const;
    FARPROC ExportByOrdinal(int ordinal) const;
    // Unloads now (FreeLibrary); the destructor then does nothing.
    void Unload();

    Command setalphacolor{}, shide{}, loadalpha{}, setcurframe{}, spriteanim{}, makesprite{},
        savescaled{}, restorepng{}, resizepng{}, loadpng{}, test{};
    DrawFn Draw{};
    SetWindowFn SetParentWindow{};
    IntResultFn CreateObject{}, Interface{}, HasIntDlg{}, GetData{};
    TextResultFn GetInfo{}, GetShortInfo{}, Copyright{}, GetFile{};
    TextArgFn SetPath{}, SetFile{};
    IntArgFn SetData{};

private:
    template <typename Fn>
    void Bind(Fn& fn, const char* name) {
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(Export(name)));
    }

    std::string path_;
    HMODULE module_ = nullptr;
};

}  // namespace tevtest
