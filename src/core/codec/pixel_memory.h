#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

namespace tevpng {

// Byte-exact images of Windows' RGBQUAD and BITMAPINFOHEADER, so that a DibInfo can be
// handed to GDI as a BITMAPINFO* without any copy. Field names follow Windows.
struct RgbQuad {
    std::uint8_t rgbBlue = 0;
    std::uint8_t rgbGreen = 0;
    std::uint8_t rgbRed = 0;
    std::uint8_t rgbReserved = 0;
};

struct DibInfoHeader {
    std::uint32_t biSize = 0;
    std::int32_t biWidth = 0;
    std::int32_t biHeight = 0;  // positive: bottom-up rows
    std::uint16_t biPlanes = 0;
    std::uint16_t biBitCount = 0;
    std::uint32_t biCompression = 0;
    std::uint32_t biSizeImage = 0;
    std::int32_t biXPelsPerMeter = 0;
    std::int32_t biYPelsPerMeter = 0;
    std::uint32_t biClrUsed = 0;
    std::uint32_t biClrImportant = 0;
};

// BITMAPINFO with a full 256-entry colour table.
struct DibInfo {
    DibInfoHeader bmiHeader;
    RgbQuad bmiColors[256];
};

static_assert(sizeof(RgbQuad) == 4);
static_assert(sizeof(DibInfoHeader) == 40);
static_assert(sizeof(DibInfo) == 1064);

inline constexpr std::uint32_t kBiRgb = 0;  // BI_RGB: uncompressed

// What the system makes besides the bytes so that it can draw them: on Windows the DIB
// section and its memory DC, owned by their handle owners; natively nothing. Defined by
// the platform library.
struct SystemPixels;
struct SystemPixelsDeleter {
    void operator()(SystemPixels* pixels) const;
};

// The pixels of one image. On Windows a DIB section with its own memory DC, so GDI can
// draw them; natively plain aligned memory. Its address stays fixed until Release.
// Move-only.
class PixelMemory {
public:
    PixelMemory() = default;
    ~PixelMemory() { Release(); }
    PixelMemory(const PixelMemory&) = delete;
    PixelMemory& operator=(const PixelMemory&) = delete;
    PixelMemory(PixelMemory&& other) noexcept;
    PixelMemory& operator=(PixelMemory&& other) noexcept;

    // Makes byteCount bytes of pixel memory in the format info describes (its height
    // positive), zeroed unless the caller is going to write every byte itself. Releases
    // what was there first. False, with nothing held, when it cannot.
    bool Create(const DibInfo& info, std::size_t byteCount, bool zeroed = true);
    // Plain aligned memory on every platform, for pixels nothing draws (the backup copy):
    // no GDI objects are made for it.
    bool CreatePlain(std::size_t byteCount, bool zeroed = true);
    void Release();

    std::uint8_t* Bits() const { return bits_; }
    // Whether the memory came zeroed (asked for, or free to have).
    bool Zeroed() const { return zeroed_; }
    // The DIB section (HBITMAP) and the memory DC made with it (HDC), for the Windows shell;
    // null natively and for plain memory. The section is not selected into the DC.
    void* Bitmap() const;
    void* Dc() const;

private:
    struct FreeBlock {
        void operator()(void* block) const;
    };

    void Swap(PixelMemory& other) noexcept;

    std::uint8_t* bits_ = nullptr;
    std::unique_ptr<SystemPixels, SystemPixelsDeleter> system_;
    std::unique_ptr<void, FreeBlock> block_;  // plain memory: the allocation bits_ lies in
    bool zeroed_ = false;
};

}  // namespace tevpng
