#include "ui/window.h"

#include <algorithm>
#include <cstdio>

#include "base/floating_point.h"
#include "base/immortal.h"
#include "ui/module_instance.h"
#include "ui/window_class.h"

namespace tevpng::ui {

namespace {

// Every object with a handle, in the order the handles were made: a parent's
// or owner's handle is always made before those of its children and owned windows.
std::vector<Window*>& LiveWindows() {
    static Immortal<std::vector<Window*>> windows;
    return windows.Get();
}

void Forget(Window* window) {
    auto& windows = LiveWindows();
    windows.erase(std::remove(windows.begin(), windows.end(), window), windows.end());
    if (windows.empty()) std::vector<Window*>().swap(windows);
}

// The window property that leads from a handle to its object. Named after the
// module so that two loaded copies of the plug-in never take each other's windows.
const char* PropertyName() {
    static char name[64];  // trivially destructible: still there for late window objects
    if (!name[0]) std::snprintf(name, sizeof name, "tevpng.window.%p", static_cast<void*>(ModuleInstance()));
    return name;
}

HFONT BuildFont(const FontSpec& font) {
    return CreateFontA(font.height, 0, 0, 0, font.bold ? FW_BOLD : FW_NORMAL, FALSE, FALSE, FALSE,
                       DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                       DEFAULT_PITCH | FF_DONTCARE, font.face.c_str());
}

UINT_PTR NextControlId() {
    static UINT_PTR next = 0;
    next = next % 0xFFFF + 1;
    return next;
}

bool IsMouseClick(UINT id) {
    switch (id) {
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
        case WM_MBUTTONDOWN:
        case WM_MBUTTONDBLCLK:
            return true;
        default:
            return false;
    }
}

}  // namespace

Window::Window(const std::shared_ptr<Window>& parent, const Kind& kind)
    : parent_(parent), kind_(kind), style_(kind.style), exStyle_(kind.exStyle), bounds_(kind.bounds) {
    if (parent) font_ = parent->font_;
}

Window::~Window() {
    if (!handle_) return;
    // Detached first, so the destruction below reaches no half-destroyed object.
    win32::WindowHandle doomed(handle_.load());
    const bool alreadyGoing = destroying_;
    Detach();
    if (alreadyGoing) doomed.Release();
}

// ---- handle ----------------------------------------------------------------

HWND Window::Handle() {
    if (handle_ || destroyed_) return handle_;
    HWND parentHandle = nullptr;
    if (auto parent = parent_.lock()) {
        parentHandle = parent->Handle();
        if (handle_ || destroyed_) return handle_;  // made together with the parent's controls
    }
    if (kind_.childControl && !parentHandle) return nullptr;
    if (!kind_.systemClass && !EnsureWindowClass(kind_.className, &WindowProc, kind_.classBackground))
        return nullptr;

    HMENU id = kind_.childControl ? reinterpret_cast<HMENU>(NextControlId()) : nullptr;
    HWND window = CreateWindowExA(exStyle_, kind_.className, text_.c_str(), style_, bounds_.left, bounds_.top,
                                  bounds_.right - bounds_.left, bounds_.bottom - bounds_.top, parentHandle,
                                  id, ModuleInstance(), kind_.systemClass ? nullptr : this);
    if (!window) return nullptr;
    if (kind_.systemClass) Attach(window);  // own classes attach on WM_NCCREATE
    if (handle_ != window) return handle_;  // destroyed while it was being made
    // The system adds bits of its own (clip siblings, window edge); the cache follows the window.
    style_ = static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE));
    exStyle_ = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(FontObject()), FALSE);
    HandleMade();
    MakeControlHandles();
    return handle_;
}

void Window::Destroy() {
    if (handle_) DestroyWindow(handle_);
}

std::shared_ptr<Window> Window::FromHandle(HWND window) {
    if (!window) return nullptr;
    auto* object = static_cast<Window*>(GetPropA(window, PropertyName()));
    return object ? object->weak_from_this().lock() : nullptr;
}

void Window::AdoptControl(const std::shared_ptr<Window>& control) {
    auto parent = control->parent_.lock();
    if (!parent) return;
    parent->ReleaseWithWindow(control);
    parent->controls_.push_back(control);
    if (parent->handle_) control->Handle();
}

void Window::MakeControlHandles() {
    const auto controls = controls_;
    for (const auto& weak : controls)
        if (auto control = weak.lock()) control->Handle();
}

