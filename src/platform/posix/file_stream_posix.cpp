#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <limits>

#include "io/file_stream.h"

namespace tevpng {

namespace {

int Descriptor(std::intptr_t handle) { return static_cast<int>(handle); }

}  // namespace

FileStream::FileStream(const char* fileName, FileMode mode) {
    if (fileName == nullptr) return;
    int flags = mode == FileMode::Read ? O_RDONLY : (O_WRONLY | O_CREAT | O_TRUNC);
    int fd = ::open(fileName, flags | O_CLOEXEC, 0644);
    if (fd >= 0) handle_ = fd;
}

FileStream::~FileStream() {
    if (IsOpen()) ::close(Descriptor(handle_));
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    if (!IsOpen()) return 0;
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t got = ::read(Descriptor(handle_), bytes + done, count - done);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        done += static_cast<std::size_t>(got);
    }
    return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
    if (!IsOpen()) return 0;
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        ssize_t put = ::write(Descriptor(handle_), bytes + done, count - done);
        if (put < 0 && errno == EINTR) continue;
        if (put <= 0) break;
        done += static_cast<std::size_t>(put);
    }
    // The file ends where the last write ended, as on Windows (SetEndOfFile after each write).
    off_t end = ::lseek(Descriptor(handle_), 0, SEEK_CUR);
    if (end >= 0) (void)::ftruncate(Descriptor(handle_), end);
    return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (!IsOpen()) return -1;
    int whence = origin == SeekOrigin::Begin ? SEEK_SET : origin == SeekOrigin::Current ? SEEK_CUR : SEEK_END;
    off_t result = ::lseek(Descriptor(handle_), static_cast<off_t>(offset), whence);
    return result < 0 ? -1 : static_cast<std::int64_t>(result);
}

std::int64_t FileStream::Size() {
    struct stat info {};
    if (!IsOpen() || ::fstat(Descriptor(handle_), &info) != 0) return 0;
    return static_cast<std::int64_t>(info.st_size);
}

bool FileStream::SetSize(std::int64_t size) {
    if (!IsOpen() || size < 0) return false;
    if (::ftruncate(Descriptor(handle_), static_cast<off_t>(size)) != 0) return false;
    return ::lseek(Descriptor(handle_), static_cast<off_t>(size), SEEK_SET) >= 0;
}

}  // namespace tevpng
