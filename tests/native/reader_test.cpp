// LoadStream over hand-built PNG streams: one case per rule of the chunk loop and of the
// image data, and the faults a file can carry.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/png_image.h"
#include "dib_pixels.h"
#include "io/memory_stream.h"
#include "libpng_reference.h"
#include "png_builder.h"
#include "png_memory.h"

namespace tevpng {
namespace {

using tevtest::Bytes;
using tevtest::FilteredRows;
using tevtest::LoadPng;
using tevtest::PngBytes;
using tevtest::Zlib;

std::vector<std::string> Names(const PngImage& image) {
    std::vector<std::string> names;
    for (const auto& chunk : image.Chunks()) names.push_back(chunk->Name());
    return names;
}

// A w x h RGBA picture with every byte different enough to notice misplacement.
std::vector<Bytes> RgbaRows(int width, int height, int seed = 0) {
    std::vector<Bytes> rows(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            rows[y].insert(
                rows[y].end(),
                {static_cast<std::uint8_t>(x * 7 + y + seed), static_cast<std::uint8_t>(y * 11 + 3),
                 static_cast<std::uint8_t>(x + y * 5 + 100), static_cast<std::uint8_t>(255 - x - y)});
        }
    }
    return rows;
}

Bytes Flatten(const std::vector<Bytes>& rows) {
    Bytes all;
    for (const Bytes& row : rows) all.insert(all.end(), row.begin(), row.end());
    return all;
}

// A small complete RGBA file.
Bytes SmallRgbaFile(int width = 3, int height = 2) {
    return PngBytes::Start(width, height, 8, 6)
        .Idat(Zlib(FilteredRows(RgbaRows(width, height))))
        .Iend()
        .bytes();
}

// RGBA of every pixel as expected from RgbaRows through an identity gamma table.
void ExpectRgbaPixels(const PngImage& image, const std::vector<Bytes>& rows) {
    ASSERT_NE(image.ImageHeader(), nullptr);
    EXPECT_EQ(tevtest::DibToRgba(*image.ImageHeader()), Flatten(rows));
}

// ---- Signature and the first chunk

TEST(ReaderSignature, AnyWrongByteFailsWithCode9) {
    const Bytes good = SmallRgbaFile();
    for (int i = 0; i < 8; ++i) {
        Bytes bad = good;
        bad[i] ^= 0x20;
        PngImage image;
        EXPECT_FALSE(LoadPng(image, bad)) << i;
        EXPECT_EQ(image.LastError, LoadError::BadSignature) << i;
        EXPECT_TRUE(image.Chunks().empty());
    }
    for (std::size_t size : {0, 1, 7}) {
        PngImage image;
        EXPECT_FALSE(LoadPng(image, Bytes(good.begin(), good.begin() + size))) << size;
        EXPECT_EQ(image.LastError, LoadError::BadSignature);
    }
}

TEST(ReaderSignature, FileThatCannotBeOpenedReadsAsEmpty) {
    PngImage image;
    EXPECT_FALSE(image.LoadFile(std::string(TEVPNG_FIXTURES_DIR) + "/no such file.png"));
    EXPECT_EQ(image.LastError, LoadError::BadSignature);
}

TEST(ReaderChunks, FirstChunkMustBeTheHeader) {
    PngImage image;
    const Bytes png = PngBytes().Signature().Chunk("gAMA", {0, 0, 177, 143}).Ihdr(1, 1, 8, 6).Iend().bytes();
    EXPECT_FALSE(LoadPng(image, png));
    EXPECT_EQ(image.LastError, LoadError::NoHeaderFirst);
}

TEST(ReaderChunks, ReadsFromTheStreamsPositionAndStopsAfterEnd) {
    Bytes bytes = {1, 2, 3};
    const Bytes png = SmallRgbaFile();
    bytes.insert(bytes.end(), png.begin(), png.end());
    bytes.insert(bytes.end(), {'j', 'u', 'n', 'k'});
    MemoryStream stream(bytes);
    stream.Seek(3, SeekOrigin::Begin);
    PngImage image;
    EXPECT_TRUE(image.LoadStream(stream));
    EXPECT_EQ(image.LastError, LoadError::None);
    EXPECT_EQ(stream.Position(), static_cast<std::int64_t>(bytes.size() - 4));
    ExpectRgbaPixels(image, RgbaRows(3, 2));
}

// ---- Header failures: before the image data they end as code 13; some end at once.

struct HeaderCase {
    const char* name;
    Bytes ihdrData;
    LoadError error;
};

Bytes IhdrData(std::uint32_t width, std::uint32_t height, std::uint8_t depth, std::uint8_t colorType,
               std::uint8_t compression = 0, std::uint8_t interlace = 0) {
    Bytes data;
    tevtest::AppendBigEndian32(data, width);
    tevtest::AppendBigEndian32(data, height);
    data.insert(data.end(), {depth, colorType, compression, 0, interlace});
    return data;
}

class ReaderHeader : public testing::TestWithParam<HeaderCase> {};

TEST_P(ReaderHeader, FailsTheLoad) {
    const HeaderCase& c = GetParam();
    const Bytes png = PngBytes()
                          .Signature()
                          .Chunk("IHDR", c.ihdrData)
                          .Idat(Zlib(FilteredRows(RgbaRows(1, 1))))
                          .Iend()
                          .bytes();
    PngImage image;
    EXPECT_FALSE(LoadPng(image, png));
    EXPECT_EQ(image.LastError, c.error);
    const HeaderChunk* header = image.ImageHeader();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->PixelBits(), nullptr);
    EXPECT_EQ(header->AlphaPlane(), nullptr);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReaderHeader,
    testing::Values(HeaderCase{"ShortHeader", Bytes(12, 1), LoadError::NoImageData},
                    HeaderCase{"WidthAbove65535", IhdrData(65536, 1, 8, 6), LoadError::NoImageData},
                    HeaderCase{"HeightAbove65535", IhdrData(1, 0x80000000u, 8, 6), LoadError::NoImageData},
                    HeaderCase{"CompressionMethod1", IhdrData(1, 1, 8, 6, 1), LoadError::NoImageData},
                    HeaderCase{"InterlaceMethod2", IhdrData(1, 1, 8, 6, 0, 2), LoadError::NoImageData},
                    HeaderCase{"ZeroWidth", IhdrData(0, 1, 8, 6), LoadError::UnsupportedFormat},
                    HeaderCase{"ZeroHeight", IhdrData(1, 0, 8, 6), LoadError::UnsupportedFormat},
                    HeaderCase{"ColourType1", IhdrData(1, 1, 8, 1), LoadError::UnsupportedFormat},
                    HeaderCase{"ColourType5", IhdrData(1, 1, 8, 5), LoadError::UnsupportedFormat},
                    HeaderCase{"ColourType7", IhdrData(1, 1, 8, 7), LoadError::UnsupportedFormat},
                    HeaderCase{"RgbDepth4", IhdrData(1, 1, 4, 2), LoadError::UnsupportedFormat},
                    HeaderCase{"PaletteDepth16", IhdrData(1, 1, 16, 3), LoadError::UnsupportedFormat},
                    HeaderCase{"GreyAlphaDepth4", IhdrData(1, 1, 4, 4), LoadError::UnsupportedFormat},
                    HeaderCase{"HugeRgba", IhdrData(65535, 65535, 8, 6), LoadError::NoPixelMemory},
                    HeaderCase{"HugeOneBit", IhdrData(65535, 65535, 1, 0), LoadError::NoPixelMemory},
                    HeaderCase{"JustOverTheLimit", IhdrData(8192, 8193, 8, 6), LoadError::NoPixelMemory}),
    [](const auto& info) { return std::string(info.param.name); });

