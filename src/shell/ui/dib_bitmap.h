#pragma once

// A device-independent bitmap with a memory-DC canvas: bottom-up rows, pixel
// memory zero-filled until drawn on, a DIB section once a handle is asked for.
#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <memory>

#include "win32/handles.h"

namespace tevpng::ui {

// Pixel formats by index, as the rest of the plug-in numbers them.
enum class DibFormat { Device, Bits1, Bits4, Bits8, Bits15, Bits16, Bits24, Bits32, Custom };

// Bits per pixel written to the header for each format (0 for device and custom).
int HeaderBitCount(DibFormat format);

// Bytes per row: rows are padded to whole 32-bit words.
std::size_t DibRowSize(int width, int bitCount);

class DibBitmap {
public:
    // A format with no bit count (device, custom) becomes 32-bit. A width or
    // height of 0 (or a size whose memory cannot be had) gives a bitmap without
    // header and pixels.
    DibBitmap(int width, int height, DibFormat format = DibFormat::Bits32);
    DibBitmap(const DibBitmap&) = delete;
    DibBitmap& operator=(const DibBitmap&) = delete;

    int Width() const { return width_; }
    int Height() const { return height_; }
    DibFormat Format() const { return format_; }
    int BitCount() const { return HeaderBitCount(format_); }
    std::size_t RowSize() const { return DibRowSize(width_, BitCount()); }
    // The header with its colour table or bit masks; null without pixels.
    const BITMAPINFO* Info() const;
    bool HasPixels() const { return pixels_ != nullptr; }

    // Row y counted from the top (the rows are stored bottom-up); null outside the bitmap.
    std::uint8_t* ScanLine(int y);

    // The DIB section, made on the first request; the pixels move into it.
    HBITMAP Handle();
    // A memory DC with the bitmap selected, kept as long as the bitmap.
    HDC Canvas();

private:
    struct Header {
        BITMAPINFOHEADER header;
        RGBQUAD colors[256];  // colour table, or the three masks of the 16-bit format
    };

    int width_;
    int height_;
    DibFormat format_;
    std::unique_ptr<Header> info_;
    win32::GlobalMemory memory_;  // the pixels until the section exists
    std::uint8_t* pixels_ = nullptr;
    win32::BitmapHandle bitmap_;
    win32::MemoryDc canvas_;
    win32::Selection selection_;  // destroyed first: the bitmap leaves the DC before it is deleted
};

}  // namespace tevpng::ui
