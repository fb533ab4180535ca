#include "ui/dib_bitmap.h"

#include <cstring>
#include <iterator>
#include <limits>

namespace tevpng::ui {

namespace {

constexpr int kBitCounts[] = {0, 1, 4, 8, 16, 16, 24, 32, 0};

// Extra bytes past the last row: row converters may read a little beyond it.
constexpr std::size_t kSlack = 16;

// Pixel memory is capped so that every offset fits a signed 32-bit int, which
// the 32-bit GDI takes for sizes and strides.
constexpr std::uint64_t kMaxPixelBytes = std::numeric_limits<std::int32_t>::max();

void FillColorTable(BITMAPINFOHEADER& header, RGBQUAD* colors, int bitCount) {
    if (bitCount == 16 && header.biCompression == BI_BITFIELDS) {
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};  // 5-6-5
        std::memcpy(colors, masks, sizeof masks);
        return;
    }
    if (bitCount > 8) return;
    // A grey ramp, so that a fresh palette bitmap shows black and white.
    const int entries = 1 << bitCount;
    for (int i = 0; i < entries; ++i) {
        const auto level = static_cast<BYTE>(i * 255 / (entries - 1));
        colors[i] = {level, level, level, 0};
    }
}

}  // namespace

int HeaderBitCount(DibFormat format) {
    const auto index = static_cast<std::size_t>(format);
    return index < std::size(kBitCounts) ? kBitCounts[index] : 0;
}

std::size_t DibRowSize(int width, int bitCount) {
    const std::uint64_t bits =
        static_cast<std::uint64_t>(width < 0 ? 0 : width) * static_cast<unsigned>(bitCount);
    return static_cast<std::size_t>((bits + 31) / 32 * 4);
}

DibBitmap::DibBitmap(int width, int height, DibFormat format)
    : width_(width < 0 ? 0 : width),
      height_(height < 0 ? 0 : height),
      format_(HeaderBitCount(format) ? format : DibFormat::Bits32) {
    if (width_ == 0 || height_ == 0) return;
    const std::uint64_t bytes = static_cast<std::uint64_t>(RowSize()) * static_cast<std::uint64_t>(height_);
    if (bytes > kMaxPixelBytes) return;
    memory_.Reset(GlobalAlloc(GMEM_FIXED | GMEM_ZEROINIT, static_cast<SIZE_T>(bytes + kSlack)));
    if (!memory_) return;
    pixels_ = static_cast<std::uint8_t*>(memory_.Get());  // fixed memory: the handle is the address

    info_ = std::make_unique<Header>();
    std::memset(info_.get(), 0, sizeof(Header));
    BITMAPINFOHEADER& header = info_->header;
    header.biSize = sizeof(BITMAPINFOHEADER);
    header.biWidth = width_;
    header.biHeight = height_;  // positive: bottom-up rows
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(BitCount());
    header.biCompression = format_ == DibFormat::Bits16 ? BI_BITFIELDS : BI_RGB;
    FillColorTable(header, info_->colors, BitCount());
}

const BITMAPINFO* DibBitmap::Info() const { return reinterpret_cast<const BITMAPINFO*>(info_.get()); }

std::uint8_t* DibBitmap::ScanLine(int y) {
    if (!pixels_ || y < 0 || y >= height_) return nullptr;
    return pixels_ + static_cast<std::size_t>(height_ - 1 - y) * RowSize();
}

HBITMAP DibBitmap::Handle() {
    if (bitmap_ || !info_) return bitmap_.Get();
    void* bits = nullptr;
    {
        const win32::WindowDc screen = win32::GetWindowDc(nullptr);
        bitmap_.Reset(CreateDIBSection(screen.Get().dc, Info(), DIB_RGB_COLORS, &bits, nullptr, 0));
    }
    if (!bitmap_ || !bits) {
        bitmap_.Reset();
        return nullptr;
    }
    std::memcpy(bits, pixels_, RowSize() * static_cast<std::size_t>(height_));
    pixels_ = static_cast<std::uint8_t*>(bits);
    memory_.Reset();
    return bitmap_.Get();
}

HDC DibBitmap::Canvas() {
    if (canvas_) return canvas_.Get();
    canvas_.Reset(CreateCompatibleDC(nullptr));
    if (canvas_ && Handle()) selection_ = win32::SelectInto(canvas_.Get(), bitmap_.Get());
    return canvas_.Get();
}

}  // namespace tevpng::ui
