#include "host_page.h"

namespace tevtest {

namespace {

constexpr char kPageClass[] = "TevTestHostPage";
constexpr char kFrameClass[] = "TevTestHostFrame";

}  // namespace

void HostPage::RegisterClasses() {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA page{};
    page.lpfnWndProc = WindowProc;
    page.hInstance = GetModuleHandleA(nullptr);
    page.hCursor = LoadCursor(nullptr, IDC_ARROW);
    page.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    page.lpszClassName = kPageClass;
    RegisterClassA(&page);
    WNDCLASSA frame = page;
    frame.lpfnWndProc = DefWindowProcA;
    frame.lpszClassName = kFrameClass;
    RegisterClassA(&frame);
    registered = true;
}

std::unique_ptr<HostPage> HostPage::TopLevel(int width, int height) {
    RegisterClasses();
    std::unique_ptr<HostPage> page(new HostPage);
    page->window_ = CreateWindowExA(0, kPageClass, "host page", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0,
                                    width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                                    page.get());
    return page;
}

std::unique_ptr<HostPage> HostPage::ChildOfParent(int width, int height) {
    RegisterClasses();
    std::unique_ptr<HostPage> page(new HostPage);
    page->parent_ = CreateWindowExA(0, kFrameClass, "host frame", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0,
                                    0, width + 40, height + 60, nullptr, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
    page->window_ = CreateWindowExA(0, kPageClass, "host page", WS_CHILD | WS_VISIBLE, 0, 0, width,
                                    height, page->parent_, nullptr, GetModuleHandleA(nullptr),
                                    page.get());
    return page;
}

HostPage::~HostPage() {
    if (window_) {
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
    if (parent_) DestroyWindow(parent_);
}

std::vector<ReceivedMessage> HostPage::ReceivedOf(UINT message) const {
    std::vector<ReceivedMessage> matching;
    for (const ReceivedMessage& m : received_)
        if (m.message == message) matching.push_back(m);
    return matching;
}

LRESULT CALLBACK HostPage::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* page = reinterpret_cast<HostPage*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (page) {
        ReceivedMessage received{message, wParam, lParam, {}};
        const bool carriesText = message == kScriptMessage || message == WM_SETTEXT;
        if (carriesText && lParam) received.text = reinterpret_cast<const char*>(lParam);
        page->received_.push_back(std::move(received));
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace tevtest
