#pragma once

// The GUI mode's menu commands: each pushes its parameters, calls the command
// export and repaints the page, as any host does.

#include <string>
#include <vector>

#include "main_window.h"
#include "plugin_library.h"

namespace tevhost {

class GuiCommands {
public:
    GuiCommands(MainWindow& window, PluginLibrary& plugin) : window_(window), plugin_(plugin) {}

    void Handle(int command);
    // Files from the command line: the first is opened; several also make a sprite.
    void OpenAtStart(const std::vector<std::string>& files);

private:
    void Open(const std::string& path);
    void MakeSprite(const std::vector<std::string>& files);
    void OpenPng();
    void SaveScaled();
    void Resize();
    void Restore();
    void KeyColour();
    void SpriteFromFiles();
    void ToggleSpriteMode();
    void StepFrame(int delta);
    void Settings();
    void About();
    void Log(const std::string& line) { window_.Log(line); }

    MainWindow& window_;
    PluginLibrary& plugin_;
    int frameCount_ = 0;  // what the host asked for at its last makesprite
    int currentFrame_ = 0;
    bool spriteMode_ = false;
};

}  // namespace tevhost
