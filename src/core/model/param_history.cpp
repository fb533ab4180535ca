#include "model/param_history.h"

#include <algorithm>

namespace tevpng {

namespace {

std::string CopyText(const char* text) { return text ? std::string(text) : std::string(); }

// Moves every entry one place toward the old end; the oldest falls off.
template <typename T>
void ShiftTowardOldEnd(std::array<T, ParamHistory::Depth>& history) {
    std::move_backward(history.begin(), history.end() - 1, history.end());
}

}  // namespace

void ParamHistory::SetFile(const char* text) {
    ShiftTowardOldEnd(fileHistory_);
    fileHistory_[0] = CopyText(text);
    currentFile_ = fileHistory_[0];
}

void ParamHistory::SetData(std::int32_t value) {
    ShiftTowardOldEnd(dataHistory_);
    dataHistory_[0] = value;
    currentData_ = value;
}

void ParamHistory::SetPath(const char* text) { hostPath_ = CopyText(text); }

}  // namespace tevpng
