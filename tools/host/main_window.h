#pragma once

// The host's top-level window: the menu, the host page (a child window, so the
// plug-in's settings come from the user's temporary directory) and, below it, a log
// pane that shows every script the plug-in sends and everything the host does.

#include <windows.h>

#include <functional>
#include <memory>
#include <string>

#include "host_page.h"
#include "plugin_library.h"

namespace tevhost {

class MainWindow {
public:
    // `toConsole`: log lines also go to standard output.
    MainWindow(PluginLibrary& plugin, bool toConsole);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    bool Valid() const { return frame_ && page_ && page_->Window(); }
    HWND Frame() const { return frame_; }
    HostPage& Page() { return *page_; }
    void Log(const std::string& line);
    LogFunction Logger() {
        return [this](const std::string& line) { Log(line); };
    }
    // Menu commands go here (the GUI sets it).
    void OnCommand(std::function<void(int)> handler) { commandHandler_ = std::move(handler); }

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Layout();

    bool toConsole_;
    HWND frame_ = nullptr;
    HWND logPane_ = nullptr;
    std::unique_ptr<HostPage> page_;
    std::function<void(int)> commandHandler_;
};

}  // namespace tevhost
