#pragma once

// The plug-in as the host sees it: a DLL loaded from a path, its 24 exports found by
// name with GetProcAddress and called through cdecl function pointers. The host knows
// nothing else of it.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace tevhost {

class PluginLibrary {
public:
    using Command = void(__cdecl*)();
    using DrawFn = std::int32_t(__cdecl*)(HDC, std::int32_t, std::int32_t, std::int32_t, std::int32_t);
    using SetWindowFn = void(__cdecl*)(HWND);
    using IntResultFn = std::int32_t(__cdecl*)();
    using TextResultFn = const char*(__cdecl*)();
    using TextArgFn = void(__cdecl*)(const char*);
    using IntArgFn = void(__cdecl*)(std::int32_t);

    explicit PluginLibrary(const std::string& path);
    ~PluginLibrary();
    PluginLibrary(const PluginLibrary&) = delete;
    PluginLibrary& operator=(const PluginLibrary&) = delete;

    // Loaded, with every export found.
    bool Ready() const { return module_ != nullptr && missing_.empty(); }
    // Why not: the load error or the exports that are missing.
    std::string Problem() const;
    const std::string& Path() const { return path_; }
    HMODULE Module() const { return module_; }
    // Unloads now (FreeLibrary); the exports must not be called afterwards.
    void Unload();
    // The library's file name up to its first dot: "tevpng" for tevpng.dll. Its settings
    // file carries that name.
    std::string ModuleName() const;

    // The command export of that name, or null.
    Command FindCommand(const std::string& name) const;

    Command setalphacolor{}, shide{}, loadalpha{}, setcurframe{}, spriteanim{}, makesprite{}, savescaled{},
        restorepng{}, resizepng{}, loadpng{}, test{};
    DrawFn Draw{};
    SetWindowFn SetParentWindow{};
    IntResultFn CreateObject{}, Interface{}, HasIntDlg{}, GetData{};
    TextResultFn GetInfo{}, GetShortInfo{}, Copyright{}, GetFile{};
    TextArgFn SetPath{}, SetFile{};
    IntArgFn SetData{};

private:
    template <typename Fn>
    void Bind(Fn& fn, const char* name) {
        FARPROC address = GetProcAddress(module_, name);
        if (!address) missing_.push_back(name);
        fn = reinterpret_cast<Fn>(reinterpret_cast<void*>(address));
    }

    std::string path_;
    HMODULE module_ = nullptr;
    DWORD loadError_ = 0;
    std::vector<std::string> missing_;
};

}  // namespace tevhost
