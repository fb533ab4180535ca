// ResizeImage: the documented numbers, the rebuilt image (RGB with alpha, three chunks,
// the settings kept), the resampler's bytes in the DIB's bottom-up rows, tiny sizes, and
// failures that leave the image exactly as it was.
#include "scale/resize.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "codec/png_image.h"
#include "dib_pixels.h"
#include "io/memory_stream.h"
#include "libpng_reference.h"
#include "png_builder.h"
#include "png_chunks.h"
#include "png_memory.h"

namespace tevpng {
namespace {

using tevtest::Bytes;
using tevtest::FilteredRows;
using tevtest::LoadPng;
using tevtest::PngBytes;
using tevtest::Zlib;
using Names = std::vector<std::string>;

Names ListNames(const PngImage& image) {
    Names names;
    for (const auto& chunk : image.Chunks()) names.push_back(chunk->Name());
    return names;
}

// An RGBA image whose pixel (x, y) is pixel(x, y) as R, G, B, A.
template <typename PixelFunction>
void LoadRgba(PngImage& image, int width, int height, PixelFunction pixel) {
    std::vector<Bytes> rows(height);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const std::array<std::uint8_t, 4> p = pixel(x, y);
            rows[y].insert(rows[y].end(), p.begin(), p.end());
        }
    }
    ASSERT_TRUE(
        LoadPng(image, PngBytes::Start(width, height, 8, 6).Idat(Zlib(FilteredRows(rows))).Iend().bytes()));
}

Bytes RandomBytes(std::size_t count, unsigned seed) {
    std::mt19937 random(seed);
    Bytes bytes(count);
    for (auto& b : bytes) b = static_cast<std::uint8_t>(random());
    return bytes;
}

// The image's pixels as R, G, B, A, top row first.
Bytes Rgba(const PngImage& image) { return tevtest::DibToRgba(*image.ImageHeader()); }

void ExpectRebuilt(const PngImage& image, int width, int height) {
    EXPECT_EQ(ListNames(image), (Names{"IHDR", "IDAT", "IEND"}));
    const HeaderChunk* header = image.ImageHeader();
    ASSERT_NE(header, nullptr);
    EXPECT_EQ(header->Width, width);
    EXPECT_EQ(header->Height, height);
    EXPECT_EQ(header->ColorType, 6);
    EXPECT_EQ(header->BitDepth, 8);
    EXPECT_EQ(header->BitmapInfo.bmiHeader.biBitCount, 24);
    EXPECT_NE(header->PixelBits(), nullptr);
    EXPECT_NE(header->AlphaPlane(), nullptr);
    EXPECT_TRUE(IsIdentity(image.Gamma));
    EXPECT_TRUE(IsIdentity(image.InverseGamma));
}

// ---- The documented numbers

TEST(ResizeNumbers, FlatAreasLoseALevelPerPass) {
    for (const auto& [level, expected] : {std::pair{255, 253}, std::pair{200, 198}}) {
        PngImage image;
        const auto v = static_cast<std::uint8_t>(level);
        LoadRgba(image, 100, 100, [&](int, int) { return std::array<std::uint8_t, 4>{v, v, v, v}; });
        ASSERT_TRUE(ResizeImage(image, 50, 50).Ok());
        ExpectRebuilt(image, 50, 50);
        const Bytes rgba = Rgba(image);
        for (std::size_t i = 0; i < rgba.size(); ++i) ASSERT_EQ(rgba[i], expected) << level << " byte " << i;
    }
}

TEST(ResizeNumbers, EdgeWidenedFromFourToSeven) {
    PngImage image;
    LoadRgba(image, 4, 4, [](int x, int) {
        const std::uint8_t v = x < 2 ? 0 : 255;
        return std::array<std::uint8_t, 4>{v, v, v, v};
    });
    ASSERT_TRUE(ResizeImage(image, 7, 4).Ok());
    const Bytes rgba = Rgba(image);
    const int expected[7] = {0, 0, 0, 127, 255, 255, 255};
    for (int y = 0; y < 4; ++y) {
        for (int x = 0; x < 7; ++x) {
            for (int c = 0; c < 4; ++c)
                EXPECT_EQ(rgba[(y * 7 + x) * 4 + c], expected[x]) << x << "," << y << " " << c;
        }
    }
}

