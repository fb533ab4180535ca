#pragma once

#include <cstdint>
#include <memory>

#include "io/stream.h"

namespace tevpng {

// Reads another stream ahead in blocks, for reading only. A PNG is read in small pieces
// (a chunk header, a CRC, a short chunk) and each piece of a file would be a system call:
// a file of many small chunks then costs its chunk count in calls, not its size. Reads,
// and seeks that stay within the block, are served from memory; the block is lent to
// Borrow. Should the block not be allocated, every call passes straight through.
class ReadAheadStream final : public Stream {
public:
    static constexpr std::size_t kBlockSize = 64 * 1024;

    explicit ReadAheadStream(Stream& source);

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void*, std::size_t) override { return 0; }
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override { return source_.Size(); }
    bool SetSize(std::int64_t) override { return false; }
    // Lends the block's bytes: valid until the next call on this stream.
    const std::uint8_t* Borrow(std::size_t count, std::size_t& got) override;

private:
    std::size_t Buffered() const { return end_ - start_; }
    // Reads the next block from the source; false when it gives nothing.
    bool Fill();

    Stream& source_;
    std::unique_ptr<std::uint8_t[]> block_;
    std::size_t start_ = 0;            // the next unread byte of the block
    std::size_t end_ = 0;              // where the block's bytes end
    std::int64_t sourcePosition_ = 0;  // the source's position: the block's end
};

}  // namespace tevpng
