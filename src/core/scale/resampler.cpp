#include "scale/resampler.h"

#include <algorithm>
#include <cmath>
#include <new>
#include <stdexcept>

#include "base/floating_point.h"
#include "scale/exact_sine.h"
#include "scale/resample_passes.h"
#include "scale/weighted_sum.h"

namespace tevpng {
namespace {

// Lists are refused beyond this many pairs in all (2 GiB of pairs): such a list could
// not be allocated anyway, and below it every position fits in 32 bits.
constexpr std::uint64_t MaxContributors = std::uint64_t{1} << 28;

// floor and ceil for |v| < 2^30. Only 32-bit conversions: libm and 64-bit integer
// conversions would run on the x87 unit in a 32-bit build.
std::int32_t Floor(double v) {
    const auto t = static_cast<std::int32_t>(v);
    return static_cast<double>(t) > v ? t - 1 : t;
}
std::int32_t Ceil(double v) {
    const auto t = static_cast<std::int32_t>(v);
    return static_cast<double>(t) < v ? t + 1 : t;
}

float ToFloat(double v) { return static_cast<float>(v); }

bool ValidView(const std::uint8_t* pixels, std::int32_t width, std::int32_t channels, std::ptrdiff_t stride,
               bool sharedRowAllowed) {
    if (pixels == nullptr || (channels != 1 && channels != 3)) return false;
    const std::ptrdiff_t rowBytes = static_cast<std::ptrdiff_t>(width) * channels;
    if (stride == 0) return sharedRowAllowed;
    return (stride < 0 ? -stride : stride) >= rowBytes;
}

}  // namespace

// ---- filter ----

float Sinc(float x) {
    if (x == 0.0f) return 1.0f;
    // Below this, 1 - t^2/6 already rounds to 1 in float.
    if (std::fabs(x) < 0x1p-20f) return 1.0f;
    const float t = detail::PiTimes(x);
    if (std::isinf(t)) return 0.0f;
    return ToFloat(detail::Sine(t) / static_cast<double>(t));
}

float Lanczos3Filter(float x) {
    x = std::fabs(x);
    if (x >= 3.0f) return 0.0f;
    const float third = ToFloat(static_cast<double>(x) / 3.0);
    return ToFloat(static_cast<double>(Sinc(x)) * static_cast<double>(Sinc(third)));
}

// ---- contributor lists ----

float AxisScale(std::int32_t sourceLength, std::int32_t targetLength) {
    if (sourceLength == 1 || targetLength == 1) {
        return ToFloat(static_cast<double>(targetLength) / static_cast<double>(sourceLength));
    }
    return ToFloat(static_cast<double>(targetLength - 1) / static_cast<double>(sourceLength - 1));
}

std::int32_t ReflectIndex(std::int64_t position, std::int32_t length) {
    if (position >= 0 && position < length) return static_cast<std::int32_t>(position);
    // -j, then 2 length - j - 1, alternately: together a period of 2 length - 1.
    const std::int64_t period = 2 * std::int64_t{length} - 1;
    std::int64_t p = (position < 0 ? -position : position) % period;
    if (p >= length) p = period - p;
    return static_cast<std::int32_t>(p);
}

bool BuildContributorLists(float scale, Filter filter, std::int32_t sourceLength, std::int32_t targetLength,
                           ContributorLists& lists) {
    lists.pairs_.clear();
    lists.starts_.clear();
    const float radius = filter.radius;
    const FilterFunction kernel = filter.kernel;
    if (sourceLength < 1 || targetLength < 1 || !(scale > 0.0f) || !(radius >= 0.0f) || kernel == nullptr) {
        return false;
    }
    FloatingPointGuard floatingPoint(FloatingPointGuard::Track::No);
    const double s = scale;
    const bool shrinking = scale < 1.0f;
    // When shrinking, the filter is stretched by 1/scale and its values divided by it.
    const float reach = shrinking ? ToFloat(static_cast<double>(radius) / s) : radius;
    const float fscale = shrinking ? ToFloat(1.0 / s) : 1.0f;
    const double lastCentre = static_cast<double>(targetLength) / s;
    if (!(reach < 0x1p29f) || !(lastCentre + reach < 0x1p30)) return false;

    // At most 2 reach + 3 positions per list.
    const std::uint64_t perList = static_cast<std::uint32_t>(static_cast<std::int32_t>(2.0f * reach)) + 3u;
    if (perList > MaxContributors / static_cast<std::uint64_t>(targetLength)) return false;
    try {
        lists.pairs_.reserve(static_cast<std::size_t>(perList * static_cast<std::uint64_t>(targetLength)));
        lists.starts_.reserve(static_cast<std::size_t>(targetLength) + 1);
    } catch (const std::bad_alloc&) {
        lists.pairs_ = {};
        lists.starts_ = {};
        return false;
    } catch (const std::length_error&) {
        lists.pairs_ = {};
        lists.starts_ = {};
        return false;
    }

    for (std::int32_t i = 0; i < targetLength; ++i) {
        lists.starts_.push_back(lists.pairs_.size());
        const float centre = ToFloat(static_cast<double>(i) / s);
        const std::int32_t first = Floor(static_cast<double>(centre) - reach);
        const std::int32_t last = Ceil(static_cast<double>(centre) + reach);
        for (std::int32_t j = first; j <= last; ++j) {
            const double offset = static_cast<double>(centre) - static_cast<double>(j);
            const float weight = shrinking
                                     ? ToFloat(static_cast<double>(kernel(ToFloat(offset / fscale))) / fscale)
                                     : kernel(ToFloat(offset));
            if (weight == 0.0f) continue;
            lists.pairs_.push_back({ReflectIndex(j, sourceLength), weight});
        }
    }
    lists.starts_.push_back(lists.pairs_.size());
    return true;
}

// ---- rasters ----

bool RasterBuffer::Allocate(std::int32_t width, std::int32_t height, std::int32_t channels) {
    bytes_.reset();
    width_ = height_ = 0;
    stride_ = 0;
    const std::size_t size = detail::BufferBytes(std::int64_t{width} * channels, height);
    if (size == 0) return false;
    bytes_.reset(new (std::nothrow) std::uint8_t[size]);
    if (!bytes_) return false;
    width_ = width;
    height_ = height;
    channels_ = channels;
    stride_ = static_cast<std::ptrdiff_t>(width) * channels;
    return true;
}

const char* StretchResult::Message() const {
    switch (code_) {
        case Code::Ok:
            return "";
        case Code::SourceTooSmall:
            return "Source bitmap too small";
        case Code::TargetTooSmall:
            return "Target bitmap too small";
        case Code::OutOfMemory:
            return "Out of memory";
        case Code::InvalidRaster:
            return "Invalid bitmap";
    }
    return "";
}

// ---- the two passes ----

namespace {

struct StretchPlan {
    ContributorLists horizontal;
    ContributorLists vertical;
    bool sameLists = false;  // both axes resample alike: the vertical lists are the horizontal ones

