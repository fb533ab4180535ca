#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>

namespace tevtest {

// A 32-bit top-down DIB section selected into its own memory DC: a device
// context to draw on whose pixels (0xXXRRGGBB, fourth byte on top) can be read back.
class DibSurface {
public:
    DibSurface(int width, int height);
    ~DibSurface();
    DibSurface(const DibSurface&) = delete;
    DibSurface& operator=(const DibSurface&) = delete;

    HDC Dc() const { return dc_; }
    int Width() const { return width_; }
    int Height() const { return height_; }
    bool Valid() const { return bits_ != nullptr; }

    // Flushes GDI first: a blit may still be writing to the section.
    std::uint32_t Pixel(int x, int y) const {
        GdiFlush();
        return bits_[static_cast<size_t>(y) * width_ + x];
    }
    // Every pixel, top row first (flushed like Pixel).
    const std::uint32_t* Pixels() const {
        GdiFlush();
        return bits_;
    }
    void SetPixel(int x, int y, std::uint32_t value) { bits_[static_cast<size_t>(y) * width_ + x] = value; }
    void Fill(const std::function<std::uint32_t(int x, int y)>& pattern);

private:
    int width_;
    int height_;
    HDC dc_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ previous_ = nullptr;
    std::uint32_t* bits_ = nullptr;
};

}  // namespace tevtest
