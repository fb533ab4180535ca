// What a careless or unlucky host does: files that are missing, empty, cut
// short or noise, sizes no image can have, and a long random run of everything
// (commands before binding: lifecycle_test.cpp). The process must survive each, and the state must
// be the one the commands promise.
#include <gtest/gtest.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "hostile_pngs.h"
#include "plugin_session.h"

namespace tevtest {
namespace {

constexpr std::uint32_t kPage = 0x00102030;

const Bytes& ImageA() {
    static const Bytes png = RgbaPng(30, 20, GradientPixel);
    return png;
}

// The broken files every file-reading command gets.
struct BadFile {
    const char* label;
    std::string bytes;  // written as the file; "missing" is not written at all
    bool written;
};

std::vector<BadFile> BadFiles() {
    std::string noise(3000, '\0');
    std::mt19937 random(7);
    for (char& c : noise) c = static_cast<char>(random());
    const std::string a = AsString(ImageA());
    return {{"missing", "", false},
            {"empty", "", true},
            {"signatureOnly", a.substr(0, 8), true},
            {"cutInTheHeader", a.substr(0, 20), true},
            {"cutInTheImageData", a.substr(0, a.size() / 2), true},
            {"noIend", a.substr(0, a.size() - 12), true},
            {"noise", noise, true},
            {"noiseAfterTheSignature", a.substr(0, 8) + noise, true}};
}

class Robustness : public PluginSession {
protected:
    std::string Write(const BadFile& file) {
        const std::string path = scratch.Name(std::string(file.label) + ".png");
        if (file.written) WriteFileBytes(path, file.bytes);
        return path;
    }
    bool PageUntouched() {
        auto surface = DrawOnto(40, 30, 0, 0, kPage);
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                if (surface->Pixel(x, y) != kPage) return false;
        return true;
    }
};

TEST_F(Robustness, LoadPngOfABadFileLeavesNoImageButKeepsTheLastGoodBackup) {
    HWND status = LabelAt(DisplayForm(), 112, 16);
    for (const BadFile& file : BadFiles()) {
        SCOPED_TRACE(file.label);
        LoadPng(scratch.Write("a.png", ImageA()));
        SetWindowTextA(status, "");
        LoadPng(Write(file));
        EXPECT_EQ(TextOf(status), "load png") << "the label is set whatever the load did";
        EXPECT_TRUE(boxes.Boxes().empty());
        const std::string kind = file.label;
        if (kind.rfind("cutInTheImageData", 0) == 0 || kind == "noIend")
            continue;  // partly loaded: see below
        EXPECT_TRUE(PageUntouched()) << "a load clears the image first";
        EXPECT_FALSE(Current().loaded);
        // An empty image re-encodes as the signature alone, which overwrites only
        // the start of the backup: the last good load comes back.
        dll.restorepng();
        EXPECT_EQ(Current().rgba, DecodeBytes(ImageA()).rgba);
    }
}

// A file cut inside its image data loads as far as it goes; whatever that is,
// it is drawn, backed up and restored without harm.
TEST_F(Robustness, LoadPngOfACutFileDrawsAndRestoresWhatWasRead) {
    for (const BadFile& file : BadFiles()) {
        const std::string kind = file.label;
        if (kind.rfind("cutInTheImageData", 0) != 0 && kind != "noIend") continue;
        SCOPED_TRACE(file.label);
        LoadPng(Write(file));
        DrawOnto(40, 30, 0, 0, kPage);
        const Decoded before = Current();
        dll.restorepng();
        const Decoded after = Current();
        EXPECT_EQ(after.loaded, before.loaded);
        EXPECT_EQ(after.rgba, before.rgba);
    }
}

TEST_F(Robustness, LoadAlphaOfABadFileShowsNothingAndLeavesNoImage) {
    dll.shide();
    for (const BadFile& file : BadFiles()) {
        SCOPED_TRACE(file.label);
        LoadPng(scratch.Write("a.png", ImageA()));
        dll.SetFile(Write(file).c_str());
        dll.loadalpha();
        EXPECT_TRUE(boxes.Boxes().empty());
        const std::string kind = file.label;
        if (kind.rfind("cutInTheImageData", 0) == 0 || kind == "noIend") continue;
        EXPECT_TRUE(PageUntouched());
    }
}

TEST_F(Robustness, MakeSpriteWithABadFrameReportsItAndLeavesNoSprite) {
    const std::string good = scratch.Write("good.png", SolidPng(4, 4, {200, 10, 10}));
    LoadPng(scratch.Write("current.png", SolidPng(4, 4, {250, 250, 250})));
    dll.SetData(1);
    dll.spriteanim();
    for (const BadFile& file : BadFiles()) {
        SCOPED_TRACE(file.label);
        const std::string bad = Write(file);
        dll.SetFile((good + "#" + bad + "#").c_str());
        dll.SetData(2);
        boxes.Clear();
        dll.makesprite();
        const std::string kind = file.label;
        if ((kind.rfind("cutInTheImageData", 0) == 0 || kind == "noIend") && boxes.Boxes().empty()) {
            // Cut inside its image data, the file still loads as far as it goes: a sprite.
            EXPECT_EQ(DrawOnto(4, 4, 0, 0, kPage)->Pixel(1, 1) & 0xFFFFFF, 0xC80A0Au);
            continue;
        }
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        const std::string& text = boxes.Boxes()[0].text;
        // "Неудача загрузки..." for a file that is there, "Ненайден файл..." for one that is not.
        const std::string expectedStart =
            file.written ? "\xCD\xE5\xF3\xE4\xE0\xF7\xE0" : "\xCD\xE5\xED\xE0\xE9\xE4\xE5\xED";
        EXPECT_EQ(text.substr(0, expectedStart.size()), expectedStart) << text;
        EXPECT_NE(text.find(bad + "\r\n"), std::string::npos) << text;
        EXPECT_EQ(DrawOnto(4, 4, 0, 0, kPage)->Pixel(1, 1) & 0xFFFFFF, 0xFAFAFAu) << "no sprite";
    }
}

// Sizes no resize can make leave the image exactly as it was.
TEST_F(Robustness, ResizeToImpossibleSizesChangesNothing) {
    LoadPng(scratch.Write("a.png", ImageA()));
    const Decoded a = Current();
    const std::pair<std::int32_t, std::int32_t> sizes[] = {{0, 0},
                                                           {0, 10},
                                                           {10, 0},
                                                           {-5, -5},
                                                           {-5, 10},
                                                           {10, -5},
                                                           {INT32_MIN, INT32_MIN},
                                                           {20000, 20000},
                                                           {65536, 1},
                                                           {1, 65536},
                                                           {INT32_MAX, INT32_MAX}};
    for (auto [w, h] : sizes) {
        Resize(w, h);
        const Decoded now = Current();
        EXPECT_EQ(now.width, a.width) << w << "x" << h;
        EXPECT_EQ(now.height, a.height) << w << "x" << h;
        EXPECT_EQ(now.rgba, a.rgba) << w << "x" << h;
    }
    Resize(1, 1);
    EXPECT_EQ(Current().width, 1);
    Resize(1, 1);
    Resize(30, 20);
    EXPECT_EQ(Current().height, 20) << "a 1 x 1 image still scales";
}

TEST_F(Robustness, ResizeOfAnEmptyImageChangesNothing) {
    Resize(100, 100);
    EXPECT_FALSE(Current().loaded);
    LoadPng(Write(BadFiles()[0]));
    Resize(100, 100);
    EXPECT_FALSE(Current().loaded);
    EXPECT_TRUE(PageUntouched());
}

// A long seeded run of random commands with random numbers and files, good and bad.
TEST_F(Robustness, RandomSessionSurvives) {
    const std::vector<std::string> files = {
        scratch.Write("a.png", ImageA()),
        scratch.Write("solid.png", SolidPng(7, 5, {40, 50, 60})),
        Write(BadFiles()[4]),
        Write(BadFiles()[6]),
        scratch.Path() + "missing.png",
        scratch.Path() + "a.png#" + scratch.Path() + "solid.png#",
        scratch.Path() + "a.png#" + scratch.Path() + "missing.png#",
        "",
        "#",
    };
    const std::vector<PluginDll::Command> commands = {dll.loadpng,    dll.restorepng,    dll.resizepng,
                                                      dll.loadalpha,  dll.setalphacolor, dll.shide,
                                                      dll.makesprite, dll.spriteanim,    dll.setcurframe};
    std::mt19937 random(2024);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    DibSurface surface(64, 48);
    for (int step = 0; step < 400; ++step) {
        switch (pick(4)) {
            case 0:
                dll.SetFile(files[pick(static_cast<int>(files.size()))].c_str());
                break;
            case 1:
                dll.SetData(pick(130) - 10);
                break;
            case 2:
                dll.Draw(surface.Dc(), pick(40) - 20, pick(40) - 20, pick(80) - 10, pick(80) - 10);
                break;
            default:
                commands[pick(static_cast<int>(commands.size()))]();
                break;
        }
        if (step % 50 == 0) PumpMessagesFor(10);
    }
    // Still fully working.
    dll.SetData(0);
    dll.spriteanim();
    LoadPng(files[0]);
    dll.SetData(0);
    dll.setalphacolor();
    auto drawn = DrawOnto(40, 30, 0, 0, kPage);
    EXPECT_EQ(drawn->Pixel(7, 3) & 0xFFFFFF, BlendOver(DecodeBytes(ImageA()).At(7, 3), kPage));
}

// The host's thread waits while loadpng runs: a file made of 80,000 empty chunks must cost
// about what an ordinary PNG of its size costs, not seconds.
TEST_F(Robustness, AFileOfEightyThousandChunksLoadsInTheTimeOfAnOrdinaryFileOfItsSize) {
    const Bytes chunks = ManyEmptyChunks(80'000);
    const std::string hostile = scratch.Write("chunks.png", chunks);
    const std::string ordinary = scratch.Write("ordinary.png", OrdinaryPngOfAtLeast(chunks.size()));
    auto fastestLoad = [&](const std::string& path) {
        double best = 1e9;
        for (int run = 0; run < 3; ++run) {
            const auto start = std::chrono::steady_clock::now();
            LoadPng(path);
            best = std::min(best,
                            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        }
        return best;
    };
    const double ordinarySeconds = fastestLoad(ordinary);
    const double hostileSeconds = fastestLoad(hostile);
    std::printf("loadpng of %zu bytes: 80,000 chunks %.1f ms, an ordinary file %.1f ms\n", chunks.size(),
                hostileSeconds * 1000, ordinarySeconds * 1000);
    EXPECT_LE(hostileSeconds, 3 * ordinarySeconds + 0.02)
        << hostileSeconds << " s for " << chunks.size() << " bytes of chunks, " << ordinarySeconds
        << " s for an ordinary file of that size";
    EXPECT_EQ(Current().width, 64) << "the image of the chunk file loaded";
}

}  // namespace
}  // namespace tevtest