// ---- Chunk rules

TEST(ReaderChunks, DuplicateSingletonsFailWithCode12WhereverTheyStand) {
    for (const char* name : {"PLTE", "gAMA", "tRNS"}) {
        for (bool afterData : {false, true}) {
            PngBytes png = PngBytes::Start(1, 1, 8, 3).Chunk("PLTE", {1, 2, 3});
            if (afterData) png.Idat(Zlib({0, 0}));
            if (std::string(name) != "PLTE") png.Chunk(name, {0, 0, 177, 143});
            png.Chunk(name, {0, 0, 177, 143});
            if (!afterData) png.Idat(Zlib({0, 0}));
            png.Iend();
            PngImage image;
            EXPECT_FALSE(LoadPng(image, png.bytes())) << name << afterData;
            EXPECT_EQ(image.LastError, LoadError::DuplicateChunk) << name << afterData;
        }
    }
    PngImage image;
    EXPECT_FALSE(LoadPng(image, PngBytes::Start(1, 1, 8, 6).Ihdr(1, 1, 8, 6).bytes()));
    EXPECT_EQ(image.LastError, LoadError::DuplicateChunk);
    EXPECT_EQ(Names(image), std::vector<std::string>{"IHDR"});
}

TEST(ReaderChunks, FileOrderBecomesTheFixedOrder) {
    const Bytes png = PngBytes::Start(1, 1, 8, 3)
                          .Chunk("gAMA", {0, 1, 134, 160})
                          .Chunk("PLTE", {1, 2, 3})
                          .Chunk("tEXt", {'k', 0, 'v'})
                          .Idat(Zlib({0, 0}))
                          .Chunk("prIv", {9})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    EXPECT_EQ(Names(image),
              (std::vector<std::string>{"IHDR", "PLTE", "IDAT", "gAMA", "tEXt", "prIv", "IEND"}));
    const PngChunk* unknown = image.FindChunk("prIv");
    ASSERT_EQ(unknown->DataSize(), 1);
    EXPECT_EQ(unknown->Data()[0], 9);
    const auto* text = image.FindChunk("tEXt")->As<TextChunk>();
    EXPECT_EQ(text->Keyword, "k");
    EXPECT_EQ(text->Text, "v");
    EXPECT_EQ(image.FindChunk("IDAT")->DataSize(), 0);
}

TEST(ReaderChunks, WrongCrcsPassUnlessVerified) {
    const Bytes png = PngBytes::Start(3, 2, 8, 6)
                          .Idat(Zlib(FilteredRows(RgbaRows(3, 2))))
                          .ChunkWithCrc("tEXt", {'a', 0, 'b'}, 12345)
                          .Iend()
                          .bytes();
    PngImage lenient;
    EXPECT_TRUE(LoadPng(lenient, png));
    EXPECT_EQ(lenient.LastError, LoadError::None);
    ExpectRgbaPixels(lenient, RgbaRows(3, 2));
    PngImage strict;
    strict.VerifyCrc = true;
    EXPECT_TRUE(LoadPng(strict, png));  // after the image data the image stays usable
    EXPECT_EQ(strict.LastError, LoadError::CrcMismatch);
    EXPECT_EQ(strict.FindChunk("IEND"), nullptr);
}

TEST(ReaderChunks, VerifiedCrcsOfAGoodFilePass) {
    const auto zlib = Zlib(FilteredRows(RgbaRows(40, 30)));
    PngImage image;
    image.VerifyCrc = true;
    EXPECT_TRUE(
        LoadPng(image, PngBytes::Start(40, 30, 8, 6).Idat(zlib, 7).Chunk("tEXt", {'a', 0}).Iend().bytes()));
    EXPECT_EQ(image.LastError, LoadError::None);
    ExpectRgbaPixels(image, RgbaRows(40, 30));
}

TEST(ReaderChunks, ChromaticitiesAndLaterImageDataArePassedOver) {
    const auto rows = RgbaRows(3, 2);
    const Bytes png = PngBytes::Start(3, 2, 8, 6)
                          .Chunk("cHRM", Bytes(32, 1))
                          .Idat(Zlib(FilteredRows(rows)))
                          .Chunk("tEXt", {'a', 0, 'b'})
                          .Chunk("IDAT", Bytes(50, 0xFF))
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    EXPECT_EQ(image.LastError, LoadError::None);
    EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
    ExpectRgbaPixels(image, rows);
}

TEST(ReaderChunks, MissingEndStillLoadsWithCode10) {
    const auto rows = RgbaRows(3, 2);
    PngImage image;
    EXPECT_TRUE(LoadPng(image, PngBytes::Start(3, 2, 8, 6).Idat(Zlib(FilteredRows(rows))).bytes()));
    EXPECT_EQ(image.LastError, LoadError::StreamEnded);
    ExpectRgbaPixels(image, rows);
}

