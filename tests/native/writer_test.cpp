// SaveStream and SaveFile: the bytes of the file, the chunk order PNG requires, the image
// data in IDAT chunks, the row encoders and filters, round trips through our own reader,
// and the refusals that keep the writer from emitting what it did not fill.
#include "codec/writer.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <iterator>
#include <vector>

#include "codec/png_image.h"
#include "codec/row_decoder.h"
#include "dib_pixels.h"
#include "io/memory_stream.h"
#include "libpng_reference.h"
#include "png_builder.h"
#include "png_chunks.h"
#include "png_memory.h"
#include "scale/resize.h"

namespace tevpng {
namespace {

using tevtest::Bytes;
using tevtest::FilteredRows;
using tevtest::LoadPng;
using tevtest::ParsedChunk;
using tevtest::PngBytes;
using tevtest::SavePng;
using tevtest::Zlib;
using Names = std::vector<std::string>;

std::vector<ParsedChunk> Chunks(const Bytes& png) {
    auto chunks = tevtest::ParseChunks(png);
    EXPECT_TRUE(chunks.has_value());
    return chunks.value_or(std::vector<ParsedChunk>{});
}

Names ListNames(const PngImage& image) {
    Names names;
    for (const auto& chunk : image.Chunks()) names.push_back(chunk->Name());
    return names;
}

Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// Rows of `rowBytes` random bytes each.
std::vector<Bytes> RandomRows(int height, std::size_t rowBytes, unsigned seed) {
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) rows.push_back(RandomBytes(rowBytes, seed + y));
    return rows;
}

// The DIB, its colour table as used and the alpha plane of two images are the same.
void ExpectSamePixels(const PngImage& a, const PngImage& b, const std::string& what) {
    const HeaderChunk* x = a.ImageHeader();
    const HeaderChunk* y = b.ImageHeader();
    ASSERT_NE(x, nullptr) << what;
    ASSERT_NE(y, nullptr) << what;
    ASSERT_EQ(x->Width, y->Width) << what;
    ASSERT_EQ(x->Height, y->Height) << what;
    ASSERT_EQ(x->BitmapInfo.bmiHeader.biBitCount, y->BitmapInfo.bmiHeader.biBitCount) << what;
    ASSERT_EQ(x->PixelBytes(), y->PixelBytes()) << what;
    EXPECT_EQ(std::memcmp(x->PixelBits(), y->PixelBits(), x->PixelBytes()), 0) << what;
    if (x->HasPalette) {
        const int entries = 1 << x->BitmapInfo.bmiHeader.biBitCount;
        EXPECT_EQ(std::memcmp(x->BitmapInfo.bmiColors, y->BitmapInfo.bmiColors, entries * sizeof(RgbQuad)), 0)
            << what;
    }
    ASSERT_EQ(x->AlphaPlane() != nullptr, y->AlphaPlane() != nullptr) << what;
    if (x->AlphaPlane()) {
        EXPECT_EQ(
            std::memcmp(x->AlphaPlane(), y->AlphaPlane(), static_cast<std::size_t>(x->Width) * x->Height), 0)
            << what;
    }
}

// Saves, loads the result and expects the same pixels.
void ExpectRoundTrip(PngImage& image, const std::string& what) {
    const Bytes written = SavePng(image);
    PngImage again;
    ASSERT_TRUE(LoadPng(again, written)) << what;
    EXPECT_EQ(again.LastError, LoadError::None) << what;
    ExpectSamePixels(image, again, what);
}

// ---- The file as a whole

TEST(WriterFile, EmptyImageWritesTheSignatureOnly) {
    PngImage image;
    const Bytes written = SavePng(image);
    EXPECT_EQ(written, Bytes(std::begin(tevtest::kSignature), std::end(tevtest::kSignature)));
}

TEST(WriterFile, WritesAtTheStreamsPosition) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(1, 1, 8, 0).Idat(Zlib({0, 7})).Iend().bytes()));
    MemoryStream stream(Bytes{1, 2, 3, 4});
    stream.Seek(2, SeekOrigin::Begin);
    ASSERT_TRUE(image.SaveStream(stream));
    const Bytes& bytes = stream.Bytes();
    EXPECT_EQ(bytes[0], 1);
    EXPECT_EQ(bytes[1], 2);
    EXPECT_EQ(Bytes(bytes.begin() + 2, bytes.end()), SavePng(image));
}

