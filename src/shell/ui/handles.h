#pragma once

// One owning type per kind of Win32 handle the plug-in makes, each naming the
// call that gives the handle back. Copying is disabled; moving hands the
// ownership over.
#include <mmsystem.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <utility>

namespace tevpng::ui {

// Handle values of 32 or less are treated as "no handle" by the plug-in's checks.
inline bool IsRealHandle(const void* handle) { return reinterpret_cast<std::uintptr_t>(handle) > 32; }

// A handle closed by one stateless call.
template <typename Handle, typename Closer>
class UniqueHandle {
public:
    UniqueHandle() = default;
    explicit UniqueHandle(Handle handle) : handle_(handle) {}
    ~UniqueHandle() { Reset(); }

    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    UniqueHandle(UniqueHandle&& other) noexcept : handle_(other.Release()) {}
    UniqueHandle& operator=(UniqueHandle&& other) noexcept {
        if (this != &other) Reset(other.Release());
        return *this;
    }

    Handle Get() const { return handle_; }
    explicit operator bool() const { return handle_ != Handle{}; }
    Handle Release() { return std::exchange(handle_, Handle{}); }
    void Reset(Handle handle = Handle{}) {
        Handle old = std::exchange(handle_, handle);
        if (old != Handle{}) Closer{}(old);
    }

private:
    Handle handle_{};
};

struct DeleteObjectCloser {
    void operator()(HGDIOBJ object) const { DeleteObject(object); }
};
struct DeleteDcCloser {
    void operator()(HDC dc) const { DeleteDC(dc); }
};
struct DestroyWindowCloser {
    void operator()(HWND window) const { DestroyWindow(window); }
};
struct GlobalFreeCloser {
    void operator()(HGLOBAL memory) const { GlobalFree(memory); }
};

using BitmapHandle = UniqueHandle<HBITMAP, DeleteObjectCloser>;
using FontHandle = UniqueHandle<HFONT, DeleteObjectCloser>;
using BrushHandle = UniqueHandle<HBRUSH, DeleteObjectCloser>;
using MemoryDc = UniqueHandle<HDC, DeleteDcCloser>;  // CreateCompatibleDC
using WindowHandle = UniqueHandle<HWND, DestroyWindowCloser>;
using GlobalMemory = UniqueHandle<HGLOBAL, GlobalFreeCloser>;

// GetDC, given back with ReleaseDC. A null window means the screen.
class WindowDc {
public:
    explicit WindowDc(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDc() { Reset(); }
    WindowDc(const WindowDc&) = delete;
    WindowDc& operator=(const WindowDc&) = delete;
    WindowDc(WindowDc&& other) noexcept : window_(other.window_), dc_(std::exchange(other.dc_, nullptr)) {}
    WindowDc& operator=(WindowDc&& other) noexcept {
        if (this != &other) {
            Reset();
            window_ = other.window_;
            dc_ = std::exchange(other.dc_, nullptr);
        }
        return *this;
    }

    HDC Get() const { return dc_; }

private:
    void Reset() {
        if (dc_) ReleaseDC(window_, std::exchange(dc_, nullptr));
    }

    HWND window_;
    HDC dc_;
};

// BeginPaint, given back with EndPaint.
class PaintDc {
public:
    explicit PaintDc(HWND window) : window_(window) { BeginPaint(window_, &paint_); }
    ~PaintDc() { Reset(); }
    PaintDc(const PaintDc&) = delete;
    PaintDc& operator=(const PaintDc&) = delete;
    PaintDc(PaintDc&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), paint_(other.paint_) {}
    PaintDc& operator=(PaintDc&& other) noexcept {
        if (this != &other) {
            Reset();
            window_ = std::exchange(other.window_, nullptr);
            paint_ = other.paint_;
        }
        return *this;
    }

    HDC Get() const { return window_ ? paint_.hdc : nullptr; }
    const PAINTSTRUCT& Info() const { return paint_; }

private:
    void Reset() {
        if (window_) EndPaint(std::exchange(window_, nullptr), &paint_);
    }

    HWND window_;
    PAINTSTRUCT paint_{};
};

// SelectObject into a DC, undone by selecting the previous object back. Declare it
// after the selected object so that it is reselected before that object is deleted.
class SelectionGuard {
public:
    SelectionGuard() = default;
    SelectionGuard(HDC dc, HGDIOBJ object)
        : dc_(dc), previous_(dc && object ? SelectObject(dc, object) : nullptr) {}
    ~SelectionGuard() { Reset(); }
    SelectionGuard(const SelectionGuard&) = delete;
    SelectionGuard& operator=(const SelectionGuard&) = delete;
    SelectionGuard(SelectionGuard&& other) noexcept
        : dc_(std::exchange(other.dc_, nullptr)), previous_(std::exchange(other.previous_, nullptr)) {}
    SelectionGuard& operator=(SelectionGuard&& other) noexcept {
        if (this != &other) {
            Reset();
            dc_ = std::exchange(other.dc_, nullptr);
            previous_ = std::exchange(other.previous_, nullptr);
        }
        return *this;
    }

private:
    void Reset() {
        if (dc_ && previous_) SelectObject(dc_, previous_);
        dc_ = nullptr;
        previous_ = nullptr;
    }

