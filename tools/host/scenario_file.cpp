#include "scenario_file.h"

#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>

namespace tevhost {

namespace {

// What follows the step word.
enum class Shape {
    None,            // nothing
    AnyText,         // the rest of the line, possibly empty
    Text,            // the rest of the line, not empty
    Number,          // one number
    Milliseconds,    // one number, 0 or more
    Rectangle,       // four numbers
    ScriptMatch,     // nothing, or NAME X Y W H
    Pixel,           // X Y RRGGBB
    SamplePath,      // PATH, or PATH W H
    SolidPng,        // PATH W H RRGGBBAA
    OnOffName,       // on|off, then an optional name
};

struct Syntax {
    std::string_view name;
    StepKind kind;
    Shape shape;
    std::string_view help;
};

constexpr std::array kSyntax = {
    Syntax{"SetParentWindow", StepKind::SetParentWindow, Shape::None, "binds the plug-in to the host page"},
    Syntax{"SetFile", StepKind::SetFile, Shape::AnyText, "SetFile TEXT: pushes a file name (the rest of the line)"},
    Syntax{"SetData", StepKind::SetData, Shape::Number, "SetData N: pushes a number (decimal or 0x hex)"},
    Syntax{"SetPath", StepKind::SetPath, Shape::AnyText, "SetPath TEXT"},
    Syntax{"GetFile", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"GetData", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"GetShortInfo", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"GetInfo", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"Copyright", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"HasIntDlg", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"CreateObject", StepKind::ShowResult, Shape::None, "prints the export's result"},
    Syntax{"Interface", StepKind::Interface, Shape::None,
           "opens the plug-in's settings dialog; the scripted host closes it after 500 ms"},
    Syntax{"Draw", StepKind::Draw, Shape::Rectangle,
           "Draw X Y W H: places the plug-in at that rectangle and repaints the page, whose paint "
           "handler calls Draw(dc, X, Y, W, H)"},
    Syntax{"loadpng", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"loadalpha", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"savescaled", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"restorepng", StepKind::Command, Shape::None,
           "command; not followed by a repaint: the plug-in asks for one with WM_SIZE"},
    Syntax{"resizepng", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"makesprite", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"setcurframe", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"spriteanim", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"setalphacolor", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"shide", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"test", StepKind::Command, Shape::None, "command; the page is repainted after it"},
    Syntax{"repaint", StepKind::Repaint, Shape::None, "repaints the page now"},
    Syntax{"wait", StepKind::Wait, Shape::Milliseconds, "wait MS: dispatches messages for MS milliseconds"},
    Syntax{"snapshot", StepKind::Snapshot, Shape::Text, "snapshot PATH: writes the page as drawn to a PNG file"},
    Syntax{"expect-script", StepKind::ExpectScript, Shape::ScriptMatch,
           "expect-script [NAME X Y W H]: a script (moving NAME to that rectangle) has arrived or arrives "
           "within 2 s"},
    Syntax{"expect-no-script", StepKind::ExpectNoScript, Shape::None,
           "no script arrives within the next 300 ms"},
    Syntax{"expect-size", StepKind::ExpectSize, Shape::None,
           "the plug-in's WM_SIZE (wParam 0, lParam 0) has arrived or arrives within 2 s"},
    Syntax{"expect-hotspot", StepKind::ExpectHotspot, Shape::Rectangle,
           "expect-hotspot X Y W H: the host's hotspot object stands at that rectangle"},
    Syntax{"expect-pixel", StepKind::ExpectPixel, Shape::Pixel,
           "expect-pixel X Y RRGGBB: the page shows exactly that colour at X, Y"},
    Syntax{"expect-box", StepKind::ExpectBox, Shape::Text,
           "expect-box TEXT: the plug-in has shown a message box with that text"},
    Syntax{"make-sample", StepKind::MakeSample, Shape::SamplePath,
           "make-sample PATH [W H]: writes the sample image (default 160 x 120), RGBA"},
    Syntax{"make-png", StepKind::MakePng, Shape::SolidPng,
           "make-png PATH W H RRGGBBAA: writes an image of one colour, RGBA"},
    Syntax{"hotspot-settings", StepKind::HotspotSettings, Shape::OnOffName,
           "hotspot-settings on|off [NAME]: writes the plug-in's settings file as its dialog would "
           "(read at SetParentWindow); the file is put back as it was when the run ends"},
    Syntax{"echo", StepKind::Echo, Shape::AnyText, "echo TEXT: prints the text"},
};

std::string_view TrimRight(std::string_view text) {
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t' || text.back() == '\r')) {
        text.remove_suffix(1);
    }
    return text;
}

std::string_view TrimLeft(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
    return text;
}

std::vector<std::string_view> Words(std::string_view text) {
    std::vector<std::string_view> words;
    while (!(text = TrimLeft(text)).empty()) {
        std::size_t end = text.find_first_of(" \t");
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(0, end));
        text.remove_prefix(end);
    }
    return words;
}

