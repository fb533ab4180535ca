#pragma once

// The window object of the plug-in's own object layer: one C++ object per
// window, properties cached until the handle is made, message hooks, click and
// paint handlers, and objects released together with the window.
//
// Window objects live in std::shared_ptr (see the Create functions of the
// kinds in controls.h). The window procedure keeps the object alive while it
// dispatches one of its messages, so a handler may drop the last reference to
// its own window. Destroying the window (Destroy, DestroyWindow, or the
// destruction of a parent or owner) runs the hooks for WM_DESTROY; dropping the
// last reference while the window exists destroys it without calling the
// object's hooks and handlers any more.
#include <windows.h>

#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "win32/handles.h"

namespace tevpng::ui {

// One window message as hooks and handlers see it.
struct Message {
    UINT id;
    WPARAM wParam;
    LPARAM lParam;
    LRESULT result = 0;  // returned by the window procedure when the message is handled
};

// A message hook: a function with a context pointer. It returns true when it
// handled the message; then `message.result` is the answer, and neither older
// hooks nor the default processing see the message.
using MessageHook = bool (*)(void* context, Message& message);

struct FontSpec {
    std::string face = "MS Sans Serif";  // at most LF_FACESIZE - 1 characters are kept
    int height = 13;                     // cell height in logical units
    bool bold = false;
    bool operator==(const FontSpec&) const = default;
};

// The device context for drawing on a window outside the window's own paint
// handler (GetDC, released when the canvas goes), or the paint DC while the
// window is painting.
class Canvas {
public:
    explicit Canvas(HDC paintDc) : dc_(paintDc) {}
    explicit Canvas(HWND window) : owned_(win32::GetWindowDc(window)), dc_(owned_.Get().dc) {}

    HDC Dc() const { return dc_; }

private:
    win32::WindowDc owned_;
    HDC dc_;
};

class Window : public std::enable_shared_from_this<Window> {
public:
    virtual ~Window();
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // The window's handle, made on the first request with the cached styles,
    // bounds, text and font (the parent's handle is made first). Null when the
    // window cannot be made or has been destroyed; a destroyed window is not made again.
    HWND Handle();
    // The handle if it exists, without making it; safe to read from another thread.
    HWND HandleIfMade() const { return handle_; }
    bool Destroyed() const { return destroyed_; }
    // DestroyWindow on the handle, if it exists.
    void Destroy();
    // The object behind a handle of this layer, or null.
    static std::shared_ptr<Window> FromHandle(HWND window);
    std::shared_ptr<Window> Parent() const { return parent_.lock(); }

    // Bounds in the parent's client coordinates (screen coordinates for top-level windows).
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    int ClientWidth() const;
    int ClientHeight() const;
    void SetLeft(int left);
    void SetTop(int top);
    void SetSize(int width, int height);
    void SetBounds(int left, int top, int width, int height);
    // Window size = requested client size + the current frame; makes the handle.
    void SetClientWidth(int width);
    void SetClientHeight(int height);
    void SetClientSize(int width, int height);

    bool Visible() const { return (style_ & WS_VISIBLE) != 0; }
    void SetVisible(bool visible);
    bool Enabled() const { return (style_ & WS_DISABLED) == 0; }
    void SetEnabled(bool enabled);

    // The cached styles (WS_VISIBLE and WS_DISABLED follow the two flags above).
    DWORD Style() const { return style_; }
    DWORD ExStyle() const { return exStyle_; }
    // Write the whole value; nothing happens when it equals the cached one.
    void SetStyle(DWORD style);
    void SetExStyle(DWORD exStyle);
    // No caption, system menu, sizing frame or boxes; a top-level window becomes a popup.
    void RemoveBorder();
    // Below 255 the window becomes layered with this constant alpha; 255 removes the
    // layering. Makes the handle. Does nothing without SetLayeredWindowAttributes.
    void SetWindowAlpha(int alpha);
    int WindowAlpha() const { return alpha_; }
    // Keeps the window above non-topmost windows.
    void SetTopmost();
    // Deletes Close from the system menu, which also disables the caption's close button.
    void RemoveCloseCommand();

    std::string Text() const;
    void SetText(const std::string& text);
    const FontSpec& Font() const { return font_; }
    void SetFont(const FontSpec& font);
    void SetFontFace(const std::string& face);
    void SetFontHeight(int height);
    void SetFontBold(bool bold);
    // The font object the window shows its text with, built on demand.
    HFONT FontObject();

