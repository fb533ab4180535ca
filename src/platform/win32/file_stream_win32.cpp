// The Windows side of the file stream seam.
#include <windows.h>

#include <algorithm>

#include "io/file_stream.h"

namespace tevpng {

namespace {

HANDLE Handle(std::intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

// ReadFile and WriteFile take 32-bit counts.
constexpr std::size_t kMaxTransfer = 0x40000000;

}  // namespace

FileStream::FileStream(const char* fileName, FileMode mode) {
    if (fileName == nullptr) return;
    HANDLE file = mode == FileMode::Read
                      ? CreateFileA(fileName, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr)
                      : CreateFileA(fileName, GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file != INVALID_HANDLE_VALUE) handle_ = reinterpret_cast<std::intptr_t>(file);
}

FileStream::~FileStream() {
    if (IsOpen()) CloseHandle(Handle(handle_));
}

std::size_t FileStream::Read(void* buffer, std::size_t count) {
    if (!IsOpen()) return 0;
    auto* bytes = static_cast<char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD part = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        DWORD got = 0;
        if (!ReadFile(Handle(handle_), bytes + done, part, &got, nullptr) || got == 0) break;
        done += got;
    }
    return done;
}

std::size_t FileStream::Write(const void* buffer, std::size_t count) {
    if (!IsOpen()) return 0;
    const auto* bytes = static_cast<const char*>(buffer);
    std::size_t done = 0;
    while (done < count) {
        DWORD part = static_cast<DWORD>(std::min(count - done, kMaxTransfer));
        DWORD put = 0;
        if (!WriteFile(Handle(handle_), bytes + done, part, &put, nullptr) || put == 0) break;
        done += put;
    }
    SetEndOfFile(Handle(handle_));
    return done;
}

std::int64_t FileStream::Seek(std::int64_t offset, SeekOrigin origin) {
    if (!IsOpen()) return -1;
    DWORD method = origin == SeekOrigin::Begin     ? FILE_BEGIN
                   : origin == SeekOrigin::Current ? FILE_CURRENT
                                                   : FILE_END;
    LARGE_INTEGER distance;
    distance.QuadPart = offset;
    LARGE_INTEGER result;
    if (!SetFilePointerEx(Handle(handle_), distance, &result, method)) return -1;
    return result.QuadPart;
}

std::int64_t FileStream::Size() {
    LARGE_INTEGER size;
    if (!IsOpen() || !GetFileSizeEx(Handle(handle_), &size)) return 0;
    return size.QuadPart;
}

bool FileStream::SetSize(std::int64_t size) {
    if (!IsOpen() || size < 0) return false;
    if (Seek(size, SeekOrigin::Begin) < 0) return false;
    return SetEndOfFile(Handle(handle_)) != 0;
}

}  // namespace tevpng
