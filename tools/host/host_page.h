#pragma once

// The host page: the window the plug-in is bound to. It paints its background, then has
// the plug-in draw itself with Draw(dc, x, y, w, h) from its paint handler, then paints
// its own hotspot object (an outlined rectangle) on top. It understands the two messages
// the plug-in posts to it: WM_SIZE from restorepng (lay out again and repaint) and 2247,
// a script whose MoveObject call moves the hotspot object.

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "plugin_library.h"

namespace tevhost {

struct PageRect {
    std::int32_t x = 0, y = 0, width = 0, height = 0;
    bool operator==(const PageRect&) const = default;
};

std::string ToText(const PageRect& rect);

// A page object that scripts can move; the host shows it as an outline with its name.
struct PageObject {
    std::string name;
    PageRect rect;
};

using LogFunction = std::function<void(const std::string&)>;

class HostPage {
public:
    static constexpr int kWidth = 640;
    static constexpr int kHeight = 400;
    // Where the plug-in sits until told otherwise, and the hotspot object's first place.
    static constexpr PageRect kDefaultPluginRect{32, 56, 320, 240};
    static constexpr PageRect kDefaultHotspotRect{470, 290, 140, 60};
    static constexpr char kHotspotName[] = "Hot1";

    HostPage(HWND parent, int x, int y, PluginLibrary& plugin, LogFunction log);
    ~HostPage();
    HostPage(const HostPage&) = delete;
    HostPage& operator=(const HostPage&) = delete;

    HWND Window() const { return window_; }

    // SetParentWindow(page). Until then the page paints without calling Draw.
    void Bind();
    bool Bound() const { return bound_; }

    // The plug-in's place on the page as laid out; taken again on every relayout.
    void PlacePlugin(const PageRect& rect);
    // The plug-in takes another size where it stands (after a resize the host asked for).
    void SetPluginSize(std::int32_t width, std::int32_t height);
    const PageRect& PluginRect() const { return pluginRect_; }
    const PageObject& Hotspot() const { return hotspot_; }

    // Paints the whole page now.
    void Repaint();

    // What arrived from the plug-in, oldest first.
    const std::vector<std::string>& Scripts() const { return scripts_; }
    int SizeRequests() const { return sizeRequests_; }

    // The page's pixels as shown, 0x00RRGGBB, top row first; empty when they cannot be read.
    std::vector<std::uint32_t> CapturePixels() const;

private:
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    void Paint();
    void OnSizeRequest();
    void OnScript(WPARAM mode, const char* text);

    PluginLibrary& plugin_;
    LogFunction log_;
    HWND window_ = nullptr;
    bool bound_ = false;
    PageRect layoutRect_ = kDefaultPluginRect;
    PageRect pluginRect_ = kDefaultPluginRect;
    PageObject hotspot_{kHotspotName, kDefaultHotspotRect};
    std::vector<std::string> scripts_;
    int sizeRequests_ = 0;
};

}  // namespace tevhost
