#include "page_background.h"

#include "win32/handles.h"

namespace tevhost {

namespace win32 = tevpng::win32;

COLORREF CheckerColour(int x, int y) {
    return ((x / kCheckerCell + y / kCheckerCell) % 2 == 0) ? kCheckerLight : kCheckerDark;
}

namespace {

void PaintCheckerboard(HDC dc, int width, int height) {
    const win32::BrushHandle light(CreateSolidBrush(kCheckerLight));
    const win32::BrushHandle dark(CreateSolidBrush(kCheckerDark));
    for (int y = 0; y < height; y += kCheckerCell) {
        for (int x = 0; x < width; x += kCheckerCell) {
            const RECT cell{x, y, x + kCheckerCell, y + kCheckerCell};
            FillRect(dc, &cell,
                     static_cast<HBRUSH>(CheckerColour(x, y) == kCheckerLight ? light.Get() : dark.Get()));
        }
    }
}

void PaintShapes(HDC dc) {
    const win32::PenHandle outline(CreatePen(PS_SOLID, 3, RGB(40, 40, 40)));
    const win32::Selection pen = win32::SelectInto(dc, outline.Get());
    {
        const win32::BrushHandle red(CreateSolidBrush(RGB(220, 30, 40)));
        const win32::Selection brush = win32::SelectInto(dc, red.Get());
        Ellipse(dc, 280, 70, 420, 210);
    }
    {
        const win32::BrushHandle blue(CreateSolidBrush(RGB(30, 90, 220)));
        const win32::Selection brush = win32::SelectInto(dc, blue.Get());
        RoundRect(dc, 380, 150, 600, 260, 30, 30);
    }
    {
        const win32::BrushHandle green(CreateSolidBrush(RGB(40, 170, 60)));
        const win32::Selection brush = win32::SelectInto(dc, green.Get());
        const POINT triangle[] = {{300, 370}, {420, 250}, {520, 370}};
        Polygon(dc, triangle, 3);
    }
}

void PaintText(HDC dc, int height) {
    SetBkMode(dc, TRANSPARENT);
    const win32::FontHandle title(CreateFontA(26, 0, 0, 0, FW_BOLD, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                              DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    {
        const win32::Selection font = win32::SelectInto(dc, title.Get());
        SetTextColor(dc, RGB(20, 20, 120));
        TextOutA(dc, 16, 12, "tevpng reference host", 21);
    }
    const win32::FontHandle small(CreateFontA(17, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, ANSI_CHARSET,
                                              OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                              DEFAULT_PITCH | FF_SWISS, "Tahoma"));
    const win32::Selection font = win32::SelectInto(dc, small.Get());
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