TEST(ReaderChunks, NoImageDataFailsWithCode13) {
    PngImage image;
    EXPECT_FALSE(LoadPng(image, PngBytes::Start(3, 2, 8, 6).Iend().bytes()));
    EXPECT_EQ(image.LastError, LoadError::NoImageData);
    // The pixel memory the header made stays, all zero (it is drawn if a caller ignores the result).
    const HeaderChunk& header = *image.ImageHeader();
    ASSERT_NE(header.PixelBits(), nullptr);
    EXPECT_EQ(Bytes(header.PixelBits(), header.PixelBits() + header.PixelBytes()),
              Bytes(header.PixelBytes(), 0));
    EXPECT_EQ(Bytes(header.AlphaPlane(), header.AlphaPlane() + 6), Bytes(6, 0));
    PngImage truncated;
    EXPECT_FALSE(LoadPng(truncated, PngBytes::Start(3, 2, 8, 6).bytes()));
    EXPECT_EQ(truncated.LastError, LoadError::StreamEnded);
}

// ---- Lengths and short streams: code 10, never an allocation or seek the stream cannot back.

TEST(ReaderLengths, ChunkReachingBeyondTheStreamEndsWithCode10) {
    const auto rows = RgbaRows(3, 2);
    const Bytes zlib = Zlib(FilteredRows(rows));
    struct Case {
        const char* name;
        Bytes png;
        bool loads;
    };
    const Case cases[] = {
        {"TextBeforeData", PngBytes::Start(3, 2, 8, 6).ChunkHead(1000, "tEXt").Raw(Bytes(10, 'a')).bytes(),
         false},
        {"TextAfterData",
         PngBytes::Start(3, 2, 8, 6).Idat(zlib).ChunkHead(1000, "tEXt").Raw(Bytes(10, 'a')).bytes(), true},
        {"TopBitLength",
         PngBytes::Start(3, 2, 8, 6).Idat(zlib).ChunkHead(0x80000000u, "tEXt").Raw(Bytes(10, 0)).bytes(),
         true},
        {"TopBitData", PngBytes::Start(3, 2, 8, 6).ChunkHead(0xFFFFFFFFu, "IDAT").Raw(zlib).bytes(), false},
        {"HugeChromaticities", PngBytes::Start(3, 2, 8, 6).Idat(zlib).ChunkHead(0x7FFFFFF0u, "cHRM").bytes(),
         true},
        {"HugeLaterImageData", PngBytes::Start(3, 2, 8, 6).Idat(zlib).ChunkHead(0x7FFFFFF0u, "IDAT").bytes(),
         true},
        {"CrcCutShort", PngBytes::Start(3, 2, 8, 6).Idat(zlib).ChunkHead(0, "IEND").Raw({0xAE, 0x42}).bytes(),
         true},
        {"TypeCutShort", PngBytes::Start(3, 2, 8, 6).Idat(zlib).Raw({0, 0, 0, 0, 'I', 'E'}).bytes(), true},
        {"HeaderCutShort", PngBytes().Signature().ChunkHead(13, "IHDR").Raw({0, 0, 0, 3}).bytes(), false},
    };
    for (const Case& c : cases) {
        MemoryStream stream(c.png);
        PngImage image;
        EXPECT_EQ(image.LoadStream(stream), c.loads) << c.name;
        EXPECT_EQ(image.LastError, LoadError::StreamEnded) << c.name;
        EXPECT_EQ(stream.Size(), static_cast<std::int64_t>(c.png.size())) << c.name << ": the stream grew";
    }
}

TEST(ReaderLengths, StreamCutInsideTheImageDataKeepsTheRowsThatArrived) {
    // Stored (level 0) data keeps every row's bytes where they were, so the cut is exact.
    const int width = 64, height = 32;
    const auto rows = RgbaRows(width, height);
    const Bytes file = PngBytes::Start(width, height, 8, 6).Idat(Zlib(FilteredRows(rows), 0)).Iend().bytes();
    const std::size_t rowSize = width * 4 + 1;
    const std::size_t cut = 33 + 8 + 2 + 5 + rowSize * 10 + 100;  // ten rows and part of the eleventh
    PngImage image;
    EXPECT_TRUE(LoadPng(image, Bytes(file.begin(), file.begin() + cut)));
    EXPECT_EQ(image.LastError, LoadError::StreamEnded);
    const auto rgba = tevtest::DibToRgba(*image.ImageHeader());
    const Bytes expected = Flatten(rows);
    const std::size_t rowBytes = width * 4;
    EXPECT_TRUE(std::equal(rgba.begin(), rgba.begin() + 10 * rowBytes, expected.begin()));
    // The eleventh row: the part that arrived, then zeros (alpha included).
    EXPECT_TRUE(std::equal(rgba.begin() + 10 * rowBytes, rgba.begin() + 10 * rowBytes + 96,
                           expected.begin() + 10 * rowBytes));
    for (std::size_t i = 11 * rowBytes; i < rgba.size(); ++i) {
        ASSERT_EQ(rgba[i], 0) << "byte " << i;
    }
}

// ---- Image data across IDAT chunks

class ReaderSplitData : public testing::TestWithParam<std::size_t> {};

TEST_P(ReaderSplitData, DecodesLikeOneChunk) {
    const auto rows = RgbaRows(37, 23);
    const Bytes zlib = Zlib(FilteredRows(rows));
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(37, 23, 8, 6).Idat(zlib, GetParam()).Iend().bytes()));
    EXPECT_EQ(image.LastError, LoadError::None);
    ExpectRgbaPixels(image, rows);
}

INSTANTIATE_TEST_SUITE_P(ChunkSizes, ReaderSplitData, testing::Values(1, 2, 3, 7, 64, 1000));

