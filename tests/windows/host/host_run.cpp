#include "host_run.h"

#include <windows.h>

#include "files.h"
#include "plugin_dll.h"

namespace tevtest {

namespace {

void RemoveFilesIn(const std::string& directory) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((directory + "*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileA((directory + found.cFileName).c_str());
    } while (FindNextFileA(search, &found));
    FindClose(search);
}

}  // namespace

std::string FreshWorkDirectory(const std::string& name) {
    const std::string root = PluginDll::TestProgramDirectory() + "host-tests\\";
    CreateDirectoryA(root.c_str(), nullptr);
    const std::string directory = root + name + "\\";
    CreateDirectoryA(directory.c_str(), nullptr);
    RemoveFilesIn(directory);
    return directory;
}

std::string ScenarioPath(const std::string& name) { return std::string(TEVPNG_SCENARIO_DIR) + "/" + name; }

HostRun RunHost(const std::string& scenario, const std::string& workDirectory, const std::string& extraArgs) {
    HostRun run;
    const std::string program = PluginDll::TestProgramDirectory();
    const std::string outputPath = workDirectory + "host-output.txt";
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE output = CreateFileA(outputPath.c_str(), GENERIC_WRITE, FILE_SHARE_READ, &inherit, CREATE_ALWAYS,
                                FILE_ATTRIBUTE_NORMAL, nullptr);
    if (output == INVALID_HANDLE_VALUE) return run;

    std::string commandLine = "\"" + program + "tevhost.exe\" --dll \"" + program + "tevpng.dll\" " + extraArgs +
                              " --script \"" + scenario + "\"";
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    startup.hStdOutput = output;
    startup.hStdError = output;
    PROCESS_INFORMATION process{};
    const BOOL started = CreateProcessA(nullptr, commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                                        workDirectory.c_str(), &startup, &process);
    CloseHandle(output);
    if (!started) return run;
    if (WaitForSingleObject(process.hProcess, 120000) == WAIT_OBJECT_0) {
        DWORD code = 0;
        GetExitCodeProcess(process.hProcess, &code);
        run.exitCode = static_cast<int>(code);
    } else {
        TerminateProcess(process.hProcess, 99);
    }
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.output = ReadFileBytes(outputPath);
    return run;
}

}  // namespace tevtest
