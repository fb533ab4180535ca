// One host session from start to end, as a host page drives the plug-in:
// bind, load a PNG with alpha, scale it, paint it over the page, save it, take
// the layout request of restorepng, load the saved file back, animate a
// three-frame sprite, and follow the hotspot along.
#include <gtest/gtest.h>

#include <string>

#include "plugin_session.h"

namespace tevtest {
namespace {

std::uint32_t PagePattern(int x, int y) {
    return 0xFF000000u | static_cast<std::uint32_t>((x * 3) & 255) << 16 |
           static_cast<std::uint32_t>((y * 5) & 255) << 8 | static_cast<std::uint32_t>(((x ^ y) * 2) & 255);
}

RgbaPixel Photo(int x, int y) {
    return {static_cast<std::uint8_t>(x * 6), static_cast<std::uint8_t>(255 - y * 8),
            static_cast<std::uint8_t>((x + y) * 4), static_cast<std::uint8_t>(x < 4 ? 0 : x * 6 + y)};
}

// The page the host paints: its pattern, then Draw over it.
class HostSession : public PluginSession {
protected:
    void SetUp() override {
        WriteSettings("Hotspot1", true);
        PluginSession::SetUp();
    }

    std::unique_ptr<DibSurface> PaintPage(int x, int y, int width, int height) {
        auto surface = std::make_unique<DibSurface>(kPageWidth, kPageHeight);
        surface->Fill(PagePattern);
        EXPECT_EQ(dll.Draw(surface->Dc(), x, y, width, height), 0);
        return surface;
    }

    // Every page pixel: the image blended in over [x, x + image width) and
    // [y, y + image height), the pattern elsewhere.
    static int Mismatches(const DibSurface& page, const Decoded& image, int x, int y) {
        int mismatches = 0;
        for (int py = 0; py < kPageHeight; ++py)
            for (int px = 0; px < kPageWidth; ++px) {
                const int ix = px - x, iy = py - y;
                const bool inside = ix >= 0 && iy >= 0 && ix < image.width && iy < image.height;
                const std::uint32_t expected =
                    inside ? BlendOver(image.At(ix, iy), PagePattern(px, py)) : PagePattern(px, py) & 0xFFFFFF;
                if ((page.Pixel(px, py) & 0xFFFFFF) != expected) ++mismatches;
            }
        return mismatches;
    }

    // The hotspot script that follows a Draw at that rectangle.
    void ExpectHotspotMovedTo(const std::string& rect) {
        const size_t before = scriptsSeen;
        ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(kScriptMessage) > before; }, 3000)) << rect;
        const auto scripts = page->ReceivedOf(kScriptMessage);
        ASSERT_EQ(scripts.size(), before + 1) << rect;
        scriptsSeen = scripts.size();
        EXPECT_NE(scripts.back().text.find("MoveObject(\"Hotspot1\",\"" + rect + "\")"), std::string::npos)
            << scripts.back().text;
    }

    static constexpr int kPageWidth = 160;
    static constexpr int kPageHeight = 120;
    size_t scriptsSeen = 0;
};

TEST_F(HostSession, LoadScaleDrawSaveReloadAnimate) {
    // Load a 40 x 30 PNG with alpha and scale it to 80 x 60.
    const Bytes photo = RgbaPng(40, 30, Photo);
    LoadPng(scratch.Write("photo.png", photo));
    EXPECT_EQ(TextOf(LabelAt(DisplayForm(), 112, 16)), "load png");
    Resize(80, 60);

    // The host repaints its page: the scaled image over the pattern at (10, 20).
    auto painted = PaintPage(10, 20, 80, 60);
    ExpectHotspotMovedTo("10,20,80,60");

    // Save it; the box shows where.
    const std::string saved = scratch.Name("scaled.png");
    dll.SetFile(saved.c_str());
    dll.savescaled();
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{saved});
    const Decoded scaled = DecodeFile(saved);
    ASSERT_TRUE(scaled.loaded);
    ASSERT_EQ(scaled.width, 80);
    ASSERT_EQ(scaled.height, 60);
    EXPECT_EQ(Mismatches(*painted, scaled, 10, 20), 0) << "the page shows the image that was saved";

    // restorepng asks for a layout; the host repaints and gets the loaded size back.
    page->ClearReceived();
    scriptsSeen = 0;
    dll.restorepng();
    ASSERT_TRUE(PumpMessagesUntil([&] { return page->Count(WM_SIZE) > 0; }, 3000));
    painted = PaintPage(10, 20, 80, 60);
    EXPECT_EQ(Mismatches(*painted, DecodeBytes(photo), 10, 20), 0);
    ExpectHotspotMovedTo("10,20,80,60");

    // Loading the saved file gives back the picture first painted.
    LoadPng(saved);
    painted = PaintPage(10, 20, 80, 60);
    EXPECT_EQ(Mismatches(*painted, scaled, 10, 20), 0);
    ExpectHotspotMovedTo("10,20,80,60");

    // A three-frame sprite, frames of their own sizes, stepped through at (30, 40).
    std::string list;
    std::vector<Bytes> frames;
    for (int i = 0; i < 3; ++i) {
        frames.push_back(RgbaPng(10 + 5 * i, 8 + i, [i](int x, int y) {
            return RgbaPixel{static_cast<std::uint8_t>(80 * i), static_cast<std::uint8_t>(x * 9),
                             static_cast<std::uint8_t>(y * 20), static_cast<std::uint8_t>(100 + 50 * i)};
        }));
        const char* names[] = {"walk0.png", "walk1.png", "walk2.png"};
        list += scratch.Write(names[i], frames.back()) + "#";
    }
    dll.SetFile(list.c_str());
    dll.SetData(3);
    dll.makesprite();
    EXPECT_STREQ(dll.GetFile(), "");
    dll.SetData(1);
    dll.spriteanim();
    for (int step : {0, 1, 2, 0}) {
        dll.SetData(step);
        dll.setcurframe();
        painted = PaintPage(30 + step, 40, 25, 12);
        EXPECT_EQ(Mismatches(*painted, DecodeBytes(frames[step]), 30 + step, 40), 0) << "frame " << step;
        ExpectHotspotMovedTo(std::to_string(30 + step) + ",40,25,12");
    }

    // Sprite mode off: the current image again.
    dll.SetData(0);
    dll.spriteanim();
    painted = PaintPage(10, 20, 80, 60);
    EXPECT_EQ(Mismatches(*painted, scaled, 10, 20), 0);
    ExpectHotspotMovedTo("10,20,80,60");
    EXPECT_EQ(boxes.Boxes().size(), 1u) << "the only box was savescaled's";
}

}  // namespace
}  // namespace tevtest
