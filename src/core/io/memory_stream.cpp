#include "io/memory_stream.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <new>
#include <stdexcept>

namespace tevpng {

namespace {

// Largest size a memory stream may take, so that position arithmetic in size_t stays exact.
constexpr std::uint64_t kMaxMemoryStreamSize = std::numeric_limits<std::size_t>::max() / 2;

}  // namespace

MemoryStream::MemoryStream(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    bytes_.assign(bytes, bytes + size);
}

std::size_t MemoryStream::Read(void* buffer, std::size_t count) {
    std::size_t available = bytes_.size() - position_;
    if (count > available) count = available;
    if (count > 0) std::memcpy(buffer, bytes_.data() + position_, count);
    position_ += count;
    return count;
}

const std::uint8_t* MemoryStream::Borrow(std::size_t count, std::size_t& got) {
    got = std::min(count, bytes_.size() - position_);
    const std::uint8_t* at = bytes_.data() + position_;
    position_ += got;
    return at;
}

std::size_t MemoryStream::Write(const void* buffer, std::size_t count) {
    if (count == 0) return 0;
    if (count > kMaxMemoryStreamSize - position_) return 0;
    std::size_t end = position_ + count;
    if (end > bytes_.size() && !Grow(end)) return 0;
    std::memcpy(bytes_.data() + position_, buffer, count);
    position_ = end;
    return count;
}

std::int64_t MemoryStream::Seek(std::int64_t offset, SeekOrigin origin) {
    std::int64_t base = 0;
    switch (origin) {
        case SeekOrigin::Begin: base = 0; break;
        case SeekOrigin::Current: base = static_cast<std::int64_t>(position_); break;
        case SeekOrigin::End: base = static_cast<std::int64_t>(bytes_.size()); break;
        default: return -1;
    }
    // Both operands lie within ±2^63 only when checked separately.
    if (offset > 0 && base > std::numeric_limits<std::int64_t>::max() - offset) return -1;
    std::int64_t target = base + offset;
    if (target < 0 || static_cast<std::uint64_t>(target) > kMaxMemoryStreamSize) return -1;
    std::size_t position = static_cast<std::size_t>(target);
    if (position > bytes_.size() && !Grow(position)) return -1;
    position_ = position;
    return target;
}

bool MemoryStream::SetSize(std::int64_t size) {
    if (size < 0 || static_cast<std::uint64_t>(size) > kMaxMemoryStreamSize) return false;
    std::size_t newSize = static_cast<std::size_t>(size);
    if (newSize > bytes_.size()) {
        if (!Grow(newSize)) return false;
    } else {
        bytes_.resize(newSize);
    }
    if (position_ > newSize) position_ = newSize;
    return true;
}

void MemoryStream::Reserve(std::size_t size) noexcept {
    if (size > kMaxMemoryStreamSize) return;
    try {
        bytes_.reserve(size);
    } catch (const std::exception&) {
        // Writes grow the stream themselves.
    }
}

bool MemoryStream::Grow(std::size_t size) {
    try {
        bytes_.resize(size);
        return true;
    } catch (const std::bad_alloc&) {
        return false;
    } catch (const std::length_error&) {
        return false;
    }
}

}  // namespace tevpng
