#include "settings/settings_file.h"

#include <cstring>
#include <vector>

#include "ui/module_instance.h"

namespace tevpng::host {

namespace {

constexpr DWORD kModulePathBufferSize = 261;
constexpr DWORD kDirectoryBufferSize = 512;
constexpr DWORD kLongestPath = 32768;

// Returned by the profile functions for a key that is absent; no setting ever
// holds it. Detecting absence this way keeps the field exactly as it was.
constexpr char kAbsent[] = "\x01";

// GetModuleFileNameA into a zero-filled buffer, asked again with a larger one
// when the path does not fit.
std::string ModulePath(HMODULE module, DWORD size) {
    for (;; size *= 2) {
        std::vector<char> buffer(size, '\0');
        const DWORD length = GetModuleFileNameA(module, buffer.data(), size);
        if (length < size || size >= kLongestPath)
            return std::string(buffer.data(), strnlen(buffer.data(), size));
    }
}

std::string TempDirectory() {
    std::vector<char> buffer(kDirectoryBufferSize, '\0');
    DWORD length = GetTempPathA(kDirectoryBufferSize, buffer.data());
    if (length >= kDirectoryBufferSize) {  // too long for the buffer: the answer is the size needed
        buffer.assign(length + 1, '\0');
        length = GetTempPathA(length + 1, buffer.data());
    }
    return length < buffer.size() ? std::string(buffer.data(), length) : std::string();
}

std::string ReadString(const std::string& file, const char* key, DWORD bufferSize) {
    std::vector<char> buffer(bufferSize, '\0');
    GetPrivateProfileStringA(kSettingsSection, key, kAbsent, buffer.data(), bufferSize, file.c_str());
    return buffer.data();
}

void ReadHotspotName(PluginSettings& settings, const std::string& file) {
    if (file.empty()) return;
    std::string value = ReadString(file, kHotspotNameKey, kHotspotNameBufferSize);
    if (value != kAbsent) settings.HotspotName = std::move(value);
}

void ReadUseHotspot(PluginSettings& settings, const std::string& file) {
    if (file.empty()) return;
    const std::string value = ReadString(file, kUseHotspotKey, 8);
    if (value == kAbsent) return;
    bool& useHotspot = settings.UseHotspot;
    // An empty value is false; the system's integer read would return the default for it.
    if (value.empty()) {
        useHotspot = false;
        return;
    }
    useHotspot =
        GetPrivateProfileIntA(kSettingsSection, kUseHotspotKey, useHotspot ? 1 : 0, file.c_str()) != 0;
}

}  // namespace

std::string ModuleNameFromPath(std::string_view path) {
    const size_t separator = path.find_last_of(":\\/");
    std::string_view name = separator == std::string_view::npos ? path : path.substr(separator + 1);
    return std::string(name.substr(0, name.find('.')));
}

void RecomputeModuleName(PluginSettings& settings) {
    settings.ModuleName = ModuleNameFromPath(ModulePath(ui::ModuleInstance(), kModulePathBufferSize));
}

std::string TempSettingsFile(const PluginSettings& settings) {
    return TempDirectory() + settings.ModuleName + ".ini";
}

std::string HostSettingsFile(const PluginSettings& settings) {
    const std::string program = ModulePath(nullptr, kDirectoryBufferSize);
    const size_t backslash = program.find_last_of('\\');
    const std::string directory =
        backslash == std::string::npos ? std::string() : program.substr(0, backslash + 1);
    return directory + settings.ModuleName + ".ini";
}

void ReadSettings(PluginSettings& settings) {
    RecomputeModuleName(settings);
    const std::string file = settings.SettingsPath;
    ReadHotspotName(settings, file);
    ReadUseHotspot(settings, file);
}

void LoadDialogSettings(PluginSettings& settings) {
    const std::string file = TempSettingsFile(settings);
    ReadUseHotspot(settings, file);
    ReadHotspotName(settings, file);
}

void SaveDialogSettings(const PluginSettings& settings) {
    const std::string file = TempSettingsFile(settings);
    WritePrivateProfileStringA(kSettingsSection, kUseHotspotKey, settings.UseHotspot ? "1" : "0",
                               file.c_str());
    WritePrivateProfileStringA(kSettingsSection, kHotspotNameKey, settings.HotspotName.c_str(), file.c_str());
}

void ChooseSettingsFile(PluginSettings& settings, HWND hostWindow) {
    if (GetParent(hostWindow)) {
        settings.SettingsPath = TempSettingsFile(settings);
        return;
    }
    const std::string temp = TempSettingsFile(settings);
    const std::string host = HostSettingsFile(settings);
    const DWORD attributes = GetFileAttributesA(temp.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY))
        CopyFileA(temp.c_str(), host.c_str(), FALSE);  // a failed copy leaves the old file to be read
    settings.SettingsPath = host;
}

}  // namespace tevpng::host