// Decimal with an optional sign, or 0x hex: anything that fits 32 bits signed or unsigned.
std::optional<std::int64_t> ParseNumber(std::string_view word) {
    bool negative = false;
    if (!word.empty() && (word[0] == '-' || word[0] == '+')) {
        negative = word[0] == '-';
        word.remove_prefix(1);
    }
    int base = 10;
    if (word.size() > 2 && word[0] == '0' && (word[1] == 'x' || word[1] == 'X')) {
        base = 16;
        word.remove_prefix(2);
    }
    std::uint64_t value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, base);
    if (word.empty() || error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    if (value > std::numeric_limits<std::uint32_t>::max()) return std::nullopt;
    const std::int64_t signedValue = negative ? -static_cast<std::int64_t>(value) : static_cast<std::int64_t>(value);
    if (signedValue < std::numeric_limits<std::int32_t>::min()) return std::nullopt;
    return signedValue;
}

// RRGGBB or RRGGBBAA, hex, as one number.
std::optional<std::int64_t> ParseColour(std::string_view word, std::size_t digits) {
    if (word.size() != digits) return std::nullopt;
    std::uint32_t value = 0;
    auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value, 16);
    if (error != std::errc() || end != word.data() + word.size()) return std::nullopt;
    return value;
}

// "'word' is not what"; built by appending (GCC 12 warns falsely about operator+ chains here).
std::string NotA(std::string_view word, std::string_view what) {
    std::string text = "'";
    text.append(word);
    text.append("' is not ");
    text.append(what);
    return text;
}

class LineParser {
public:
    LineParser(const Syntax& syntax, std::string_view rest, Step& step) : syntax_(syntax), rest_(rest), step_(step) {}

    // An empty string when the arguments fit the step, else what is wrong.
    std::string Parse() {
        const std::vector<std::string_view> words = Words(rest_);
        switch (syntax_.shape) {
            case Shape::None:
                return words.empty() ? "" : Name() + " takes no arguments";
            case Shape::AnyText:
                step_.text = std::string(TrimLeft(rest_));
                return "";
            case Shape::Text:
                step_.text = std::string(TrimLeft(rest_));
                return step_.text.empty() ? Name() + " needs a text" : "";
            case Shape::Number:
                return Numbers(words, 1, 1, "a number");
            case Shape::Milliseconds:
                if (std::string error = Numbers(words, 1, 1, "a number of milliseconds"); !error.empty()) return error;
                return step_.numbers[0] < 0 ? Name() + " needs 0 or more milliseconds" : "";
            case Shape::Rectangle:
                return Numbers(words, 4, 4, "four numbers: X Y W H");
            case Shape::ScriptMatch:
                return ScriptMatch(words);
            case Shape::Pixel:
                return Pixel(words);
            case Shape::SamplePath:
                return SamplePath(words);
            case Shape::SolidPng:
                return SolidPng(words);
            case Shape::OnOffName:
                return OnOffName(words);
        }
        return "";
    }

private:
    std::string Name() const { return std::string(syntax_.name); }

    std::string NumberAt(std::string_view word) {
        const auto value = ParseNumber(word);
        if (!value) return NotA(word, "a 32-bit number");
        step_.numbers.push_back(*value);
        return "";
    }

    std::string Numbers(const std::vector<std::string_view>& words, std::size_t min, std::size_t max,
                        std::string_view what) {
        if (words.size() < min || words.size() > max) return Name() + " takes " + std::string(what);
        for (std::string_view word : words) {
            if (std::string error = NumberAt(word); !error.empty()) return error;
        }
        return "";
    }

    std::string Dimensions(std::string_view width, std::string_view height) {
        for (std::string_view word : {width, height}) {
            const auto value = ParseNumber(word);
            if (!value || *value < 1 || *value > 4096) return NotA(word, "a size from 1 to 4096");
            step_.numbers.push_back(*value);
        }
        return "";
    }