TEST(ReaderImageData, TrailingChecksumOnlyChunkAndEmptyChunks) {
    const auto rows = RgbaRows(37, 23);
    const Bytes zlib = Zlib(FilteredRows(rows));
    const Bytes body(zlib.begin(), zlib.end() - 4), checksum(zlib.end() - 4, zlib.end());
    const Bytes png = PngBytes::Start(37, 23, 8, 6)
                          .Chunk("IDAT", {})
                          .Idat(body)
                          .Chunk("IDAT", {})
                          .Idat(checksum)
                          .Chunk("tEXt", {'k', 0, 'v'})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    EXPECT_EQ(image.LastError, LoadError::None);
    EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
    ExpectRgbaPixels(image, rows);
}

// Counts and bounds every read, to see the compressed data arrive in blocks.
class RecordingStream final : public Stream {
public:
    explicit RecordingStream(const Bytes& bytes) : inner_(bytes) {}
    std::size_t Read(void* buffer, std::size_t count) override {
        largestRead = std::max(largestRead, count);
        return inner_.Read(buffer, count);
    }
    std::size_t Write(const void* buffer, std::size_t count) override { return inner_.Write(buffer, count); }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override { return inner_.Seek(offset, origin); }
    std::int64_t Size() override { return inner_.Size(); }
    bool SetSize(std::int64_t size) override { return inner_.SetSize(size); }
    std::size_t largestRead = 0;

private:
    MemoryStream inner_;
};

TEST(ReaderImageData, LargeChunkIsReadIn65535ByteBlocks) {
    // Noise does not compress: one IDAT chunk of well over 65535 bytes.
    std::mt19937 random(5);
    std::vector<Bytes> rows(200, Bytes(300 * 4));
    for (auto& row : rows) {
        for (auto& b : row) b = static_cast<std::uint8_t>(random());
    }
    const Bytes zlib = Zlib(FilteredRows(rows));
    ASSERT_GT(zlib.size(), 3u * 65535);
    RecordingStream stream(PngBytes::Start(300, 200, 8, 6).Idat(zlib).Iend().bytes());
    PngImage image;
    ASSERT_TRUE(image.LoadStream(stream));
    EXPECT_EQ(image.LastError, LoadError::None);
    EXPECT_EQ(stream.largestRead, 65535u);
    ExpectRgbaPixels(image, rows);
}

TEST(ReaderImageData, RowsCompleteBeforeTheChunkEndsThenChunksGoOn) {
    // Bytes after the end of the zlib stream, inside the IDAT chunk, are passed over.
    const auto rows = RgbaRows(3, 2);
    Bytes zlib = Zlib(FilteredRows(rows));
    zlib.insert(zlib.end(), 70000, 0xAB);
    for (bool verify : {false, true}) {
        PngImage image;
        image.VerifyCrc = verify;
        ASSERT_TRUE(LoadPng(
            image, PngBytes::Start(3, 2, 8, 6).Idat(zlib).Chunk("tEXt", {'k', 0, 'v'}).Iend().bytes()));
        EXPECT_EQ(image.LastError, LoadError::None);
        EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
        ExpectRgbaPixels(image, rows);
    }
}

TEST(ReaderImageData, ShortZlibDataLeavesTheLastRowsZero) {
    const auto rows = RgbaRows(3, 4);
    const Bytes zlib = Zlib(FilteredRows({rows[0], rows[1]}));
    PngImage image;
    ASSERT_TRUE(
        LoadPng(image, PngBytes::Start(3, 4, 8, 6).Idat(zlib).Chunk("tEXt", {'k', 0}).Iend().bytes()));
    EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
    Bytes expected = Flatten({rows[0], rows[1]});
    expected.resize(3 * 4 * 4, 0);
    EXPECT_EQ(tevtest::DibToRgba(*image.ImageHeader()), expected);
}

TEST(ReaderImageData, DecodingErrorsEndTheChunkLoopAsIfEndWereRead) {
    const auto rows = RgbaRows(16, 16);
    const Bytes zlib = Zlib(FilteredRows(rows));
    Bytes corrupt = zlib;
    corrupt[0] = 0x79;  // a compression method zlib does not know
    Bytes dictionary = zlib;
    // The header asks for a preset dictionary (FDICT), with its check bits made right again.
    dictionary[1] = static_cast<std::uint8_t>((dictionary[1] & 0xC0) | 0x20);
    dictionary[1] =
        static_cast<std::uint8_t>(dictionary[1] | (31 - (dictionary[0] * 256 + dictionary[1]) % 31) % 31);
    const Bytes half(zlib.begin(), zlib.begin() + zlib.size() / 2);
    struct Case {
        const char* name;
        Bytes png;
        LoadError error;
    };
    const Case cases[] = {
        {"Inflate", PngBytes::Start(16, 16, 8, 6).Idat(corrupt).Chunk("tEXt", {'k', 0}).Iend().bytes(),
         LoadError::InflateFailed},
        {"PresetDictionary",
         PngBytes::Start(16, 16, 8, 6).Idat(dictionary).Chunk("tEXt", {'k', 0}).Iend().bytes(),
         LoadError::InflateFailed},
        {"DataRunsIntoText", PngBytes::Start(16, 16, 8, 6).Idat(half).Chunk("tEXt", {'k', 0}).Iend().bytes(),
         LoadError::DataInterrupted},
    };
    for (const Case& c : cases) {
        PngImage image;
        EXPECT_TRUE(LoadPng(image, c.png)) << c.name;
        EXPECT_EQ(image.LastError, c.error) << c.name;
        EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT"})) << c.name;
    }
}

// A zlib stream made by hand: its header, then stored blocks of the given bytes, the
// last one final unless more is to follow. Stored blocks put every byte where a test
// wants it: the data can stop inside any row.
Bytes StoredZlib(const std::vector<Bytes>& blocks, bool final) {
    Bytes zlib = {0x78, 0x01};
    for (std::size_t i = 0; i < blocks.size(); ++i) {
        const auto size = static_cast<std::uint16_t>(blocks[i].size());
        zlib.push_back(final && i + 1 == blocks.size() ? 1 : 0);
        zlib.insert(zlib.end(), {static_cast<std::uint8_t>(size), static_cast<std::uint8_t>(size >> 8),
                                 static_cast<std::uint8_t>(~size), static_cast<std::uint8_t>(~size >> 8)});
        zlib.insert(zlib.end(), blocks[i].begin(), blocks[i].end());
    }
    return zlib;
}

