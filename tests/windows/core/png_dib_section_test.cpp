// The PNG reader on Windows: files come through the Win32 file stream, pixels land in
// DIB sections that GDI reads, and every PngSuite file decodes to the same pixels as on
// the native build (the hashes the native tests record and check against libpng).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "dib_pixels.h"
#include "codec/png_image.h"
#include "io/file_stream.h"

namespace {

const std::string kSuite = TEVPNG_PNGSUITE_DIR;
const std::string kHashTable = std::string(TEVPNG_FIXTURES_DIR) + "/pngsuite_rgba_hashes.txt";

TEST(PngOnWindows, EveryValidSuiteFileDecodesToTheRecordedPixels) {
    const auto table = tevtest::ReadHashTable(kHashTable);
    ASSERT_GE(table.size(), 160u);
    for (const auto& [name, hash] : table) {
        tevpng::PngImage image;
        ASSERT_TRUE(image.LoadFile(kSuite + "/" + name)) << name;
        EXPECT_EQ(image.LastError, tevpng::LoadError::None) << name;
        EXPECT_EQ(tevtest::Hex64(tevtest::Fnv1a64(tevtest::DibToRgba(*image.ImageHeader()))), hash) << name;
    }
}

// The pixel memory is a real DIB section of the header's format, with its memory DC.
TEST(PngOnWindows, PixelsLiveInADibSection) {
    for (const char* name : {"basn6a08.png", "basi2c16.png", "basn3p04.png", "s35i3p04.png", "basn0g01.png"}) {
        tevpng::PngImage image;
        ASSERT_TRUE(image.LoadFile(kSuite + "/" + name)) << name;
        const tevpng::HeaderChunk& header = *image.ImageHeader();
        ASSERT_NE(header.Bitmap(), nullptr);
        ASSERT_NE(header.BitmapDC(), nullptr);
        EXPECT_EQ(GetObjectType(static_cast<HGDIOBJ>(header.BitmapDC())), static_cast<DWORD>(OBJ_MEMDC));
        DIBSECTION section{};
        ASSERT_EQ(GetObjectA(static_cast<HBITMAP>(header.Bitmap()), sizeof section, &section),
                  static_cast<int>(sizeof section));
        EXPECT_EQ(section.dsBm.bmBits, header.PixelBits()) << name;
        EXPECT_EQ(section.dsBm.bmWidth, header.Width);
        EXPECT_EQ(section.dsBm.bmHeight, header.Height);
        EXPECT_EQ(section.dsBm.bmWidthBytes, header.RowStride);
        EXPECT_EQ(section.dsBmih.biBitCount, header.BitmapInfo.bmiHeader.biBitCount);
        EXPECT_GT(section.dsBmih.biHeight, 0);  // bottom-up
    }
}

// GDI reading the section sees the decoded image the right way up.
TEST(PngOnWindows, GdiReadsTheDecodedPixels) {
    for (const char* name : {"basn2c08.png", "basi6a08.png", "cdhn2c08.png", "f04n2c08.png"}) {
        tevpng::PngImage image;
        ASSERT_TRUE(image.LoadFile(kSuite + "/" + name)) << name;
        const tevpng::HeaderChunk& header = *image.ImageHeader();
        const auto rgba = tevtest::DibToRgba(header);
        HDC dc = static_cast<HDC>(header.BitmapDC());
        HGDIOBJ old = SelectObject(dc, static_cast<HBITMAP>(header.Bitmap()));
        for (int y = 0; y < header.Height; y += 3) {
            for (int x = 0; x < header.Width; x += 5) {
                const std::size_t at = (static_cast<std::size_t>(y) * header.Width + x) * 4;
                ASSERT_EQ(GetPixel(dc, x, y), RGB(rgba[at], rgba[at + 1], rgba[at + 2])) << name << " " << x << "," << y;
            }
        }
        SelectObject(dc, old);
    }
}

TEST(PngOnWindows, MissingFileReadsAsEmpty) {
    tevpng::PngImage image;
    EXPECT_FALSE(image.LoadFile(kSuite + "/no such file.png"));
    EXPECT_EQ(image.LastError, tevpng::LoadError::BadSignature);
}

TEST(PngOnWindows, HugeHeaderFailsBeforeAnyAllocation) {
    // IHDR of 65535 x 65535 RGBA (17 GB of pixels) and nothing after it.
    const std::vector<unsigned char> png = {137, 80,  78,  71,  13,  10,  26,  10,  0,   0,   0,   13,  'I',
                                            'H', 'D', 'R', 0,   0,   255, 255, 0,   0,   255, 255, 8,   6,
                                            0,   0,   0,   0x2D, 0x26, 0x41, 0x5A};
    char directory[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, directory), 0u);
    const std::string path = std::string(directory) + "tevpng_huge_header.png";
    {
        tevpng::FileStream out(path.c_str(), tevpng::FileMode::Create);
        ASSERT_EQ(out.Write(png.data(), png.size()), png.size());
    }
    tevpng::PngImage image;
    EXPECT_FALSE(image.LoadFile(path));
    EXPECT_EQ(image.LastError, tevpng::LoadError::NoPixelMemory);
    EXPECT_EQ(image.ImageHeader()->Bitmap(), nullptr);
    DeleteFileA(path.c_str());
}

TEST(FileStreamOnWindows, FileEndsWhereTheLastWriteEnded) {
    char directory[MAX_PATH];
    ASSERT_GT(GetTempPathA(MAX_PATH, directory), 0u);
    const std::string path = std::string(directory) + "tevpng_stream_test.bin";
    {
        tevpng::FileStream out(path.c_str(), tevpng::FileMode::Create);
        ASSERT_TRUE(out.IsOpen());
        EXPECT_EQ(out.Write("0123456789", 10), 10u);
        EXPECT_EQ(out.Seek(0, tevpng::SeekOrigin::Begin), 0);
        EXPECT_EQ(out.Write("abc", 3), 3u);
        EXPECT_EQ(out.Size(), 3);
    }
    {
        tevpng::FileStream in(path.c_str(), tevpng::FileMode::Read);
        char buffer[4] = {};
        EXPECT_EQ(in.Read(buffer, 4), 3u);
        EXPECT_EQ(std::string(buffer, 3), "abc");
        EXPECT_EQ(in.Seek(-1, tevpng::SeekOrigin::End), 2);
    }
    EXPECT_TRUE(DeleteFileA(path.c_str()));  // the streams closed their handles
}

}  // namespace
