// The backup restorepng gives back: exactly the image that writing the loaded image as a
// PNG at its own compression level and reading that back gives, for every kind of file,
// at the cost of a copy of the pixels.
#include "codec/image_backup.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "io/memory_stream.h"
#include "libpng_reference.h"
#include "png_builder.h"
#include "png_memory.h"
#include "synthetic_images.h"

namespace tevpng {
namespace {

using tevtest::Bytes;
using tevtest::LoadPng;

const std::string kSuite = TEVPNG_PNGSUITE_DIR;

// Everything of an image the commands, the drawing and the writer can see, as bytes.
Bytes Everything(const PngImage& image) {
    Bytes bytes(image.Gamma.begin(), image.Gamma.end());
    bytes.insert(bytes.end(), image.InverseGamma.begin(), image.InverseGamma.end());
    bytes.insert(bytes.end(),
                 {image.FilterSet, image.CompressionLevel, image.Interlace,
                  static_cast<std::uint8_t>(image.IdatLimit), static_cast<std::uint8_t>(image.VerifyCrc)});
    auto add = [&](const void* data, std::size_t size) {
        const auto* p = static_cast<const std::uint8_t*>(data);
        bytes.insert(bytes.end(), p, p + size);
    };
    for (const auto& chunk : image.Chunks()) {
        add(chunk->Name().data(), chunk->Name().size());
        bytes.push_back(static_cast<std::uint8_t>(chunk->Kind()));
        add(chunk->Data(), static_cast<std::size_t>(chunk->DataSize()));
        if (const auto* h = chunk->As<HeaderChunk>()) {
            add(&h->Width, sizeof h->Width);
            add(&h->Height, sizeof h->Height);
            bytes.insert(bytes.end(), {h->BitDepth, h->ColorType, h->CompressionMethod, h->FilterMethod,
                                       h->InterlaceMethod, static_cast<std::uint8_t>(h->HasPalette)});
            add(&h->BitmapInfo, sizeof h->BitmapInfo);
            add(&h->RowStride, sizeof h->RowStride);
            if (h->PixelBits()) add(h->PixelBits(), h->PixelBytes());
            if (h->AlphaPlane()) add(h->AlphaPlane(), static_cast<std::size_t>(h->Width) * h->Height);
        } else if (const auto* p = chunk->As<PaletteChunk>()) {
            add(&p->Count, sizeof p->Count);
        } else if (const auto* g = chunk->As<GammaChunk>()) {
            bytes.insert(bytes.end(), {static_cast<std::uint8_t>(g->PrecedesPalette),
                                       static_cast<std::uint8_t>(g->PrecedesImageData)});
        } else if (const auto* a = chunk->As<AlphaChunk>()) {
            bytes.push_back(static_cast<std::uint8_t>(a->SingleKey));
            add(a->AlphaTable.data(), a->AlphaTable.size());
        } else if (const auto* t = chunk->As<TextChunk>()) {
            add(t->Keyword.data(), t->Keyword.size());
            bytes.push_back(0);
            add(t->Text.data(), t->Text.size());
        } else if (const auto* t = chunk->As<TimeChunk>()) {
            bytes.insert(bytes.end(),
                         {t->Year[0], t->Year[1], t->Month, t->Day, t->Hour, t->Minute, t->Second});
        }
    }
    return bytes;
}

// What the PNG backup of the loaded image gave back: the image written at level 7 into a
// stream that is then read again. `loaded` is left as writing it leaves it.
Bytes RestoredThroughAPngBackup(PngImage& loaded) {
    MemoryStream backup;
    loaded.SaveStream(backup);
    backup.Seek(0, SeekOrigin::Begin);
    PngImage restored;
    restored.LoadStream(backup);
    return Everything(restored);
}

void ExpectRestoredAsThroughAPngBackup(const Bytes& png, const std::string& what) {
    PngImage reference;
    LoadPng(reference, png);
    const Bytes expected = RestoredThroughAPngBackup(reference);

    PngImage current;
    LoadPng(current, png);
    ImageBackup backup;
    backup.Keep(current);
    EXPECT_EQ(Everything(current), Everything(reference))
        << what << ": keeping leaves the image as saving does";
    PngImage restored;
    backup.RestoreInto(restored);
    EXPECT_TRUE(Everything(restored) == expected) << what;
    // A second restore gives the same again.
    PngImage again;
    backup.RestoreInto(again);
    EXPECT_TRUE(Everything(again) == expected) << what;
}

class SuiteBackup : public testing::TestWithParam<std::string> {};

TEST_P(SuiteBackup, RestoresWhatAPngBackupRestored) {
    ExpectRestoredAsThroughAPngBackup(tevtest::ReadFileBytes(kSuite + "/" + GetParam()), GetParam());
}

INSTANTIATE_TEST_SUITE_P(PngSuite, SuiteBackup, testing::ValuesIn(tevtest::PngSuiteFiles(kSuite, false)),
                         [](const auto& info) {
                             std::string name = info.param.substr(0, info.param.find('.'));
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ImageBackup, RestoresWhatAPngBackupRestoredForTheUsersKindsOfPicture) {
    using namespace tevtest;
    Bytes gammaValue;
    AppendBigEndian32(gammaValue, 45455);
    Bytes withChunks = PngBytes::Start(3, 2, 8, 6)
                           .Chunk("gAMA", gammaValue)
                           .Chunk("tEXt", {'k', 0, 'v'})
                           .Chunk("prVt", {1, 2, 3})
                           .Idat(Zlib(FilteredRows(PhotoLikeRows(3, 2, 4))))
                           .Chunk("tIME", {7, 234, 12, 10, 20, 55, 1})
                           .Iend()
                           .bytes();
    const std::pair<const char*, Bytes> files[] = {
        {"photo RGBA", PhotoLikePng(300, 200, 4)},
        {"photo RGB", PhotoLikePng(301, 77, 3)},
        {"interface graphic", EncodePicture(FlatGraphic(240, 160))},
        {"palette sprite", EncodePicture(PaletteSprite(61, 47))},
        {"gamma and ancillary chunks", withChunks},
    };
    for (const auto& [what, png] : files) ExpectRestoredAsThroughAPngBackup(png, what);
}

TEST(ImageBackup, HoldsThePixelsAndTheChunksAndNoMore) {
    const Bytes png = tevtest::PhotoLikePng(1920, 1080, 4);
    PngImage image;
    ASSERT_TRUE(LoadPng(image, png));
    ImageBackup backup;
    backup.Keep(image);
    const HeaderChunk& header = *image.ImageHeader();
    const std::size_t pixels = header.PixelBytes() + static_cast<std::size_t>(header.Width) * header.Height;
    EXPECT_GE(backup.HeldBytes(), pixels);
    EXPECT_LE(backup.HeldBytes(), pixels + 64) << "beyond the pixels only the chunks' own small data";
}

TEST(ImageBackup, AnImageThatCannotBeWrittenLeavesTheEarlierBackup) {
    const Bytes good = tevtest::PhotoLikePng(20, 10, 4);
    PngImage image;
    ASSERT_TRUE(LoadPng(image, good));
    ImageBackup backup;
    backup.Keep(image);

    PngImage empty;  // what a file that cannot be opened leaves
    backup.Keep(empty);
    PngImage headerOnly;  // a load that failed before the image data
    LoadPng(headerOnly, Bytes(good.begin(), good.begin() + 33));
    ASSERT_FALSE(headerOnly.Chunks().empty());
    backup.Keep(headerOnly);

    PngImage restored;
    EXPECT_TRUE(backup.RestoreInto(restored));
    EXPECT_EQ(restored.Width(), 20);
    PngImage reference;
    LoadPng(reference, good);
    EXPECT_TRUE(Everything(restored) == RestoredThroughAPngBackup(reference));
}

TEST(ImageBackup, NothingKeptRestoresAnEmptyImage) {
    PngImage image;
    ASSERT_TRUE(LoadPng(image, tevtest::PhotoLikePng(5, 5, 4)));
    ImageBackup backup;
    EXPECT_FALSE(backup.RestoreInto(image));
    EXPECT_TRUE(image.Chunks().empty());
    EXPECT_EQ(backup.HeldBytes(), 0u);
}

}  // namespace
}  // namespace tevpng