// The data stops half-way through the second of three rows (filtered with Sub, so that
// unfiltering a zero tail would repeat its last pixel): ended by the stream, that row is
// decoded with a zero tail; ended by an error, it stays zero like the third.
TEST(ReaderImageData, ARowCutByAnErrorStaysZeroOneCutByTheEndIsKept) {
    const auto rows = RgbaRows(4, 3);
    const Bytes filtered = FilteredRows(rows, 1);
    const std::size_t rowSize = 4 * 4 + 1;
    const Bytes upToHalfRow(filtered.begin(), filtered.begin() + rowSize + 1 + 8);
    const Bytes open = StoredZlib({upToHalfRow}, false);
    Bytes invalidBlock = open;
    invalidBlock.push_back(0x07);  // a final block of the reserved type 3: inflate fails there

    // What the two full rows decode to, and the second row alone with its zero tail.
    PngImage whole;
    ASSERT_TRUE(LoadPng(whole, PngBytes::Start(4, 3, 8, 6).Idat(Zlib(filtered)).Iend().bytes()));
    const Bytes wholeRgba = tevtest::DibToRgba(*whole.ImageHeader());
    Bytes zeroTail(upToHalfRow.begin() + rowSize, upToHalfRow.end());
    zeroTail.resize(rowSize, 0);
    PngImage tailImage;
    ASSERT_TRUE(LoadPng(tailImage, PngBytes::Start(4, 1, 8, 6).Idat(Zlib(zeroTail)).Iend().bytes()));
    const Bytes secondRowWithZeroTail = tevtest::DibToRgba(*tailImage.ImageHeader());
    // Row 1 was filtered against row 0 only by Sub (left neighbours), so it decodes alone.
    ASSERT_EQ(Bytes(secondRowWithZeroTail.begin(), secondRowWithZeroTail.begin() + 8),
              Bytes(wholeRgba.begin() + 16, wholeRgba.begin() + 24));

    struct Case {
        const char* name;
        Bytes png;
        LoadError error;
        bool secondRowKept;
    };
    const Case cases[] = {
        {"StreamEnds", PngBytes::Start(4, 3, 8, 6).Idat(open).bytes(), LoadError::StreamEnded, true},
        {"RunsIntoText", PngBytes::Start(4, 3, 8, 6).Idat(open).Chunk("tEXt", {'k', 0}).Iend().bytes(),
         LoadError::DataInterrupted, false},
        {"InflateError", PngBytes::Start(4, 3, 8, 6).Idat(invalidBlock).Iend().bytes(),
         LoadError::InflateFailed, false},
    };
    for (const Case& c : cases) {
        PngImage image;
        EXPECT_TRUE(LoadPng(image, c.png)) << c.name;
        EXPECT_EQ(image.LastError, c.error) << c.name;
        const Bytes rgba = tevtest::DibToRgba(*image.ImageHeader());
        EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 16), Bytes(wholeRgba.begin(), wholeRgba.begin() + 16))
            << c.name;
        const Bytes second(rgba.begin() + 16, rgba.begin() + 32);
        EXPECT_EQ(second, c.secondRowKept ? secondRowWithZeroTail : Bytes(16, 0)) << c.name;
        EXPECT_EQ(Bytes(rgba.begin() + 32, rgba.end()), Bytes(16, 0)) << c.name;
    }
}

// With VerifyCrc, a bad CRC on an IDAT chunk that is not the last stops the image data
// there (code 1): the rows of the chunks before stay, the rest are zero, and the chunk loop
// ends as after any decoding error.
TEST(ReaderImageData, AVerifiedCrcMismatchOnAnEarlierImageDataChunkStopsTheRows) {
    const auto rows = RgbaRows(4, 3);
    const std::size_t rowSize = 4 * 4 + 1;
    const Bytes filtered = FilteredRows(rows);
    const Bytes zlib = StoredZlib({Bytes(filtered.begin(), filtered.begin() + rowSize),
                                   Bytes(filtered.begin() + rowSize, filtered.end())},
                                  true);
    const std::size_t firstChunk = 2 + 5 + rowSize;  // the zlib header and the first block
    const Bytes first(zlib.begin(), zlib.begin() + firstChunk), rest(zlib.begin() + firstChunk, zlib.end());
    const Bytes png = PngBytes::Start(4, 3, 8, 6)
                          .ChunkWithCrc("IDAT", first, 0xBADC0DE)
                          .Chunk("IDAT", rest)
                          .Chunk("tEXt", {'k', 0})
                          .Iend()
                          .bytes();
    PngImage lenient;
    ASSERT_TRUE(LoadPng(lenient, png));
    EXPECT_EQ(lenient.LastError, LoadError::None);
    ExpectRgbaPixels(lenient, rows);

    PngImage strict;
    strict.VerifyCrc = true;
    ASSERT_TRUE(LoadPng(strict, png));
    EXPECT_EQ(strict.LastError, LoadError::CrcMismatch);
    EXPECT_EQ(Names(strict), (std::vector<std::string>{"IHDR", "IDAT"}));
    const Bytes rgba = tevtest::DibToRgba(*strict.ImageHeader());
    EXPECT_EQ(Bytes(rgba.begin(), rgba.begin() + 16), rows[0]);
    EXPECT_EQ(Bytes(rgba.begin() + 16, rgba.end()), Bytes(32, 0));
}

// ---- Limits on what a load keeps

std::vector<std::string> AncillaryNames(const PngImage& image) {
    std::vector<std::string> names;
    for (const auto& chunk : image.Chunks()) {
        const ChunkKind kind = chunk->Kind();
        if (kind == ChunkKind::Text || kind == ChunkKind::Time || kind == ChunkKind::Other)
            names.push_back(chunk->Name());
    }
    return names;
}

