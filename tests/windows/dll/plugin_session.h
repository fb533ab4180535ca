#pragma once
// What the command, sprite, display-window and scenario tests share: test PNGs,
// a plug-in bound to a host page, and the three ways a test sees the plug-in's
// image: the file savescaled writes, the pixels Draw paints, and the pixels of
// the display window.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "codec/png_image.h"
#include "dib_pixels.h"
#include "dib_surface.h"
#include "files.h"
#include "host_page.h"
#include "io/memory_stream.h"
#include "message_box_catcher.h"
#include "plugin_dll.h"
#include "png_builder.h"
#include "thread_windows.h"

namespace tevtest {

// Messages the display window takes besides the system's own.
constexpr UINT kCaptureMessage = 0x50E;
constexpr UINT kReloadSettingsMessage = 0x50F;

struct Rgb {
    std::uint8_t r, g, b;
};
// As a 32-bit DIB pixel without its fourth byte.
inline std::uint32_t Xrgb(Rgb c) { return static_cast<std::uint32_t>(c.r) << 16 | c.g << 8 | c.b; }

using RgbaPixel = std::array<std::uint8_t, 4>;

// Every channel, alpha included, changes from pixel to pixel, so a misplaced row or
// column shows.
inline RgbaPixel GradientPixel(int x, int y) {
    return {static_cast<std::uint8_t>(x * 9 + 20), static_cast<std::uint8_t>(y * 13 + 40),
            static_cast<std::uint8_t>((x ^ y) * 5 + 60), static_cast<std::uint8_t>(x * 17 + y * 3 + 1)};
}

// 8-bit RGB with alpha (colour type 6), pixel by pixel.
inline Bytes RgbaPng(int width, int height, const std::function<RgbaPixel(int x, int y)>& pixel) {
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            const RgbaPixel p = pixel(x, y);
            row.insert(row.end(), p.begin(), p.end());
        }
        rows.push_back(row);
    }
    return PngBytes::Start(width, height, 8, 6).Idat(Zlib(FilteredRows(rows))).Iend().bytes();
}

// 8-bit RGB (colour type 2), pixel by pixel: drawn through the colour key.
inline Bytes RgbPng(int width, int height, const std::function<Rgb(int x, int y)>& pixel) {
    std::vector<Bytes> rows;
    for (int y = 0; y < height; ++y) {
        Bytes row;
        for (int x = 0; x < width; ++x) {
            const Rgb p = pixel(x, y);
            row.insert(row.end(), {p.r, p.g, p.b});
        }
        rows.push_back(row);
    }
    return PngBytes::Start(width, height, 8, 2).Idat(Zlib(FilteredRows(rows))).Iend().bytes();
}

// One colour: unless it is black (the default key), drawn as exactly that colour.
inline Bytes SolidPng(int width, int height, Rgb colour) {
    return RgbPng(width, height, [&](int, int) { return colour; });
}

// What Draw makes of pixel `s` over the page pixel `d` (0xXXRRGGBB), fourth byte dropped.
inline std::uint32_t BlendOver(const RgbaPixel& s, std::uint32_t d) {
    auto channel = [&](int c, int shift) {
        const std::uint32_t dv = (d >> shift) & 255;
        return ((s[c] * s[3] + (255u - s[3]) * dv + 255) >> 8) << shift;
    };
    return channel(0, 16) | channel(1, 8) | channel(2, 0);
}

inline std::string AsString(const Bytes& bytes) { return std::string(bytes.begin(), bytes.end()); }

// A PNG as the plug-in's own reader decodes it.
struct Decoded {
    bool loaded = false;
    int width = 0;
    int height = 0;
    std::vector<std::uint8_t> rgba;  // top row first
    RgbaPixel At(int x, int y) const {
        const std::size_t i = (static_cast<std::size_t>(y) * width + x) * 4;
        return {rgba[i], rgba[i + 1], rgba[i + 2], rgba[i + 3]};
    }
};

inline Decoded DecodedImage(tevpng::PngImage& image, bool loaded) {
    Decoded decoded;
    const tevpng::HeaderChunk* header = image.ImageHeader();
    decoded.loaded = loaded && header && header->PixelBits();
    if (!decoded.loaded) return decoded;
    decoded.width = header->Width;
    decoded.height = header->Height;
    decoded.rgba = DibToRgba(*header);
    return decoded;
}

inline Decoded DecodeFile(const std::string& path) {
    tevpng::PngImage image;
    const bool loaded = image.LoadFile(path);
    return DecodedImage(image, loaded);
}

inline Decoded DecodeBytes(const Bytes& png) {
    tevpng::PngImage image;
    tevpng::MemoryStream stream(png.data(), png.size());
    const bool loaded = image.LoadStream(stream);
    return DecodedImage(image, loaded);
}

