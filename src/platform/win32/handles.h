#pragma once

// One owner per kind of Win32 handle the plug-in and its reference host make, all of them
// the one template UniqueResource (base/unique_resource.h), each kind naming the call that
// gives its handle back, and factories that own a handle only once it was acquired.
#include <windows.h>
// After <windows.h>, whose types it uses.
#include <mmsystem.h>

#include <cstdint>
#include <string>
#include <utility>

#include "base/unique_resource.h"

namespace tevpng::win32 {

using tevpng::UniqueResource;

// ---- Kinds closed by one call on the handle alone

template <typename Handle>
struct GdiObjectTraits {
    using Value = Handle;
    static bool IsValid(Handle object) { return object != nullptr; }
    static void Close(Handle object) { DeleteObject(object); }
};
using BitmapHandle = UniqueResource<GdiObjectTraits<HBITMAP>>;
using FontHandle = UniqueResource<GdiObjectTraits<HFONT>>;
using BrushHandle = UniqueResource<GdiObjectTraits<HBRUSH>>;
using PenHandle = UniqueResource<GdiObjectTraits<HPEN>>;

struct MemoryDcTraits {  // CreateCompatibleDC
    using Value = HDC;
    static bool IsValid(HDC dc) { return dc != nullptr; }
    static void Close(HDC dc) { DeleteDC(dc); }
};
using MemoryDc = UniqueResource<MemoryDcTraits>;

struct WindowTraits {
    using Value = HWND;
    static bool IsValid(HWND window) { return window != nullptr; }
    static void Close(HWND window) { DestroyWindow(window); }
};
using WindowHandle = UniqueResource<WindowTraits>;

struct GlobalMemoryTraits {
    using Value = HGLOBAL;
    static bool IsValid(HGLOBAL memory) { return memory != nullptr; }
    static void Close(HGLOBAL memory) { GlobalFree(memory); }
};
using GlobalMemory = UniqueResource<GlobalMemoryTraits>;

// ---- Kinds whose closer needs more than the handle

// GetDC, given back with ReleaseDC on the same window.
struct WindowDcTraits {
    struct Value {
        HWND window = nullptr;
        HDC dc = nullptr;
    };
    static bool IsValid(const Value& v) { return v.dc != nullptr; }
    static void Close(const Value& v) { ReleaseDC(v.window, v.dc); }
};
using WindowDc = UniqueResource<WindowDcTraits>;
// A null window means the screen. Empty when GetDC fails.
inline WindowDc GetWindowDc(HWND window) { return WindowDc({window, GetDC(window)}); }

// BeginPaint, given back with EndPaint.
struct PaintDcTraits {
    struct Value {
        HWND window = nullptr;
        PAINTSTRUCT paint{};
    };
    static bool IsValid(const Value& v) { return v.window != nullptr && v.paint.hdc != nullptr; }
    static void Close(const Value& v) { EndPaint(v.window, &v.paint); }
};
using PaintDc = UniqueResource<PaintDcTraits>;
// Empty when BeginPaint fails: then nothing calls EndPaint.
inline PaintDc BeginPaintDc(HWND window) {
    PaintDcTraits::Value value{window, {}};
    if (!BeginPaint(window, &value.paint)) return PaintDc();
    return PaintDc(value);
}

// SelectObject into a DC, undone by selecting the previous object back. Declare it after the
// owner of the selected object, so that the object leaves the DC before it is deleted.
struct SelectionTraits {
    struct Value {
        HDC dc = nullptr;
        HGDIOBJ previous = nullptr;
    };
    static bool IsValid(const Value& v) { return v.dc != nullptr && v.previous != nullptr; }
    static void Close(const Value& v) { SelectObject(v.dc, v.previous); }
};
using Selection = UniqueResource<SelectionTraits>;
// Empty (nothing to undo) without a DC or object, or when the selection fails.
inline Selection SelectInto(HDC dc, HGDIOBJ object) {
    if (dc == nullptr || object == nullptr) return Selection();
    return Selection({dc, SelectObject(dc, object)});
}

// RegisterClassA, given back with UnregisterClassA.
struct WindowClassTraits {
    struct Value {
        std::string name;
        HINSTANCE instance = nullptr;
    };
    static bool IsValid(const Value& v) { return v.instance != nullptr; }
    static void Close(const Value& v) { UnregisterClassA(v.name.c_str(), v.instance); }
};
using WindowClassRegistration = UniqueResource<WindowClassTraits>;
// Empty when RegisterClassA fails.
inline WindowClassRegistration RegisterWindowClass(const WNDCLASSA& windowClass) {
    if (!RegisterClassA(&windowClass)) return WindowClassRegistration();
    return WindowClassRegistration({windowClass.lpszClassName, windowClass.hInstance});
}

// SetTimer on a window, given back with KillTimer.
struct WindowTimerTraits {
    struct Value {
        HWND window = nullptr;
        UINT_PTR id = 0;
    };
    static bool IsValid(const Value& v) { return v.window != nullptr; }
    static void Close(const Value& v) { KillTimer(v.window, v.id); }
};
using WindowTimerId = UniqueResource<WindowTimerTraits>;
// Empty when SetTimer fails, and without a window: SetTimer would then make a thread timer
// under an id of its own choosing, which this owner would not know to kill.
inline WindowTimerId SetWindowTimer(HWND window, UINT_PTR id, UINT intervalMs, TIMERPROC procedure) {
    if (window == nullptr || !SetTimer(window, id, intervalMs, procedure)) return WindowTimerId();
    return WindowTimerId({window, id});
}

// timeSetEvent, given back with timeKillEvent.
struct MultimediaTimerTraits {
    using Value = UINT;
    static bool IsValid(UINT id) { return id != 0; }
    static void Close(UINT id) { timeKillEvent(id); }
};
using MultimediaTimerId = UniqueResource<MultimediaTimerTraits>;

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

}  // namespace tevpng::win32
