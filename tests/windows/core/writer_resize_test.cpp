// The writer and the resize under 64-bit Windows, where the pixels live in DIB sections
// and files are written through CreateFileA: the same results as the native build.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "codec/png_image.h"
#include "io/memory_stream.h"
#include "png_builder.h"
#include "scale/resize.h"

namespace tevpng {
namespace {

// A 4 x 4 RGB-with-alpha image whose rows are all 0, 0, 255, 255 in every channel.
void MakeEdgeImage(PngImage& image) {
    auto header = std::make_unique<HeaderChunk>(image, ChunkKind::Header, "IHDR");
    header->Width = header->Height = 4;
    header->BitDepth = 8;
    header->ColorType = 2;
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    ASSERT_NE(header->Bitmap(), nullptr);  // a real DIB section
    ASSERT_TRUE(CreateAlpha(*header));
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 4; ++x) {
            const std::uint8_t v = x < 2 ? 0 : 255;
            std::memset(header->PixelBits() + header->RowStride * y + 3 * x, v, 3);
            header->AlphaPlane()[4 * y + x] = v;
        }
    }
    ASSERT_TRUE(AssignBitmap(image, std::move(header)));
}

std::vector<std::string> ChunkTypes(const std::vector<std::uint8_t>& png) {
    std::vector<std::string> types;
    for (std::size_t at = 8; at + 12 <= png.size();) {
        const std::uint32_t length = tevtest::BigEndian32(&png[at]);
        types.emplace_back(reinterpret_cast<const char*>(png.data() + at + 4), 4);
        at += 12 + length;
    }
    return types;
}

void ExpectSamePixels(const PngImage& a, const PngImage& b) {
    const HeaderChunk* x = a.ImageHeader();
    const HeaderChunk* y = b.ImageHeader();
    ASSERT_NE(x, nullptr);
    ASSERT_NE(y, nullptr);
    ASSERT_EQ(x->PixelBytes(), y->PixelBytes());
    EXPECT_EQ(std::memcmp(x->PixelBits(), y->PixelBits(), x->PixelBytes()), 0);
    ASSERT_NE(y->AlphaPlane(), nullptr);
    EXPECT_EQ(std::memcmp(x->AlphaPlane(), y->AlphaPlane(), static_cast<std::size_t>(x->Width) * x->Height),
              0);
}

TEST(WriterResizeOnWindows, ResizedImageWritesAndReadsBack) {
    PngImage image;
    MakeEdgeImage(image);
    ASSERT_TRUE(ResizeImage(image, 7, 4).Ok());
    const HeaderChunk* header = image.ImageHeader();
    ASSERT_EQ(header->ColorType, 6);
    const int expected[7] = {0, 0, 0, 127, 255, 255, 255};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7; ++x) {
            EXPECT_EQ(header->PixelBits()[header->RowStride * y + 3 * x], expected[x]) << x << "," << y;
            EXPECT_EQ(header->AlphaPlane()[7 * y + x], expected[x]) << x << "," << y;
        }
    }

    MemoryStream stream;
    ASSERT_TRUE(image.SaveStream(stream));
    EXPECT_EQ(ChunkTypes(stream.Bytes()), (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
    stream.Seek(0, SeekOrigin::Begin);
    PngImage again;
    ASSERT_TRUE(again.LoadStream(stream));
    EXPECT_EQ(again.LastError, LoadError::None);
    ExpectSamePixels(image, again);
}

TEST(WriterResizeOnWindows, SaveFileAndLoadFile) {
    PngImage image;
    MakeEdgeImage(image);
    image.Interlace = 1;
    const auto path = std::filesystem::temp_directory_path() / "tevpng_writer_resize_test.png";
    ASSERT_TRUE(image.SaveFile(path.string()));
    PngImage again;
    ASSERT_TRUE(again.LoadFile(path.string()));
    EXPECT_EQ(again.Interlace, 1);
    ExpectSamePixels(image, again);
    std::filesystem::remove(path);

    const auto nowhere = std::filesystem::temp_directory_path() / "tevpng no such directory" / "x.png";
    EXPECT_FALSE(image.SaveFile(nowhere.string()));
}

TEST(WriterResizeOnWindows, EmptyImageIsTooSmall) {
    PngImage image;
    const StretchResult result = ResizeImage(image, 10, 10);
    EXPECT_EQ(result.code(), StretchResult::Code::SourceTooSmall);
    EXPECT_STREQ(result.Message(), "Source bitmap too small");
    EXPECT_TRUE(image.Chunks().empty());
}

}  // namespace
}  // namespace tevpng
