#include "scale/resample_passes.h"

#include <algorithm>
#include <limits>
#include <memory>
#include <new>

#include "scale/transpose.h"
#include "scale/widened_units.h"

namespace tevpng::detail {
namespace {

// Values of one source column in a strip of the horizontal pass (all its rows and
// channels), summed side by side: whole blocks of every kernel.
constexpr std::int32_t StripValues = 192;

// The longest list and the widest span of source indices in one list.
struct ListExtent {
    std::int32_t longest = 0;
    std::int32_t span = 1;
};

// The lowest and highest source index of one list (0 and -1 for an empty one).
struct IndexRange {
    std::int32_t low = 0;
    std::int32_t high = -1;
};

IndexRange RangeOf(const Contributor* list, std::int32_t length) {
    if (length == 0) return {};
    IndexRange range{list[0].index, list[0].index};
    for (std::int32_t k = 1; k < length; ++k) {
        range.low = std::min(range.low, list[k].index);
        range.high = std::max(range.high, list[k].index);
    }
    return range;
}

ListExtent MeasureLists(const ContributorLists& lists) {
    ListExtent extent;
    for (std::int32_t i = 0; i < lists.Count(); ++i) {
        const IndexRange range = RangeOf(lists.List(i), lists.Length(i));
        extent.longest = std::max(extent.longest, lists.Length(i));
        extent.span = std::max(extent.span, range.high - range.low + 1);
    }
    return extent;
}

// The horizontal pass on a strip of rows at a time: the strip is transposed so that
// the values of one source column in all rows of the strip lie side by side, and each
// target column is then one call of the kernel over all of them.
class HorizontalPass {
public:
    static constexpr std::int32_t StripRows(std::int32_t channels) { return StripValues / channels; }

    bool Allocate(const ContributorLists& lists, std::int32_t sourceWidth, std::int32_t targetWidth,
                  std::int32_t channels) {
        const std::int64_t columnBytes = std::int64_t{StripRows(channels)} * channels;
        const std::size_t sourceBytes = BufferBytes(columnBytes, sourceWidth);
        const std::size_t targetBytes = BufferBytes(columnBytes, targetWidth);
        if (sourceBytes == 0 || targetBytes == 0) return false;
        sourceStrip_.reset(new (std::nothrow) std::uint8_t[sourceBytes]);
        targetStrip_.reset(new (std::nothrow) std::uint8_t[targetBytes]);
        const ListExtent extent = MeasureLists(lists);
        return sourceStrip_ && targetStrip_ &&
               columns_.Allocate(std::min(extent.span, sourceWidth), columnBytes, extent.longest);
    }

    // Resamples source rows y.. into the out.height rows of `out`.
    void RunStrip(const Kernels& kernels, const ContributorLists& lists, ConstRasterView source,
                  std::int32_t y, RasterView out) {
        const std::int32_t stripRows = out.height;
        const std::ptrdiff_t pitch = static_cast<std::ptrdiff_t>(stripRows) * source.channels;
        Gather(source, y, stripRows);
        columns_.Reset(pitch);
        const auto column = [&](std::int32_t x) { return sourceStrip_.get() + x * pitch; };
        for (std::int32_t i = 0; i < lists.Count(); ++i) {
            const Term* terms = columns_.Place(lists.List(i), lists.Length(i), kernels.widen, column);
            kernels.weightedSum(terms, lists.Length(i), pitch, targetStrip_.get() + i * pitch);
        }
        Scatter(out);
    }

private:
    // Strip layout: value c x rows + r of source column x holds channel c of row r.
    void Gather(ConstRasterView source, std::int32_t y, std::int32_t stripRows) {
        TransposeBytes(source.Row(y), source.stride, sourceStrip_.get(), stripRows, stripRows,
                       source.width * source.channels);
    }

    void Scatter(RasterView out) {
        TransposeBytes(targetStrip_.get(), out.height, out.pixels, out.stride, out.width * out.channels,
                       out.height);
    }

    std::unique_ptr<std::uint8_t[]> sourceStrip_;
    std::unique_ptr<std::uint8_t[]> targetStrip_;
    WidenedUnits columns_;
};

// The intermediate raster (target width x source height) as far as the vertical pass
// still needs it: the horizontal pass writes strips of rows into a ring of rows, row y
// in ring row y mod ringRows, and the vertical pass reads them back as its lists reach
// them. So the rows pass through the caches once instead of through a whole raster.
class IntermediateRows {
public:
    // Every ring row is written by a strip before it is read; strips fill whole ring rows.
    bool Allocate(std::int32_t ringRows, std::int32_t width, std::int32_t channels) {
        ringRows_ = ringRows;
        return buffer_.Allocate(width, ringRows, channels);
    }

    // Where the `rows` rows from row y on go.
    RasterView Strip(std::int32_t y, std::int32_t rows) const {
        RasterView view = buffer_.View();
        view.pixels = view.Row(y % ringRows_);
        view.height = rows;
        return view;
    }

