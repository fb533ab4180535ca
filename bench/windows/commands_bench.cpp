// Times the image commands through the exports under Wine, in one run:
// loadpng of a 1920x1080 RGBA file next to its two halves done by the core alone
// (PngImage::LoadFile, the decode, and SaveStream into memory, the backup
// encode), restorepng, resizepng 1920x1080 -> 960x540, and setcurframe + Draw of
// a sprite frame next to a Draw of the same picture as the current image and a
// decode of that frame's file (what a frame change would cost if it read its file).
// Google Benchmark has no mingw build here, so this is a plain median-of-runs timer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "median_timer.h"
#include "message_box_catcher.h"
#include "plugin_dll.h"
#include "png/png_image.h"
#include "png_builder.h"
#include "ui/memory_stream.h"

using namespace tevtest;

using tevbench::MedianMs;

namespace {

std::uint8_t Sample(int x, int y, int channel) {
    return static_cast<std::uint8_t>((x * (3 + channel) + y * (7 - channel) + ((x ^ y) & 31)) & 255);
}
std::uint8_t Alpha(int x, int y) { return static_cast<std::uint8_t>((x / 8 + y / 5) * 9 & 255); }

Bytes PhotoLikePng(int width, int height, int shift) {
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x)
            row.insert(row.end(), {Sample(x + shift, y, 0), Sample(x, y + shift, 1), Sample(x, y, 2),
                                   Alpha(x + shift, y)});
        rows.push_back(row);
    }
    return PngBytes::Start(width, height, 8, 6).Idat(Zlib(FilteredRows(rows))).Iend().bytes();
}

void WritePng(const std::string& path, const Bytes& png) {
    WriteFileBytes(path, std::string(png.begin(), png.end()));
}

// Median of `runs` timed calls of `work`, each after an untimed `prepare`.
void Row(const char* what, double ms) { std::printf("  %-52s %9.3f ms\n", what, ms); }

}  // namespace

int main() {
    PluginDll dll;
    if (!dll.Loaded()) {
        std::printf("cannot load %s\n", dll.Path().c_str());
        return 1;
    }
    MessageBoxCatcher boxes;  // none expected; never wait on one
    auto page = HostPage::ChildOfParent(320, 200);
    dll.SetParentWindow(page->Window());

    const std::string dir = TempDirectory();
    const std::string big = dir + "tevpng-commands-bench.png";
    WritePng(big, PhotoLikePng(1920, 1080, 0));
    constexpr int kFrameWidth = 640;
    constexpr int kFrameHeight = 480;
    std::string frames[3];
    std::string list;
    for (int i = 0; i < 3; ++i) {
        frames[i] = dir + "tevpng-commands-bench-frame" + std::to_string(i) + ".png";
        WritePng(frames[i], PhotoLikePng(kFrameWidth, kFrameHeight, 17 * i));
        list += frames[i] + "#";
    }

    constexpr int kRuns = 15;
    std::printf("median of %d runs under Wine\n", kRuns);
    std::printf("1920x1080 RGBA, %lu bytes:\n", static_cast<unsigned long>(ReadFileBytes(big).size()));

    dll.SetFile(big.c_str());
    const double loadpng = MedianMs(kRuns, [&] { dll.loadpng(); });
    tevpng::PngImage core;
    const double decode = MedianMs(kRuns, [&] { core.LoadFile(big); });
    tevpng::MemoryStream backup;
    const double encode = MedianMs(kRuns, [&] {
        backup.Seek(0, tevpng::SeekOrigin::Begin);
        core.SaveStream(backup);
    });
    Row("loadpng (decode + backup encode + label)", loadpng);
    Row("  core PngImage::LoadFile (decode)", decode);
    Row("  core PngImage::SaveStream to memory (backup encode)", encode);
    std::printf("  %-52s %9.3f\n", "  share of loadpng: decode", decode / loadpng);
    std::printf("  %-52s %9.3f\n", "  share of loadpng: backup encode", encode / loadpng);
    std::printf("  %-52s %9lu bytes\n", "  backup size", static_cast<unsigned long>(backup.Position()));

    dll.loadpng();
    Row("restorepng (decode of the backup)", MedianMs(kRuns, [&] { dll.restorepng(); }));
    Row("resizepng 1920x1080 -> 960x540", MedianMs(
                                              kRuns,
                                              [&] {
                                                  dll.restorepng();
                                                  dll.SetData(960);
                                                  dll.SetData(540);
                                              },
                                              [&] { dll.resizepng(); }));
    PumpMessagesFor(10);  // the WM_SIZE requests of restorepng

    std::printf("%dx%d RGBA sprite frames:\n", kFrameWidth, kFrameHeight);
    DibSurface target(kFrameWidth, kFrameHeight);
    target.Fill([](int x, int y) { return 0xFF000000u | (x * 0x10101u + y * 0x30001u); });
    dll.SetFile(frames[0].c_str());
    dll.loadpng();
    const double drawCurrent =
        MedianMs(kRuns * 4, [&] { dll.Draw(target.Dc(), 0, 0, kFrameWidth, kFrameHeight); });
    dll.SetFile(list.c_str());
    dll.SetData(3);
    dll.makesprite();
    dll.SetData(1);
    dll.spriteanim();
    for (const std::string& frame : frames) DeleteFileA(frame.c_str());  // no file left to read
    int frame = 0;
    const double frameChange = MedianMs(kRuns * 4, [&] {
        dll.SetData(frame = (frame + 1) % 3);
        dll.setcurframe();
        dll.Draw(target.Dc(), 0, 0, kFrameWidth, kFrameHeight);
    });
    WritePng(frames[0], PhotoLikePng(kFrameWidth, kFrameHeight, 0));
    tevpng::PngImage frameImage;
    const double frameDecode = MedianMs(kRuns, [&] { frameImage.LoadFile(frames[0]); });
    Row("setcurframe + Draw (frame files deleted)", frameChange);
    Row("Draw of the same picture as the current image", drawCurrent);
    Row("  core decode of one frame file, for comparison", frameDecode);
    std::printf("  %-52s %9.3f\n", "  ratio frame change / plain Draw", frameChange / drawCurrent);
    std::printf("message boxes: %zu\n", boxes.Boxes().size());

    DeleteFileA(big.c_str());
    DeleteFileA(frames[0].c_str());
    return 0;
}
