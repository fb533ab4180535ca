#include "io/read_ahead_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>

namespace tevpng {

ReadAheadStream::ReadAheadStream(Stream& source)
    : source_(source), block_(new (std::nothrow) std::uint8_t[kBlockSize]) {
    sourcePosition_ = std::max<std::int64_t>(source_.Position(), 0);
}

bool ReadAheadStream::Fill() {
    start_ = 0;
    end_ = source_.Read(block_.get(), kBlockSize);
    sourcePosition_ += static_cast<std::int64_t>(end_);
    return end_ > 0;
}

std::size_t ReadAheadStream::Read(void* buffer, std::size_t count) {
    auto* out = static_cast<std::uint8_t*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        if (Buffered() == 0) {
            // A read of a block or more gains nothing from the block: it goes straight through.
            if (!block_ || count - done >= kBlockSize) {
                const std::size_t got = source_.Read(out + done, count - done);
                start_ = end_ = 0;
                sourcePosition_ += static_cast<std::int64_t>(got);
                return done + got;
            }
            if (!Fill()) break;
        }
        const std::size_t part = std::min(count - done, Buffered());
        std::memcpy(out + done, block_.get() + start_, part);
        start_ += part;
        done += part;
    }
    return done;
}

const std::uint8_t* ReadAheadStream::Borrow(std::size_t count, std::size_t& got) {
    got = 0;
    if (!block_) return nullptr;
    if (Buffered() == 0) Fill();
    got = std::min(count, Buffered());
    const std::uint8_t* at = block_.get() + start_;
    start_ += got;
    return at;
}

std::int64_t ReadAheadStream::Seek(std::int64_t offset, SeekOrigin origin) {
    const std::int64_t blockStart = sourcePosition_ - static_cast<std::int64_t>(end_);
    const std::int64_t position = sourcePosition_ - static_cast<std::int64_t>(Buffered());
    std::int64_t result = -1;
    if (origin == SeekOrigin::End) {
        result = source_.Seek(offset, SeekOrigin::End);
    } else if (origin == SeekOrigin::Begin || origin == SeekOrigin::Current) {
        const std::int64_t base = origin == SeekOrigin::Begin ? 0 : position;
        // base is never negative, so only a positive offset can overflow the sum.
        if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) return -1;
        const std::int64_t target = base + offset;
        if (target >= blockStart && target <= sourcePosition_) {
            start_ = static_cast<std::size_t>(target - blockStart);
            return target;
        }
        result = source_.Seek(target, SeekOrigin::Begin);
    }
    // The source refused: it has not moved, and neither has this stream.
    if (result < 0) return -1;
    start_ = end_ = 0;
    sourcePosition_ = result;
    return result;
}

}  // namespace tevpng
