// Sprites through the exports: makesprite's list checks with their exact
// Windows-1251 messages, the consumed file list, spriteanim, setcurframe and
// which image Draw paints. Every image here is one solid colour, so the colour
// Draw leaves at the drawing position tells which image it painted.
#include <gtest/gtest.h>

#include <climits>
#include <optional>
#include <string>
#include <vector>

#include "plugin_session.h"

namespace tevtest {
namespace {

constexpr std::uint32_t kPage = 0x00102030;

// The system's texts, byte for byte as users have always seen them.
const std::string kCountBelowOne = "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xE2\xEE \xF1\xEF\xF0\xE0\xE9\xF2\xEE\xE2 0";
const std::string kNoPaths = "\xCD\xE5\xF2 \xEF\xF3\xF2\xE5\xE9 \xEA \xF4\xE0\xE9\xEB\xE0\xEC ";
const std::string kNoEndMarker = "\xCD\xE5\xF2 \xEC\xE0\xF0\xEA\xE5\xF0\xE0 \xEA\xEE\xED\xF6\xE0 - # ";
const std::string kCountMismatch =
    "\xCA\xEE\xEB\xE8\xF7\xE5\xF1\xF2\xE2\xEE \xEA\xE0\xE4\xF0\xEE\xE2 \xF1\xEF\xF0\xE0\xE9\xF2\xE0 \xED\xE5 "
    "\xF1\xEE\xEE\xF2\xE2\xE5\xF2\xF1\xF2\xE2\xF3\xE5\xF2 \xF3\xEA\xE0\xE7\xE0\xED\xED\xEE\xEC\xF3";
const std::string kLoadingStopped = "\xE7\xE0\xE3\xF0\xF3\xEA\xE0 \xEF\xF0\xE5\xEA\xF0\xE0\xF9\xE5\xED\xE0";
std::string NotFound(const std::string& name) {
    return "\xCD\xE5\xED\xE0\xE9\xE4\xE5\xED \xF4\xE0\xE9\xEB \xF1\xEF\xF0\xE0\xE9\xF2\xE0 - " + name + "\r\n" +
           kLoadingStopped;
}
std::string LoadFailed(const std::string& name) {
    return "\xCD\xE5\xF3\xE4\xE0\xF7\xE0 \xE7\xE0\xE3\xF0\xF3\xE7\xEA\xE8 \xF4\xE0\xE9\xEB\xE0 "
           "\xF1\xEF\xF0\xE0\xE9\xF2\xE0 - " +
           name + "\r\n" + kLoadingStopped;
}

const Rgb kCurrentColour{250, 250, 250};
const Rgb kFrameColours[] = {{200, 10, 10}, {10, 200, 10}, {10, 10, 200}, {200, 200, 10}};

class Sprites : public PluginSession {
protected:
    void SetUp() override {
        PluginSession::SetUp();
        LoadPng(scratch.Write("current.png", SolidPng(6, 6, kCurrentColour)));
        const char* names[] = {"f0.png", "f1.png", "f2.png", "f3.png"};
        for (int i = 0; i < 4; ++i) frames[i] = scratch.Write(names[i], SolidPng(6, 6, kFrameColours[i]));
        dll.SetData(1);
        dll.spriteanim();
    }

    // The list of the first `count` frames, each name ended by "#".
    std::string List(int count) const {
        std::string list;
        for (int i = 0; i < count; ++i) list += frames[i] + "#";
        return list;
    }
    void MakeSprite(const std::string& list, std::int32_t count) {
        dll.SetFile(list.c_str());
        dll.SetData(count);
        boxes.Clear();
        dll.makesprite();
    }
    void SetCurFrame(std::int32_t frame) {
        dll.SetData(frame);
        dll.setcurframe();
    }
    // The colour Draw paints at (2, 2).
    std::uint32_t Painted() { return DrawOnto(10, 10, 2, 2, kPage)->Pixel(2, 2) & 0xFFFFFF; }
    static std::uint32_t Frame(int i) { return Xrgb(kFrameColours[i]); }
    static std::uint32_t CurrentImage() { return Xrgb(kCurrentColour); }

