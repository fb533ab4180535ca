#pragma once

// The plug-in's two persistent options and the private-profile (ini) files
// they live in, named after the library's own file.
#include <windows.h>

#include <string>
#include <string_view>

#include "model/plugin_settings.h"

namespace tevpng::host {

inline constexpr char kSettingsSection[] = "setting";
inline constexpr char kHotspotNameKey[] = "hot";
inline constexpr char kUseHotspotKey[] = "usehot";
// "hot" is read into a buffer of this size: longer values come back cut to 4095 characters.
inline constexpr int kHotspotNameBufferSize = 4096;

// What follows the last ':', '\' or '/' of `path`, up to (not including) its first '.'.
std::string ModuleNameFromPath(std::string_view path);
// Sets ModuleName from the full path of this module's own file.
void RecomputeModuleName(PluginSettings& settings);

// The user's temporary directory + ModuleName + ".ini".
std::string TempSettingsFile(const PluginSettings& settings);
// The host executable's directory + ModuleName + ".ini".
std::string HostSettingsFile(const PluginSettings& settings);

// Recomputes ModuleName, then reads "hot" and then "usehot" from SettingsPath.
// A missing file, section or key leaves the field as it was.
void ReadSettings(PluginSettings& settings);
// The settings dialog's load: "usehot" and then "hot" from TempSettingsFile.
void LoadDialogSettings(PluginSettings& settings);
// The settings dialog's save: "usehot" ("1" or "0") and then "hot" to TempSettingsFile.
void SaveDialogSettings(const PluginSettings& settings);

// Chooses SettingsPath for a host page window: TempSettingsFile when the window
// has a parent or owner; otherwise HostSettingsFile, after TempSettingsFile (when
// it exists as a file) has been copied over it. A failed copy is ignored.
void ChooseSettingsFile(PluginSettings& settings, HWND hostWindow);

}  // namespace tevpng::host
