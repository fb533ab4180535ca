// The image commands through the exports: loadpng and its backup, restorepng,
// resizepng, savescaled, loadalpha, shide and test, seen through the file
// savescaled writes, the pixels Draw paints and the messages the host page gets.
#include <gtest/gtest.h>

#include <string>

#include "plugin_session.h"

namespace tevtest {
namespace {

constexpr std::uint32_t kPageBackground = 0x00102030;

class Commands : public PluginSession {
protected:
    // Image A: 30 x 20 with alpha, as the reader decodes it.
    std::string FileA() { return scratch.Write("a.png", RgbaPng(30, 20, GradientPixel)); }
    static Decoded DecodedA() { return DecodeBytes(RgbaPng(30, 20, GradientPixel)); }
};

TEST_F(Commands, ResizeTakesTheWidthPushedFirstAndTheHeightPushedLast) {
    LoadPng(FileA());
    Resize(200, 100);
    const Decoded current = Current();
    ASSERT_TRUE(current.loaded);
    EXPECT_EQ(current.width, 200);
    EXPECT_EQ(current.height, 100);
}

TEST_F(Commands, ResizedImageIsDrawnAtItsNewSize) {
    LoadPng(scratch.Write("solid.png", SolidPng(10, 6, {200, 100, 50})));
    Resize(40, 12);
    const Decoded resized = Current();
    ASSERT_EQ(resized.width, 40);
    auto surface = DrawOnto(80, 40, 5, 7, kPageBackground);
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 80; ++x) {
            const bool inside = x >= 5 && x < 45 && y >= 7 && y < 19;
            std::uint32_t expected = kPageBackground;
            if (inside) {
                const RgbaPixel p = resized.At(x - 5, y - 7);
                ASSERT_EQ(p[3], 255);  // opaque stays opaque: drawn as its own colour
                expected = Xrgb({p[0], p[1], p[2]});
            }
            ASSERT_EQ(surface->Pixel(x, y) & 0xFFFFFF, expected) << x << "," << y;
        }
}

TEST_F(Commands, LoadKeepsTheImageAsDecoded) {
    LoadPng(FileA());
    const Decoded current = Current();
    const Decoded a = DecodedA();
    ASSERT_TRUE(a.loaded);
    EXPECT_EQ(current.width, 30);
    EXPECT_EQ(current.height, 20);
    EXPECT_EQ(current.rgba, a.rgba);
}

TEST_F(Commands, RestoreAfterTwoResizesGivesTheLoadedImageAndOneLayoutRequest) {
    LoadPng(FileA());
    Resize(61, 47);
    Resize(7, 3);
    ASSERT_EQ(Current().width, 7);
    PumpMessagesFor(50);
    page->ClearReceived();

    dll.restorepng();
    const Decoded current = Current();
    EXPECT_EQ(current.width, 30);
    EXPECT_EQ(current.height, 20);
    EXPECT_EQ(current.rgba, DecodedA().rgba) << "the backup is lossless";

    ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(WM_SIZE) > 0; }, 2000));
    PumpMessagesFor(200);
    EXPECT_EQ(page->Count(WM_SIZE), 1u);
    EXPECT_EQ(LayoutRequests(*page), 1u);
}

TEST_F(Commands, RestoreAfterALargeThenASmallLoadGivesTheSmallOne) {
    // The large one's backup is far longer; the small one overwrites only its start.
    LoadPng(scratch.Write("large.png", RgbaPng(300, 200, [](int x, int y) {
                              return RgbaPixel{
                                  static_cast<std::uint8_t>(x * y), static_cast<std::uint8_t>(x + 7 * y),
                                  static_cast<std::uint8_t>(x ^ y), static_cast<std::uint8_t>(x - y)};
                          })));
    const Bytes small = RgbaPng(5, 4, GradientPixel);
    LoadPng(scratch.Write("small.png", small));
    Resize(100, 100);
    dll.restorepng();
    const Decoded current = Current();
    EXPECT_EQ(current.width, 5);
    EXPECT_EQ(current.height, 4);
    EXPECT_EQ(current.rgba, DecodeBytes(small).rgba);
}

TEST_F(Commands, TheBackupOutlivesASecondBindingAndTheLayoutRequestGoesToTheNewPage) {
    LoadPng(FileA());
    Resize(12, 9);
    auto second = HostPage::TopLevel();
    dll.SetParentWindow(second->Window());
    ASSERT_EQ(Current().width, 12) << "binding again leaves the image as it is";
    PumpMessagesFor(50);
    page->ClearReceived();
    second->ClearReceived();

    dll.restorepng();
    const Decoded current = Current();
    EXPECT_EQ(current.width, 30);
    EXPECT_EQ(current.rgba, DecodedA().rgba);
    ASSERT_TRUE(PumpMessagesUntil([&] { return LayoutRequests(*second) > 0; }, 2000));
    EXPECT_EQ(LayoutRequests(*page), 0u);
}

TEST_F(Commands, RestoreUndoesLoadAlpha) {
    LoadPng(FileA());
    dll.SetFile(scratch.Write("b.png", SolidPng(9, 9, {1, 2, 3})).c_str());
    dll.loadalpha();
    ASSERT_EQ(Current().width, 9);
    dll.restorepng();
    EXPECT_EQ(Current().rgba, DecodedA().rgba);
}

