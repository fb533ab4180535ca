#pragma once

// What the host page shows under the plug-in: a checkerboard on which any alpha is
// obvious, a few coloured shapes and some text. The band from x 16 to 260 and y 48 to
// 250 holds nothing but checkerboard, so a test can work out a page pixel there by hand.

#include <windows.h>

#include <cstdint>

namespace tevhost {

inline constexpr int kCheckerCell = 16;
inline constexpr COLORREF kCheckerLight = RGB(0xFF, 0xFF, 0xFF);
inline constexpr COLORREF kCheckerDark = RGB(0xCC, 0xCC, 0xCC);

// The checkerboard's colour at a page pixel: light where the cell's column and row add
// up to an even number.
COLORREF CheckerColour(int x, int y);

// Paints the whole page background into `dc`, `width` x `height` pixels from (0, 0).
void PaintPageBackground(HDC dc, int width, int height);

}  // namespace tevhost