TEST(ResizeNumbers, SameSizeGivesTheSamePixels) {
    for (auto [w, h] : {std::pair{3, 3}, std::pair{5, 4}, std::pair{17, 9}}) {
        const int width = w, height = h;  // clang 14 lambdas cannot capture structured bindings
        PngImage image;
        const Bytes noise = RandomBytes(static_cast<std::size_t>(width) * height * 4, width);
        LoadRgba(image, width, height, [&](int x, int y) {
            const std::uint8_t* p = noise.data() + (y * width + x) * 4;
            return std::array<std::uint8_t, 4>{p[0], p[1], p[2], p[3]};
        });
        const Bytes before = Rgba(image);
        ASSERT_TRUE(ResizeImage(image, width, height).Ok());
        EXPECT_EQ(Rgba(image), before) << width << "x" << height;
    }
}

// ---- The rebuilt image

// The DIB is bottom-up and the alpha plane top-down: the resampler's top-down output must
// land in both the right way round.
TEST(ResizeImage, HoldsTheResamplersBytes) {
    const int width = 9, height = 7;
    const Bytes noise = RandomBytes(width * height * 4, 99);
    PngImage image;
    LoadRgba(image, width, height, [&](int x, int y) {
        const std::uint8_t* p = noise.data() + (y * width + x) * 4;
        return std::array<std::uint8_t, 4>{p[0], p[1], p[2], p[3]};
    });
    Bytes bgr, alpha;
    for (std::size_t i = 0; i < noise.size(); i += 4) {
        bgr.insert(bgr.end(), {noise[i + 2], noise[i + 1], noise[i]});
        alpha.push_back(noise[i + 3]);
    }
    ResampledImage expected;
    ASSERT_TRUE(ResampleColorAndAlpha({bgr.data(), width, height, 3, width * 3},
                                      {alpha.data(), width, height, 1, width}, 5, 11, expected)
                    .Ok());
    ASSERT_TRUE(ResizeImage(image, 5, 11).Ok());
    ExpectRebuilt(image, 5, 11);
    const Bytes rgba = Rgba(image);
    const RasterView colour = expected.color.View();
    const RasterView alphaOut = expected.alpha.View();
    for (int y = 0; y < 11; ++y) {
        for (int x = 0; x < 5; ++x) {
            const std::uint8_t* p = rgba.data() + (y * 5 + x) * 4;
            const std::uint8_t* q = colour.Row(y) + x * 3;
            ASSERT_EQ(p[0], q[2]) << x << "," << y;
            ASSERT_EQ(p[1], q[1]) << x << "," << y;
            ASSERT_EQ(p[2], q[0]) << x << "," << y;
            ASSERT_EQ(p[3], alphaOut.Row(y)[x]) << x << "," << y;
        }
    }
}