    const std::uint8_t* Row(std::int32_t y) const { return buffer_.View().Row(y % ringRows_); }

private:
    RasterBuffer buffer_;
    std::int32_t ringRows_ = 1;
};

// Runs the horizontal pass a strip at a time, just far enough ahead of the vertical
// lists that every row they name exists.
class IntermediateProducer {
public:
    IntermediateProducer(std::int32_t distinctRows, std::int32_t stripRows)
        : distinctRows_(distinctRows), stripRows_(stripRows) {}

    // Ring rows enough that every row a list names is still there while it is summed:
    // the most rows made, up to any list, beyond the lowest row that list names.
    std::int32_t RingRows(const ContributorLists& lists) const {
        std::int32_t made = 0, needed = std::min(stripRows_, distinctRows_);
        for (std::int32_t i = 0; i < lists.Count(); ++i) {
            const IndexRange range = RangeOf(lists.List(i), lists.Length(i));
            made = std::max(made, RowsThrough(range.high));
            needed = std::max(needed, made - std::min(range.low, made));
        }
        return (needed + stripRows_ - 1) / stripRows_ * stripRows_;
    }

    // Calls makeStrip(y, rows) for the strips up to the one holding row `high`.
    template <class MakeStrip>
    void MakeThrough(std::int32_t high, MakeStrip makeStrip) {
        const std::int32_t end = RowsThrough(high);
        for (; made_ < end; made_ += stripRows_) makeStrip(made_, std::min(stripRows_, end - made_));
    }

private:
    // The rows made once row `high` exists: whole strips.
    std::int32_t RowsThrough(std::int32_t high) const {
        const std::int32_t rows = std::min(high + 1, distinctRows_);
        return std::min(distinctRows_, (rows + stripRows_ - 1) / stripRows_ * stripRows_);
    }

    std::int32_t distinctRows_;
    std::int32_t stripRows_;
    std::int32_t made_ = 0;
};

// The vertical pass, one target row at a time: the intermediate rows its list names,
// widened once into a ring of their own, summed across the whole row.
class VerticalPass {
public:
    bool Allocate(const ContributorLists& lists, std::int32_t sourceRows, std::ptrdiff_t rowValues) {
        const ListExtent extent = MeasureLists(lists);
        rowValues_ = rowValues;
        return rows_.Allocate(std::min(extent.span, sourceRows), rowValues, extent.longest);
    }

    template <class RowBytes>
    void RunRow(const Kernels& kernels, const Contributor* list, std::int32_t length, RowBytes rowBytes,
                std::uint8_t* out) {
        kernels.weightedSum(rows_.Place(list, length, kernels.widen, rowBytes), length, rowValues_, out);
    }

private:
    std::ptrdiff_t rowValues_ = 0;
    WidenedUnits rows_;
};

}  // namespace

std::size_t BufferBytes(std::int64_t rowBytes, std::int64_t rows) {
    if (rowBytes <= 0 || rows <= 0) return 0;
    const std::uint64_t limit = static_cast<std::uint64_t>(std::numeric_limits<std::ptrdiff_t>::max());
    if (static_cast<std::uint64_t>(rowBytes) > limit / static_cast<std::uint64_t>(rows)) return 0;
    return static_cast<std::size_t>(rowBytes * rows);
}

bool RunPasses(const Kernels& kernels, const ContributorLists& horizontalLists,
               const ContributorLists& verticalLists, ConstRasterView source, RasterView target) {
    // A source whose rows are all one row needs that row resampled only once.
    const bool sharedRow = source.stride == 0;
    const std::int32_t distinctRows = sharedRow ? 1 : source.height;
    const std::ptrdiff_t rowValues = std::ptrdiff_t{target.width} * target.channels;
    IntermediateProducer producer(distinctRows, HorizontalPass::StripRows(source.channels));
    IntermediateRows between;
    HorizontalPass horizontal;
    VerticalPass vertical;
    if (!between.Allocate(producer.RingRows(verticalLists), target.width, source.channels) ||
        !horizontal.Allocate(horizontalLists, source.width, target.width, source.channels) ||
        !vertical.Allocate(verticalLists, source.height, rowValues)) {
        return false;
    }
    const auto makeStrip = [&](std::int32_t y, std::int32_t rows) {
        horizontal.RunStrip(kernels, horizontalLists, source, y, between.Strip(y, rows));
    };
    const auto intermediateRow = [&](std::int32_t y) { return between.Row(sharedRow ? 0 : y); };
    for (std::int32_t i = 0; i < target.height; ++i) {
        const Contributor* list = verticalLists.List(i);
        const std::int32_t length = verticalLists.Length(i);
        producer.MakeThrough(RangeOf(list, length).high, makeStrip);
        vertical.RunRow(kernels, list, length, intermediateRow, target.Row(i));
    }
    return true;
}

}  // namespace tevpng::detail