// A 1 x 1 image as the resize builds it, with red 10, green 20, blue 30, alpha 40.
TEST(WriterFile, OneByOneRgbaImageByteForByte) {
    PngImage image;
    auto header = std::make_unique<HeaderChunk>(image, ChunkKind::Header, "IHDR");
    header->Width = header->Height = 1;
    header->BitDepth = 8;
    header->ColorType = 2;
    ASSERT_EQ(header->CreatePixelMemory(), LoadError::None);
    ASSERT_TRUE(CreateAlpha(*header));
    std::memcpy(header->PixelBits(), "\x1e\x14\x0a", 3);  // blue, green, red
    header->AlphaPlane()[0] = 40;
    ASSERT_TRUE(AssignBitmap(image, std::move(header)));
    ASSERT_EQ(ListNames(image), (Names{"IHDR", "IDAT", "IEND"}));

    const Bytes written = SavePng(image);
    ASSERT_GE(written.size(), 8u);
    EXPECT_EQ(Bytes(written.begin(), written.begin() + 8),
              Bytes(std::begin(tevtest::kSignature), std::end(tevtest::kSignature)));
    const auto chunks = Chunks(written);
    ASSERT_EQ(tevtest::ChunkTypes(chunks), (Names{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(chunks[0].data, (Bytes{0, 0, 0, 1, 0, 0, 0, 1, 8, 6, 0, 0, 0}));
    EXPECT_EQ(tevtest::InflateImageData(chunks), (Bytes{1, 10, 20, 30, 40}));
    EXPECT_TRUE(chunks[2].data.empty());
    for (const ParsedChunk& chunk : chunks) {
        EXPECT_EQ(chunk.crc, tevtest::ReferenceChunkCrc(chunk.type, chunk.data)) << chunk.type;
    }
    // The header's data holds what was written.
    ASSERT_EQ(image.Header()->DataSize(), 13);
    EXPECT_EQ(Bytes(image.Header()->Data(), image.Header()->Data() + 13), chunks[0].data);
}

TEST(WriterFile, ImageDataIsCutIntoChunksOfExactly65535Bytes) {
    // Noise barely compresses: about 800 KB of zlib data.
    const int width = 400, height = 500;
    const auto rows = RandomRows(height, width * 4, 7);
    PngImage image;
    ASSERT_TRUE(
        LoadPng(image, PngBytes::Start(width, height, 8, 6).Idat(Zlib(FilteredRows(rows))).Iend().bytes()));
    const auto chunks = Chunks(SavePng(image));
    std::vector<std::size_t> sizes;
    for (const ParsedChunk& chunk : chunks) {
        if (chunk.type == "IDAT") sizes.push_back(chunk.data.size());
    }
    ASSERT_GE(sizes.size(), 5u);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 65535u) << i;
    EXPECT_GE(sizes.back(), 1u);
    EXPECT_LE(sizes.back(), 65535u);
    // One run of IDAT chunks, between the header and the end.
    EXPECT_EQ(chunks[1].type, "IDAT");
    EXPECT_EQ(chunks[sizes.size()].type, "IDAT");
    EXPECT_EQ(chunks[sizes.size() + 1].type, "IEND");

    // Every row Sub-filtered: byte i minus byte i - 4.
    const auto inflated = tevtest::InflateImageData(chunks);
    ASSERT_TRUE(inflated.has_value());
    ASSERT_EQ(inflated->size(), static_cast<std::size_t>(height) * (width * 4 + 1));
    for (int y = 0; y < height; y += 97) {
        const std::uint8_t* row = inflated->data() + static_cast<std::size_t>(y) * (width * 4 + 1);
        EXPECT_EQ(row[0], 1);
        for (int i = 0; i < width * 4; ++i) {
            const int expected = i < 4 ? rows[y][i] : (rows[y][i] - rows[y][i - 4]) & 0xFF;
            ASSERT_EQ(row[1 + i], expected) << y << "," << i;
        }
    }
}

TEST(WriterFile, ChunksFollowIdatLimit) {
    PngImage image;
    ASSERT_TRUE(LoadPng(
        image,
        PngBytes::Start(64, 64, 8, 2).Idat(Zlib(FilteredRows(RandomRows(64, 192, 3)))).Iend().bytes()));
    image.IdatLimit = 1000;
    const auto chunks = Chunks(SavePng(image));
    std::vector<std::size_t> sizes;
    for (const ParsedChunk& chunk : chunks) {
        if (chunk.type == "IDAT") sizes.push_back(chunk.data.size());
    }
    ASSERT_GE(sizes.size(), 10u);
    for (std::size_t i = 0; i + 1 < sizes.size(); ++i) EXPECT_EQ(sizes[i], 1000u);
    PngImage again;
    ASSERT_TRUE(LoadPng(again, SavePng(image)));
    ExpectSamePixels(image, again, "IdatLimit 1000");
}

TEST(WriterFile, ARowOfRgbIsSubFiltered) {
    PngImage image;
    ASSERT_TRUE(LoadPng(
        image, PngBytes::Start(3, 1, 8, 2).Idat(Zlib({0, 0, 0, 0, 10, 10, 10, 30, 20, 10})).Iend().bytes()));
    EXPECT_EQ(tevtest::InflateImageData(Chunks(SavePng(image))), (Bytes{1, 0, 0, 0, 10, 10, 10, 20, 10, 0}));
}

TEST(WriterFile, RawChunksAreWrittenBackUnchangedWithAFreshCrc) {
    const Bytes secret = {1, 2, 3, 250, 0, 9};
    const Bytes png = PngBytes::Start(2, 1, 8, 0)
                          .ChunkWithCrc("prVt", secret, 0xDEADBEEF)  // a CRC nobody checks
                          .Chunk("pHYs", {0, 0, 11, 19, 0, 0, 11, 19, 1})
                          .Idat(Zlib({0, 5, 6}))
                          .Chunk("zTXt", {'k', 0, 0, 120, 156, 3, 0, 0, 0, 0, 1})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    const auto chunks = Chunks(SavePng(image));
    int found = 0;
    for (const ParsedChunk& chunk : chunks) {
        EXPECT_EQ(chunk.crc, tevtest::ReferenceChunkCrc(chunk.type, chunk.data)) << chunk.type;
        if (chunk.type == "prVt") {
            EXPECT_EQ(chunk.data, secret);
            ++found;
        }
        if (chunk.type == "pHYs") {
            EXPECT_EQ(chunk.data, (Bytes{0, 0, 11, 19, 0, 0, 11, 19, 1}));
            ++found;
        }
        if (chunk.type == "zTXt") ++found;
    }
    EXPECT_EQ(found, 3);
}

TEST(WriterFile, TransparencyIsKeptByteForByte) {
    for (const Bytes& trns : {Bytes{0}, Bytes{0, 128, 255}, Bytes(256, 77)}) {
        const Bytes png = PngBytes::Start(2, 1, 8, 3)
                              .Chunk("PLTE", {1, 2, 3, 4, 5, 6, 7, 8, 9})
                              .Chunk("tRNS", trns)
                              .Idat(Zlib({0, 0, 2}))
                              .Iend()
                              .bytes();
        PngImage image;
        ASSERT_TRUE(LoadPng(image, png));
        const auto chunks = Chunks(SavePng(image));
        ASSERT_EQ(tevtest::ChunkTypes(chunks), (Names{"IHDR", "PLTE", "tRNS", "IDAT", "IEND"}));
        EXPECT_EQ(chunks[1].data, (Bytes{1, 2, 3, 4, 5, 6, 7, 8, 9}));
        EXPECT_EQ(chunks[2].data, trns);
        EXPECT_EQ(image.FindChunk("tRNS")->DataSize(), static_cast<std::int32_t>(trns.size()));
    }
}

// A grey or colour key names raw sample values: the pixel that had the key's value must still
// have it in the file we write, whatever depth and gamma the samples are written with.
struct KeyCase {
    const char* name;
    std::uint8_t depth, colorType;
    Bytes row;           // one row, unfiltered; its first pixel has the key's value
    Bytes key;           // tRNS as read
    Bytes written;       // tRNS as written; empty: only the pixel must match
    bool gamma = false;  // a gAMA before the image data
};

const KeyCase kKeyCases[] = {
    {"grey2", 2, 0, {0x93}, {0, 2}, {0, 10}},  // pixels 2, 1, 0, 3, written as 4-bit 10, 5, 0, 15
    {"grey8", 8, 0, {7, 9}, {0, 7}, {0, 7}},
    {"grey16", 16, 0, {0x12, 0x34}, {0x12, 0x34}, {0x12, 0}},
    {"rgb16",
     16,
     2,
     {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC},
     {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC},
     {0x12, 0, 0x56, 0, 0x9A, 0}},
    {"rgb8", 8, 2, {10, 100, 200}, {0, 10, 0, 100, 0, 200}, {0, 10, 0, 100, 0, 200}},
    {"rgb8 gamma", 8, 2, {10, 100, 200}, {0, 10, 0, 100, 0, 200}, {}, true},
    {"rgb16 gamma", 16, 2, {1, 2, 30, 40, 200, 255}, {1, 2, 30, 40, 200, 255}, {}, true},
};

class WriterTransparentKey : public testing::TestWithParam<KeyCase> {};

TEST_P(WriterTransparentKey, StillNamesThePixelItNamed) {
    const KeyCase& c = GetParam();
    const int channels = c.colorType == 2 ? 3 : 1;
    const std::uint32_t width = static_cast<std::uint32_t>(c.row.size() * 8 / (c.depth * channels));
    PngBytes builder = PngBytes::Start(width, 1, c.depth, c.colorType);
    if (c.gamma) builder.Chunk("gAMA", {0, 0, 177, 143});
    const Bytes png = builder.Chunk("tRNS", c.key).Idat(Zlib(FilteredRows({c.row}))).Iend().bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    const Bytes written = SavePng(image);

    Bytes key;
    for (const ParsedChunk& chunk : Chunks(written)) {
        if (chunk.type == "tRNS") key = chunk.data;
    }
    ASSERT_EQ(key.size(), c.key.size());
    if (!c.written.empty()) {
        EXPECT_EQ(key, c.written);
    }
    const auto decoded = tevtest::DecodeWithLibpng(written);  // 16-bit samples as their high byte
    ASSERT_TRUE(decoded.has_value());
    for (int i = 0; i < channels; ++i) {
        const std::uint8_t sample = decoded->samples[static_cast<std::size_t>(i)];
        if (decoded->bitDepth == 16) {
            EXPECT_EQ(key[2 * i], sample) << "sample " << i;
            EXPECT_EQ(key[2 * i + 1], 0) << "sample " << i;  // written with a low byte of 0
        } else {
            EXPECT_EQ(key[2 * i], 0) << "sample " << i;
            EXPECT_EQ(key[2 * i + 1], sample) << "sample " << i;
        }
    }
    // Saved again (the image is held at the depth it was written with), the key stays.
    for (const ParsedChunk& chunk : Chunks(SavePng(image))) {
        if (chunk.type == "tRNS") {
            EXPECT_EQ(chunk.data, key);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Keys, WriterTransparentKey, testing::ValuesIn(kKeyCases),
                         [](const testing::TestParamInfo<KeyCase>& info) {
                             std::string name = info.param.name;
                             for (char& ch : name)
                                 if (ch == ' ') ch = '_';
                             return name;
                         });

TEST(WriterFile, TextAndTimeAreWrittenFromTheirValues) {
    const Bytes png = PngBytes::Start(1, 1, 8, 0)
                          .Idat(Zlib({0, 0}))
                          .Chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'a', 'b'})
                          .Chunk("tIME", {7, 232, 2, 29, 23, 59, 60})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    auto* text = image.FindChunk("tEXt")->As<TextChunk>();
    text->Text = "changed";
    image.FindChunk("tIME")->As<TimeChunk>()->Second = 1;
    const auto chunks = Chunks(SavePng(image));
    ASSERT_EQ(tevtest::ChunkTypes(chunks), (Names{"IHDR", "IDAT", "tEXt", "tIME", "IEND"}));
    EXPECT_EQ(chunks[2].data, (Bytes{'T', 'i', 't', 'l', 'e', 0, 'c', 'h', 'a', 'n', 'g', 'e', 'd'}));
    EXPECT_EQ(chunks[3].data, (Bytes{7, 232, 2, 29, 23, 59, 1}));
}

// ---- Chunk order: the list keeps AddChunk's order, the file gets PNG's.

TEST(WriterOrder, AncillaryChunksGoWherePngPutsThem) {
    const Bytes png = PngBytes::Start(2, 1, 8, 3)
                          .Chunk("gAMA", {0, 0, 177, 143})
                          .Chunk("sBIT", {5, 6, 5})
                          .Chunk("sRGB", {0})
                          .Chunk("PLTE", {1, 2, 3, 4, 5, 6})
                          .Chunk("tRNS", {0})
                          .Chunk("bKGD", {1})
                          .Chunk("hIST", {0, 1, 0, 1})
                          .Chunk("tEXt", {'a', 0, 'b'})
                          .Chunk("pHYs", {0, 0, 11, 19, 0, 0, 11, 19, 1})
                          .Chunk("sPLT", {'s', 0, 8, 1, 2, 3, 4, 0, 1})
                          .Idat(Zlib({0, 0x01}))
                          .Chunk("tIME", {7, 232, 2, 29, 23, 59, 60})
                          .Chunk("prVt", {1})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    const Names list = ListNames(image);
    EXPECT_EQ(list, (Names{"IHDR", "PLTE", "IDAT", "gAMA", "tRNS", "sBIT", "sRGB", "bKGD", "hIST", "tEXt",
                           "pHYs", "sPLT", "tIME", "prVt", "IEND"}));
    const Bytes written = SavePng(image);
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(written)),
              (Names{"IHDR", "gAMA", "sBIT", "sRGB", "PLTE", "tRNS", "bKGD", "hIST", "pHYs", "sPLT", "IDAT",
                     "tEXt", "tIME", "prVt", "IEND"}));
    // Saving does not reorder the list itself.
    EXPECT_EQ(ListNames(image), list);
    const auto verdict = tevtest::ReadStrictlyWithLibpng(written);
    EXPECT_TRUE(verdict.read);
    EXPECT_EQ(verdict.messages, Names{});
    ASSERT_TRUE(verdict.gamma.has_value());
    EXPECT_EQ(*verdict.gamma, 45455u);
}