// Palette and grey images are resampled from their colours; without an alpha plane the
// result is opaque exactly, never the 253 a resampled plane of 255 would give.
TEST(ResizeImage, ImagesWithoutAlphaComeOutOpaqueRgba) {
    struct Case {
        int colorType, bitDepth;
    };
    for (const Case c : {Case{3, 4}, Case{3, 8}, Case{3, 2}, Case{0, 1}, Case{0, 2}, Case{0, 8}, Case{0, 16},
                         Case{2, 8}, Case{2, 16}}) {
        tevtest::ReferenceEncoding source;
        source.width = 12;
        source.height = 10;
        source.colorType = c.colorType;
        source.bitDepth = c.bitDepth;
        const int channels = c.colorType == 2 ? 3 : 1;
        if (c.colorType == 3) source.palette = RandomBytes(3 << c.bitDepth, 4);
        const std::size_t rowBytes = (static_cast<std::size_t>(source.width) * channels * c.bitDepth + 7) / 8;
        source.rows = RandomBytes(rowBytes * source.height, 8);
        const std::string what = std::to_string(c.colorType) + "/" + std::to_string(c.bitDepth);

        PngImage image;
        ASSERT_TRUE(LoadPng(image, tevtest::EncodeWithLibpng(source))) << what;
        const Bytes colours = Rgba(image);
        ASSERT_TRUE(ResizeImage(image, 12, 10).Ok()) << what;
        ExpectRebuilt(image, 12, 10);
        EXPECT_EQ(Rgba(image), colours) << what;  // the same size keeps every colour

        PngImage halved;
        ASSERT_TRUE(LoadPng(halved, tevtest::EncodeWithLibpng(source)));
        ASSERT_TRUE(ResizeImage(halved, 6, 5).Ok()) << what;
        const std::uint8_t* alpha = halved.ImageHeader()->AlphaPlane();
        for (int i = 0; i < 30; ++i) ASSERT_EQ(alpha[i], 255) << what << " " << i;
    }
}

TEST(ResizeImage, GreyAlphaResamplesItsAlpha) {
    std::vector<Bytes> rows(6);
    for (int y = 0; y < 6; ++y) {
        for (int x = 0; x < 8; ++x)
            rows[y].insert(rows[y].end(),
                           {static_cast<std::uint8_t>(x * 30), static_cast<std::uint8_t>(x < 4 ? 0 : 255)});
    }
    PngImage image;
    ASSERT_TRUE(LoadPng(image, PngBytes::Start(8, 6, 8, 4).Idat(Zlib(FilteredRows(rows))).Iend().bytes()));
    ASSERT_TRUE(ResizeImage(image, 15, 6).Ok());
    ExpectRebuilt(image, 15, 6);
    const std::uint8_t* alpha = image.ImageHeader()->AlphaPlane();
    EXPECT_EQ(alpha[0], 0);
    EXPECT_EQ(alpha[14], 255);
    EXPECT_GT(alpha[7], 0);
    EXPECT_LT(alpha[7], 255);
}

TEST(ResizeImage, KeepsTheWritingSettingsAndDropsEverythingElse) {
    tevtest::ReferenceEncoding source;
    source.width = 10;
    source.height = 10;
    source.colorType = 2;
    source.interlaced = true;
    source.gamma = 100000;
    source.rows = RandomBytes(300, 1);
    PngImage image;
    ASSERT_TRUE(LoadPng(image, tevtest::EncodeWithLibpng(source)));
    ASSERT_EQ(image.Interlace, 1);
    ASSERT_FALSE(IsIdentity(image.Gamma));
    image.AddChunk("tEXt");
    image.FilterSet = kFilterPaeth;
    image.CompressionLevel = 3;
    image.IdatLimit = 4000;

    ASSERT_TRUE(ResizeImage(image, 21, 13).Ok());
    ExpectRebuilt(image, 21, 13);
    EXPECT_EQ(image.Interlace, 1);
    EXPECT_EQ(image.FilterSet, kFilterPaeth);
    EXPECT_EQ(image.CompressionLevel, 3);
    EXPECT_EQ(image.IdatLimit, 4000);
    EXPECT_EQ(image.ImageHeader()->InterlaceMethod, 0);

    // Written with the interlace method it was loaded with, and read back unchanged.
    MemoryStream out;
    ASSERT_TRUE(image.SaveStream(out));
    const auto chunks = tevtest::ParseChunks(out.Bytes());
    ASSERT_TRUE(chunks.has_value());
    EXPECT_EQ(tevtest::ChunkTypes(*chunks), (Names{"IHDR", "IDAT", "IEND"}));
    EXPECT_EQ((*chunks)[0].data, (Bytes{0, 0, 0, 21, 0, 0, 0, 13, 8, 6, 0, 0, 1}));
    PngImage again;
    ASSERT_TRUE(LoadPng(again, out.Bytes()));
    EXPECT_EQ(Rgba(again), Rgba(image));
}

