#pragma once

// Runs a scenario file's steps against the plug-in and the host page, in order.
// Export steps call the export; after every command but restorepng the page is
// repainted, as a host does (restorepng asks for its own repaint with WM_SIZE).
// Expectation steps that fail are reported with their line, and the run goes on.

#include <cstddef>
#include <string>

#include "main_window.h"
#include "plugin_library.h"
#include "scenario_file.h"
#include "unattended.h"

namespace tevhost {

class ScenarioRunner {
public:
    ScenarioRunner(MainWindow& window, PluginLibrary& plugin, std::string fileName);
    ~ScenarioRunner();
    ScenarioRunner(const ScenarioRunner&) = delete;
    ScenarioRunner& operator=(const ScenarioRunner&) = delete;

    // Runs every step; the number of expectations that failed.
    int Run(const Scenario& scenario);

private:
    void Execute(const Step& step);
    void CallExport(const Step& step);
    void ShowResult(const Step& step);
    void Snapshot(const Step& step);
    void ExpectScript(const Step& step);
    void ExpectNoScript(const Step& step);
    void ExpectSize(const Step& step);
    void ExpectHotspot(const Step& step);
    void ExpectPixel(const Step& step);
    void ExpectBox(const Step& step);
    void MakeSample(const Step& step);
    void MakePng(const Step& step);
    void WriteHotspotSettings(const Step& step);
    void Fail(const Step& step, const std::string& what);
    void Log(const std::string& line) { window_.Log(line); }

    MainWindow& window_;
    PluginLibrary& plugin_;
    std::string fileName_;
    MessageBoxAnswerer answerer_;
    int failures_ = 0;
    std::size_t scriptsSeen_ = 0;  // scripts an expectation has already looked at
    int sizeRequestsSeen_ = 0;
    std::size_t boxesSeen_ = 0;
    // The plug-in's settings file as it was before the run changed it.
    bool settingsSaved_ = false;
    bool settingsExisted_ = false;
    std::string settingsBytes_;
};

}  // namespace tevhost
