#pragma once

#include <cstdint>
#include <vector>

#include "io/stream.h"

namespace tevpng {

// A stream over a growable block of memory. Seeking beyond the end grows it to that
// position (zero-filled); writing grows it as needed.
class MemoryStream final : public Stream {
public:
    MemoryStream() = default;
    explicit MemoryStream(std::vector<std::uint8_t> bytes) : bytes_(std::move(bytes)) {}
    MemoryStream(const void* data, std::size_t size);

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return static_cast<std::int64_t>(bytes_.size()); }
    bool SetSize(std::int64_t size) override;
    const std::uint8_t* Borrow(std::size_t count, std::size_t& got) override;

    // Room for `size` bytes ahead of the writes that will need it, so that a stream written
    // up to a known size is allocated once instead of being grown and copied on the way.
    // A hint only: without the memory, writes still grow the stream as needed.
    void Reserve(std::size_t size) noexcept;

    const std::vector<std::uint8_t>& Bytes() const { return bytes_; }

private:
    bool Grow(std::size_t size);

    std::vector<std::uint8_t> bytes_;
    std::size_t position_ = 0;
};

}  // namespace tevpng