TEST(ReaderLimits, AncillaryChunksPastTheLimitsArePassedOverAndTheImageLoads) {
    const auto rows = RgbaRows(3, 2);
    const Bytes idat = Zlib(FilteredRows(rows));
    struct Case {
        const char* name;
        int count;              // chunks in the file, all before IDAT
        std::size_t dataBytes;  // of each
        std::size_t kept;       // how many the image keeps
    };
    const std::size_t bigOnes = kAncillaryBytesLimit / 3'000'000;
    const Case cases[] = {
        {"UpToTheCount", kAncillaryChunkLimit, 1, kAncillaryChunkLimit},
        {"PastTheCount", kAncillaryChunkLimit + 500, 1, kAncillaryChunkLimit},
        {"PastTheBytes", 5, 3'000'000, bigOnes},
    };
    for (const Case& c : cases) {
        PngBytes png = PngBytes::Start(3, 2, 8, 6);
        for (int i = 0; i < c.count; ++i) {
            // Unknown chunks, tEXt and tIME in turn: the limits count them all alike.
            const char* name = i % 3 == 0 ? "ruSt" : i % 3 == 1 ? "tEXt" : "tIME";
            Bytes data(c.dataBytes, static_cast<std::uint8_t>('a' + i % 26));
            png.Chunk(name, data);
        }
        png.Idat(idat).Iend();
        PngImage image;
        ASSERT_TRUE(LoadPng(image, png.bytes())) << c.name;
        EXPECT_EQ(image.LastError, LoadError::None) << c.name;
        ExpectRgbaPixels(image, rows);
        const auto names = AncillaryNames(image);
        ASSERT_EQ(names.size(), c.kept) << c.name;
        // The first ones in file order are the ones kept, in that order.
        for (std::size_t i = 0; i < names.size(); ++i) {
            EXPECT_EQ(names[i], i % 3 == 0 ? "ruSt" : i % 3 == 1 ? "tEXt" : "tIME") << c.name << " " << i;
        }
        EXPECT_EQ(image.Chunks().back()->Name(), "IEND") << c.name;
    }
}

TEST(ReaderLimits, OneChunkAboveTheByteLimitIsPassedOverAndSmallerOnesAfterItKept) {
    const auto rows = RgbaRows(3, 2);
    const Bytes png = PngBytes::Start(3, 2, 8, 6)
                          .Chunk("tEXt", Bytes(kAncillaryBytesLimit + 1, 'x'))
                          .Chunk("tEXt", {'k', 0, 'v'})
                          .Idat(Zlib(FilteredRows(rows)))
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    ExpectRgbaPixels(image, rows);
    EXPECT_EQ(Names(image), (std::vector<std::string>{"IHDR", "IDAT", "tEXt", "IEND"}));
    EXPECT_EQ(image.FindChunk("tEXt")->DataSize(), 3);
}

// ---- Pixel placement

TEST(ReaderPixels, FirstRowIsTheLastDibRowAndTheFirstAlphaRow) {
    const auto rows = RgbaRows(3, 2);
    PngImage image;
    ASSERT_TRUE(LoadPng(image, SmallRgbaFile(3, 2)));
    const HeaderChunk& h = *image.ImageHeader();
    ASSERT_EQ(h.RowStride, 12);
    const std::uint8_t* lastDibRow = h.PixelBits() + 12;
    for (int x = 0; x < 3; ++x) {
        EXPECT_EQ(lastDibRow[3 * x], rows[0][4 * x + 2]);  // blue
        EXPECT_EQ(lastDibRow[3 * x + 1], rows[0][4 * x + 1]);
        EXPECT_EQ(lastDibRow[3 * x + 2], rows[0][4 * x]);  // red
        EXPECT_EQ(h.AlphaPlane()[x], rows[0][4 * x + 3]);
        EXPECT_EQ(h.AlphaPlane()[3 + x], rows[1][4 * x + 3]);
        EXPECT_EQ(h.PixelBits()[3 * x + 2], rows[1][4 * x]);
    }
    EXPECT_EQ(h.PixelBits()[9], 0);  // row padding stays zero
}

TEST(ReaderPixels, OnePixelRgba) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(1, 1, 8, 6).Idat(Zlib({0, 10, 20, 30, 40})).Iend().bytes()));
    const HeaderChunk& h = *image.ImageHeader();
    EXPECT_EQ(Bytes(h.PixelBits(), h.PixelBits() + 4), (Bytes{30, 20, 10, 0}));
    EXPECT_EQ(h.AlphaPlane()[0], 40);
}

TEST(ReaderPixels, TwoBitGreyBecomesIndices0To15) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(4, 1, 2, 0).Idat(Zlib({0, 0x1B})).Iend().bytes()));
    const HeaderChunk& h = *image.ImageHeader();
    EXPECT_EQ(h.BitmapInfo.bmiHeader.biBitCount, 4);
    EXPECT_EQ(h.PixelBits()[0], 0x05);
    EXPECT_EQ(h.PixelBits()[1], 0xAF);
    for (int i : {0, 5, 10, 15}) EXPECT_EQ(h.BitmapInfo.bmiColors[i].rgbRed, i * 17);
}

// Interlaced and sequential files of the same picture, narrow ones included, give the
// same DIB and alpha bytes, with or without a gAMA chunk.
TEST(ReaderPixels, Adam7MatchesSequential) {
    std::mt19937 random(7);
    struct Format {
        int colorType, bitDepth, channels;
    };
    for (const Format f : {Format{6, 8, 4}, Format{2, 8, 3}, Format{0, 8, 1}, Format{4, 16, 2},
                           Format{0, 1, 1}, Format{3, 2, 1}, Format{0, 4, 1}, Format{2, 16, 3}}) {
        for (int size : {1, 2, 3, 4, 5, 8, 9, 13}) {
            for (bool gamma : {false, true}) {
                tevtest::ReferenceEncoding encoding;
                encoding.width = size;
                encoding.height = size + 1;
                encoding.colorType = f.colorType;
                encoding.bitDepth = f.bitDepth;
                if (gamma) encoding.gamma = 100000;
                if (f.colorType == 3) encoding.palette = Bytes(3 << f.bitDepth, 77);
                const std::size_t rowBytes =
                    (static_cast<std::size_t>(size) * f.channels * f.bitDepth + 7) / 8;
                encoding.rows.resize(rowBytes * encoding.height);
                for (auto& b : encoding.rows) b = static_cast<std::uint8_t>(random());
                if (f.bitDepth < 8) {  // clear the padding bits of each row's last byte
                    const int used = size * f.bitDepth % 8;
                    for (int y = 0; used && y < encoding.height; ++y)
                        encoding.rows[rowBytes * (y + 1) - 1] &= static_cast<std::uint8_t>(0xFF00 >> used);
                }
                PngImage sequential, interlaced;
                ASSERT_TRUE(LoadPng(sequential, tevtest::EncodeWithLibpng(encoding)));
                encoding.interlaced = true;
                ASSERT_TRUE(LoadPng(interlaced, tevtest::EncodeWithLibpng(encoding)));
                ASSERT_EQ(interlaced.Interlace, 1);
                const HeaderChunk& a = *sequential.ImageHeader();
                const HeaderChunk& b = *interlaced.ImageHeader();
                ASSERT_EQ(Bytes(a.PixelBits(), a.PixelBits() + a.PixelBytes()),
                          Bytes(b.PixelBits(), b.PixelBits() + b.PixelBytes()))
                    << f.colorType << "/" << f.bitDepth << " size " << size << " gamma " << gamma;
                if (a.AlphaPlane()) {
                    const std::size_t n = static_cast<std::size_t>(size) * (size + 1);
                    ASSERT_EQ(Bytes(a.AlphaPlane(), a.AlphaPlane() + n),
                              Bytes(b.AlphaPlane(), b.AlphaPlane() + n));
                }
            }
        }
    }
}