TEST_F(Commands, RestoreBeforeAnyLoadEmptiesTheImageAndStillAsksForALayout) {
    dll.SetFile(scratch.Write("b.png", SolidPng(9, 9, {1, 2, 3})).c_str());
    dll.loadalpha();  // an image, but no backup
    dll.restorepng();
    EXPECT_FALSE(Current().loaded);
    auto surface = DrawOnto(16, 16, 0, 0, kPageBackground);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) ASSERT_EQ(surface->Pixel(x, y), kPageBackground);
    ASSERT_TRUE(PumpMessagesUntil([&] { return LayoutRequests(*page) > 0; }, 2000));
}

TEST_F(Commands, LoadSetsTheStatusLabel) {
    HWND status = LabelAt(DisplayForm(), 112, 16);
    ASSERT_NE(status, nullptr);
    EXPECT_EQ(TextOf(status), "");
    LoadPng(FileA());
    EXPECT_EQ(TextOf(status), "load png");
    RECT rect{};
    GetClientRect(status, &rect);
    EXPECT_GT(rect.right, 10) << "the label takes the size of its text";
    HWND second = LabelAt(DisplayForm(), 224, 24);
    ASSERT_NE(second, nullptr);
    EXPECT_EQ(TextOf(second), "");
}

TEST_F(Commands, SaveShowsThePathBeforeWritingTheFile) {
    LoadPng(FileA());
    Resize(12, 8);
    const std::string path = scratch.Name("saved.png");
    bool existedWhileShown = true;
    boxes.OnBox([&](const CapturedBox&) { existedWhileShown = FileExists(path); });
    dll.SetFile(path.c_str());
    dll.savescaled();
    boxes.OnBox(nullptr);

    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, path);
    EXPECT_EQ(boxes.Boxes()[0].title, "tarnwick");
    EXPECT_EQ(TextOf(boxes.Boxes()[0].owner), "tarnwick");
    EXPECT_FALSE(existedWhileShown);
    const Decoded saved = DecodeFile(path);
    EXPECT_EQ(saved.width, 12);
    EXPECT_EQ(saved.height, 8);
}

TEST_F(Commands, SaveReplacesAnExistingFile) {
    const std::string path = scratch.Write("old.png", std::string(5000, 'x'));
    LoadPng(FileA());
    dll.SetFile(path.c_str());
    dll.savescaled();
    EXPECT_EQ(DecodeFile(path).rgba, DecodedA().rgba);
}

TEST_F(Commands, SaveToAPlaceThatCannotBeWrittenStillShowsThePath) {
    LoadPng(FileA());
    const std::string path = scratch.Path() + "no such directory\\x.png";
    dll.SetFile(path.c_str());
    dll.savescaled();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{path});
    EXPECT_FALSE(FileExists(path));
    EXPECT_EQ(Current().width, 30) << "the image is untouched";
}

TEST_F(Commands, ShideTwiceReturnsTheWindowToItsFirstVisibility) {
    HWND form = DisplayForm();
    ASSERT_FALSE(IsWindowVisible(form));
    dll.shide();
    EXPECT_TRUE(IsWindowVisible(form));
    dll.shide();
    EXPECT_FALSE(IsWindowVisible(form));
}

TEST_F(Commands, SetAlphaColorChangesOnlyTheKeyOfOpaqueImages) {
    // Left half red, right half green; keying red out leaves the page there.
    LoadPng(scratch.Write("halves.png", RgbPng(8, 2, [](int x, int) {
                              return x < 4 ? Rgb{255, 0, 0} : Rgb{0, 255, 0};
                          })));
    dll.SetData(static_cast<std::int32_t>(RGB(255, 0, 0)));
    dll.setalphacolor();
    auto surface = DrawOnto(8, 2, 0, 0, kPageBackground);
    EXPECT_EQ(surface->Pixel(0, 0) & 0xFFFFFF, kPageBackground);
    EXPECT_EQ(surface->Pixel(7, 1) & 0xFFFFFF, 0x00FF00u);
}

TEST_F(Commands, TestWithNoHotspotNameShowsTheBareLabel) {
    dll.test();
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"hotspotname ", TempIni()}));
}

// loadalpha paints on the display window itself: with no capture made yet there
// is no background to lay first, and the image is still drawn at (0, 0).
TEST_F(Commands, LoadAlphaBeforeAnyCaptureDrawsTheImageOnTheWindow) {
    HWND form = DisplayForm();
    dll.shide();  // shown, so its pixels can be read
    PumpMessagesFor(50);
    dll.SetFile(scratch.Write("blue.png", SolidPng(20, 10, {30, 60, 240})).c_str());
    dll.loadalpha();
    auto pixels = WindowPixels(form);
    ASSERT_TRUE(pixels->Valid());
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x) ASSERT_EQ(pixels->Pixel(x, y) & 0xFFFFFF, 0x1E3CF0u) << x << "," << y;
    EXPECT_EQ(boxes.Boxes().size(), 0u);
    EXPECT_EQ(Current().width, 20) << "loadalpha loads the current image";
}

TEST_F(Commands, LoadAlphaTouchesNeitherTheBackupNorTheLabel) {
    LoadPng(FileA());
    HWND status = LabelAt(DisplayForm(), 112, 16);
    SetWindowTextA(status, "");
    dll.SetFile(scratch.Write("b.png", SolidPng(3, 3, {9, 9, 9})).c_str());
    dll.loadalpha();
    EXPECT_EQ(TextOf(status), "");
    dll.restorepng();
    EXPECT_EQ(Current().width, 30);
}

}  // namespace
}  // namespace tevtest
