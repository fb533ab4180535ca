#include "gdi_accounting.h"

#include <cstring>
#include <set>
#include <vector>

namespace tevtest {

namespace {

struct Ledger {
    std::set<HGDIOBJ> gdi;
    std::multiset<HDC> windowDcs;
    std::set<HWND> windows;
    std::size_t creations = 0;
};
Ledger g_ledger;

HGDIOBJ Track(HGDIOBJ object) {
    if (object) {
        g_ledger.gdi.insert(object);
        ++g_ledger.creations;
    }
    return object;
}

HDC WINAPI CountedCreateCompatibleDC(HDC dc) { return static_cast<HDC>(Track(CreateCompatibleDC(dc))); }
HBITMAP WINAPI CountedCreateDIBSection(HDC dc, const BITMAPINFO* info, UINT usage, void** bits, HANDLE section,
                                       DWORD offset) {
    return static_cast<HBITMAP>(Track(CreateDIBSection(dc, info, usage, bits, section, offset)));
}
HBITMAP WINAPI CountedCreateBitmap(int width, int height, UINT planes, UINT bits, const void* data) {
    return static_cast<HBITMAP>(Track(CreateBitmap(width, height, planes, bits, data)));
}
HBITMAP WINAPI CountedCreateCompatibleBitmap(HDC dc, int width, int height) {
    return static_cast<HBITMAP>(Track(CreateCompatibleBitmap(dc, width, height)));
}
HBITMAP WINAPI CountedCreateDIBitmap(HDC dc, const BITMAPINFOHEADER* header, DWORD init, const void* bits,
                                     const BITMAPINFO* info, UINT usage) {
    return static_cast<HBITMAP>(Track(CreateDIBitmap(dc, header, init, bits, info, usage)));
}
HFONT WINAPI CountedCreateFontIndirectA(const LOGFONTA* font) {
    return static_cast<HFONT>(Track(CreateFontIndirectA(font)));
}
HBRUSH WINAPI CountedCreateSolidBrush(COLORREF color) { return static_cast<HBRUSH>(Track(CreateSolidBrush(color))); }
BOOL WINAPI CountedDeleteObject(HGDIOBJ object) {
    g_ledger.gdi.erase(object);
    return DeleteObject(object);
}
BOOL WINAPI CountedDeleteDC(HDC dc) {
    g_ledger.gdi.erase(dc);
    return DeleteDC(dc);
}
HDC WINAPI CountedGetDC(HWND window) {
    HDC dc = GetDC(window);
    if (dc) {
        g_ledger.windowDcs.insert(dc);
        ++g_ledger.creations;
    }
    return dc;
}
int WINAPI CountedReleaseDC(HWND window, HDC dc) {
    auto found = g_ledger.windowDcs.find(dc);
    if (found != g_ledger.windowDcs.end()) g_ledger.windowDcs.erase(found);
    return ReleaseDC(window, dc);
}
HWND WINAPI CountedCreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR name, DWORD style, int x, int y,
                                   int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                                   LPVOID param) {
    HWND window = CreateWindowExA(exStyle, className, name, style, x, y, width, height, parent, menu, instance,
                                  param);
    if (window) {
        g_ledger.windows.insert(window);
        ++g_ledger.creations;
    }
    return window;
}
BOOL WINAPI CountedDestroyWindow(HWND window) {
    g_ledger.windows.erase(window);
    return DestroyWindow(window);
}

struct Route {
    const char* name;
    void* counted;
    void* original;
};

std::vector<Route> Routes() {
    return {
        {"CreateCompatibleDC", reinterpret_cast<void*>(&CountedCreateCompatibleDC),
         reinterpret_cast<void*>(&CreateCompatibleDC)},
        {"CreateDIBSection", reinterpret_cast<void*>(&CountedCreateDIBSection),
         reinterpret_cast<void*>(&CreateDIBSection)},
        {"CreateBitmap", reinterpret_cast<void*>(&CountedCreateBitmap), reinterpret_cast<void*>(&CreateBitmap)},
        {"CreateCompatibleBitmap", reinterpret_cast<void*>(&CountedCreateCompatibleBitmap),
         reinterpret_cast<void*>(&CreateCompatibleBitmap)},
        {"CreateDIBitmap", reinterpret_cast<void*>(&CountedCreateDIBitmap), reinterpret_cast<void*>(&CreateDIBitmap)},
        {"CreateFontIndirectA", reinterpret_cast<void*>(&CountedCreateFontIndirectA),
         reinterpret_cast<void*>(&CreateFontIndirectA)},
        {"CreateSolidBrush", reinterpret_cast<void*>(&CountedCreateSolidBrush),
         reinterpret_cast<void*>(&CreateSolidBrush)},
        {"DeleteObject", reinterpret_cast<void*>(&CountedDeleteObject), reinterpret_cast<void*>(&DeleteObject)},
        {"DeleteDC", reinterpret_cast<void*>(&CountedDeleteDC), reinterpret_cast<void*>(&DeleteDC)},
        {"GetDC", reinterpret_cast<void*>(&CountedGetDC), reinterpret_cast<void*>(&GetDC)},
        {"ReleaseDC", reinterpret_cast<void*>(&CountedReleaseDC), reinterpret_cast<void*>(&ReleaseDC)},
        {"CreateWindowExA", reinterpret_cast<void*>(&CountedCreateWindowExA),
         reinterpret_cast<void*>(&CreateWindowExA)},
        {"DestroyWindow", reinterpret_cast<void*>(&CountedDestroyWindow), reinterpret_cast<void*>(&DestroyWindow)},
    };
}

// Walks the module's import descriptors and swaps every named entry found in
// `routes` from `from` to `to`. Returns how many entries were swapped.
int Patch(HMODULE module, bool install) {
    auto* base = reinterpret_cast<BYTE*>(module);
    auto* dos = reinterpret_cast<IMAGE_DOS_HEADER*>(base);
    auto* nt = reinterpret_cast<IMAGE_NT_HEADERS*>(base + dos->e_lfanew);
    const IMAGE_DATA_DIRECTORY& directory = nt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!directory.VirtualAddress) return 0;
    const std::vector<Route> routes = Routes();
    int patched = 0;
    for (auto* import = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR*>(base + directory.VirtualAddress); import->Name;
         ++import) {
        if (!import->OriginalFirstThunk) continue;
        auto* names = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->OriginalFirstThunk);
        auto* slots = reinterpret_cast<IMAGE_THUNK_DATA*>(base + import->FirstThunk);
        for (; names->u1.AddressOfData; ++names, ++slots) {
            if (IMAGE_SNAP_BY_ORDINAL(names->u1.Ordinal)) continue;
            auto* byName = reinterpret_cast<IMAGE_IMPORT_BY_NAME*>(base + names->u1.AddressOfData);
            for (const Route& route : routes) {
                if (std::strcmp(reinterpret_cast<const char*>(byName->Name), route.name) != 0) continue;
                void* replacement = install ? route.counted : route.original;
                DWORD oldProtection = 0;
                VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), PAGE_READWRITE, &oldProtection);
                slots->u1.Function = reinterpret_cast<ULONG_PTR>(replacement);
                VirtualProtect(&slots->u1.Function, sizeof(slots->u1.Function), oldProtection, &oldProtection);
                ++patched;
            }
        }
    }
    return patched;
}

}  // namespace

GdiAccounting::GdiAccounting(HMODULE module) : module_(module) {
    g_ledger = Ledger{};
    if (module_) routed_ = Patch(module_, true);
}

GdiAccounting::~GdiAccounting() {
    if (module_) Patch(module_, false);
}

std::size_t GdiAccounting::LiveGdiObjects() const { return g_ledger.gdi.size(); }
std::size_t GdiAccounting::LiveWindowDcs() const { return g_ledger.windowDcs.size(); }
std::size_t GdiAccounting::LiveWindows() const { return g_ledger.windows.size(); }
std::size_t GdiAccounting::Creations() const { return g_ledger.creations; }

}  // namespace tevtest
