// Times one whole Draw of a 1920x1080 RGBA image against GDI's own AlphaBlend
// of the same (premultiplied) image onto the same DC, in one run under Wine.
// Google Benchmark has no mingw build here, so this is a plain median-of-runs timer.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bench_host.h"
#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "median_timer.h"
#include "plugin_dll.h"
#include "png_builder.h"

using namespace tevtest;
using tevbench::MedianMs;

namespace {

constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kRuns = 40;

std::uint8_t Sample(int x, int y, int channel) {
    return static_cast<std::uint8_t>((x * (3 + channel) + y * (7 - channel) + ((x ^ y) & 31)) & 255);
}
std::uint8_t Alpha(int x, int y) { return static_cast<std::uint8_t>((x / 8 + y / 5) * 9 & 255); }

Bytes PhotoLikePng() {
    std::vector<Bytes> rows;
    for (int y = 0; y < kHeight; ++y) {
        Bytes row;
        for (int x = 0; x < kWidth; ++x)
            row.insert(row.end(), {Sample(x, y, 0), Sample(x, y, 1), Sample(x, y, 2), Alpha(x, y)});
        rows.push_back(row);
    }
    return PngBytes::Start(kWidth, kHeight, 8, 6).Idat(Zlib(FilteredRows(rows), 1)).Iend().bytes();
}

}  // namespace

int main() {
    PluginDll dll;
    const auto page = tevbench::BindToNewPage(dll);
    if (!page) return 1;
    const std::string path = TempDirectory() + "tevpng-draw-bench.png";
    const Bytes png = PhotoLikePng();
    WriteFileBytes(path, std::string(png.begin(), png.end()));
    dll.SetFile(path.c_str());
    dll.loadpng();

    DibSurface target(kWidth, kHeight);
    target.Fill([](int x, int y) { return 0xFF000000u | (x * 0x10101u + y * 0x30001u); });

    // The same picture as a premultiplied 32-bit DIB section for AlphaBlend.
    DibSurface source(kWidth, kHeight);
    source.Fill([](int x, int y) {
        const unsigned a = Alpha(x, y);
        auto pre = [&](int channel) { return (Sample(x, y, channel) * a + 127) / 255; };
        return a << 24 | pre(0) << 16 | pre(1) << 8 | pre(2);
    });
    const BLENDFUNCTION blend{AC_SRC_OVER, 0, 255, AC_SRC_ALPHA};

    const double draw = MedianMs(kRuns, [&] { dll.Draw(target.Dc(), 0, 0, kWidth, kHeight); });
    const double alphaBlend = MedianMs(kRuns, [&] {
        AlphaBlend(target.Dc(), 0, 0, kWidth, kHeight, source.Dc(), 0, 0, kWidth, kHeight, blend);
    });
    std::printf("1920x1080 RGBA, median of %d runs under Wine:\n", kRuns);
    std::printf("  Draw (capture, blend, write back)  %8.3f ms\n", draw);
    std::printf("  GDI AlphaBlend (premultiplied)      %8.3f ms\n", alphaBlend);
    std::printf("  ratio Draw / AlphaBlend             %8.3f\n", draw / alphaBlend);
    DeleteFileA(path.c_str());
    return 0;
}
