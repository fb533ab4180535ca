// tevhost: the reference host of the tevpng plug-in.
//
//   tevhost [--dll PATH] [--script FILE] [FILES...]
//
// Without --script it is an interactive host (GUI mode); FILES open at start. With
// --script it runs a scenario file and exits: 0 when every expectation held, 1 when
// one failed, 2 when the scenario file or the plug-in cannot be used.
#include <windows.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "gui_commands.h"
#include "main_window.h"
#include "plugin_library.h"
#include "resource_ids.h"
#include "scenario_file.h"
#include "scenario_runner.h"

namespace tevhost {

namespace {

struct Options {
    std::string dll;
    std::string script;
    std::vector<std::string> files;
    bool help = false;
    std::string error;
};

std::string ProgramDirectory() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string directory(path);
    return directory.substr(0, directory.find_last_of("\\/") + 1);
}

Options ParseOptions(const std::vector<std::string>& args) {
    Options options;
    options.dll = ProgramDirectory() + "tevpng.dll";
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--help" || arg == "-h" || arg == "/?") {
            options.help = true;
        } else if (arg == "--dll" || arg == "--script") {
            if (i + 1 == args.size()) {
                options.error = arg + " needs a value";
                return options;
            }
            (arg == "--dll" ? options.dll : options.script) = args[++i];
        } else if (arg.rfind("--", 0) == 0) {
            options.error = "unknown option " + arg;
            return options;
        } else {
            options.files.push_back(arg);
        }
    }
    return options;
}

// A GUI program started from a console writes to it too.
void UseParentConsole() {
    const HANDLE output = GetStdHandle(STD_OUTPUT_HANDLE);
    if (output != nullptr && output != INVALID_HANDLE_VALUE) return;
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return;
    std::freopen("CONOUT$", "w", stdout);
    std::freopen("CONOUT$", "w", stderr);
}

void PrintUsage() {
    std::printf(
        "tevhost: reference host of the tevpng plug-in\n\n"
        "  tevhost [--dll PATH] [--script FILE] [FILES...]\n\n"
        "  --dll PATH     the plug-in to load (default: tevpng.dll beside tevhost.exe)\n"
        "  --script FILE  run the scenario FILE and exit: 0 when every expectation held,\n"
        "                 1 when one failed, 2 when the file or the plug-in cannot be used\n"
        "  FILES          GUI mode: open the first PNG; several also make a sprite\n\n"
        "Scenario steps, one per line ('#' starts a comment):\n%s",
        ScenarioStepHelp().c_str());
}

int RunScenario(PluginLibrary& plugin, const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        std::fprintf(stderr, "%s: cannot read the scenario file\n", path.c_str());
        return 2;
    }
    std::ostringstream text;
    text << in.rdbuf();
    const Scenario scenario = ParseScenario(text.str(), path);
    if (!scenario.errors.empty()) {
        for (const std::string& error : scenario.errors) std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    MainWindow window(plugin, true);
    if (!window.Valid()) {
        std::fprintf(stderr, "cannot create the host windows\n");
        return 2;
    }
    int failures = 0;
    {
        ScenarioRunner runner(window, plugin, path);
        failures = runner.Run(scenario);
    }
    window.Log(failures == 0 ? path + ": every expectation held"
                             : path + ": " + std::to_string(failures) + " expectation(s) failed");
    return failures == 0 ? 0 : 1;
}

int RunGui(PluginLibrary& plugin, const std::vector<std::string>& files) {
    MainWindow window(plugin, false);
    if (!window.Valid()) return 2;
    GuiCommands commands(window, plugin);
    window.OnCommand([&commands](int command) { commands.Handle(command); });
    window.Log(std::string("loaded ") + plugin.Path() + ": " + plugin.GetShortInfo());
    window.Page().Bind();
    window.Log("SetParentWindow(page); the page calls Draw whenever it paints");
    commands.OpenAtStart(files);
    window.Page().Repaint();

    HACCEL keys = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_ACCELERATORS));
    MSG msg;
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        if (keys && TranslateAcceleratorA(window.Frame(), keys, &msg)) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return 0;
}

}  // namespace

int Main(const std::vector<std::string>& args) {
    UseParentConsole();
    const Options options = ParseOptions(args);
    if (!options.error.empty()) {
        std::fprintf(stderr, "tevhost: %s (--help lists the options)\n", options.error.c_str());
        return 2;
    }
    if (options.help) {
        PrintUsage();
        return 0;
    }
    PluginLibrary plugin(options.dll);
    if (!plugin.Ready()) {
        const std::string problem = plugin.Problem();
        std::fprintf(stderr, "tevhost: %s\n", problem.c_str());
        if (options.script.empty()) MessageBoxA(nullptr, problem.c_str(), "tevhost", MB_OK | MB_ICONERROR);
        return 2;
    }
    return options.script.empty() ? RunGui(plugin, options.files) : RunScenario(plugin, options.script);
}

}  // namespace tevhost

int main(int argc, char** argv) {
    return tevhost::Main(std::vector<std::string>(argv + 1, argv + argc));
}
