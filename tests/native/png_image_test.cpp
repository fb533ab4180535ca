#include "codec/png_image.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tevpng {
namespace {

std::vector<std::string> Names(const PngImage& image) {
    std::vector<std::string> names;
    for (const auto& chunk : image.Chunks()) names.push_back(chunk->Name());
    return names;
}

TEST(PngImage, EmptyImageHasNoHeaderAndNoSize) {
    PngImage image;
    EXPECT_EQ(image.Width(), 0);
    EXPECT_EQ(image.Height(), 0);
    EXPECT_EQ(image.Header(), nullptr);
    EXPECT_FALSE(image.HasHeader());
    EXPECT_EQ(image.ImageHeader(), nullptr);
    EXPECT_EQ(image.LastError, LoadError::None);
    EXPECT_FALSE(image.VerifyCrc);
    EXPECT_EQ(image.FilterSet, kFilterSub);
    EXPECT_EQ(image.CompressionLevel, 7);
    EXPECT_EQ(image.IdatLimit, 65535);
    EXPECT_EQ(image.Interlace, 0);
    EXPECT_TRUE(IsIdentity(image.Gamma));
    EXPECT_TRUE(IsIdentity(image.InverseGamma));
}

TEST(PngImage, HeaderIsTheFirstChunkWhateverItsName) {
    PngImage image;
    PngChunk* text = image.AddChunk("tEXt");
    EXPECT_EQ(image.Header(), text);
    EXPECT_FALSE(image.HasHeader());
    EXPECT_EQ(image.ImageHeader(), nullptr);
    EXPECT_EQ(image.Width(), 0);
}

TEST(PngImage, FindChunkComparesNamesExactly) {
    PngImage image;
    image.AddChunk("IHDR");
    PngChunk* time = image.AddChunk("tIME");
    EXPECT_EQ(image.FindChunk("tIME"), time);
    for (const char* other : {"TIME", "time", "tIMe", "Time", "tIM"}) EXPECT_EQ(image.FindChunk(other), nullptr) << other;
}

struct OrderCase {
    const char* name;
    std::vector<std::string> adds;  // a leading '!' means AddChunk must refuse it
    std::vector<std::string> order;
};

class AddChunkOrder : public testing::TestWithParam<OrderCase> {};

TEST_P(AddChunkOrder, KeepsTheFixedOrder) {
    PngImage image;
    for (const std::string& add : GetParam().adds) {
        const bool refused = add[0] == '!';
        const std::string name = refused ? add.substr(1) : add;
        PngChunk* chunk = image.AddChunk(name);
        if (refused) {
            EXPECT_EQ(chunk, nullptr) << name;
        } else {
            ASSERT_NE(chunk, nullptr) << name;
            EXPECT_EQ(chunk->Name(), name);
        }
    }
    EXPECT_EQ(Names(image), GetParam().order);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, AddChunkOrder,
    testing::Values(
        OrderCase{"PaletteBeforeData", {"IHDR", "IDAT", "PLTE"}, {"IHDR", "PLTE", "IDAT"}},
        OrderCase{"DataAfterPalette", {"IHDR", "PLTE", "IDAT"}, {"IHDR", "PLTE", "IDAT"}},
        OrderCase{"FileOrderWithGammaFirst",
                  {"IHDR", "gAMA", "PLTE", "IDAT", "IEND"},
                  {"IHDR", "PLTE", "IDAT", "gAMA", "IEND"}},
        OrderCase{"GammaAfterDataWithoutPalette", {"IHDR", "IDAT", "gAMA"}, {"IHDR", "IDAT", "gAMA"}},
        OrderCase{"TransparencyAfterGamma",
                  {"IHDR", "PLTE", "IDAT", "gAMA", "tRNS"},
                  {"IHDR", "PLTE", "gAMA", "tRNS", "IDAT"}},
        OrderCase{"TransparencyAfterPalette", {"IHDR", "IDAT", "PLTE", "tRNS"}, {"IHDR", "PLTE", "tRNS", "IDAT"}},
        OrderCase{"TransparencyAfterData", {"IHDR", "IDAT", "tRNS"}, {"IHDR", "IDAT", "tRNS"}},
        OrderCase{"TextsBeforeEnd", {"IHDR", "IEND", "tEXt", "tEXt"}, {"IHDR", "tEXt", "tEXt", "IEND"}},
        OrderCase{"UnknownAppendedWithoutEnd", {"IHDR", "prIv", "IDAT"}, {"IHDR", "IDAT", "prIv"}},
        OrderCase{"WithoutHeaderEverythingStartsAtZero",
                  {"IDAT", "PLTE", "gAMA", "IHDR"},
                  {"IHDR", "PLTE", "gAMA", "IDAT"}},
        OrderCase{"SingletonsRefuseASecond",
                  {"IHDR", "!IHDR", "PLTE", "!PLTE", "IDAT", "!IDAT", "gAMA", "!gAMA", "tRNS", "!tRNS"},
                  {"IHDR", "PLTE", "gAMA", "tRNS", "IDAT"}},
        OrderCase{"EndRefusedOnlyWhenLast", {"IHDR", "IEND", "!IEND", "tEXt", "!IEND"}, {"IHDR", "tEXt", "IEND"}},
        OrderCase{"NamesAreCaseSensitive", {"IHDR", "ihdr", "Idat"}, {"IHDR", "ihdr", "Idat"}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PngImage, ChunkKindsFollowTheNameTable) {
    struct KindCase {
        const char* name;
        ChunkKind kind;
    };
    for (const KindCase& c : {KindCase{"IHDR", ChunkKind::Header}, KindCase{"IEND", ChunkKind::End},
                              KindCase{"IDAT", ChunkKind::Data}, KindCase{"PLTE", ChunkKind::Palette},
                              KindCase{"gAMA", ChunkKind::Gamma}, KindCase{"tRNS", ChunkKind::Alpha},
                              KindCase{"tEXt", ChunkKind::Text}, KindCase{"tIME", ChunkKind::Time},
                              KindCase{"zTXt", ChunkKind::Other}, KindCase{"GAMA", ChunkKind::Other}}) {
        EXPECT_EQ(ChunkKindOf(c.name), c.kind) << c.name;
    }
    PngImage image;
    EXPECT_NE(image.AddChunk("IHDR")->As<HeaderChunk>(), nullptr);
    EXPECT_NE(image.AddChunk("tRNS")->As<AlphaChunk>(), nullptr);
    EXPECT_EQ(image.AddChunk("IEND")->As<AlphaChunk>(), nullptr);
}

TEST(PngImage, NewChunksStartEmptyAndGammaHoldsOne) {
    PngImage image;
    PngChunk* text = image.AddChunk("tEXt");
    EXPECT_EQ(&text->Owner(), &image);
    EXPECT_EQ(text->DataSize(), 0);
    EXPECT_NE(text->Data(), nullptr);
    auto* gamma = image.AddChunk("gAMA")->As<GammaChunk>();
    EXPECT_EQ(gamma->DataSize(), 4);
    EXPECT_EQ(gamma->Value(), 1u);
    auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
    EXPECT_EQ(header->PixelBits(), nullptr);
    EXPECT_EQ(header->AlphaPlane(), nullptr);
    EXPECT_EQ(header->Bitmap(), nullptr);
    EXPECT_EQ(header->BitmapDC(), nullptr);
}

TEST(PngImage, ResizeDataKeepsContents) {
    PngImage image;
    PngChunk* chunk = image.AddChunk("prIv");
    ASSERT_TRUE(chunk->ResizeData(3));
    chunk->Data()[0] = 7;
    chunk->Data()[2] = 9;
    ASSERT_TRUE(chunk->ResizeData(10));
    EXPECT_EQ(chunk->DataSize(), 10);
    EXPECT_EQ(chunk->Data()[0], 7);
    EXPECT_EQ(chunk->Data()[2], 9);
}

TEST(PngImage, PaletteEntryBeyondCountIsZero) {
    PngImage image;
    auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
    auto* palette = image.AddChunk("PLTE")->As<PaletteChunk>();
    for (int i = 0; i < 256; ++i) header->BitmapInfo.bmiColors[i] = RgbQuad{1, 2, static_cast<std::uint8_t>(i), 0};
    palette->Count = 16;
    const RgbQuad inside = palette->PaletteEntry(15);
    EXPECT_EQ(inside.rgbRed, 15);
    EXPECT_EQ(inside.rgbBlue, 1);
    for (int index : {16, 200, 255, 256, -1}) {
        const RgbQuad outside = palette->PaletteEntry(index);
        EXPECT_EQ(outside.rgbRed + outside.rgbGreen + outside.rgbBlue + outside.rgbReserved, 0) << index;
    }
}

TEST(PngImage, ClearRestoresIdentityGammaAndEmptiesTheList) {
    PngImage image;
    image.AddChunk("IHDR");
    image.AddChunk("IEND");
    image.Gamma[10] = 99;
    image.InverseGamma[99] = 3;
    image.Clear();
    EXPECT_TRUE(image.Chunks().empty());
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(image.Gamma[i], i);
        EXPECT_EQ(image.InverseGamma[i], i);
    }
}

struct FormatCase {
    int colorType;
    int bitDepth;
    int width;
    int dibBits;
    bool hasPalette;
    bool hasAlpha;
    int rowStride;
};

class PixelMemoryFormat : public testing::TestWithParam<FormatCase> {};

TEST_P(PixelMemoryFormat, FollowsTheFormatTable) {
    const FormatCase& c = GetParam();
    PngImage image;
    auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
    header->Width = c.width;
    header->Height = 3;
    header->ColorType = static_cast<std::uint8_t>(c.colorType);
    header->BitDepth = static_cast<std::uint8_t>(c.bitDepth);
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    const DibInfoHeader& info = header->BitmapInfo.bmiHeader;
    EXPECT_EQ(info.biSize, 40u);
    EXPECT_EQ(info.biWidth, c.width);
    EXPECT_EQ(info.biHeight, 3);
    EXPECT_EQ(info.biPlanes, 1);
    EXPECT_EQ(info.biBitCount, c.dibBits);
    EXPECT_EQ(info.biCompression, kBiRgb);
    EXPECT_EQ(info.biSizeImage + info.biClrUsed + info.biClrImportant, 0u);
    EXPECT_EQ(header->HasPalette, c.hasPalette);
    EXPECT_EQ(header->AlphaPlane() != nullptr, c.hasAlpha);
    EXPECT_EQ(header->RowStride, c.rowStride);
    ASSERT_NE(header->PixelBits(), nullptr);
    EXPECT_EQ(header->PixelBytes(), static_cast<std::size_t>(c.rowStride) * 3);
    for (std::size_t i = 0; i < header->PixelBytes(); ++i) ASSERT_EQ(header->PixelBits()[i], 0);
    if (c.hasAlpha) {
        for (int i = 0; i < c.width * 3; ++i) ASSERT_EQ(header->AlphaPlane()[i], 0);
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PixelMemoryFormat,
                         testing::Values(FormatCase{0, 1, 33, 1, true, false, 8},
                                         FormatCase{0, 2, 3, 4, true, false, 4},
                                         FormatCase{0, 4, 9, 4, true, false, 8},
                                         FormatCase{0, 8, 5, 8, true, false, 8},
                                         FormatCase{0, 16, 4, 8, true, false, 4},
                                         FormatCase{3, 1, 1, 1, true, false, 4},
                                         FormatCase{3, 2, 8, 4, true, false, 4},
                                         FormatCase{3, 4, 8, 4, true, false, 4},
                                         FormatCase{3, 8, 8, 8, true, false, 8},
                                         FormatCase{4, 8, 3, 8, true, true, 4},
                                         FormatCase{4, 16, 3, 8, true, true, 4},
                                         FormatCase{2, 8, 3, 24, false, false, 12},
                                         FormatCase{2, 16, 4, 24, false, false, 12},
                                         FormatCase{6, 8, 1, 24, false, true, 4},
                                         FormatCase{6, 16, 5, 24, false, true, 16}));

TEST(PixelMemory, RefusesHeadersWithoutAFormat) {
    struct Case {
        int colorType, bitDepth, width, height;
    };
    for (const Case& c : {Case{1, 8, 4, 4}, Case{5, 8, 4, 4}, Case{7, 8, 4, 4}, Case{9, 8, 4, 4},
                          Case{2, 1, 4, 4}, Case{2, 2, 4, 4}, Case{2, 4, 4, 4}, Case{3, 16, 4, 4},
                          Case{4, 4, 4, 4}, Case{6, 4, 4, 4}, Case{0, 3, 4, 4}, Case{0, 0, 4, 4},
                          Case{2, 99, 4, 4}, Case{2, 8, 0, 4}, Case{2, 8, 4, 0}, Case{6, 8, -1, 4},
                          Case{6, 8, 65536, 1}}) {
        PngImage image;
        auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
        header->ColorType = static_cast<std::uint8_t>(c.colorType);
        header->BitDepth = static_cast<std::uint8_t>(c.bitDepth);
        header->Width = c.width;
        header->Height = c.height;
        EXPECT_EQ(header->CreatePixelMemory(), LoadError::UnsupportedFormat)
            << c.colorType << "/" << c.bitDepth << " " << c.width << "x" << c.height;
        EXPECT_EQ(header->PixelBits(), nullptr);
        EXPECT_EQ(header->AlphaPlane(), nullptr);
    }
}

TEST(PixelMemory, LimitAdmitsExactly8192SquaredWithAlpha) {
    PngImage image;
    auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
    header->ColorType = 6;
    header->BitDepth = 8;
    header->Width = 8192;
    header->Height = 8192;
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    EXPECT_NE(header->PixelBits(), nullptr);
    header->Height = 8193;
    EXPECT_EQ(header->CreatePixelMemory(), LoadError::NoPixelMemory);
    EXPECT_EQ(header->PixelBits(), nullptr);
    EXPECT_EQ(header->AlphaPlane(), nullptr);
    header->Width = 65535;
    header->Height = 65535;
    EXPECT_EQ(header->CreatePixelMemory(), LoadError::NoPixelMemory);
    header->ColorType = 0;
    header->BitDepth = 1;  // 512 MB even at one bit per pixel
    EXPECT_EQ(header->CreatePixelMemory(), LoadError::NoPixelMemory);
}

TEST(PixelMemory, RecreatingReleasesTheOldMemory) {
    PngImage image;
    auto* header = image.AddChunk("IHDR")->As<HeaderChunk>();
    header->ColorType = 6;
    header->BitDepth = 8;
    header->Width = 4;
    header->Height = 4;
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    header->PixelBits()[0] = 1;
    header->ColorType = 0;
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    EXPECT_EQ(header->PixelBits()[0], 0);
    EXPECT_EQ(header->AlphaPlane(), nullptr);
    EXPECT_EQ(header->BitmapInfo.bmiHeader.biBitCount, 8);
}

}  // namespace
}  // namespace tevpng
