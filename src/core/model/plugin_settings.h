#pragma once

#include <string>

namespace tevpng {

// The plug-in's two persistent options and where they come from. The shell reads and
// writes them (settings/settings_file.h); the hotspot script and the dialog use them.
struct PluginSettings {
    std::string HotspotName;   // key "hot"
    bool UseHotspot = false;   // key "usehot"
    std::string ModuleName;    // the library's file name up to its first dot
    std::string SettingsPath;  // the file ReadSettings reads
};

}  // namespace tevpng
