// Times the image commands through the exports under Wine, each beside the core decode of
// the same file (PngImage::LoadFile), as ratios: loadpng and restorepng of photographs with
// masks (gradients, soft shapes, sensor-like noise, a soft alpha vignette) and without, at
// 1920x1080 and 4096x4096, of an interface graphic and of a palette sprite with tRNS; then
// resizepng, and a sprite frame change against a plain Draw. The pictures are the tests'
// generated ones (tests/native/support/synthetic_images.h), so the native benchmarks
// measure the same bytes. Google Benchmark has no mingw build here, so this is a plain
// median-of-runs timer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_host.h"
#include "codec/png_image.h"
#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "median_timer.h"
#include "message_box_catcher.h"
#include "plugin_dll.h"
#include "synthetic_images.h"

using namespace tevtest;

using tevbench::MedianMs;

namespace {

void WritePng(const std::string& path, const Bytes& png) {
    WriteFileBytes(path, std::string(png.begin(), png.end()));
}

void Row(const std::string& what, double ms) { std::printf("  %-54s %9.3f ms\n", what.c_str(), ms); }
void Ratio(const std::string& what, double ratio) { std::printf("  %-54s %9.3f\n", what.c_str(), ratio); }

struct BenchFile {
    const char* name;
    Bytes png;
    int runs;
};

std::vector<BenchFile> Files() {
    std::vector<BenchFile> files;
    files.push_back({"photo RGBA 1920x1080", PhotoLikePng(1920, 1080, 4, 1), 9});
    files.push_back({"photo RGB 1920x1080", PhotoLikePng(1920, 1080, 3, 2), 9});
    files.push_back({"photo RGBA 4096x4096", PhotoLikePng(4096, 4096, 4, 3), 3});
    files.push_back({"photo RGB 4096x4096", PhotoLikePng(4096, 4096, 3, 4), 3});
    files.push_back({"interface graphic RGBA 1920x1080", EncodePicture(FlatGraphic(1920, 1080, 5)), 9});
    files.push_back({"palette sprite with tRNS 256x256", EncodePicture(PaletteSprite(256, 256, 6)), 25});
    return files;
}

// loadpng and restorepng of one file, each beside the core decode of that file.
void TimeLoadAndRestore(PluginDll& dll, const BenchFile& file, const std::string& path) {
    WritePng(path, file.png);
    std::printf("%s, %lu bytes:\n", file.name, static_cast<unsigned long>(file.png.size()));
    tevpng::PngImage core;
    const double decode = MedianMs(file.runs, [&] { core.LoadFile(path); });
    dll.SetFile(path.c_str());
    const double loadpng = MedianMs(file.runs, [&] { dll.loadpng(); });
    const double restorepng = MedianMs(file.runs, [&] { dll.restorepng(); });
    PumpMessagesFor(5);  // restorepng's WM_SIZE requests
    Row("core decode (PngImage::LoadFile)", decode);
    Row("loadpng", loadpng);
    Row("restorepng", restorepng);
    Ratio("loadpng / core decode", loadpng / decode);
    Ratio("restorepng / core decode", restorepng / decode);
}

}  // namespace

int main() {
    PluginDll dll;
    MessageBoxCatcher boxes;  // none expected; never wait on one
    const auto page = tevbench::BindToNewPage(dll);
    if (!page) return 1;

    const std::string dir = TempDirectory();
    const std::string path = dir + "tevpng-commands-bench.png";
    std::printf("median of runs under Wine (9 for 1920x1080, 3 for 4096x4096)\n");
    const std::vector<BenchFile> files = Files();
    for (const BenchFile& file : files) TimeLoadAndRestore(dll, file, path);

    std::printf("resizepng of the photo RGBA 1920x1080:\n");
    WritePng(path, files[0].png);
    dll.SetFile(path.c_str());
    dll.loadpng();
    Row("resizepng 1920x1080 -> 960x540", MedianMs(
                                              9,
                                              [&] {
                                                  dll.restorepng();
                                                  dll.SetData(960);
                                                  dll.SetData(540);
                                              },
                                              [&] { dll.resizepng(); }));
    PumpMessagesFor(10);

    constexpr int kFrameWidth = 640;
    constexpr int kFrameHeight = 480;
    std::string frames[3];
    std::string list;
    for (int i = 0; i < 3; ++i) {
        frames[i] = dir + "tevpng-commands-bench-frame" + std::to_string(i) + ".png";
        WritePng(frames[i], PhotoLikePng(kFrameWidth, kFrameHeight, 4, 10 + i));
        list += frames[i] + "#";
    }
    std::printf("%dx%d photo RGBA sprite frames:\n", kFrameWidth, kFrameHeight);
    DibSurface target(kFrameWidth, kFrameHeight);
    target.Fill([](int x, int y) { return 0xFF000000u | (x * 0x10101u + y * 0x30001u); });
    dll.SetFile(frames[0].c_str());
    dll.loadpng();
    const double drawCurrent = MedianMs(60, [&] { dll.Draw(target.Dc(), 0, 0, kFrameWidth, kFrameHeight); });
    dll.SetFile(list.c_str());
    dll.SetData(3);
    dll.makesprite();
    dll.SetData(1);
    dll.spriteanim();
    for (const std::string& frame : frames) DeleteFileA(frame.c_str());  // no file left to read
    int frame = 0;
    const double frameChange = MedianMs(60, [&] {
        dll.SetData(frame = (frame + 1) % 3);
        dll.setcurframe();
        dll.Draw(target.Dc(), 0, 0, kFrameWidth, kFrameHeight);
    });
    WritePng(frames[0], PhotoLikePng(kFrameWidth, kFrameHeight, 4, 10));
    tevpng::PngImage frameImage;
    const double frameDecode = MedianMs(15, [&] { frameImage.LoadFile(frames[0]); });
    Row("setcurframe + Draw (frame files deleted)", frameChange);
    Row("Draw of the same picture as the current image", drawCurrent);
    Row("core decode of one frame file, for comparison", frameDecode);
    Ratio("frame change / plain Draw", frameChange / drawCurrent);
    std::printf("message boxes: %zu\n", boxes.Boxes().size());

    DeleteFileA(path.c_str());
    DeleteFileA(frames[0].c_str());
    return 0;
}
