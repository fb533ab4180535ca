#include "main_window.h"

#include <cstdio>

#include "resource_ids.h"

namespace tevhost {

namespace {

constexpr char kFrameClass[] = "TevHostFrame";
constexpr int kMargin = 8;
constexpr int kLogHeight = 170;

void RegisterFrameClass(WNDPROC procedure) {
    static bool registered = false;
    if (registered) return;
    WNDCLASSA frame{};
    frame.lpfnWndProc = procedure;
    frame.hInstance = GetModuleHandleA(nullptr);
    frame.hCursor = LoadCursor(nullptr, IDC_ARROW);
    frame.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    frame.lpszClassName = kFrameClass;
    registered = RegisterClassA(&frame) != 0;
}

}  // namespace

MainWindow::MainWindow(PluginLibrary& plugin, bool toConsole) : toConsole_(toConsole) {
    RegisterFrameClass(WindowProc);
    HINSTANCE instance = GetModuleHandleA(nullptr);
    RECT outer{0, 0, HostPage::kWidth + 2 * kMargin, HostPage::kHeight + kLogHeight + 3 * kMargin};
    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    AdjustWindowRect(&outer, style, TRUE);
    frame_ = CreateWindowExA(0, kFrameClass, "tevpng reference host", style, 0, 0, outer.right - outer.left,
                             outer.bottom - outer.top, nullptr, LoadMenuA(instance, MAKEINTRESOURCEA(IDR_MAIN_MENU)),
                             instance, this);
    if (!frame_) return;
    logPane_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "",
                               WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_READONLY |
                                   ES_AUTOVSCROLL | ES_AUTOHSCROLL,
                               0, 0, 10, 10, frame_, nullptr, instance, nullptr);
    SendMessageA(logPane_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_FIXED_FONT)), FALSE);
    SendMessageA(logPane_, EM_SETLIMITTEXT, 0, 0);
    page_ = std::make_unique<HostPage>(frame_, kMargin, kMargin, plugin, Logger());
    Layout();
    ShowWindow(frame_, SW_SHOWNORMAL);
    UpdateWindow(frame_);
}

MainWindow::~MainWindow() {
    page_.reset();
    if (frame_) {
        SetWindowLongPtrA(frame_, GWLP_USERDATA, 0);
        DestroyWindow(frame_);
    }
}

void MainWindow::Log(const std::string& line) {
    if (toConsole_) {
        std::fputs(line.c_str(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
    }
    if (!logPane_) return;
    const std::string text = line + "\r\n";
    const LRESULT length = SendMessageA(logPane_, WM_GETTEXTLENGTH, 0, 0);
    SendMessageA(logPane_, EM_SETSEL, length, length);
    SendMessageA(logPane_, EM_REPLACESEL, FALSE, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainWindow::Layout() {
    RECT client;
    GetClientRect(frame_, &client);
    const int top = HostPage::kHeight + 2 * kMargin;
    const int height = static_cast<int>(client.bottom) - top - kMargin;
    if (logPane_) MoveWindow(logPane_, kMargin, top, client.right - 2 * kMargin, height > 40 ? height : 40, TRUE);
}

LRESULT CALLBACK MainWindow::WindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
    if (self && (self->frame_ == window || message == WM_NCCREATE)) {
        if (!self->frame_) self->frame_ = window;
        return self->HandleMessage(message, wParam, lParam);
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

LRESULT MainWindow::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SIZE:
            Layout();
            return 0;
        case WM_COMMAND:
            if (commandHandler_ && lParam == 0) commandHandler_(LOWORD(wParam));
            return 0;
        case WM_CLOSE:
            DestroyWindow(frame_);
            return 0;
        case WM_DESTROY:
            frame_ = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(frame_, message, wParam, lParam);
    }
}

}  // namespace tevhost