    // SendMessageA to the handle (made if needed); 0 without a handle.
    LRESULT Perform(UINT message, WPARAM wParam = 0, LPARAM lParam = 0);

    // Hooks see every message of the window, the most recently attached first.
    // The same function and context pair is attached only once.
    void AttachHook(MessageHook hook, void* context);
    void DetachHook(MessageHook hook, void* context);
    // Called on a mouse button press or double click (left, right, middle); the
    // message still gets its default processing. Buttons call it when clicked.
    void SetClickHandler(std::function<void()> handler);
    // Called on WM_PAINT with the paint DC between BeginPaint and EndPaint; the
    // message then counts as handled.
    void SetPaintHandler(std::function<void(HDC)> handler);
    // Makes the handle if needed; holds the paint DC while painting, else GetDC.
    Canvas GetCanvas();

    // Keeps `object` until the window is destroyed (or this object goes).
    template <typename T>
    std::shared_ptr<T> ReleaseWithWindow(std::shared_ptr<T> object) {
        releasedWithWindow_.push_back(object);
        return object;
    }

    // For library unload: destroys every window of the layer, children before
    // their parents, owned windows before their owners.
    static void DestroyEveryWindow();
    static int LiveWindowCount();

protected:
    // What distinguishes the kinds of windows.
    struct Kind {
        const char* className;
        bool systemClass;   // a system control class ("STATIC", "BUTTON", "EDIT"), subclassed when made
        bool childControl;  // a WS_CHILD control, made when its parent is made
        DWORD style;
        DWORD exStyle;
        RECT bounds;
        HBRUSH classBackground;  // for the layer's own classes
    };

    Window(const std::shared_ptr<Window>& parent, const Kind& kind);

    // Registers a new control with its parent: released with it, and made at once
    // when the parent already has a handle.
    static void AdoptControl(const std::shared_ptr<Window>& control);

    // Built-in handling of a message after the hooks; returns true when the
    // message is handled (with message.result set). Overrides call the base.
    virtual bool HandleMessage(Message& message);
    // A WM_COMMAND notification the parent received from this control.
    virtual bool HandleNotification(WORD /*code*/) { return false; }
    // WM_CTLCOLOR* the parent received for this control.
    virtual bool HandleControlColor(HDC /*dc*/, LRESULT& /*brush*/) { return false; }
    // Applies kind-specific cached state once the handle exists.
    virtual void HandleMade() {}
    // WM_DESTROY is on its way: keep what the window holds (its text) for later reads.
    virtual void HandleDestroying();
    virtual void TextChanged() {}
    virtual void FontChanged() {}
    virtual bool ClicksOnMouseButtons() const { return true; }

    void SetStyleBit(DWORD bit, bool on);
    void RunClickHandler();
    bool HasPaintHandler() const { return static_cast<bool>(paintHandler_); }
    LRESULT DefaultProcessing(const Message& message);

private:
    struct HookEntry {
        MessageHook hook;
        void* context;
    };

    static LRESULT CALLBACK WindowProc(HWND window, UINT id, WPARAM wParam, LPARAM lParam);
    LRESULT Dispatch(Message& message);
    bool RunHooks(Message& message);
    void Paint();
    void Attach(HWND window);
    void Detach();
    void HandleDestroyed();  // WM_NCDESTROY
    void MakeControlHandles();
    void ApplyFont();
    RECT WindowRectInParent() const;

    std::weak_ptr<Window> parent_;
    Kind kind_;
    std::atomic<HWND> handle_{nullptr};  // read by timer threads through HandleIfMade
    WNDPROC originalProc_ = nullptr;     // the system class's procedure of a subclassed control
    bool destroying_ = false;            // between WM_DESTROY and WM_NCDESTROY
    bool destroyed_ = false;
    DWORD style_;
    DWORD exStyle_;
    RECT bounds_;
    std::string text_;
    FontSpec font_;
    win32::FontHandle fontObject_;
    int alpha_ = 255;
    std::vector<HookEntry> hooks_;
    std::function<void()> clickHandler_;
    std::function<void(HDC)> paintHandler_;
    HDC paintDc_ = nullptr;
    std::vector<std::weak_ptr<Window>> controls_;
    std::vector<std::shared_ptr<void>> releasedWithWindow_;
};

}  // namespace tevpng::ui
