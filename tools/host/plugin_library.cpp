#include "plugin_library.h"

#include <utility>

namespace tevhost {

PluginLibrary::PluginLibrary(const std::string& path) : path_(path) {
    module_ = LoadLibraryA(path.c_str());
    if (!module_) {
        loadError_ = GetLastError();
        return;
    }
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

PluginLibrary::~PluginLibrary() { Unload(); }

void PluginLibrary::Unload() {
    if (module_) FreeLibrary(module_);
    module_ = nullptr;
}

std::string PluginLibrary::Problem() const {
    if (!module_) return "cannot load " + path_ + " (error " + std::to_string(loadError_) + ")";
    if (missing_.empty()) return "";
    std::string text = path_ + " lacks the exports";
    for (const std::string& name : missing_) text += " " + name;
    return text;
}

std::string PluginLibrary::ModuleName() const {
    char path[MAX_PATH] = {};
    if (!module_ || !GetModuleFileNameA(module_, path, MAX_PATH)) return "tevpng";
    std::string name(path);
    name = name.substr(name.find_last_of(":\\/") + 1);
    return name.substr(0, name.find('.'));
}

PluginLibrary::Command PluginLibrary::FindCommand(const std::string& name) const {
    const std::pair<const char*, Command> commands[] = {
        {"setalphacolor", setalphacolor}, {"shide", shide},           {"loadalpha", loadalpha},
        {"setcurframe", setcurframe},     {"spriteanim", spriteanim}, {"makesprite", makesprite},
        {"savescaled", savescaled},       {"restorepng", restorepng}, {"resizepng", resizepng},
        {"loadpng", loadpng},             {"test", test},
    };
    for (const auto& [commandName, command] : commands) {
        if (name == commandName) return command;
    }
    return nullptr;
}

}  // namespace tevhost
