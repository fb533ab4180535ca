#include "hotspot_message.h"

#include <charconv>
#include <vector>

namespace tevhost {

namespace {

// Four comma-separated signed decimals and nothing else.
std::optional<std::vector<std::int32_t>> ParseFourNumbers(std::string_view text) {
    std::vector<std::int32_t> numbers;
    const char* p = text.data();
    const char* end = text.data() + text.size();
    while (numbers.size() < 4) {
        if (p == end || (*p != '-' && (*p < '0' || *p > '9'))) return std::nullopt;
        std::int32_t value = 0;
        auto [next, error] = std::from_chars(p, end, value);
        if (error != std::errc()) return std::nullopt;
        numbers.push_back(value);
        p = next;
        if (numbers.size() < 4) {
            if (p == end || *p != ',') return std::nullopt;
            ++p;
        }
    }
    if (p != end) return std::nullopt;
    return numbers;
}

}  // namespace

std::optional<MoveObject> FindMoveObject(std::string_view script) {
    constexpr std::string_view kCall = "MoveObject(\"";
    const std::size_t start = script.find(kCall);
    if (start == std::string_view::npos) return std::nullopt;
    const std::size_t nameStart = start + kCall.size();
    const std::size_t close = script.find("\")", nameStart);
    if (close == std::string_view::npos) return std::nullopt;
    const std::string_view inside = script.substr(nameStart, close - nameStart);
    const std::size_t separator = inside.rfind("\",\"");
    if (separator == std::string_view::npos) return std::nullopt;
    const auto numbers = ParseFourNumbers(inside.substr(separator + 3));
    if (!numbers) return std::nullopt;
    return MoveObject{std::string(inside.substr(0, separator)), (*numbers)[0], (*numbers)[1], (*numbers)[2],
                      (*numbers)[3]};
}

std::string ScriptAsOneLine(std::string_view script) {
    std::string line;
    for (std::size_t i = 0; i < script.size(); ++i) {
        if (script[i] == '\r' && i + 1 < script.size() && script[i + 1] == '\n') {
            ++i;
            if (i + 1 < script.size()) line += " | ";
        } else {
            line += script[i];
        }
    }
    return line;
}

}  // namespace tevhost
