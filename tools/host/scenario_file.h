#pragma once

// The scenario files of the scripted mode: plain text, one step per line. A step is
// an export of the plug-in with its arguments (SetFile, SetData, loadpng, Draw ...)
// or one of the host's own steps (wait, snapshot, expect-..., make-...). The whole
// file is read and checked before anything runs, so a typo stops the run at once and
// the message names the line.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tevhost {

enum class StepKind {
    // Exports of the plug-in.
    SetParentWindow,
    SetFile,
    SetData,
    SetPath,
    ShowResult,  // an information or parameter export whose result is printed
    Interface,
    Draw,
    Command,  // one of the eleven command exports
    // The host's own steps.
    Repaint,
    Wait,
    Snapshot,
    ExpectScript,
    ExpectNoScript,
    ExpectSize,
    ExpectHotspot,
    ExpectPixel,
    ExpectBox,
    MakeSample,
    MakePng,
    HotspotSettings,
    Echo,
};

struct Step {
    int line = 0;              // 1-based line in the file
    StepKind kind{};
    std::string name;          // the word that starts the line, as written
    std::string text;          // the text argument (path, file list, name, message)
    std::vector<std::int64_t> numbers;
};

struct Scenario {
    std::vector<Step> steps;
    std::vector<std::string> errors;  // "file:line: what is wrong"; empty when the file is good
};

// Reads a scenario. Empty lines and lines starting with '#' are skipped.
Scenario ParseScenario(std::string_view text, std::string_view fileName);

// A line of help per step, for --help and the documentation.
std::string ScenarioStepHelp();

}  // namespace tevhost
