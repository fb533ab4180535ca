#include "page_background.h"

#include "win32_handles.h"

namespace tevhost {

COLORREF CheckerColour(int x, int y) {
    return ((x / kCheckerCell + y / kCheckerCell) % 2 == 0) ? kCheckerLight : kCheckerDark;
}

namespace {

void PaintCheckerboard(HDC dc, int width, int height) {
    const GdiObject light(CreateSolidBrush(kCheckerLight));
    const GdiObject dark(CreateSolidBrush(kCheckerDark));
    for (int y = 0; y < height; y += kCheckerCell) {
        for (int x = 0; x < width; x += kCheckerCell) {
            const RECT cell{x, y, x + kCheckerCell, y + kCheckerCell};
            FillRect(dc, &cell, static_cast<HBRUSH>(CheckerColour(x, y) == kCheckerLight ? light.Get() : dark.Get()));
        }
    }
}

void PaintShapes(HDC dc) {
    const GdiObject outline(CreatePen(PS_SOLID, 3, RGB(40, 40, 40)));
    const SelectedObject pen(dc, outline.Get());
    {
        const GdiObject red(CreateSolidBrush(RGB(220, 30, 40)));
        const SelectedObject brush(dc, red.Get());
        Ellipse(dc, 280, 70, 420, 210);
    }
    {
        const GdiObject blue(CreateSolidBrush(RGB(30, 90, 220)));
        const SelectedObject brush(dc, blue.Get());
        RoundRect(dc, 380, 150, 600, 260, 30, 30);
    }
    {
        const GdiObject green(CreateSolidBrush(RGB(40, 170, 60)));
        const SelectedObject brush(dc, green.Get());
        const POINT triangle[] = {{300, 370}, {420, 250}, {520, 370}};
        Polygon(dc, triangle, 3);
    }
}

void PaintText(HDC dc, int height) {
    SetBkMode(dc, TRANSPARENT);
    const GdiObject title(CreateFontA(26, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    {
        const SelectedObject font(dc, title.Get());
        SetTextColor(dc, RGB(20, 20, 120));
        TextOutA(dc, 16, 12, "tevpng reference host", 21);
    }
    const GdiObject small(CreateFontA(17, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET, OUT_DEFAULT_PRECIS,
                                      CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY, DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    const SelectedObject font(dc, small.Get());
    SetTextColor(dc, RGB(120, 20, 20));
    const char kLine[] = "Host page: everything here is drawn by the host before the plug-in blends.";
    TextOutA(dc, 16, height - 26, kLine, static_cast<int>(sizeof kLine - 1));
}

}  // namespace

void PaintPageBackground(HDC dc, int width, int height) {
    PaintCheckerboard(dc, width, height);
    PaintShapes(dc);
    PaintText(dc, height);
}

}  // namespace tevhost
