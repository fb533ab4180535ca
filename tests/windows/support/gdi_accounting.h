#pragma once

#include <windows.h>

#include <cstddef>

namespace tevtest {

// Counts the GDI and USER objects a loaded module makes and gives back, by
// routing its imports of the creating and releasing functions through counters
// (the module's import address table is patched while this object lives).
// Wine's GetGuiResources reports nothing, so this is how a test sees a leak.
class GdiAccounting {
public:
    explicit GdiAccounting(HMODULE module);
    ~GdiAccounting();
    GdiAccounting(const GdiAccounting&) = delete;
    GdiAccounting& operator=(const GdiAccounting&) = delete;

    // How many functions were found in the module's imports and routed.
    int RoutedFunctions() const { return routed_; }

    // Objects made through the routed functions and not given back yet.
    std::size_t LiveGdiObjects() const;  // DCs, bitmaps, fonts, brushes
    std::size_t LiveWindowDcs() const;   // GetDC without ReleaseDC
    std::size_t LiveWindows() const;     // CreateWindowExA without DestroyWindow
    // Every creating call seen, so a test can tell that something was drawn.
    std::size_t Creations() const;

private:
    HMODULE module_;
    int routed_ = 0;
};

}  // namespace tevtest