    std::string frames[4];
};

TEST_F(Sprites, TwoFramesConsumeTheWholeList) {
    MakeSprite(List(2), 2);
    EXPECT_TRUE(boxes.Boxes().empty());
    EXPECT_STREQ(dll.GetFile(), "") << "every name is taken out of CurrentFile";
    EXPECT_EQ(Painted(), Frame(0));
    SetCurFrame(1);
    EXPECT_EQ(Painted(), Frame(1));
}

struct ListCase {
    const char* label;
    std::function<std::string(const std::string (&frames)[4], ScratchDirectory&)> list;
    std::int32_t count;
    std::function<std::string(const std::string&)> message;  // from the list
    std::function<std::string(const std::string&)> remaining;  // CurrentFile afterwards, from the list
};

class SpriteListFailures : public Sprites, public testing::WithParamInterface<ListCase> {};

// Every failure shows its one message in a "tarnwick" box and leaves no sprite,
// even where an earlier sprite was shown.
TEST_P(SpriteListFailures, ShowTheirMessageAndLeaveNoSprite) {
    const ListCase& c = GetParam();
    MakeSprite(List(3), 3);
    SetCurFrame(2);
    ASSERT_EQ(Painted(), Frame(2));

    const std::string list = c.list(frames, scratch);
    MakeSprite(list, c.count);
    ASSERT_EQ(boxes.Boxes().size(), 1u);
    EXPECT_EQ(boxes.Boxes()[0].text, c.message(list));
    EXPECT_EQ(boxes.Boxes()[0].title, "tarnwick");
    EXPECT_EQ(TextOf(boxes.Boxes()[0].owner), "tarnwick");
    EXPECT_EQ(std::string(dll.GetFile()), c.remaining(list));
    EXPECT_EQ(Painted(), CurrentImage()) << "FrameCount is 0: Draw paints the current image";
}

std::string Nothing(const std::string&) { return ""; }
std::string Unchanged(const std::string& list) { return list; }

INSTANTIATE_TEST_SUITE_P(
    Lists, SpriteListFailures,
    testing::Values(
        ListCase{"CountAboveTheNames", [](auto& f, auto&) { return f[0] + "#" + f[1] + "#"; }, 3,
                 [](const std::string&) { return kCountMismatch; }, Nothing},
        ListCase{"CountBelowTheNames", [](auto& f, auto&) { return f[0] + "#" + f[1] + "#" + f[2] + "#"; }, 2,
                 [](const std::string&) { return kCountMismatch; }, Nothing},
        ListCase{"NoFinalMarker", [](auto& f, auto&) { return f[0] + "#" + f[1]; }, 2,
                 [](const std::string&) { return kNoEndMarker; }, Unchanged},
        ListCase{"EmptyList", [](auto&, auto&) { return std::string(); }, 1,
                 [](const std::string&) { return kNoPaths; }, Nothing},
        ListCase{"ADirectory", [](auto& f, auto& scratch) { return f[0] + "#" + scratch.Directory("frames.png") + "#"; },
                 2, [](const std::string& list) { return NotFound(list.substr(list.find('#') + 1, list.size() - list.find('#') - 2)); },
                 Nothing},
        // Existence is checked name by name as the list is split: the rest stays in CurrentFile,
        // and a missing file is reported before a wrong count.
        ListCase{"MissingFileInTheMiddle",
                 [](auto& f, auto& scratch) { return f[0] + "#" + scratch.Path() + "gone.png#" + f[1] + "#"; }, 7,
                 [](const std::string& list) { return NotFound(list.substr(list.find('#') + 1, list.find("gone.png") + 8 - list.find('#') - 1)); },
                 [](const std::string& list) { return list.substr(list.find("gone.png#") + 9); }},
        ListCase{"TwoMarkersInARow", [](auto& f, auto&) { return f[0] + "##"; }, 2,
                 [](const std::string&) { return NotFound(""); }, Nothing},
        ListCase{"AFileThatIsNoPng",
                 [](auto& f, auto& scratch) { return f[0] + "#" + scratch.Write("text.png", std::string("not a png")) + "#"; }, 2,
                 [](const std::string& list) { return LoadFailed(list.substr(list.find('#') + 1, list.size() - list.find('#') - 2)); },
                 Nothing},
        // The count is only compared, never used to size anything first.
        ListCase{"EnormousCount", [](auto& f, auto&) { return f[0] + "#"; }, INT32_MAX,
                 [](const std::string&) { return kCountMismatch; }, Nothing},
        ListCase{"EnormousCountAndNoList", [](auto&, auto&) { return std::string(); }, INT32_MAX,
                 [](const std::string&) { return kNoPaths; }, Nothing}),
    [](const testing::TestParamInfo<ListCase>& info) { return info.param.label; });

TEST_F(Sprites, CountBelowOneKeepsTheEarlierSprite) {
    MakeSprite(List(2), 2);
    SetCurFrame(1);
    for (std::int32_t count : {0, -1, INT32_MIN}) {
        MakeSprite(List(3), count);
        EXPECT_EQ(boxes.Texts(), std::vector<std::string>{kCountBelowOne}) << count;
        EXPECT_EQ(std::string(dll.GetFile()), List(3)) << "nothing is consumed";
        EXPECT_EQ(Painted(), Frame(1));
    }
}

TEST_F(Sprites, SetCurFrameSelectsOnlyFramesBelowTheCount) {
    MakeSprite(List(3), 3);
    const std::pair<std::int32_t, int> cases[] = {{2, 2}, {1, 1}, {3, 0}, {100, 0}, {0, 0}, {INT32_MAX, 0}};
    for (auto [pushed, shown] : cases) {
        SetCurFrame(pushed);
        EXPECT_EQ(Painted(), Frame(shown)) << pushed;
    }
}

// A frame number below zero is stored as pushed; Draw paints frame 0 for it
// instead of reading outside the list.
TEST_F(Sprites, NegativeFrameNumberPaintsFrameZero) {
    MakeSprite(List(3), 3);
    SetCurFrame(2);
    for (std::int32_t frame : {-1, -3, INT32_MIN}) {
        SetCurFrame(frame);
        EXPECT_EQ(Painted(), Frame(0)) << frame;
    }
}

// makesprite leaves CurrentFrame alone, so a shorter sprite can find it beyond its end.
TEST_F(Sprites, FrameLeftOverFromALongerSpritePaintsFrameZero) {
    MakeSprite(List(4), 4);
    SetCurFrame(3);
    ASSERT_EQ(Painted(), Frame(3));
    MakeSprite(List(2), 2);
    EXPECT_EQ(Painted(), Frame(0));
    MakeSprite(List(4), 4);
    EXPECT_EQ(Painted(), Frame(3)) << "the frame number itself was kept";
}

TEST_F(Sprites, SetCurFrameWithoutASpriteSelectsFrameZero) {
    SetCurFrame(5);
    MakeSprite(List(4), 4);
    EXPECT_EQ(Painted(), Frame(0));
}

TEST_F(Sprites, SpriteAnimSwitchesBetweenTheFrameAndTheCurrentImage) {
    MakeSprite(List(2), 2);
    SetCurFrame(1);
    const std::pair<std::int32_t, std::uint32_t> cases[] = {
        {0, CurrentImage()}, {7, Frame(1)}, {0, CurrentImage()}, {-1, Frame(1)}};
    for (auto [mode, shown] : cases) {
        dll.SetData(mode);
        dll.spriteanim();
        EXPECT_EQ(Painted(), shown) << mode;
    }
}

TEST_F(Sprites, SpriteModeSurvivesMakeSprite) {
    dll.SetData(0);
    dll.spriteanim();
    MakeSprite(List(2), 2);
    EXPECT_EQ(Painted(), CurrentImage());
    dll.SetData(1);
    dll.spriteanim();
    MakeSprite(List(3), 3);
    EXPECT_EQ(Painted(), Frame(0));
}

TEST_F(Sprites, FramesOfDifferentSizesShareTheTopLeftCorner) {
    const std::string list = scratch.Write("small.png", SolidPng(3, 2, kFrameColours[0])) + "#" +
                             scratch.Write("wide.png", SolidPng(9, 4, kFrameColours[1])) + "#";
    MakeSprite(list, 2);
    for (int frame = 0; frame < 2; ++frame) {
        SetCurFrame(frame);
        auto surface = DrawOnto(16, 10, 4, 3, kPage);
        const int width = frame == 0 ? 3 : 9;
        const int height = frame == 0 ? 2 : 4;
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 16; ++x) {
                const bool inside = x >= 4 && x < 4 + width && y >= 3 && y < 3 + height;
                ASSERT_EQ(surface->Pixel(x, y) & 0xFFFFFF, inside ? Frame(frame) : kPage) << frame << ": " << x << "," << y;
            }
    }
}

// The frames were decoded once: with their files gone, every frame still shows.
TEST_F(Sprites, ChangingTheFrameReadsNoFile) {
    MakeSprite(List(3), 3);
    for (const std::string& frame : frames) RemoveFile(frame);
    for (int i : {2, 0, 1, 2}) {
        SetCurFrame(i);
        EXPECT_EQ(Painted(), Frame(i));
    }
}

TEST_F(Sprites, FramesWithAlphaBlendOverThePage) {
    const Bytes half = RgbaPng(4, 4, [](int, int) { return RgbaPixel{255, 0, 0, 128}; });
    MakeSprite(scratch.Write("half.png", half) + "#", 1);
    // (255 x 128 + 127 x 0x10 + 255) >> 8 etc., per channel of the page 10 20 30.
    const std::uint32_t expected = ((255u * 128 + 127 * 0x10 + 255) >> 8) << 16 | ((127u * 0x20 + 255) >> 8) << 8 |
                                   ((127u * 0x30 + 255) >> 8);
    EXPECT_EQ(Painted(), expected);
}

}  // namespace
}  // namespace tevtest