// Sources of one or two pixels and targets of one: reflected indices fall outside the
// source unless folded back (the sanitizer build watches every read).
TEST(ResizeImage, TinySourcesAndTargets) {
    for (int sw : {1, 2, 3}) {
        for (int sh : {1, 2, 3}) {
            for (auto [tw, th] :
                 {std::pair{1, 1}, std::pair{1, 7}, std::pair{2, 1}, std::pair{5, 5}, std::pair{9, 2}}) {
                PngImage image;
                LoadRgba(image, sw, sh, [](int, int) { return std::array<std::uint8_t, 4>{0, 0, 0, 0}; });
                const std::string what = std::to_string(sw) + "x" + std::to_string(sh) + " to " +
                                         std::to_string(tw) + "x" + std::to_string(th);
                ASSERT_TRUE(ResizeImage(image, tw, th).Ok()) << what;
                ExpectRebuilt(image, tw, th);
                for (std::uint8_t b : Rgba(image)) ASSERT_EQ(b, 0) << what;
            }
        }
    }
    // One pixel to one pixel: the same pixel.
    PngImage one;
    LoadRgba(one, 1, 1, [](int, int) { return std::array<std::uint8_t, 4>{10, 20, 30, 40}; });
    ASSERT_TRUE(ResizeImage(one, 1, 1).Ok());
    EXPECT_EQ(Rgba(one), (Bytes{10, 20, 30, 40}));
}

// ---- Failures change nothing

struct Snapshot {
    Names names;
    const PngChunk* header = nullptr;
    Bytes pixels;
    Bytes alpha;
    Bytes info;
    PngImage::GammaTable gamma{};
    PngImage::GammaTable inverse{};

    static Snapshot Of(const PngImage& image) {
        Snapshot s;
        s.names = ListNames(image);
        s.header = image.Header();
        s.gamma = image.Gamma;
        s.inverse = image.InverseGamma;
        if (const HeaderChunk* h = image.ImageHeader()) {
            if (h->PixelBits()) s.pixels.assign(h->PixelBits(), h->PixelBits() + h->PixelBytes());
            if (h->AlphaPlane())
                s.alpha.assign(h->AlphaPlane(), h->AlphaPlane() + std::size_t(h->Width) * h->Height);
            const auto* info = reinterpret_cast<const std::uint8_t*>(&h->BitmapInfo);
            s.info.assign(info, info + sizeof(DibInfo));
            s.info.insert(s.info.end(), {h->BitDepth, h->ColorType});
        }
        return s;
    }
    bool operator==(const Snapshot&) const = default;
};

struct FailureCase {
    const char* name;
    std::int32_t width, height;
    StretchResult::Code code;
};

class ResizeFailure : public testing::TestWithParam<FailureCase> {};

