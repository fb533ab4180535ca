#include "libpng_reference.h"

#include <filesystem>

#include <algorithm>

#include <png.h>

#include <cstring>
#include <fstream>
#include <iterator>

namespace tevtest {

namespace {

struct MemoryReader {
    const std::vector<std::uint8_t>* bytes;
    std::size_t position = 0;
};

void ReadFromMemory(png_structp png, png_bytep out, png_size_t count) {
    auto* reader = static_cast<MemoryReader*>(png_get_io_ptr(png));
    if (reader->position + count > reader->bytes->size()) png_error(png, "read past the end");
    std::memcpy(out, reader->bytes->data() + reader->position, count);
    reader->position += count;
}

void WriteToMemory(png_structp png, png_bytep data, png_size_t count) {
    auto* out = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(png));
    out->insert(out->end(), data, data + count);
}

void FlushNothing(png_structp) {}

}  // namespace

std::optional<ReferenceImage> DecodeWithLibpng(const std::vector<std::uint8_t>& bytes) {
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    ReferenceImage image;
    MemoryReader reader{&bytes};
    std::vector<png_bytep> rowPointers;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return std::nullopt;
    }
    png_set_read_fn(png, &reader, ReadFromMemory);
    png_read_info(png, info);
    image.width = static_cast<int>(png_get_image_width(png, info));
    image.height = static_cast<int>(png_get_image_height(png, info));
    image.colorType = png_get_color_type(png, info);
    image.bitDepth = png_get_bit_depth(png, info);
    png_fixed_point gamma = 0;
    if (png_get_gAMA_fixed(png, info, &gamma)) image.gamma = static_cast<std::uint32_t>(gamma);
    png_colorp palette = nullptr;
    int entries = 0;
    if (png_get_PLTE(png, info, &palette, &entries)) {
        for (int i = 0; i < entries; ++i) image.palette.insert(image.palette.end(), {palette[i].red, palette[i].green, palette[i].blue});
    }
    png_set_strip_16(png);
    png_set_packing(png);
    png_set_interlace_handling(png);
    png_read_update_info(png, info);
    image.channels = png_get_channels(png, info);
    const std::size_t rowBytes = png_get_rowbytes(png, info);
    image.samples.resize(rowBytes * image.height);
    for (int y = 0; y < image.height; ++y) rowPointers.push_back(image.samples.data() + rowBytes * y);
    png_read_image(png, rowPointers.data());
    png_read_end(png, nullptr);
    png_destroy_read_struct(&png, &info, nullptr);
    return image;
}

std::vector<std::uint8_t> EncodeWithLibpng(const ReferenceEncoding& image) {
    std::vector<std::uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return {};
    }
    png_set_write_fn(png, &out, WriteToMemory, FlushNothing);
    png_set_IHDR(png, info, image.width, image.height, image.bitDepth, image.colorType,
                 image.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (image.gamma) png_set_gAMA_fixed(png, info, static_cast<png_fixed_point>(*image.gamma));
    std::vector<png_color> palette;
    for (std::size_t i = 0; i + 2 < image.palette.size(); i += 3) {
        palette.push_back({image.palette[i], image.palette[i + 1], image.palette[i + 2]});
    }
    if (!palette.empty()) png_set_PLTE(png, info, palette.data(), static_cast<int>(palette.size()));
    png_write_info(png, info);
    const std::size_t rowBytes = image.rows.size() / image.height;
    std::vector<png_bytep> rows;
    for (int y = 0; y < image.height; ++y) rows.push_back(const_cast<png_bytep>(image.rows.data() + rowBytes * y));
    png_write_image(png, rows.data());
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return out;
}

std::vector<std::uint8_t> ReadFileBytes(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

std::vector<std::uint8_t> ReferenceRgba(const ReferenceImage& ref, const GammaTable& gamma, bool greyThroughGamma) {
    std::vector<std::uint8_t> rgba;
    const int maxGrey = ref.bitDepth >= 8 ? 255 : (1 << ref.bitDepth) - 1;
    const std::size_t rowBytes = ref.samples.size() / ref.height;
    for (int y = 0; y < ref.height; ++y) {
        for (int x = 0; x < ref.width; ++x) {
            const std::uint8_t* s = ref.samples.data() + rowBytes * y + static_cast<std::size_t>(x) * ref.channels;
            std::uint8_t r = 0, g = 0, b = 0, a = 255;
            switch (ref.colorType) {
                case 0:
                case 4: {
                    const auto grey = static_cast<std::uint8_t>(s[0] * 255 / maxGrey);
                    r = g = b = greyThroughGamma ? gamma[grey] : grey;
                    if (ref.colorType == 4) a = s[1];
                    break;
                }
                case 2:
                case 6:
                    r = gamma[s[0]], g = gamma[s[1]], b = gamma[s[2]];
                    if (ref.colorType == 6) a = s[3];
                    break;
                case 3:
                    if (3u * s[0] + 2 < ref.palette.size()) {
                        r = gamma[ref.palette[3 * s[0]]];
                        g = gamma[ref.palette[3 * s[0] + 1]];
                        b = gamma[ref.palette[3 * s[0] + 2]];
                    }
                    break;
            }
            rgba.insert(rgba.end(), {r, g, b, a});
        }
    }
    return rgba;
}

std::vector<std::string> PngSuiteFiles(const std::string& directory, bool broken) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(directory)) {
        const std::string name = entry.path().filename().string();
        if (entry.path().extension() == ".png" && (name[0] == 'x') == broken) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace tevtest
