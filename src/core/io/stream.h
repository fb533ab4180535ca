#pragma once

#include <cstddef>
#include <cstdint>

namespace tevpng {

// Origins of Seek, numbered as the host toolkit numbers them.
enum class SeekOrigin : int { Begin = 0, Current = 1, End = 2 };

// A byte stream: the PNG reader reads from one, the writer writes to one; a file
// or a block of memory behind it.
class Stream {
public:
    virtual ~Stream() = default;
    Stream(const Stream&) = delete;
    Stream& operator=(const Stream&) = delete;

    // Returns how many bytes were read: fewer than count at the end of the data or on failure.
    virtual std::size_t Read(void* buffer, std::size_t count) = 0;
    // Returns how many bytes were written.
    virtual std::size_t Write(const void* buffer, std::size_t count) = 0;
    // Returns the new position, or -1 when it cannot be set (the position is then unchanged).
    virtual std::int64_t Seek(std::int64_t offset, SeekOrigin origin) = 0;
    // The size in bytes; 0 when it cannot be queried.
    virtual std::int64_t Size() = 0;
    virtual bool SetSize(std::int64_t size) = 0;

    std::int64_t Position() { return Seek(0, SeekOrigin::Current); }

    // Streams that hold their bytes in memory can lend them instead of copying: returns
    // the address of up to `count` bytes at the position and moves past them (`got` says
    // how many), valid until the stream is next written or resized; null when the stream
    // cannot lend (use Read then).
    virtual const std::uint8_t* Borrow(std::size_t count, std::size_t& got) {
        (void)count;
        got = 0;
        return nullptr;
    }

protected:
    Stream() = default;
};

}  // namespace tevpng
