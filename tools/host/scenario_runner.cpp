#include "scenario_runner.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "hotspot_message.h"
#include "message_pump.h"
#include "sample_image.h"

namespace tevhost {

namespace {

constexpr int kArrivalTimeoutMs = 2000;
constexpr int kQuietPeriodMs = 300;
constexpr int kInterfaceCloseMs = 500;

std::string Quoted(const char* text) {
    if (!text) return "(null)";
    std::string quoted = "\"";
    for (const char* p = text; *p; ++p) {
        if (*p == '\r') {
            quoted += "\\r";
        } else if (*p == '\n') {
            quoted += "\\n";
        } else {
            quoted += *p;
        }
    }
    return quoted + "\"";
}

std::string Hex(std::uint32_t rgb) {
    char text[8];
    std::snprintf(text, sizeof text, "%06X", static_cast<unsigned>(rgb & 0xFFFFFF));
    return text;
}

// Makes the directories on the way to `path` (a file) that are missing.
void MakeParentDirectories(const std::string& path) {
    for (std::size_t i = 1; i < path.size(); ++i) {
        if (path[i] == '\\' || path[i] == '/') {
            if (path[i - 1] == ':') continue;
            CreateDirectoryA(path.substr(0, i).c_str(), nullptr);
        }
    }
}

bool ReadWholeFile(const std::string& path, std::string& bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::ostringstream content;
    content << in.rdbuf();
    bytes = content.str();
    return true;
}

}  // namespace

ScenarioRunner::ScenarioRunner(MainWindow& window, PluginLibrary& plugin, std::string fileName)
    : window_(window),
      plugin_(plugin),
      fileName_(std::move(fileName)),
      answerer_([&window](const std::string& line) { window.Log(line); }) {}

ScenarioRunner::~ScenarioRunner() {
    if (!settingsSaved_) return;
    // Put the user's settings file back as the run found it.
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string path = std::string(directory) + plugin_.ModuleName() + ".ini";
    if (settingsExisted_) {
        std::ofstream(path, std::ios::binary | std::ios::trunc) << settingsBytes_;
    } else {
        DeleteFileA(path.c_str());
    }
}

int ScenarioRunner::Run(const Scenario& scenario) {
    for (const Step& step : scenario.steps) Execute(step);
    // Whatever is still on its way (a last script) is shown before the run ends.
    PumpMessagesFor(100);
    return failures_;
}

void ScenarioRunner::Fail(const Step& step, const std::string& what) {
    ++failures_;
    Log(fileName_ + ":" + std::to_string(step.line) + ": FAILED: " + step.name + ": " + what);
}

void ScenarioRunner::Execute(const Step& step) {
    HostPage& page = window_.Page();
    switch (step.kind) {
        case StepKind::SetParentWindow:
            page.Bind();
            page.Repaint();
            return;
        case StepKind::SetFile:
            plugin_.SetFile(step.text.c_str());
            return;
        case StepKind::SetData:
            plugin_.SetData(static_cast<std::int32_t>(static_cast<std::uint32_t>(step.numbers[0])));
            return;
        case StepKind::SetPath:
            plugin_.SetPath(step.text.c_str());
            return;
        case StepKind::ShowResult:
            ShowResult(step);
            return;
        case StepKind::Interface: {
            const NewWindowCloser closer(kInterfaceCloseMs, window_.Logger());
            Log("Interface -> " + std::to_string(plugin_.Interface()));
            page.Repaint();
            return;
        }
        case StepKind::Draw:
            page.PlacePlugin({static_cast<std::int32_t>(step.numbers[0]), static_cast<std::int32_t>(step.numbers[1]),
                              static_cast<std::int32_t>(step.numbers[2]), static_cast<std::int32_t>(step.numbers[3])});
            page.Repaint();
            return;
        case StepKind::Command:
            CallExport(step);
            return;
        case StepKind::Repaint:
            page.Repaint();
            return;
        case StepKind::Wait:
            PumpMessagesFor(static_cast<int>(step.numbers[0]));
            return;
        case StepKind::Snapshot:
            Snapshot(step);
            return;
        case StepKind::ExpectScript:
            ExpectScript(step);
            return;
        case StepKind::ExpectNoScript:
            ExpectNoScript(step);
            return;
        case StepKind::ExpectSize:
            ExpectSize(step);
            return;
        case StepKind::ExpectHotspot:
            ExpectHotspot(step);
            return;
        case StepKind::ExpectPixel:
            ExpectPixel(step);
            return;
        case StepKind::ExpectBox:
            ExpectBox(step);
            return;
        case StepKind::MakeSample:
            MakeSample(step);
            return;
        case StepKind::MakePng:
            MakePng(step);
            return;
        case StepKind::HotspotSettings:
            WriteHotspotSettings(step);
            return;
        case StepKind::Echo:
            Log(step.text);
            return;
    }
}

void ScenarioRunner::CallExport(const Step& step) {
    PluginLibrary::Command command = plugin_.FindCommand(step.name);
    if (!command) return;
    command();
    // restorepng asks for the repaint itself, with WM_SIZE.
    if (step.name != "restorepng") window_.Page().Repaint();
}

void ScenarioRunner::ShowResult(const Step& step) {
    const std::string& name = step.name;
    std::string result;
    if (name == "GetFile") result = Quoted(plugin_.GetFile());
    if (name == "GetShortInfo") result = Quoted(plugin_.GetShortInfo());
    if (name == "GetInfo") result = Quoted(plugin_.GetInfo());
    if (name == "Copyright") result = Quoted(plugin_.Copyright());
    if (name == "GetData") result = std::to_string(plugin_.GetData());
    if (name == "HasIntDlg") result = std::to_string(plugin_.HasIntDlg());
    if (name == "CreateObject") result = std::to_string(plugin_.CreateObject());
    Log(name + " -> " + result);
}

void ScenarioRunner::Snapshot(const Step& step) {
    HostPage& page = window_.Page();
    UpdateWindow(page.Window());
    const std::vector<std::uint32_t> pixels = page.CapturePixels();
    if (pixels.empty()) return Fail(step, "the page's pixels cannot be read");
    MakeParentDirectories(step.text);
    const bool written = WritePng(
        step.text, HostPage::kWidth, HostPage::kHeight,
        [&pixels](int x, int y) {
            const std::uint32_t p = pixels[static_cast<std::size_t>(y) * HostPage::kWidth + x];
            return Rgba{static_cast<std::uint8_t>(p >> 16), static_cast<std::uint8_t>(p >> 8),
                        static_cast<std::uint8_t>(p), 255};
        },
        false);
    if (!written) return Fail(step, "cannot write " + step.text);
    Log("snapshot of the page written to " + step.text);
}

void ScenarioRunner::ExpectScript(const Step& step) {
    const HostPage& page = window_.Page();
    const bool any = step.numbers.empty();
    const MoveObject wanted = any ? MoveObject{}
                                  : MoveObject{step.text, static_cast<std::int32_t>(step.numbers[0]),
                                               static_cast<std::int32_t>(step.numbers[1]),
                                               static_cast<std::int32_t>(step.numbers[2]),
                                               static_cast<std::int32_t>(step.numbers[3])};
    // Scripts already looked at do not count again; the first that matches is used up.
    const auto found = [&] {
        for (; scriptsSeen_ < page.Scripts().size(); ++scriptsSeen_) {
            if (any || FindMoveObject(page.Scripts()[scriptsSeen_]) == wanted) {
                ++scriptsSeen_;
                return true;
            }
        }
        return false;
    };
    if (PumpMessagesUntil(found, kArrivalTimeoutMs)) return;
    const std::string what = any ? std::string("a script")
                                 : "a script moving '" + wanted.name + "' to " +
                                       ToText({wanted.x, wanted.y, wanted.width, wanted.height});
    Fail(step, "expected " + what + "; " + std::to_string(page.Scripts().size()) + " script(s) arrived in all");
}

void ScenarioRunner::ExpectNoScript(const Step& step) {
    // Only what arrives from now on counts; earlier scripts are passed over.
    const std::size_t before = window_.Page().Scripts().size();
    PumpMessagesFor(kQuietPeriodMs);
    const std::size_t arrived = window_.Page().Scripts().size();
    if (arrived > before) {
        Fail(step, std::to_string(arrived - before) + " script(s) arrived: " +
                       ScriptAsOneLine(window_.Page().Scripts().back()));
    }
    scriptsSeen_ = arrived;
}

void ScenarioRunner::ExpectSize(const Step& step) {
    const HostPage& page = window_.Page();
    if (PumpMessagesUntil([&] { return page.SizeRequests() > sizeRequestsSeen_; }, kArrivalTimeoutMs)) {
        ++sizeRequestsSeen_;
        return;
    }
    Fail(step, "no WM_SIZE with wParam 0 and lParam 0 arrived");
}

void ScenarioRunner::ExpectHotspot(const Step& step) {
    PumpMessagesFor(0);
    const PageRect wanted{static_cast<std::int32_t>(step.numbers[0]), static_cast<std::int32_t>(step.numbers[1]),
                          static_cast<std::int32_t>(step.numbers[2]), static_cast<std::int32_t>(step.numbers[3])};
    const PageObject& hotspot = window_.Page().Hotspot();
    if (!(hotspot.rect == wanted)) {
        Fail(step, hotspot.name + " is at " + ToText(hotspot.rect) + ", not at " + ToText(wanted));
    }
}

void ScenarioRunner::ExpectPixel(const Step& step) {
    const int x = static_cast<int>(step.numbers[0]);
    const int y = static_cast<int>(step.numbers[1]);
    const auto wanted = static_cast<std::uint32_t>(step.numbers[2]);
    if (x < 0 || y < 0 || x >= HostPage::kWidth || y >= HostPage::kHeight) return Fail(step, "outside the page");
    UpdateWindow(window_.Page().Window());
    const std::vector<std::uint32_t> pixels = window_.Page().CapturePixels();
    if (pixels.empty()) return Fail(step, "the page's pixels cannot be read");
    const std::uint32_t actual = pixels[static_cast<std::size_t>(y) * HostPage::kWidth + x];
    if (actual != wanted) Fail(step, "the page shows " + Hex(actual) + ", not " + Hex(wanted));
}

void ScenarioRunner::ExpectBox(const Step& step) {
    PumpMessagesFor(0);
    const std::vector<std::string>& texts = answerer_.Texts();
    for (; boxesSeen_ < texts.size(); ++boxesSeen_) {
        if (texts[boxesSeen_] == step.text) {
            ++boxesSeen_;
            return;
        }
    }
    Fail(step, "no message box with that text; " + std::to_string(texts.size()) + " shown in all");
}

void ScenarioRunner::MakeSample(const Step& step) {
    const int width = step.numbers.empty() ? kSampleWidth : static_cast<int>(step.numbers[0]);
    const int height = step.numbers.empty() ? kSampleHeight : static_cast<int>(step.numbers[1]);
    MakeParentDirectories(step.text);
    if (!WritePng(step.text, width, height, [=](int x, int y) { return SamplePixel(x, y, width, height); }, true)) {
        return Fail(step, "cannot write " + step.text);
    }
    Log("sample image " + std::to_string(width) + " x " + std::to_string(height) + " written to " + step.text);
}

void ScenarioRunner::MakePng(const Step& step) {
    const auto rgba = static_cast<std::uint32_t>(step.numbers[2]);
    const Rgba colour{static_cast<std::uint8_t>(rgba >> 24), static_cast<std::uint8_t>(rgba >> 16),
                      static_cast<std::uint8_t>(rgba >> 8), static_cast<std::uint8_t>(rgba)};
    MakeParentDirectories(step.text);
    if (!WritePng(step.text, static_cast<int>(step.numbers[0]), static_cast<int>(step.numbers[1]),
                  [colour](int, int) { return colour; }, true)) {
        Fail(step, "cannot write " + step.text);
    }
}

void ScenarioRunner::WriteHotspotSettings(const Step& step) {
    char directory[MAX_PATH] = {};
    GetTempPathA(MAX_PATH, directory);
    const std::string path = std::string(directory) + plugin_.ModuleName() + ".ini";
    if (!settingsSaved_) {
        settingsExisted_ = ReadWholeFile(path, settingsBytes_);
        settingsSaved_ = true;
    }
    // As the plug-in's own dialog writes them: section "setting", "usehot" then "hot".
    WritePrivateProfileStringA("setting", "usehot", step.numbers[0] ? "1" : "0", path.c_str());
    WritePrivateProfileStringA("setting", "hot", step.text.c_str(), path.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, path.c_str());  // flush the cache
    Log("plug-in settings written to " + path + ": usehot=" + (step.numbers[0] ? "1" : "0") + " hot=" + step.text);
}

}  // namespace tevhost