// ---- Palette, transparency, gamma, text, time

TEST(ReaderPalette, ColoursGoThroughTheGammaOfTheirTime) {
    const Bytes plte = {10, 20, 30, 200, 100, 0};
    const Bytes data = Zlib({0, 1});
    PngImage before, after;
    ASSERT_TRUE(LoadPng(before, PngBytes::Start(1, 1, 8, 3)
                                    .Chunk("gAMA", {0, 1, 134, 160})
                                    .Chunk("PLTE", plte)
                                    .Idat(data)
                                    .Iend()
                                    .bytes()));
    ASSERT_TRUE(LoadPng(after, PngBytes::Start(1, 1, 8, 3)
                                   .Chunk("PLTE", plte)
                                   .Chunk("gAMA", {0, 1, 134, 160})
                                   .Idat(data)
                                   .Iend()
                                   .bytes()));
    const RgbQuad withGamma = before.FindChunk("PLTE")->As<PaletteChunk>()->PaletteEntry(1);
    EXPECT_EQ(withGamma.rgbRed, before.Gamma[200]);
    EXPECT_EQ(withGamma.rgbGreen, before.Gamma[100]);
    EXPECT_NE(withGamma.rgbRed, 200);
    const RgbQuad raw = after.FindChunk("PLTE")->As<PaletteChunk>()->PaletteEntry(1);
    EXPECT_EQ(raw.rgbRed, 200);
    EXPECT_EQ(raw.rgbGreen, 100);
    EXPECT_EQ(raw.rgbBlue, 0);
    EXPECT_EQ(after.FindChunk("PLTE")->As<PaletteChunk>()->Count, 2);
    EXPECT_EQ(after.ImageHeader()->BitmapInfo.bmiColors[2].rgbRed, 0);  // beyond Count stays zero
}

TEST(ReaderPalette, SizesOfPalette) {
    PngImage empty;
    ASSERT_TRUE(
        LoadPng(empty, PngBytes::Start(1, 1, 8, 3).Chunk("PLTE", {}).Idat(Zlib({0, 0})).Iend().bytes()));
    EXPECT_EQ(empty.FindChunk("PLTE")->As<PaletteChunk>()->Count, 0);
    for (std::size_t size : {4, 769}) {
        PngImage bad;
        EXPECT_FALSE(LoadPng(
            bad,
            PngBytes::Start(1, 1, 8, 3).Chunk("PLTE", Bytes(size, 1)).Idat(Zlib({0, 0})).Iend().bytes()));
        EXPECT_EQ(bad.LastError, LoadError::NoImageData);  // code 6 before the image data ends as 13
    }
    PngImage late;  // after the image data the image stays usable and code 6 stays
    EXPECT_TRUE(LoadPng(
        late,
        PngBytes::Start(1, 1, 8, 2).Idat(Zlib({0, 1, 2, 3})).Chunk("PLTE", Bytes(4, 1)).Iend().bytes()));
    EXPECT_EQ(late.LastError, LoadError::BadChunkSize);
}

TEST(ReaderTransparency, TableAndSingleKey) {
    struct Case {
        int colorType;
        Bytes trns;
        bool singleKey;
    };
    for (const Case& c : {Case{3, {255, 0, 255}, true}, Case{3, {0, 0}, false}, Case{3, {255, 255}, false},
                          Case{3, {}, false}, Case{3, {10, 255, 128}, false}, Case{0, {0, 7}, true},
                          Case{2, {0, 1, 0, 2, 0, 3}, true}}) {
        PngBytes png = PngBytes::Start(1, 1, 8, static_cast<std::uint8_t>(c.colorType));
        if (c.colorType == 3) png.Chunk("PLTE", Bytes(9, 5));
        png.Chunk("tRNS", c.trns).Idat(Zlib(Bytes(c.colorType == 2 ? 4 : 2, 0))).Iend();
        PngImage image;
        ASSERT_TRUE(LoadPng(image, png.bytes()));
        const auto* alpha = image.FindChunk("tRNS")->As<AlphaChunk>();
        EXPECT_EQ(alpha->SingleKey, c.singleKey) << c.colorType << " size " << c.trns.size();
        for (std::size_t i = 0; i < 256; ++i) {
            EXPECT_EQ(alpha->AlphaTable[i], i < c.trns.size() ? c.trns[i] : 255);
        }
    }
    PngImage tooLong;
    EXPECT_FALSE(LoadPng(tooLong, PngBytes::Start(1, 1, 8, 3)
                                      .Chunk("PLTE", {1, 2, 3})
                                      .Chunk("tRNS", Bytes(257, 0))
                                      .Idat(Zlib({0, 0}))
                                      .Iend()
                                      .bytes()));
    EXPECT_EQ(tooLong.LastError, LoadError::NoImageData);
}

