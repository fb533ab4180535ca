#pragma once

#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "tools/host/message_pump.h"

namespace tevtest {

// Script messages the plug-in posts to its host page.
constexpr UINT kScriptMessage = 2247;

struct ReceivedMessage {
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    std::string text;  // copy of the text lParam points to (script message, WM_SETTEXT)
};

// A real host page window that records every message it receives. Either an
// unowned top-level window or a child of a parent window that the page owns.
class HostPage {
public:
    static std::unique_ptr<HostPage> TopLevel(int width = 640, int height = 480);
    static std::unique_ptr<HostPage> ChildOfParent(int width = 640, int height = 480);
    ~HostPage();
    HostPage(const HostPage&) = delete;
    HostPage& operator=(const HostPage&) = delete;

    HWND Window() const { return window_; }
    HWND Parent() const { return parent_; }

    const std::vector<ReceivedMessage>& Received() const { return received_; }
    std::vector<ReceivedMessage> ReceivedOf(UINT message) const;
    size_t Count(UINT message) const { return ReceivedOf(message).size(); }
    void ClearReceived() { received_.clear(); }

private:
    HostPage() = default;
    static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static void RegisterClasses();

    HWND parent_ = nullptr;
    HWND window_ = nullptr;
    std::vector<ReceivedMessage> received_;
};

// The reference host's message pumping: PumpMessagesFor(ms), PumpMessagesUntil(done, timeoutMs).
using tevhost::PumpMessagesFor;
using tevhost::PumpMessagesUntil;

}  // namespace tevtest
