// The reference host run on its scenario files as a separate process: its snapshots of
// the page are compared with pages worked out here from the sample's own pixels, the
// page as it was before, and the blend formula; its exit code tells the expectations.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <tuple>

#include "files.h"
#include "host_run.h"
#include "codec/png_image.h"
#include "sample_image.h"
#include "scale/resize.h"

namespace tevtest {
namespace {

using tevhost::Rgba;

std::unique_ptr<tevpng::PngImage> LoadPng(const std::string& path) {
    auto image = std::make_unique<tevpng::PngImage>();
    if (!image->LoadFile(path) || !image->ImageHeader() || image->ImageHeader()->BitmapInfo.bmiHeader.biBitCount != 24)
        return nullptr;
    return image;
}

std::uint8_t Blend(std::uint8_t source, std::uint8_t alpha, std::uint8_t page) {
    return static_cast<std::uint8_t>((source * alpha + (255 - alpha) * page + 255) >> 8);
}

// The page `before` with `image` blended in whole at (x, y): an image with partial alpha
// is drawn at its own size whatever the rectangle's width and height.
void ExpectBlendedPage(const std::string& snapshotPath, const std::string& beforePath, const tevpng::PngImage& image,
                       int x, int y) {
    const auto snapshot = LoadPng(snapshotPath);
    const auto before = LoadPng(beforePath);
    ASSERT_TRUE(snapshot && before) << snapshotPath << " / " << beforePath;
    ASSERT_EQ(snapshot->Width(), before->Width());
    ASSERT_EQ(snapshot->Height(), before->Height());
    const int right = x + image.Width();
    const int bottom = y + image.Height();
    int wrong = 0;
    for (int py = 0; py < snapshot->Height(); ++py) {
        for (int px = 0; px < snapshot->Width(); ++px) {
            Rgba expected = tevhost::ImagePixel(*before, px, py);
            if (px >= x && px < right && py >= y && py < bottom) {
                const Rgba s = tevhost::ImagePixel(image, px - x, py - y);
                expected = {Blend(s.r, s.a, expected.r), Blend(s.g, s.a, expected.g), Blend(s.b, s.a, expected.b), 255};
            }
            const Rgba actual = tevhost::ImagePixel(*snapshot, px, py);
            if (actual == expected) continue;
            if (++wrong <= 5) {
                ADD_FAILURE() << snapshotPath << " at " << px << "," << py << ": " << int(actual.r) << " "
                              << int(actual.g) << " " << int(actual.b) << ", expected " << int(expected.r) << " "
                              << int(expected.g) << " " << int(expected.b);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << snapshotPath;
}

void ExpectSamePixels(const std::string& a, const std::string& b) {
    const auto first = LoadPng(a);
    const auto second = LoadPng(b);
    ASSERT_TRUE(first && second) << a << " / " << b;
    ASSERT_EQ(first->Width(), second->Width());
    ASSERT_EQ(first->Height(), second->Height());
    int wrong = 0;
    for (int y = 0; y < first->Height(); ++y)
        for (int x = 0; x < first->Width(); ++x) wrong += !(tevhost::ImagePixel(*first, x, y) == tevhost::ImagePixel(*second, x, y));
    EXPECT_EQ(wrong, 0) << a << " and " << b << " differ";
}

std::unique_ptr<tevpng::PngImage> Sample() {
    return tevhost::MakeImage(
        tevhost::kSampleWidth, tevhost::kSampleHeight,
        [](int x, int y) { return tevhost::SamplePixel(x, y, tevhost::kSampleWidth, tevhost::kSampleHeight); }, true);
}

TEST(HostScenario, LoadResizeRestoreShowWhatTheBlendGives) {
    const std::string dir = FreshWorkDirectory("load_resize_restore");
    const HostRun run = RunHost(ScenarioPath("load_resize_restore.txt"), dir);
    EXPECT_EQ(run.exitCode, 0) << run.output;

    const auto sample = Sample();
    ASSERT_TRUE(sample);
    // The page of the scenario: the plug-in at 40,60 in a 320 x 240 rectangle, then 100 x 90.
    ExpectBlendedPage(dir + "loaded.png", dir + "before.png", *sample, 40, 60);

    auto resized = Sample();
    ASSERT_TRUE(tevpng::ResizeImage(*resized, 240, 180).Ok());
    ExpectBlendedPage(dir + "resized.png", dir + "before.png", *resized, 40, 60);
    ExpectBlendedPage(dir + "small-rectangle.png", dir + "before-small.png", *resized, 40, 60);

    // restorepng gives back the image as loaded, and the page as it was then.
    ExpectSamePixels(dir + "restored.png", dir + "loaded.png");
}

TEST(HostScenario, TheSampleFileHoldsTheSamplePixels) {
    const std::string dir = FreshWorkDirectory("sample");
    WriteFileBytes(dir + "make.txt", "make-sample sample.png\nmake-sample small.png 7 5\n");
    const HostRun run = RunHost(dir + "make.txt", dir);
    ASSERT_EQ(run.exitCode, 0) << run.output;
    for (const auto& [name, width, height] : {std::tuple{"sample.png", tevhost::kSampleWidth, tevhost::kSampleHeight},
                                              std::tuple{"small.png", 7, 5}}) {
        tevpng::PngImage image;
        ASSERT_TRUE(image.LoadFile(dir + name)) << name;
        ASSERT_EQ(image.Width(), width);
        ASSERT_EQ(image.Height(), height);
        EXPECT_EQ(image.ImageHeader()->ColorType, 6);
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                ASSERT_EQ(tevhost::ImagePixel(image, x, y), tevhost::SamplePixel(x, y, width, height)) << x << "," << y;
    }
}

TEST(HostScenario, ExitCodeTellsWhetherEveryExpectationHeld) {
    const std::string dir = FreshWorkDirectory("exit_codes");
    // The page pixel at 20,60 is a light checker cell.
    WriteFileBytes(dir + "good.txt", "hotspot-settings off\nSetParentWindow\nexpect-pixel 20 60 FFFFFF\n");
    WriteFileBytes(dir + "wrong.txt",
                   "hotspot-settings off\nSetParentWindow\n\nexpect-pixel 20 60 000000\nexpect-size\n");
    const HostRun good = RunHost(dir + "good.txt", dir);
    EXPECT_EQ(good.exitCode, 0) << good.output;

    const HostRun wrong = RunHost(dir + "wrong.txt", dir);
    EXPECT_EQ(wrong.exitCode, 1) << wrong.output;
    EXPECT_NE(wrong.output.find("wrong.txt:4: FAILED: expect-pixel: the page shows FFFFFF, not 000000"),
              std::string::npos)
        << wrong.output;
    EXPECT_NE(wrong.output.find("wrong.txt:5: FAILED: expect-size"), std::string::npos) << wrong.output;
    EXPECT_NE(wrong.output.find("2 expectation(s) failed"), std::string::npos) << wrong.output;
}

TEST(HostScenario, AScenarioFileWithErrorsRunsNothingAndNamesTheLines) {
    const std::string dir = FreshWorkDirectory("bad_file");
    WriteFileBytes(dir + "bad.txt", "make-sample never.png\n# comment\nlodpng\nDraw 1 2 3\n");
    const HostRun run = RunHost(dir + "bad.txt", dir);
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("bad.txt:3: unknown step 'lodpng'"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("bad.txt:4: Draw takes four numbers: X Y W H"), std::string::npos) << run.output;
    EXPECT_FALSE(FileExists(dir + "never.png"));
}

TEST(HostScenario, APluginThatCannotBeLoadedEndsTheRun) {
    const std::string dir = FreshWorkDirectory("no_plugin");
    WriteFileBytes(dir + "s.txt", "SetParentWindow\n");
    const HostRun run = RunHost(dir + "s.txt", dir, "--dll \"" + dir + "missing.dll\"");
    EXPECT_EQ(run.exitCode, 2) << run.output;
    EXPECT_NE(run.output.find("cannot load"), std::string::npos) << run.output;
}

TEST(HostScenario, TheSettingsFileIsPutBackAfterTheRun) {
    const std::string dir = FreshWorkDirectory("settings");
    const std::string ini = TempDirectory() + "tevpng.ini";
    const std::string original = "[setting]\r\nusehot=0\r\nhot=Elsewhere\r\n";
    WriteFileBytes(ini, original);
    WriteFileBytes(dir + "s.txt", "hotspot-settings on Hot1\nSetParentWindow\nexpect-script Hot1 32 56 320 240\n");
    const HostRun run = RunHost(dir + "s.txt", dir);
    EXPECT_EQ(run.exitCode, 0) << run.output;
    EXPECT_EQ(ReadFileBytes(ini), original);
    RemoveFile(ini);
}

}  // namespace
}  // namespace tevtest
