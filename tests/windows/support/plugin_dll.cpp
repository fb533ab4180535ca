#include "plugin_dll.h"

namespace tevtest {

std::string PluginDll::TestProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

std::string PluginDll::DefaultPath() { return TestProgramDirectory() + "tevpng.dll"; }

PluginDll::PluginDll(const std::string& path) : path_(path), module_(LoadLibraryA(path.c_str())) {
    if (!module_) return;
    Bind(setalphacolor, "setalphacolor");
    Bind(shide, "shide");
    Bind(loadalpha, "loadalpha");
    Bind(setcurframe, "setcurframe");
    Bind(spriteanim, "spriteanim");
    Bind(makesprite, "makesprite");
    Bind(savescaled, "savescaled");
    Bind(restorepng, "restorepng");
    Bind(resizepng, "resizepng");
    Bind(loadpng, "loadpng");
    Bind(test, "test");
    Bind(Draw, "Draw");
    Bind(SetParentWindow, "SetParentWindow");
    Bind(CreateObject, "CreateObject");
    Bind(Interface, "Interface");
    Bind(HasIntDlg, "HasIntDlg");
    Bind(GetInfo, "GetInfo");
    Bind(GetShortInfo, "GetShortInfo");
    Bind(Copyright, "Copyright");
    Bind(SetPath, "SetPath");
    Bind(GetData, "GetData");
    Bind(SetData, "SetData");
    Bind(GetFile, "GetFile");
    Bind(SetFile, "SetFile");
}

PluginDll::~PluginDll() { Unload(); }

void PluginDll::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

FARPROC PluginDll::Export(const char* name) const {
    return module_ ? GetProcAddress(module_, name) : nullptr;
}

FARPROC PluginDll::ExportByOrdinal(int ordinal) const {
    return module_ ? GetProcAddress(module_, MAKEINTRESOURCEA(ordinal)) : nullptr;
}

}  // namespace tevtest
