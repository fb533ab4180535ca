#pragma once

#include <cstdint>

#include "io/stream.h"

namespace tevpng {

enum class FileMode {
    Read,    // an existing file, shared for reading with others
    Create,  // a new file, replacing an existing one; the file always ends where the last write ended
};

// A stream over a file. It exists even when the file cannot be opened: its reads and
// writes then fail (return 0), and IsOpen says so.
class FileStream final : public Stream {
public:
    FileStream(const char* fileName, FileMode mode);
    ~FileStream() override;

    bool IsOpen() const { return handle_ != kNoHandle; }

    std::size_t Read(void* buffer, std::size_t count) override;
    std::size_t Write(const void* buffer, std::size_t count) override;
    std::int64_t Seek(std::int64_t offset, SeekOrigin origin) override;
    std::int64_t Size() override;
    bool SetSize(std::int64_t size) override;

private:
    // A POSIX descriptor or a Windows HANDLE; both use -1 for "none".
    static constexpr std::intptr_t kNoHandle = -1;
    std::intptr_t handle_ = kNoHandle;
};

}  // namespace tevpng