    // Nothing (any script), or a name that may hold blanks followed by four numbers.
    std::string ScriptMatch(const std::vector<std::string_view>& words) {
        if (words.empty()) return "";
        if (words.size() < 5) return Name() + " takes nothing, or NAME X Y W H";
        for (std::size_t i = words.size() - 4; i < words.size(); ++i) {
            if (std::string error = NumberAt(words[i]); !error.empty()) return error;
        }
        const std::string_view text = TrimLeft(rest_);
        const std::size_t nameEnd = static_cast<std::size_t>(words[words.size() - 4].data() - text.data());
        step_.text = std::string(TrimRight(text.substr(0, nameEnd)));
        return "";
    }

    std::string Pixel(const std::vector<std::string_view>& words) {
        if (words.size() != 3) return Name() + " takes X Y RRGGBB";
        for (std::size_t i = 0; i < 2; ++i) {
            if (std::string error = NumberAt(words[i]); !error.empty()) return error;
        }
        const auto colour = ParseColour(words[2], 6);
        if (!colour) return NotA(words[2], "a colour RRGGBB");
        step_.numbers.push_back(*colour);
        return "";
    }

    std::string SamplePath(const std::vector<std::string_view>& words) {
        if (words.size() != 1 && words.size() != 3) return Name() + " takes PATH, or PATH W H";
        step_.text = std::string(words[0]);
        return words.size() == 3 ? Dimensions(words[1], words[2]) : "";
    }

    std::string SolidPng(const std::vector<std::string_view>& words) {
        if (words.size() != 4) return Name() + " takes PATH W H RRGGBBAA";
        step_.text = std::string(words[0]);
        if (std::string error = Dimensions(words[1], words[2]); !error.empty()) return error;
        const auto colour = ParseColour(words[3], 8);
        if (!colour) return NotA(words[3], "a colour RRGGBBAA");
        step_.numbers.push_back(*colour);
        return "";
    }

    std::string OnOffName(const std::vector<std::string_view>& words) {
        if (words.empty() || (words[0] != "on" && words[0] != "off")) return Name() + " takes on or off, then a name";
        step_.numbers.push_back(words[0] == "on" ? 1 : 0);
        step_.text = std::string(TrimLeft(TrimLeft(rest_).substr(words[0].size())));
        return "";
    }

    const Syntax& syntax_;
    std::string_view rest_;
    Step& step_;
};

const Syntax* FindSyntax(std::string_view name) {
    for (const Syntax& syntax : kSyntax) {
        if (syntax.name == name) return &syntax;
    }
    return nullptr;
}

}  // namespace

Scenario ParseScenario(std::string_view text, std::string_view fileName) {
    Scenario scenario;
    int lineNumber = 0;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        if (end == std::string_view::npos) end = text.size();
        const std::string_view line = TrimRight(text.substr(0, end));
        text.remove_prefix(end == text.size() ? end : end + 1);
        ++lineNumber;

        const std::string_view content = TrimLeft(line);
        if (content.empty() || content[0] == '#') continue;
        std::size_t wordEnd = content.find_first_of(" \t");
        if (wordEnd == std::string_view::npos) wordEnd = content.size();
        const std::string_view word = content.substr(0, wordEnd);
        const std::string where = std::string(fileName) + ":" + std::to_string(lineNumber) + ": ";

        const Syntax* syntax = FindSyntax(word);
        if (!syntax) {
            scenario.errors.push_back(where + "unknown step '" + std::string(word) + "'");
            continue;
        }
        Step step;
        step.line = lineNumber;
        step.kind = syntax->kind;
        step.name = std::string(word);
        const std::string_view rest = TrimLeft(content.substr(wordEnd));
        if (std::string error = LineParser(*syntax, rest, step).Parse(); !error.empty()) {
            scenario.errors.push_back(where + error);
            continue;
        }
        scenario.steps.push_back(std::move(step));
    }
    return scenario;
}

std::string ScenarioStepHelp() {
    std::string help;
    for (const Syntax& syntax : kSyntax) {
        help += "  ";
        help += syntax.name;
        help += std::string(syntax.name.size() < 18 ? 18 - syntax.name.size() : 1, ' ');
        help += syntax.help;
        help += "\n";
    }
    return help;
}

}  // namespace tevhost