    HDC dc_ = nullptr;
    HGDIOBJ previous_ = nullptr;
};

// A GDI object owned while it is selected into a DC: the previous object is
// reselected first, then the owned one is deleted.
template <typename Handle>
class SelectedObject {
public:
    SelectedObject(HDC dc, Handle object) : object_(object), selection_(dc, object) {}

    Handle Get() const { return object_.Get(); }

private:
    UniqueHandle<Handle, DeleteObjectCloser> object_;
    SelectionGuard selection_;  // destroyed first: reselect, then delete
};

// RegisterClassA, given back with UnregisterClassA.
class WindowClassRegistration {
public:
    WindowClassRegistration(std::string name, HINSTANCE instance)
        : name_(std::move(name)), instance_(instance) {}
    ~WindowClassRegistration() { Reset(); }
    WindowClassRegistration(const WindowClassRegistration&) = delete;
    WindowClassRegistration& operator=(const WindowClassRegistration&) = delete;
    WindowClassRegistration(WindowClassRegistration&& other) noexcept
        : name_(std::move(other.name_)), instance_(std::exchange(other.instance_, nullptr)) {}
    WindowClassRegistration& operator=(WindowClassRegistration&& other) noexcept {
        if (this != &other) {
            Reset();
            name_ = std::move(other.name_);
            instance_ = std::exchange(other.instance_, nullptr);
        }
        return *this;
    }

    const std::string& Name() const { return name_; }

private:
    void Reset() {
        if (instance_) UnregisterClassA(name_.c_str(), std::exchange(instance_, nullptr));
    }

    std::string name_;
    HINSTANCE instance_;
};

// SetTimer on a window, given back with KillTimer.
class WindowTimerId {
public:
    WindowTimerId() = default;
    WindowTimerId(HWND window, UINT_PTR id) : window_(window), id_(id) {}
    ~WindowTimerId() { Reset(); }
    WindowTimerId(const WindowTimerId&) = delete;
    WindowTimerId& operator=(const WindowTimerId&) = delete;
    WindowTimerId(WindowTimerId&& other) noexcept
        : window_(std::exchange(other.window_, nullptr)), id_(std::exchange(other.id_, 0)) {}
    WindowTimerId& operator=(WindowTimerId&& other) noexcept {
        if (this != &other) {
            Reset();
            window_ = std::exchange(other.window_, nullptr);
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }

    explicit operator bool() const { return window_ != nullptr; }
    void Reset() {
        if (window_) KillTimer(std::exchange(window_, nullptr), std::exchange(id_, 0));
    }

private:
    HWND window_ = nullptr;
    UINT_PTR id_ = 0;
};

// timeSetEvent, given back with timeKillEvent.
class MultimediaTimerId {
public:
    MultimediaTimerId() = default;
    explicit MultimediaTimerId(UINT id) : id_(id) {}
    ~MultimediaTimerId() { Reset(); }
    MultimediaTimerId(const MultimediaTimerId&) = delete;
    MultimediaTimerId& operator=(const MultimediaTimerId&) = delete;
    MultimediaTimerId(MultimediaTimerId&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    MultimediaTimerId& operator=(MultimediaTimerId&& other) noexcept {
        if (this != &other) {
            Reset();
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }

    UINT Get() const { return id_; }
    explicit operator bool() const { return id_ != 0; }
    // Forgets a one-shot id the system has already retired, so it is never killed
    // later (the number may by then belong to another timer).
    void Forget() { id_ = 0; }
    void Reset() {
        if (id_) timeKillEvent(std::exchange(id_, 0));
    }

private:
    UINT id_ = 0;
};

// A CRITICAL_SECTION, deleted with DeleteCriticalSection. The plug-in's one lock:
// std::mutex would bring in a threading runtime the DLL does not otherwise need.
class CriticalSection {
public:
    CriticalSection() { InitializeCriticalSection(&section_); }
    ~CriticalSection() { DeleteCriticalSection(&section_); }
    CriticalSection(const CriticalSection&) = delete;
    CriticalSection& operator=(const CriticalSection&) = delete;

    // Held from construction to destruction.
    class Hold {
    public:
        explicit Hold(CriticalSection& lock) : section_(&lock.section_) { EnterCriticalSection(section_); }
        ~Hold() { LeaveCriticalSection(section_); }
        Hold(const Hold&) = delete;
        Hold& operator=(const Hold&) = delete;

    private:
        CRITICAL_SECTION* section_;
    };

private:
    CRITICAL_SECTION section_;
};

}  // namespace tevpng::ui