TEST(WriterOrder, AFileCutShortAfterItsImageDataGetsAnEnd) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(1, 1, 8, 0).Idat(Zlib({0, 9})).bytes()));
    EXPECT_EQ(image.LastError, LoadError::StreamEnded);
    const Bytes written = SavePng(image);
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(written)), (Names{"IHDR", "IDAT", "IEND"}));
    EXPECT_TRUE(tevtest::ReadStrictlyWithLibpng(written).messages.empty());
}

TEST(WriterOrder, MethodsAreWrittenAsTheOnesUsed) {
    Bytes ihdr;
    tevtest::AppendBigEndian32(ihdr, 1);
    tevtest::AppendBigEndian32(ihdr, 1);
    ihdr.insert(ihdr.end(), {8, 0, 0, 3, 0});  // filter method 3: unchecked on load
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes().Signature().Chunk("IHDR", ihdr).Idat(Zlib({0, 9})).Iend().bytes()));
    const Bytes written = SavePng(image);
    EXPECT_EQ(Chunks(written)[0].data, (Bytes{0, 0, 0, 1, 0, 0, 0, 1, 8, 0, 0, 0, 0}));
    EXPECT_TRUE(tevtest::ReadStrictlyWithLibpng(written).read);
}

// Chunks PNG forbids for the colour type, and which our reader would not use, stay out.
TEST(WriterOrder, ForbiddenPaletteAndTransparencyAreLeftOut) {
    const Bytes png = PngBytes::Start(1, 1, 8, 6)
                          .Chunk("PLTE", {1, 2, 3})
                          .Chunk("tRNS", {0, 1, 0, 2, 0, 3})
                          .Idat(Zlib({0, 1, 2, 3, 4}))
                          .Iend()
                          .bytes();
    PngImage rgba;
    ASSERT_TRUE(LoadPng(rgba, png));
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(SavePng(rgba))), (Names{"IHDR", "PLTE", "IDAT", "IEND"}));

    const Bytes grey = PngBytes::Start(1, 1, 8, 0).Chunk("PLTE", {1, 2, 3}).Idat(Zlib({0, 1})).Iend().bytes();
    PngImage greyImage;
    ASSERT_TRUE(LoadPng(greyImage, grey));
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(SavePng(greyImage))), (Names{"IHDR", "IDAT", "IEND"}));
}

