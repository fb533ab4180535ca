#pragma once

// The separable Lanczos resampler on plain byte rasters.
//
// The numbers are part of the contract: every weight, centre, scale and channel
// accumulator is a 32-bit float, rounded whenever it is stored, and each step
// accumulator + byte x weight is computed in double precision and then rounded to
// float. Native, 32-bit and 64-bit Windows builds give identical bytes.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

#include "scale/contributor.h"

namespace tevpng {

// sin(t) / t with t = pi x rounded to float (pi taken to 64 significant bits);
// 1 for x = 0. Sinc of a non-zero integer is therefore tiny but not 0.
float Sinc(float x);

// Sinc(x) x Sinc(x / 3) inside |x| < 3, else 0.
float Lanczos3Filter(float x);

using FilterFunction = float (*)(float);

// A filter kernel with its support: the kernel is 0 wherever |x| >= radius.
struct Filter {
    FilterFunction kernel = nullptr;
    float radius = 0.0f;
};

// The system's one filter.
inline constexpr Filter kLanczos3{Lanczos3Filter, 3.0f};

// The contributor lists of all target positions along one axis, stored back to back.
class ContributorLists {
public:
    std::int32_t Count() const { return static_cast<std::int32_t>(starts_.empty() ? 0 : starts_.size() - 1); }
    const Contributor* List(std::int32_t position) const { return pairs_.data() + starts_[position]; }
    std::int32_t Length(std::int32_t position) const {
        return static_cast<std::int32_t>(starts_[position + 1] - starts_[position]);
    }

private:
    friend bool BuildContributorLists(float, Filter, std::int32_t, std::int32_t, ContributorLists&);
    std::vector<Contributor> pairs_;
    std::vector<std::size_t> starts_;
};

// The scale factor of one axis: (target - 1) / (source - 1), or target / source when
// either length is 1 (a single target pixel would otherwise give the scale 0).
float AxisScale(std::int32_t sourceLength, std::int32_t targetLength);

// Maps any integer position onto 0..length-1 by mirroring at the edges: -j for j < 0,
// 2 length - j - 1 for j >= length, repeated until the index is inside (sources of one
// or two pixels need more than one reflection).
std::int32_t ReflectIndex(std::int64_t position, std::int32_t length);

// Builds the lists for target positions 0..targetLength-1. Each list holds, in
// increasing order of the unreflected source position, the pairs whose weight is not
// 0. False when the lists cannot be allocated (the lists are then left empty).
bool BuildContributorLists(float scale, Filter filter, std::int32_t sourceLength, std::int32_t targetLength,
                           ContributorLists& lists);

// A top-down raster: `channels` bytes per pixel (1, or 3 holding blue, green, red),
// rows `stride` bytes apart. A stride of 0 repeats one row over the whole height.
struct ConstRasterView {
    const std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t channels = 3;
    std::ptrdiff_t stride = 0;

    const std::uint8_t* Row(std::int32_t y) const { return pixels + y * stride; }
};

struct RasterView {
    std::uint8_t* pixels = nullptr;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t channels = 3;
    std::ptrdiff_t stride = 0;

    std::uint8_t* Row(std::int32_t y) const { return pixels + y * stride; }
    operator ConstRasterView() const { return {pixels, width, height, channels, stride}; }
};

// A tightly packed raster that owns its bytes.
class RasterBuffer {
public:
    RasterBuffer() = default;
    // False (and an empty buffer) when the bytes cannot be allocated.
    bool Allocate(std::int32_t width, std::int32_t height, std::int32_t channels);

    RasterView View() const { return {bytes_.get(), width_, height_, channels_, stride_}; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }

private:
    std::unique_ptr<std::uint8_t[]> bytes_;
    std::int32_t width_ = 0;
    std::int32_t height_ = 0;
    std::int32_t channels_ = 3;
    std::ptrdiff_t stride_ = 0;
};

// What Stretch reports instead of raising an error.
class StretchResult {
public:
    enum class Code : std::uint8_t {
        Ok,
        SourceTooSmall,  // source width or height below 1
        TargetTooSmall,  // target width or height below 1
        OutOfMemory,     // the intermediate raster or the lists could not be allocated
        InvalidRaster,   // channel counts differ or are not 1 or 3, or a row does not fit its stride
    };

    constexpr StretchResult(Code code = Code::Ok) : code_(code) {}
    constexpr Code code() const { return code_; }
    constexpr bool Ok() const { return code_ == Code::Ok; }
    constexpr explicit operator bool() const { return Ok(); }
    // The error text; "Source bitmap too small" for SourceTooSmall, "" for Ok.
    const char* Message() const;

private:
    Code code_;
};

// Resamples `source` into `target` (already of the target size, same channel count):
// a horizontal pass into an intermediate raster (target width x source height), then
// a vertical pass. The target is written only when the result is Ok.
StretchResult Stretch(ConstRasterView source, RasterView target, Filter filter);

// Resamples a colour raster (3 channels) and its alpha raster (1 channel, same size)
// with kLanczos3 into targets of one size, colour and alpha sharing one set of contributor
// lists: what resizing an image does. Without an alpha (null `alpha.pixels` and
// `alphaTarget.pixels`) only the colour is resampled. On failure the targets may be
// partly written.
StretchResult ResampleColorAndAlpha(ConstRasterView color, ConstRasterView alpha, RasterView colorTarget,
                                    RasterView alphaTarget);

// The colour and alpha of a resized image.
struct ResampledImage {
    RasterBuffer color;  // 3 channels: blue, green, red
    RasterBuffer alpha;  // 1 channel
};

// The same into new rasters of width x height. A null `alpha.pixels` stands for an alpha
// of 255 everywhere, which is then resampled like a real alpha plane. `out` is replaced
// only when the result is Ok.
StretchResult ResampleColorAndAlpha(ConstRasterView color, ConstRasterView alpha, std::int32_t width,
                                    std::int32_t height, ResampledImage& out);

}  // namespace tevpng