// A directory of its own under the temporary directory; its files go with it.
class ScratchDirectory {
public:
    explicit ScratchDirectory(const std::string& name) : path_(TempDirectory() + name + "\\") {
        CreateDirectoryA(path_.c_str(), nullptr);
    }
    ~ScratchDirectory() {
        for (const std::string& file : files_) RemoveFile(file);
        for (auto it = directories_.rbegin(); it != directories_.rend(); ++it) RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(path_.c_str());
    }
    ScratchDirectory(const ScratchDirectory&) = delete;
    ScratchDirectory& operator=(const ScratchDirectory&) = delete;

    const std::string& Path() const { return path_; }
    // The full name of a file here (removed at the end whether or not it was made).
    std::string Name(const std::string& name) {
        files_.push_back(path_ + name);
        return files_.back();
    }
    std::string Write(const std::string& name, const std::string& bytes) {
        const std::string path = Name(name);
        WriteFileBytes(path, bytes);
        return path;
    }
    std::string Write(const std::string& name, const Bytes& png) { return Write(name, AsString(png)); }
    std::string Directory(const std::string& name) {
        directories_.push_back(path_ + name);
        CreateDirectoryA(directories_.back().c_str(), nullptr);
        return directories_.back();
    }

private:
    std::string path_;
    std::vector<std::string> files_;
    std::vector<std::string> directories_;
};

// The WM_SIZE messages with both parameters 0 the page got: restorepng's requests
// for a new layout (the system's own WM_SIZE carries the size).
inline size_t LayoutRequests(const HostPage& page) {
    size_t count = 0;
    for (const ReceivedMessage& m : page.ReceivedOf(WM_SIZE))
        if (m.wParam == 0 && m.lParam == 0) ++count;
    return count;
}

// The client area of a shown window as the screen has it, read through its DC.
inline std::unique_ptr<DibSurface> WindowPixels(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    auto pixels = std::make_unique<DibSurface>(client.right, client.bottom);
    HDC dc = GetDC(window);
    BitBlt(pixels->Dc(), 0, 0, client.right, client.bottom, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    return pixels;
}

// The plug-in's display window: the one "Form" of this thread outside the settings dialog.
inline HWND DisplayForm() {
    HWND found = nullptr;
    for (HWND form : ThreadWindows("Form"))
        if (TextOf(form) != "Form2") found = form;
    return found;
}

// A static control of `form` by its top-left corner in the form's client area.
inline HWND LabelAt(HWND form, int left, int top) {
    for (HWND label : ThreadWindows("Static")) {
        if (GetParent(label) != form) continue;
        RECT rect{};
        GetWindowRect(label, &rect);
        MapWindowPoints(HWND_DESKTOP, form, reinterpret_cast<POINT*>(&rect), 2);
        if (rect.left == left && rect.top == top) return label;
    }
    return nullptr;
}

// A plug-in loaded and bound to a host page that is a child of a parent window,
// with no settings file around (the hotspot off), every message box caught, and
// a scratch directory for the test's files.
class PluginSession : public testing::Test {
protected:
    PluginSession() { RemoveSettingsFiles(); }
    ~PluginSession() override { RemoveSettingsFiles(); }

    void SetUp() override {
        ASSERT_TRUE(dll.Loaded());
        dll.SetParentWindow(page->Window());
        ASSERT_NE(DisplayForm(), nullptr);
    }

    static std::string TempIni() { return TempDirectory() + "tevpng.ini"; }
    static std::string HostIni() { return PluginDll::TestProgramDirectory() + "tevpng.ini"; }
    static void RemoveSettingsFiles() {
        RemoveFile(TempIni());
        RemoveFile(HostIni());
    }
    // The settings file an embedded page reads, as the dialog writes it.
    static void WriteSettings(const std::string& hot, bool useHot) {
        WriteFileBytes(TempIni(),
                       "[setting]\r\nusehot=" + std::string(useHot ? "1" : "0") + "\r\nhot=" + hot + "\r\n");
    }

    void Push(std::initializer_list<std::int32_t> numbers) {
        for (std::int32_t n : numbers) dll.SetData(n);
    }
    void LoadPng(const std::string& path) {
        dll.SetFile(path.c_str());
        dll.loadpng();
    }
    void Resize(std::int32_t width, std::int32_t height) {
        Push({width, height});
        dll.resizepng();
    }

    // The current image as savescaled writes it, decoded again. Forgets the
    // message boxes caught so far (savescaled shows one).
    Decoded Current() {
        const std::string path = scratch.Name("current.png");
        RemoveFile(path);
        dll.SetFile(path.c_str());
        dll.savescaled();
        boxes.Clear();
        return DecodeFile(path);
    }

    // Draws at (x, y) with generous limits onto a fresh surface of `background`
    // and returns the surface.
    std::unique_ptr<DibSurface> DrawOnto(int width, int height, int x, int y, std::uint32_t background) {
        auto surface = std::make_unique<DibSurface>(width, height);
        surface->Fill([&](int, int) { return background; });
        dll.Draw(surface->Dc(), x, y, width, height);
        return surface;
    }

    PluginDll dll;
    MessageBoxCatcher boxes;
    std::unique_ptr<HostPage> page = HostPage::ChildOfParent();
    ScratchDirectory scratch{"tevpng-session"};
};

}  // namespace tevtest