TEST(ReaderGamma, TablesFromTheValue) {
    struct Case {
        Bytes data;
        std::uint32_t stored;
    };
    // 100000 / 2.2 cancels the display's 2.2: the table stays within one step of the identity.
    PngImage cancel;
    ASSERT_TRUE(LoadPng(cancel, PngBytes::Start(1, 1, 8, 2)
                                    .Chunk("gAMA", {0, 0, 0xB1, 0x8F})
                                    .Idat(Zlib({0, 1, 2, 3}))
                                    .Iend()
                                    .bytes()));
    for (int i = 0; i < 256; ++i) EXPECT_NEAR(cancel.Gamma[i], i, 1) << i;
    PngImage zero;
    ASSERT_TRUE(LoadPng(
        zero,
        PngBytes::Start(1, 1, 8, 2).Chunk("gAMA", {0, 0, 0, 0}).Idat(Zlib({0, 1, 2, 3})).Iend().bytes()));
    EXPECT_TRUE(IsIdentity(zero.Gamma));
    EXPECT_TRUE(IsIdentity(zero.InverseGamma));
    PngImage linear;
    ASSERT_TRUE(LoadPng(linear, PngBytes::Start(1, 1, 8, 2)
                                    .Chunk("gAMA", {0, 1, 0x86, 0xA0})
                                    .Idat(Zlib({0, 1, 2, 3}))
                                    .Iend()
                                    .bytes()));
    for (int i = 0; i < 256; ++i) {
        const long expected = std::lround(std::pow(i / 255.0, 1 / 2.2) * 255);
        EXPECT_NEAR(linear.Gamma[i], expected, 1) << i;
        EXPECT_GE(linear.InverseGamma[linear.Gamma[i]], i);  // the last i of each value wins
        EXPECT_EQ(linear.Gamma[linear.InverseGamma[linear.Gamma[i]]], linear.Gamma[i]);
    }
    EXPECT_EQ(linear.Gamma[0], 0);
    EXPECT_EQ(linear.Gamma[255], 255);
    // The decoded colour is the gamma of the sample, in every converter.
    const HeaderChunk& h = *linear.ImageHeader();
    EXPECT_EQ(h.PixelBits()[0], linear.Gamma[3]);
    EXPECT_EQ(h.PixelBits()[2], linear.Gamma[1]);
    // A gAMA of the wrong length counts as, and is kept as, the value 1.
    PngImage odd;
    ASSERT_TRUE(LoadPng(
        odd, PngBytes::Start(1, 1, 8, 2).Chunk("gAMA", {1, 2, 3}).Idat(Zlib({0, 1, 2, 3})).Iend().bytes()));
    EXPECT_EQ(odd.FindChunk("gAMA")->As<GammaChunk>()->Value(), 1u);
    EXPECT_EQ(odd.Gamma[254], 0);
    EXPECT_EQ(odd.Gamma[255], 255);
}

TEST(ReaderGamma, GreyImagesChangeOnlyTheirColourTable) {
    const Bytes data = Zlib({0, 0, 100, 255});
    PngImage plain, withGamma;
    ASSERT_TRUE(LoadPng(plain, PngBytes::Start(3, 1, 8, 0).Idat(data).Iend().bytes()));
    ASSERT_TRUE(LoadPng(
        withGamma, PngBytes::Start(3, 1, 8, 0).Chunk("gAMA", {0, 1, 0x86, 0xA0}).Idat(data).Iend().bytes()));
    EXPECT_EQ(Bytes(plain.ImageHeader()->PixelBits(), plain.ImageHeader()->PixelBits() + 3),
              (Bytes{0, 100, 255}));
    EXPECT_EQ(Bytes(withGamma.ImageHeader()->PixelBits(), withGamma.ImageHeader()->PixelBits() + 3),
              (Bytes{0, 100, 255}));
    EXPECT_EQ(plain.ImageHeader()->BitmapInfo.bmiColors[100].rgbRed, 100);
    EXPECT_EQ(withGamma.ImageHeader()->BitmapInfo.bmiColors[100].rgbRed, withGamma.Gamma[100]);
    EXPECT_NE(withGamma.Gamma[100], 100);
}

TEST(ReaderText, KeywordAndTextAndTime) {
    const Bytes png = PngBytes::Start(1, 1, 8, 0)
                          .Idat(Zlib({0, 0}))
                          .Chunk("tEXt", {'T', 'i', 't', 'l', 'e', 0, 'a', ' ', 'b'})
                          .Chunk("tEXt", {'N', 'o', 'Z'})
                          .Chunk("tEXt", {'a', 0})
                          .Chunk("tIME", {0x07, 0xD0, 12, 31, 23, 59, 58})
                          .Iend()
                          .bytes();
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    std::vector<const TextChunk*> texts;
    for (const auto& chunk : image.Chunks()) {
        if (const auto* text = chunk->As<TextChunk>()) texts.push_back(text);
    }
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0]->Keyword, "Title");
    EXPECT_EQ(texts[0]->Text, "a b");
    EXPECT_EQ(texts[1]->Keyword, "NoZ");
    EXPECT_EQ(texts[1]->Text, "");
    EXPECT_EQ(texts[2]->Keyword, "");  // shorter than 3 bytes: not decoded
    const auto* time = image.FindChunk("tIME")->As<TimeChunk>();
    EXPECT_EQ(time->Year[0], 0x07);
    EXPECT_EQ(time->Year[1], 0xD0);
    EXPECT_EQ(time->Month, 12);
    EXPECT_EQ(time->Second, 58);
}

TEST(ReaderState, EveryLoadStartsFromAClearImage) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(1, 1, 8, 2)
                                   .Chunk("gAMA", {0, 1, 0x86, 0xA0})
                                   .Idat(Zlib({0, 1, 2, 3}))
                                   .Iend()
                                   .bytes()));
    EXPECT_FALSE(IsIdentity(image.Gamma));
    EXPECT_FALSE(LoadPng(
        image, PngBytes::Start(2, 2, 8, 3).Chunk("PLTE", {1, 2, 3}).Chunk("PLTE", {1, 2, 3}).bytes()));
    EXPECT_TRUE(IsIdentity(image.Gamma));
    EXPECT_EQ(Names(image),
              (std::vector<std::string>{"IHDR", "PLTE"}));  // what was read before the failure stays
    EXPECT_EQ(image.Width(), 2);
}

}  // namespace
}  // namespace tevpng