// A tRNS of more than 256 bytes after the image data fails only its handler; written
// before IDAT it would fail the next load.
TEST(WriterOrder, OversizedTransparencyIsLeftOut) {
    const Bytes png = PngBytes::Start(1, 1, 8, 3)
                          .Chunk("PLTE", {1, 2, 3})
                          .Idat(Zlib({0, 0}))
                          .Chunk("tRNS", Bytes(300, 1))
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    ASSERT_NE(image.FindChunk("tRNS"), nullptr);
    const Bytes written = SavePng(image);
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(written)), (Names{"IHDR", "PLTE", "IDAT", "IEND"}));
    PngImage again;
    EXPECT_TRUE(LoadPng(again, written));
}

// ---- Gamma: colours go out through InverseGamma, so the next load gives them back.

struct GammaCase {
    const char* name;
    int colorType;
    int bitDepth;
    bool interlaced;
};

class WriterGamma : public testing::TestWithParam<GammaCase> {};

TEST_P(WriterGamma, SaveAndLoadGiveBackTheSameColours) {
    const GammaCase& c = GetParam();
    tevtest::ReferenceEncoding source;
    source.width = 13;
    source.height = 11;
    source.colorType = c.colorType;
    source.bitDepth = c.bitDepth;
    source.interlaced = c.interlaced;
    source.gamma = 100000;  // strong enough that the tables are far from the identity
    const int channels = c.colorType == 6 ? 4 : c.colorType == 2 ? 3 : 1;
    if (c.colorType == 3) source.palette = RandomBytes(3 * 200, 5);
    const std::size_t rowBytes = static_cast<std::size_t>(source.width) * channels * (c.bitDepth / 8);
    source.rows = RandomBytes(rowBytes * source.height, 9);
    if (c.colorType == 3) {
        for (auto& index : source.rows) index %= 200;
    }
    PngImage image;
    ASSERT_TRUE(LoadPng(image, tevtest::EncodeWithLibpng(source)));
    ASSERT_FALSE(IsIdentity(image.Gamma));
    ExpectRoundTrip(image, c.name);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterGamma,
    testing::Values(GammaCase{"Rgb8", 2, 8, false}, GammaCase{"Rgb8Adam7", 2, 8, true},
                    GammaCase{"Rgb16", 2, 16, false}, GammaCase{"Rgb16Adam7", 2, 16, true},
                    GammaCase{"Rgba8", 6, 8, false}, GammaCase{"Rgba8Adam7", 6, 8, true},
                    GammaCase{"Rgba16", 6, 16, false}, GammaCase{"Rgba16Adam7", 6, 16, true},
                    GammaCase{"Palette", 3, 8, false}, GammaCase{"PaletteAdam7", 3, 8, true},
                    GammaCase{"Grey16Adam7", 0, 16, true}),
    [](const auto& info) { return std::string(info.param.name); });

