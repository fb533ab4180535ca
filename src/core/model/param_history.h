#pragma once

#include <array>
#include <cstdint>
#include <string>

namespace tevpng {

// The parameters a host pushes before calling a command: a five-deep history of
// file names and one of numbers, newest first. Commands read the newest value
// (CurrentFile / CurrentData) and, for resizepng, DataHistory[1].
class ParamHistory {
public:
    static constexpr int Depth = 5;

    // A null pointer counts as an empty string; the text is copied.
    void SetFile(const char* text);
    void SetData(std::int32_t value);
    void SetPath(const char* text);

    // Only makesprite changes CurrentFile after SetFile: it consumes the names it splits off.
    void SetCurrentFile(std::string text) { currentFile_ = std::move(text); }

    const std::string& CurrentFile() const { return currentFile_; }
    std::int32_t CurrentData() const { return currentData_; }
    const std::string& FileHistory(int index) const { return fileHistory_.at(index); }
    std::int32_t DataHistory(int index) const { return dataHistory_.at(index); }
    const std::string& HostPath() const { return hostPath_; }

private:
    std::array<std::string, Depth> fileHistory_;
    std::array<std::int32_t, Depth> dataHistory_{};
    std::string currentFile_;
    std::int32_t currentData_ = 0;
    std::string hostPath_;
};

}  // namespace tevpng