void Window::Attach(HWND window) {
    handle_ = window;
    SetPropA(window, PropertyName(), this);
    LiveWindows().push_back(this);
    if (kind_.systemClass)
        originalProc_ = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&WindowProc)));
}

void Window::Detach() {
    if (!handle_) return;
    HWND window = handle_.exchange(nullptr);
    RemovePropA(window, PropertyName());
    const auto current = reinterpret_cast<WNDPROC>(GetWindowLongPtrA(window, GWLP_WNDPROC));
    if (originalProc_ && current == &WindowProc)
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(originalProc_));
    originalProc_ = nullptr;
    Forget(this);
}

void Window::HandleDestroyed() {
    Detach();
    destroying_ = false;
    destroyed_ = true;
    controls_.clear();
    // Newest first, like the hooks; objects may still look at the window object.
    auto released = std::move(releasedWithWindow_);
    releasedWithWindow_.clear();
    while (!released.empty()) released.pop_back();
    fontObject_.Reset();
}

void Window::DestroyEveryWindow() {
    auto& windows = LiveWindows();
    while (!windows.empty()) {
        Window* window = windows.back();
        auto keep = window->weak_from_this().lock();
        HWND handle = window->handle_;
        DestroyWindow(handle);
        if (std::find(windows.begin(), windows.end(), window) == windows.end()) continue;
        // Not destroyed (another thread's window): at least route none of its
        // messages into this module any more.
        window->Detach();
        window->destroyed_ = true;
        if (!window->kind_.systemClass)
            SetWindowLongPtrA(handle, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&DefWindowProcA));
    }
}

int Window::LiveWindowCount() { return static_cast<int>(LiveWindows().size()); }

// ---- messages --------------------------------------------------------------

LRESULT CALLBACK Window::WindowProc(HWND handle, UINT id, WPARAM wParam, LPARAM lParam) {
    // The host's message loop dispatches here in the host's floating-point state.
    FloatingPointGuard floatingPoint;
    if (id == WM_NCCREATE) {
        auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        if (auto* window = static_cast<Window*>(create->lpCreateParams)) window->Attach(handle);
    }
    auto* window = static_cast<Window*>(GetPropA(handle, PropertyName()));
    if (!window) return DefWindowProcA(handle, id, wParam, lParam);
    // Kept alive until the message is dispatched, whatever its handlers release.
    std::shared_ptr<Window> keep = window->weak_from_this().lock();
    Message message{id, wParam, lParam};
    try {
        return window->Dispatch(message);
    } catch (...) {
        // Nothing may unwind through the system's frames.
        return 0;
    }
}

LRESULT Window::Dispatch(Message& message) {
    if (message.id == WM_DESTROY) {
        destroying_ = true;
        HandleDestroying();
    }
    bool handled = RunHooks(message);
    if (!handled) handled = HandleMessage(message);
    // The control's own clean-up on WM_NCDESTROY always runs.
    if (!handled || message.id == WM_NCDESTROY) {
        const LRESULT result = DefaultProcessing(message);
        if (!handled) message.result = result;
    }
    if (message.id == WM_NCDESTROY) HandleDestroyed();
    return message.result;
}

bool Window::RunHooks(Message& message) {
    if (hooks_.empty()) return false;
    const auto hooks = hooks_;  // a hook may attach or detach hooks
    for (auto entry = hooks.rbegin(); entry != hooks.rend(); ++entry)
        if (entry->hook(entry->context, message)) return true;
    return false;
}

bool Window::HandleMessage(Message& message) {
    if (message.id == WM_PAINT && paintHandler_) {
        Paint();
        message.result = 0;
        return true;
    }
    if (IsMouseClick(message.id)) {
        if (ClicksOnMouseButtons()) RunClickHandler();
        return false;
    }
    if (message.id == WM_COMMAND && message.lParam) {
        auto control = FromHandle(reinterpret_cast<HWND>(message.lParam));
        if (control && control->Parent().get() == this &&
            control->HandleNotification(HIWORD(message.wParam))) {
            message.result = 0;
            return true;
        }
        return false;
    }
    if (message.id == WM_CTLCOLOREDIT || message.id == WM_CTLCOLORSTATIC || message.id == WM_CTLCOLORBTN) {
        auto control = FromHandle(reinterpret_cast<HWND>(message.lParam));
        return control && control->Parent().get() == this &&
               control->HandleControlColor(reinterpret_cast<HDC>(message.wParam), message.result);
    }
    return false;
}

void Window::HandleDestroying() { text_ = Text(); }