    const ContributorLists& Vertical() const { return sameLists ? horizontal : vertical; }
};

StretchResult CheckSizes(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t targetWidth,
                         std::int32_t targetHeight) {
    if (sourceWidth < 1 || sourceHeight < 1) return StretchResult::Code::SourceTooSmall;
    if (targetWidth < 1 || targetHeight < 1) return StretchResult::Code::TargetTooSmall;
    return StretchResult::Code::Ok;
}

StretchResult MakePlan(std::int32_t sourceWidth, std::int32_t sourceHeight, std::int32_t targetWidth,
                       std::int32_t targetHeight, Filter filter, StretchPlan& plan) {
    if (filter.kernel == nullptr || !(filter.radius >= 0.0f)) return StretchResult::Code::InvalidRaster;
    plan.sameLists = sourceWidth == sourceHeight && targetWidth == targetHeight;
    if (!BuildContributorLists(AxisScale(sourceWidth, targetWidth), filter, sourceWidth, targetWidth,
                               plan.horizontal) ||
        (!plan.sameLists && !BuildContributorLists(AxisScale(sourceHeight, targetHeight), filter,
                                                   sourceHeight, targetHeight, plan.vertical))) {
        return StretchResult::Code::OutOfMemory;
    }
    return StretchResult::Code::Ok;
}

StretchResult RunPlan(const detail::Kernels& kernels, const StretchPlan& plan, ConstRasterView source,
                      RasterView target) {
    if (!detail::RunPasses(kernels, plan.horizontal, plan.Vertical(), source, target)) {
        return StretchResult::Code::OutOfMemory;
    }
    return StretchResult::Code::Ok;
}

StretchResult CheckViews(ConstRasterView source, RasterView target) {
    if (!ValidView(source.pixels, source.width, source.channels, source.stride, true) ||
        !ValidView(target.pixels, target.width, target.channels, target.stride, false) ||
        source.channels != target.channels) {
        return StretchResult::Code::InvalidRaster;
    }
    return StretchResult::Code::Ok;
}

}  // namespace

namespace detail {

StretchResult StretchWith(SimdLevel level, ConstRasterView source, RasterView target, Filter filter) {
    StretchResult result = CheckSizes(source.width, source.height, target.width, target.height);
    if (result.Ok()) result = CheckViews(source, target);
    if (!result.Ok()) return result;
    FloatingPointGuard floatingPoint(FloatingPointGuard::Track::No);
    StretchPlan plan;
    result = MakePlan(source.width, source.height, target.width, target.height, filter, plan);
    if (!result.Ok()) return result;
    return RunPlan(KernelsFor(level), plan, source, target);
}

StretchResult ResampleColorAndAlphaWith(SimdLevel level, ConstRasterView color, ConstRasterView alpha,
                                        RasterView colorTarget, RasterView alphaTarget) {
    StretchResult result = CheckSizes(color.width, color.height, colorTarget.width, colorTarget.height);
    if (!result.Ok()) return result;
    const bool withAlpha = alpha.pixels != nullptr || alphaTarget.pixels != nullptr;
    if (color.channels != 3 ||
        (withAlpha && (alpha.channels != 1 || alpha.width != color.width || alpha.height != color.height ||
                       alphaTarget.width != colorTarget.width || alphaTarget.height != colorTarget.height))) {
        return StretchResult::Code::InvalidRaster;
    }
    result = CheckViews(color, colorTarget);
    if (result.Ok() && withAlpha) result = CheckViews(alpha, alphaTarget);
    if (!result.Ok()) return result;

    FloatingPointGuard floatingPoint(FloatingPointGuard::Track::No);
    StretchPlan plan;
    result = MakePlan(color.width, color.height, colorTarget.width, colorTarget.height, kLanczos3, plan);
    const Kernels kernels = KernelsFor(level);
    if (result.Ok()) result = RunPlan(kernels, plan, color, colorTarget);
    if (result.Ok() && withAlpha) result = RunPlan(kernels, plan, alpha, alphaTarget);
    return result;
}

StretchResult ResampleColorAndAlphaWith(SimdLevel level, ConstRasterView color, ConstRasterView alpha,
                                        std::int32_t width, std::int32_t height, ResampledImage& out) {
    StretchResult result = CheckSizes(color.width, color.height, width, height);
    if (!result.Ok()) return result;
    std::unique_ptr<std::uint8_t[]> opaqueRow;
    if (alpha.pixels == nullptr) {
        opaqueRow.reset(new (std::nothrow) std::uint8_t[static_cast<std::size_t>(color.width)]);
        if (!opaqueRow) return StretchResult::Code::OutOfMemory;
        std::fill_n(opaqueRow.get(), color.width, std::uint8_t{255});
        alpha = {opaqueRow.get(), color.width, color.height, 1, 0};
    }
    ResampledImage resized;
    if (!resized.color.Allocate(width, height, 3) || !resized.alpha.Allocate(width, height, 1)) {
        return StretchResult::Code::OutOfMemory;
    }
    result = ResampleColorAndAlphaWith(level, color, alpha, resized.color.View(), resized.alpha.View());
    if (result.Ok()) out = std::move(resized);
    return result;
}

}  // namespace detail

StretchResult Stretch(ConstRasterView source, RasterView target, Filter filter) {
    return detail::StretchWith(detail::BestSimdLevel(), source, target, filter);
}

StretchResult ResampleColorAndAlpha(ConstRasterView color, ConstRasterView alpha, RasterView colorTarget,
                                    RasterView alphaTarget) {
    return detail::ResampleColorAndAlphaWith(detail::BestSimdLevel(), color, alpha, colorTarget, alphaTarget);
}

StretchResult ResampleColorAndAlpha(ConstRasterView color, ConstRasterView alpha, std::int32_t width,
                                    std::int32_t height, ResampledImage& out) {
    return detail::ResampleColorAndAlphaWith(detail::BestSimdLevel(), color, alpha, width, height, out);
}

}  // namespace tevpng