// A gAMA that came after what it would have changed was not applied to it. Written before
// it, it would change the colours on the next load, so it is left out and the colours
// are written as they are.
TEST(WriterGammaPlacement, GammaAfterTheImageDataIsLeftOut) {
    const Bytes png = PngBytes::Start(2, 1, 8, 2)
                          .Idat(Zlib({0, 10, 20, 30, 40, 50, 60}))
                          .Chunk("gAMA", {0, 1, 134, 160})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    ASSERT_FALSE(IsIdentity(image.InverseGamma));
    const Bytes written = SavePng(image);
    EXPECT_EQ(tevtest::ChunkTypes(Chunks(written)), (Names{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ(tevtest::InflateImageData(Chunks(written)), (Bytes{1, 10, 20, 30, 30, 30, 30}));
    PngImage again;
    ASSERT_TRUE(LoadPng(again, written));
    ExpectSamePixels(image, again, "gAMA after IDAT");
}

TEST(WriterGammaPlacement, GammaAfterThePaletteIsLeftOutOfPaletteImages) {
    const Bytes png = PngBytes::Start(2, 1, 8, 3)
                          .Chunk("PLTE", {10, 20, 30, 200, 100, 50})
                          .Chunk("gAMA", {0, 1, 134, 160})
                          .Idat(Zlib({0, 0, 1}))
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    const Bytes written = SavePng(image);
    const auto chunks = Chunks(written);
    EXPECT_EQ(tevtest::ChunkTypes(chunks), (Names{"IHDR", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(chunks[1].data, (Bytes{10, 20, 30, 200, 100, 50}));
    PngImage again;
    ASSERT_TRUE(LoadPng(again, written));
    ExpectSamePixels(image, again, "gAMA after PLTE");
}

TEST(WriterGammaPlacement, GammaBeforeEverythingIsWrittenAndApplied) {
    const Bytes png = PngBytes::Start(2, 1, 8, 3)
                          .Chunk("gAMA", {0, 1, 134, 160})
                          .Chunk("PLTE", {10, 20, 30, 200, 100, 50})
                          .Idat(Zlib({0, 0, 1}))
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    const auto chunks = Chunks(SavePng(image));
    ASSERT_EQ(tevtest::ChunkTypes(chunks), (Names{"IHDR", "gAMA", "PLTE", "IDAT", "IEND"}));
    EXPECT_EQ(chunks[1].data, (Bytes{0, 1, 134, 160}));
    // The palette goes out through the inverse table, so the gamma table brings it back.
    const Bytes raw = {10, 20, 30, 200, 100, 50};
    for (int i = 0; i < 6; ++i) EXPECT_EQ(image.Gamma[chunks[2].data[i]], image.Gamma[raw[i]]) << i;
    ExpectRoundTrip(image, "gAMA first");
}

// ---- Bit depths

TEST(WriterDepth, TwoBitImagesAreWrittenAtFourBits) {
    for (int colorType : {0, 3}) {
        for (bool interlaced : {false, true}) {
            tevtest::ReferenceEncoding source;
            source.width = 9;
            source.height = 5;
            source.colorType = colorType;
            source.bitDepth = 2;
            source.interlaced = interlaced;
            if (colorType == 3) source.palette = RandomBytes(12, 2);
            // Packed rows of 9 samples: 3 bytes each, the spare bits zero.
            source.rows = RandomBytes(15, 4);
            for (std::size_t i = 2; i < source.rows.size(); i += 3) source.rows[i] &= 0xC0;
            PngImage image;
            ASSERT_TRUE(LoadPng(image, tevtest::EncodeWithLibpng(source)));
            const std::string what = std::to_string(colorType) + (interlaced ? " Adam7" : "");
            const Bytes written = SavePng(image);
            EXPECT_EQ(Chunks(written)[0].data[8], 4) << what;
            EXPECT_EQ(image.ImageHeader()->BitDepth, 4) << what;
            PngImage again;
            ASSERT_TRUE(LoadPng(again, written)) << what;
            ExpectSamePixels(image, again, what);
            EXPECT_TRUE(tevtest::ReadStrictlyWithLibpng(written).messages.empty()) << what;
        }
    }
}

// Every format, sequential and Adam7, odd sizes and sizes narrower than some passes.
TEST(WriterDepth, EveryFormatSurvivesTheRoundTrip) {
    struct Format {
        int colorType, bitDepth, channels;
    };
    const Format formats[] = {{0, 1, 1},  {0, 2, 1}, {0, 4, 1},  {0, 8, 1}, {0, 16, 1},
                              {3, 1, 1},  {3, 2, 1}, {3, 4, 1},  {3, 8, 1}, {4, 8, 2},
                              {4, 16, 2}, {2, 8, 3}, {2, 16, 3}, {6, 8, 4}, {6, 16, 4}};
    const std::pair<int, int> sizes[] = {{1, 1}, {3, 2}, {5, 9}, {17, 3}, {33, 20}};
    for (const Format& f : formats) {
        for (auto [width, height] : sizes) {
            for (bool interlaced : {false, true}) {
                tevtest::ReferenceEncoding source;
                source.width = width;
                source.height = height;
                source.colorType = f.colorType;
                source.bitDepth = f.bitDepth;
                source.interlaced = interlaced;
                if (f.colorType == 3) source.palette = RandomBytes(3 << f.bitDepth, width);
                const std::size_t rowBytes =
                    (static_cast<std::size_t>(width) * f.channels * f.bitDepth + 7) / 8;
                source.rows = RandomBytes(rowBytes * height, width * 31 + height);
                const std::string what = std::to_string(f.colorType) + "/" + std::to_string(f.bitDepth) +
                                         " " + std::to_string(width) + "x" + std::to_string(height) +
                                         (interlaced ? " Adam7" : "");
                PngImage image;
                ASSERT_TRUE(LoadPng(image, tevtest::EncodeWithLibpng(source))) << what;
                const Bytes written = SavePng(image);
                PngImage again;
                ASSERT_TRUE(LoadPng(again, written)) << what;
                ExpectSamePixels(image, again, what);
                const auto verdict = tevtest::ReadStrictlyWithLibpng(written);
                EXPECT_TRUE(verdict.read) << what;
                EXPECT_EQ(verdict.interlace, interlaced ? 1 : 0) << what;
            }
        }
    }
}

// ---- Filters

TEST(WriterFilters, GoldenBytesOfEachFilter) {
    const Bytes row = {10, 20, 5, 250};
    const Bytes previous = {1, 100, 7, 3};
    const Bytes expected[] = {
        {10, 20, 5, 250},     // None
        {10, 10, 241, 245},   // Sub
        {9, 176, 254, 247},   // Up
        {10, 221, 248, 246},  // Average
        {9, 176, 254, 247},   // Paeth: b, then b twice
    };
    for (std::uint8_t type = 0; type <= 4; ++type) {
        Bytes out(4);
        FilterRow(type, row.data(), previous.data(), 4, 1, out.data());
        EXPECT_EQ(out, expected[type]) << int{type};
    }
}

TEST(WriterFilters, SubExampleRow) {
    const Bytes row = {0, 0, 0, 10, 10, 10, 30, 20, 10};
    Bytes out(row.size());
    FilterRow(kFilterTypeSub, row.data(), Bytes(9).data(), row.size(), 3, out.data());
    EXPECT_EQ(out, (Bytes{0, 0, 0, 10, 10, 10, 20, 10, 0}));
}

TEST(WriterFilters, UnfilteringGivesTheRowBack) {
    for (int step : {1, 2, 3, 4, 6, 8}) {
        for (std::size_t n : {std::size_t{1}, std::size_t{5}, std::size_t{64}, std::size_t{99}}) {
            const Bytes row = RandomBytes(n, static_cast<unsigned>(step * 100 + n));
            const Bytes previous = RandomBytes(n, static_cast<unsigned>(step * 100 + n + 1));
            for (std::uint8_t type = 0; type <= 4; ++type) {
                Bytes filtered(n);
                FilterRow(type, row.data(), previous.data(), n, step, filtered.data());
                UnfilterRowScalar(type, filtered.data(), previous.data(), n, step);
                EXPECT_EQ(filtered, row) << "type " << int{type} << " step " << step << " n " << n;
            }
        }
    }
}

TEST(WriterFilters, FilterSetChoosesTheFilters) {
    const int width = 31, height = 17;
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(width, height, 8, 6)
                                   .Idat(Zlib(FilteredRows(RandomRows(height, width * 4, 11))))
                                   .Iend()
                                   .bytes()));
    struct SetCase {
        std::uint8_t set;
        int onlyType;  // -1: any allowed
    };
    for (const SetCase c : {SetCase{kFilterNone, 0}, SetCase{kFilterSub, 1}, SetCase{kFilterUp, 2},
                            SetCase{kFilterAverage, 3}, SetCase{kFilterPaeth, 4}, SetCase{0, 0},
                            SetCase{kFilterUp | kFilterPaeth, -1}, SetCase{0x1F, -1}}) {
        image.FilterSet = c.set;
        const Bytes written = SavePng(image);
        const auto inflated = tevtest::InflateImageData(Chunks(written));
        ASSERT_TRUE(inflated.has_value());
        for (int y = 0; y < height; ++y) {
            const int type = (*inflated)[static_cast<std::size_t>(y) * (width * 4 + 1)];
            if (c.onlyType >= 0) {
                EXPECT_EQ(type, c.onlyType) << int{c.set};
            } else {
                EXPECT_TRUE(c.set & (1 << type)) << int{c.set} << " row " << y << " type " << type;
            }
        }
        PngImage again;
        ASSERT_TRUE(LoadPng(again, written));
        ExpectSamePixels(image, again, "FilterSet " + std::to_string(c.set));
    }
}

// ---- Row encoders

struct EncoderCase {
    const char* name;
    int colorType;
    int bitDepth;
    std::uint32_t width;
    Bytes dib;
    Bytes alpha;
    bool reversedGamma;
    Bytes expected;
};

class WriterEncoder : public testing::TestWithParam<EncoderCase> {};

TEST_P(WriterEncoder, TurnsTheDibRowIntoAPngRow) {
    const EncoderCase& c = GetParam();
    PngImage::GammaTable table{};
    for (int i = 0; i < 256; ++i) table[i] = static_cast<std::uint8_t>(c.reversedGamma ? 255 - i : i);
    for (bool identity : {false, true}) {
        if (identity && c.reversedGamma) continue;
        const RowEncoder encode = FindRowEncoder(c.colorType, c.bitDepth, identity);
        ASSERT_NE(encode, nullptr);
        Bytes out(c.expected.size() + 4, 0xEE);
        encode(c.dib.data(), c.alpha.data(), out.data(), c.width, table.data());
        EXPECT_EQ(Bytes(out.begin(), out.begin() + c.expected.size()), c.expected) << identity;
        EXPECT_EQ(out[c.expected.size()], 0xEE) << "wrote past the row";
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterEncoder,
    testing::Values(
        EncoderCase{"Rgb8", 2, 8, 2, {30, 20, 10, 3, 2, 1}, {}, false, {10, 20, 30, 1, 2, 3}},
        EncoderCase{"Rgb8ThroughTable", 2, 8, 1, {30, 20, 10}, {}, true, {245, 235, 225}},
        EncoderCase{"Rgb16", 2, 16, 1, {30, 20, 10}, {}, true, {245, 0, 235, 0, 225, 0}},
        EncoderCase{"Rgba8", 6, 8, 2, {30, 20, 10, 3, 2, 1}, {40, 41}, false, {10, 20, 30, 40, 1, 2, 3, 41}},
        EncoderCase{"Rgba8AlphaNotThroughTable", 6, 8, 1, {30, 20, 10}, {40}, true, {245, 235, 225, 40}},
        EncoderCase{"Rgba16", 6, 16, 1, {30, 20, 10}, {40}, true, {245, 0, 235, 0, 225, 0, 40, 0}},
        EncoderCase{"GreyAlpha8", 4, 8, 3, {7, 8, 9}, {1, 2, 3}, true, {7, 1, 8, 2, 9, 3}},
        EncoderCase{"GreyAlpha16", 4, 16, 2, {7, 8}, {1, 2}, true, {7, 0, 1, 0, 8, 0, 2, 0}},
        EncoderCase{"Grey16", 0, 16, 2, {7, 8}, {}, true, {7, 0, 8, 0}},
        EncoderCase{"Grey8", 0, 8, 3, {7, 8, 9}, {}, true, {7, 8, 9}},
        EncoderCase{"Grey4", 0, 4, 3, {0x5A, 0xF0}, {}, true, {0x5A, 0xF0}},
        EncoderCase{"Grey1", 0, 1, 10, {0xA5, 0xC0}, {}, true, {0xA5, 0xC0}},
        EncoderCase{"Palette8", 3, 8, 2, {200, 3}, {}, true, {200, 3}},
        EncoderCase{"Palette4", 3, 4, 1, {0x70}, {}, true, {0x70}},
        EncoderCase{"Palette1", 3, 1, 3, {0x60}, {}, true, {0x60}}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(WriterEncoder, PairsWithoutAnEncoder) {
    const std::pair<int, int> none[] = {{0, 2},  {3, 2}, {2, 4}, {6, 1}, {4, 4},
                                        {3, 16}, {1, 8}, {5, 8}, {7, 8}};
    for (auto [colorType, bitDepth] : none) {
        EXPECT_EQ(FindRowEncoder(colorType, bitDepth), nullptr) << colorType << "/" << bitDepth;
    }
}

// ---- Refusals: nothing is written from buffers the writer did not fill.

// A stream that takes `capacity` bytes, then refuses, and counts what was asked of it.
class ShortStream final : public Stream {
public:
    explicit ShortStream(std::size_t capacity) : capacity_(capacity) {}
    std::size_t Read(void*, std::size_t) override { return 0; }
    std::size_t Write(const void* buffer, std::size_t count) override {
        if (refused_) ++writesAfterRefusal;
        const std::size_t taken = std::min(count, capacity_ - bytes.size());
        bytes.insert(bytes.end(), static_cast<const std::uint8_t*>(buffer),
                     static_cast<const std::uint8_t*>(buffer) + taken);
        if (taken < count) refused_ = true;
        return taken;
    }
    std::int64_t Seek(std::int64_t, SeekOrigin) override { return static_cast<std::int64_t>(bytes.size()); }
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes.size()); }
    bool SetSize(std::int64_t) override { return false; }

    Bytes bytes;
    int writesAfterRefusal = 0;

private:
    std::size_t capacity_;
    bool refused_ = false;
};

PngImage* LoadedRgba(PngImage& image) {
    EXPECT_TRUE(LoadPng(image, PngBytes::Start(300, 300, 8, 6)
                                   .Chunk("tEXt", {'a', 0, 'b'})
                                   .Idat(Zlib(FilteredRows(RandomRows(300, 1200, 1))))
                                   .Iend()
                                   .bytes()));
    return &image;
}

TEST(WriterRefusal, AStreamThatRefusesBytesStopsTheWriter) {
    PngImage image;
    LoadedRgba(image);
    const std::size_t full = SavePng(image).size();
    for (std::size_t capacity : {std::size_t{0}, std::size_t{5}, std::size_t{20}, std::size_t{40000},
                                 std::size_t{200000}, full - 3}) {
        ShortStream stream(capacity);
        EXPECT_FALSE(image.SaveStream(stream)) << capacity;
        EXPECT_EQ(stream.bytes.size(), capacity);
        EXPECT_EQ(stream.writesAfterRefusal, 0) << capacity;
    }
    ShortStream enough(full);
    EXPECT_TRUE(image.SaveStream(enough));
}

struct RefusalCase {
    const char* name;
    void (*spoil)(PngImage&);
};

class WriterRefusal : public testing::TestWithParam<RefusalCase> {};

TEST_P(WriterRefusal, AnImageThatCannotBeWrittenWritesNothing) {
    PngImage image;
    LoadedRgba(image);
    GetParam().spoil(image);
    MemoryStream stream;
    EXPECT_FALSE(image.SaveStream(stream));
    EXPECT_TRUE(stream.Bytes().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Cases, WriterRefusal,
    testing::Values(
        RefusalCase{"ColourTypeWithoutFormat", [](PngImage& i) { i.ImageHeader()->ColorType = 5; }},
        RefusalCase{"RgbAtFourBits", [](PngImage& i) { i.ImageHeader()->BitDepth = 4; }},
        RefusalCase{"GreyAlphaOverRgbPixels", [](PngImage& i) { i.ImageHeader()->ColorType = 4; }},
        RefusalCase{"PixelsGone", [](PngImage& i) { i.ImageHeader()->ReleasePixelMemory(); }},
        RefusalCase{"SizeUnlikeThePixels", [](PngImage& i) { i.ImageHeader()->Width = 301; }},
        RefusalCase{"CompressionLevel10", [](PngImage& i) { i.CompressionLevel = 10; }},
        RefusalCase{"Interlace2", [](PngImage& i) { i.Interlace = 2; }},
        RefusalCase{"IdatLimit0", [](PngImage& i) { i.IdatLimit = 0; }},
        RefusalCase{"NoImageData",
                    [](PngImage& i) {
                        // A load that failed for want of image data keeps its header and pixels.
                        MemoryStream stream(PngBytes::Start(2, 2, 8, 6).Iend().bytes());
                        EXPECT_FALSE(i.LoadStream(stream));
                        EXPECT_NE(i.ImageHeader()->PixelBits(), nullptr);
                    }},
        RefusalCase{"NoHeaderFirst",
                    [](PngImage& i) {
                        i.Clear();
                        i.AddChunk("tEXt");
                    }}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Files

class WriterFileSystem : public testing::Test {
protected:
    void SetUp() override {
        directory_ = std::filesystem::temp_directory_path() /
                     ("tevpng_writer_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
                      "_" + testing::UnitTest::GetInstance()->current_test_info()->name());
        std::filesystem::create_directories(directory_);
    }
    void TearDown() override { std::filesystem::remove_all(directory_); }
    std::string PathOf(const std::string& name) const { return (directory_ / name).string(); }

    std::filesystem::path directory_;
};

TEST_F(WriterFileSystem, SaveFileWritesWhatSaveStreamWrites) {
    PngImage image;
    LoadedRgba(image);
    const std::string path = PathOf("out.png");
    {
        std::ofstream old(path, std::ios::binary);
        old << std::string(2000000, 'x');  // longer than the PNG: must not survive at its end
    }
    ASSERT_TRUE(image.SaveFile(path));
    EXPECT_EQ(tevtest::ReadFileBytes(path), SavePng(image));
}

TEST_F(WriterFileSystem, AFileThatCannotBeCreatedFails) {
    PngImage image;
    LoadedRgba(image);
    EXPECT_FALSE(image.SaveFile(PathOf("no such directory/out.png")));
}

TEST_F(WriterFileSystem, AnImageThatCannotBeWrittenLeavesAnExistingFileAlone) {
    PngImage image;
    LoadedRgba(image);
    image.CompressionLevel = 12;
    const std::string path = PathOf("keep.png");
    {
        std::ofstream old(path, std::ios::binary);
        old << "precious";
    }
    EXPECT_FALSE(image.SaveFile(path));
    const Bytes kept = tevtest::ReadFileBytes(path);
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "precious");
}

}  // namespace
}  // namespace tevpng