LRESULT Window::DefaultProcessing(const Message& message) {
    if (originalProc_)
        return CallWindowProcA(originalProc_, handle_, message.id, message.wParam, message.lParam);
    return DefWindowProcA(handle_, message.id, message.wParam, message.lParam);
}

void Window::Paint() {
    const win32::PaintDc paint = win32::BeginPaintDc(handle_);
    if (!paint) {
        ValidateRect(handle_, nullptr);  // or the system asks again at once
        return;
    }
    const HDC dc = paint.Get().paint.hdc;
    const auto handler = paintHandler_;
    const HDC outer = std::exchange(paintDc_, dc);
    handler(dc);
    paintDc_ = outer;
}

void Window::RunClickHandler() {
    const auto handler = clickHandler_;  // the handler may replace itself
    if (handler) handler();
}

void Window::AttachHook(MessageHook hook, void* context) {
    for (const HookEntry& entry : hooks_)
        if (entry.hook == hook && entry.context == context) return;
    hooks_.push_back({hook, context});
}

void Window::DetachHook(MessageHook hook, void* context) {
    std::erase_if(hooks_,
                  [&](const HookEntry& entry) { return entry.hook == hook && entry.context == context; });
}

void Window::SetClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }

void Window::SetPaintHandler(std::function<void(HDC)> handler) { paintHandler_ = std::move(handler); }

Canvas Window::GetCanvas() {
    if (paintDc_) return Canvas(paintDc_);
    HWND window = Handle();
    if (!window) return Canvas(static_cast<HDC>(nullptr));
    return Canvas(window);
}

LRESULT Window::Perform(UINT message, WPARAM wParam, LPARAM lParam) {
    HWND window = Handle();
    return window ? SendMessageA(window, message, wParam, lParam) : 0;
}

// ---- geometry --------------------------------------------------------------