TEST_P(ResizeFailure, LeavesTheImageAsItWas) {
    const FailureCase& c = GetParam();
    PngImage image;
    const Bytes noise = RandomBytes(6 * 5 * 4, 3);
    LoadRgba(image, 6, 5, [&](int x, int y) {
        const std::uint8_t* p = noise.data() + (y * 6 + x) * 4;
        return std::array<std::uint8_t, 4>{p[0], p[1], p[2], p[3]};
    });
    image.AddChunk("tEXt");
    const Snapshot before = Snapshot::Of(image);
    EXPECT_EQ(ResizeImage(image, c.width, c.height).code(), c.code);
    EXPECT_TRUE(Snapshot::Of(image) == before);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResizeFailure,
    testing::Values(FailureCase{"ZeroWidth", 0, 5, StretchResult::Code::TargetTooSmall},
                    FailureCase{"ZeroHeight", 5, 0, StretchResult::Code::TargetTooSmall},
                    FailureCase{"Negative", -3, -3, StretchResult::Code::TargetTooSmall},
                    FailureCase{"WiderThanAnyImage", 70000, 1, StretchResult::Code::OutOfMemory},
                    FailureCase{"BeyondThePixelLimit", 60000, 60000, StretchResult::Code::OutOfMemory},
                    FailureCase{"NoMemoryAnywhere", 0x7FFFFFFF, 0x7FFFFFFF,
                                StretchResult::Code::OutOfMemory}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ResizeFailure, AnEmptyImageIsTooSmall) {
    for (auto [width, height] : {std::pair{10, 10}, std::pair{0, 0}}) {
        PngImage image;
        const StretchResult result = ResizeImage(image, width, height);
        EXPECT_EQ(result.code(), StretchResult::Code::SourceTooSmall);
        EXPECT_STREQ(result.Message(), "Source bitmap too small");
        EXPECT_TRUE(image.Chunks().empty());
    }
}

// A load that failed after the header but before the pixels: a header, no pixels.
TEST(ResizeFailure, AHeaderWithoutPixelsIsTooSmall) {
    PngImage image;
    Bytes ihdr;
    tevtest::AppendBigEndian32(ihdr, 4);
    tevtest::AppendBigEndian32(ihdr, 4);
    ihdr.insert(ihdr.end(), {4, 2, 0, 0, 0});  // RGB at 4 bits: no form to hold it
    EXPECT_FALSE(LoadPng(image, PngBytes().Signature().Chunk("IHDR", ihdr).Iend().bytes()));
    const Snapshot before = Snapshot::Of(image);
    EXPECT_EQ(ResizeImage(image, 2, 2).code(), StretchResult::Code::SourceTooSmall);
    EXPECT_TRUE(Snapshot::Of(image) == before);
}

// ---- CreateAlpha

TEST(CreateAlpha, OpaquePlaneForGreyAndRgb) {
    struct Case {
        int colorType, bitDepth;
        bool gainsAlpha;
        int after;
    };
    for (const Case c : {Case{2, 8, true, 6}, Case{2, 16, true, 6}, Case{0, 8, true, 4}, Case{0, 16, true, 4},
                         Case{0, 4, false, 0}, Case{0, 1, false, 0}, Case{3, 8, false, 3}}) {
        PngImage image;
        const std::size_t rowBytes = (3 * (c.colorType == 2 ? 3 : 1) * c.bitDepth + 7) / 8;
        PngBytes png = PngBytes::Start(3, 2, static_cast<std::uint8_t>(c.bitDepth),
                                       static_cast<std::uint8_t>(c.colorType));
        if (c.colorType == 3) png.Chunk("PLTE", Bytes(768, 9));
        ASSERT_TRUE(
            LoadPng(image, png.Idat(Zlib(FilteredRows({RandomBytes(rowBytes, 1), RandomBytes(rowBytes, 2)})))
                               .Iend()
                               .bytes()));
        const Bytes pixels(image.ImageHeader()->PixelBits(),
                           image.ImageHeader()->PixelBits() + image.ImageHeader()->PixelBytes());
        EXPECT_EQ(CreateAlpha(image), c.gainsAlpha) << c.colorType << "/" << c.bitDepth;
        const HeaderChunk* header = image.ImageHeader();
        EXPECT_EQ(header->ColorType, c.after);
        EXPECT_EQ(Bytes(header->PixelBits(), header->PixelBits() + header->PixelBytes()), pixels);
        if (c.gainsAlpha) {
            for (int i = 0; i < 6; ++i) EXPECT_EQ(header->AlphaPlane()[i], 255);
            // Written and read back with its alpha.
            MemoryStream out;
            ASSERT_TRUE(image.SaveStream(out));
            PngImage again;
            ASSERT_TRUE(LoadPng(again, out.Bytes()));
            EXPECT_EQ(again.ImageHeader()->ColorType, c.after);
            EXPECT_EQ(Rgba(again), Rgba(image));
        } else {
            EXPECT_EQ(header->AlphaPlane(), nullptr);
        }
    }
}

}  // namespace
}  // namespace tevpng