RECT Window::WindowRectInParent() const {
    RECT rect{};
    GetWindowRect(handle_, &rect);
    HWND parent = GetAncestor(handle_, GA_PARENT);
    if (parent && parent != GetDesktopWindow())
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

int Window::Left() const { return handle_ ? WindowRectInParent().left : bounds_.left; }
int Window::Top() const { return handle_ ? WindowRectInParent().top : bounds_.top; }

int Window::Width() const {
    const RECT rect = handle_ ? WindowRectInParent() : bounds_;
    return rect.right - rect.left;
}

int Window::Height() const {
    const RECT rect = handle_ ? WindowRectInParent() : bounds_;
    return rect.bottom - rect.top;
}

int Window::ClientWidth() const {
    if (handle_) {
        RECT client{};
        GetClientRect(handle_, &client);
        return client.right;
    }
    RECT frame{};
    AdjustWindowRectEx(&frame, style_, FALSE, exStyle_);
    return Width() - (frame.right - frame.left);
}

int Window::ClientHeight() const {
    if (handle_) {
        RECT client{};
        GetClientRect(handle_, &client);
        return client.bottom;
    }
    RECT frame{};
    AdjustWindowRectEx(&frame, style_, FALSE, exStyle_);
    return Height() - (frame.bottom - frame.top);
}

void Window::SetLeft(int left) {
    const int top = Top();
    bounds_ = {left, top, left + Width(), top + Height()};
    if (handle_) SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetTop(int top) {
    const int left = Left();
    bounds_ = {left, top, left + Width(), top + Height()};
    if (handle_) SetWindowPos(handle_, nullptr, left, top, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetSize(int width, int height) {
    const int left = Left();
    const int top = Top();
    bounds_ = {left, top, left + width, top + height};
    if (handle_)
        SetWindowPos(handle_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetBounds(int left, int top, int width, int height) {
    bounds_ = {left, top, left + width, top + height};
    if (handle_) SetWindowPos(handle_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
}

void Window::SetClientSize(int width, int height) {
    HWND window = Handle();
    if (!window) return;
    RECT outer{};
    RECT client{};
    GetWindowRect(window, &outer);
    GetClientRect(window, &client);
    SetSize(width + (outer.right - outer.left) - client.right,
            height + (outer.bottom - outer.top) - client.bottom);
}

void Window::SetClientWidth(int width) {
    if (Handle()) SetClientSize(width, ClientHeight());
}

void Window::SetClientHeight(int height) {
    if (Handle()) SetClientSize(ClientWidth(), height);
}

// ---- flags and styles ------------------------------------------------------

void Window::SetStyleBit(DWORD bit, bool on) { style_ = on ? (style_ | bit) : (style_ & ~bit); }

void Window::SetVisible(bool visible) {
    SetStyleBit(WS_VISIBLE, visible);
    if (handle_) ShowWindow(handle_, visible ? SW_SHOW : SW_HIDE);
}

void Window::SetEnabled(bool enabled) {
    SetStyleBit(WS_DISABLED, !enabled);
    if (!handle_) return;
    EnableWindow(handle_, enabled);
    InvalidateRect(handle_, nullptr, TRUE);
}

namespace {

// Makes the system recompute the frame after a style change, without moving,
// sizing, reordering or activating the window.
void RefreshFrame(HWND window) {
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_FRAMECHANGED);
    InvalidateRect(window, nullptr, TRUE);
}

}  // namespace

void Window::SetStyle(DWORD style) {
    if (style == style_) return;
    style_ = style;
    if (!handle_) return;
    SetWindowLongA(handle_, GWL_STYLE, static_cast<LONG>(style));
    RefreshFrame(handle_);
}

void Window::SetExStyle(DWORD exStyle) {
    if (exStyle == exStyle_) return;
    exStyle_ = exStyle;
    if (!handle_) return;
    SetWindowLongA(handle_, GWL_EXSTYLE, static_cast<LONG>(exStyle));
    RefreshFrame(handle_);
}

void Window::RemoveBorder() {
    DWORD style = style_ & ~static_cast<DWORD>(WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
                                               WS_MAXIMIZEBOX);
    if (!(style & WS_CHILD)) style |= WS_POPUP;
    SetStyle(style);
    SetExStyle(exStyle_ & ~static_cast<DWORD>(WS_EX_CONTROLPARENT | WS_EX_CLIENTEDGE | WS_EX_WINDOWEDGE |
                                              WS_EX_DLGMODALFRAME));
}

void Window::SetWindowAlpha(int alpha) {
    alpha = std::clamp(alpha, 0, 255);
    if (alpha == alpha_) return;
    // Looked up at run time: systems before Windows 2000 do not have it.
    using SetLayeredFn = BOOL(WINAPI*)(HWND, COLORREF, BYTE, DWORD);
    const auto setLayered = reinterpret_cast<SetLayeredFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("User32"), "SetLayeredWindowAttributes")));
    if (!setLayered) return;
    HWND window = Handle();
    if (!window) return;
    alpha_ = alpha;
    const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
    if (alpha < 255) {
        SetWindowLongA(window, GWL_EXSTYLE, exStyle | WS_EX_LAYERED);
        setLayered(window, 0, static_cast<BYTE>(alpha), LWA_ALPHA);
    } else {
        SetWindowLongA(window, GWL_EXSTYLE, exStyle & ~WS_EX_LAYERED);
    }
    exStyle_ = static_cast<DWORD>(GetWindowLongA(window, GWL_EXSTYLE));
}

void Window::SetTopmost() {
    exStyle_ |= WS_EX_TOPMOST;
    if (handle_) SetWindowPos(handle_, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

void Window::RemoveCloseCommand() {
    if (HWND window = Handle()) DeleteMenu(GetSystemMenu(window, FALSE), SC_CLOSE, MF_BYCOMMAND);
}

// ---- text and font ---------------------------------------------------------

std::string Window::Text() const {
    if (!handle_) return text_;
    const int length = GetWindowTextLengthA(handle_);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(handle_, text.data(), length + 1)));
    return text;
}

void Window::SetText(const std::string& text) {
    text_ = text;
    if (handle_) SendMessageA(handle_, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text_.c_str()));
    TextChanged();
}

HFONT Window::FontObject() {
    if (!fontObject_) fontObject_.Reset(BuildFont(font_));
    return fontObject_.Get();
}

void Window::SetFont(const FontSpec& font) {
    FontSpec next = font;
    if (next.face.size() > LF_FACESIZE - 1) next.face.resize(LF_FACESIZE - 1);
    if (next == font_) return;
    font_ = std::move(next);
    win32::FontHandle rebuilt(BuildFont(font_));
    if (handle_) SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(rebuilt.Get()), TRUE);
    fontObject_ = std::move(rebuilt);  // the old font goes only after the window stopped using it
    FontChanged();
}

void Window::SetFontFace(const std::string& face) {
    FontSpec font = font_;
    font.face = face;
    SetFont(font);
}

void Window::SetFontHeight(int height) {
    FontSpec font = font_;
    font.height = height;
    SetFont(font);
}

void Window::SetFontBold(bool bold) {
    FontSpec font = font_;
    font.bold = bold;
    SetFont(font);
}

}  // namespace tevpng::ui
