// Running a program as a user runs it, through the shell: its standard output
// and exit status. In a cross build the emulator goes in front of it.
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include <sys/wait.h>

namespace olva::test {

struct CommandRun {
    int exitCode = -1;  // -1 when it did not exit normally
    std::string out;
};

// The shell words that start program: quoted, behind the emulator if any.
inline std::string ProgramCommand(const std::string& emulator, const std::string& program)
{
    return (emulator.empty() ? "" : emulator + " ") + "'" + program + "'";
}

inline CommandRun RunCommandLine(const std::string& commandLine)
{
    CommandRun run;
    std::FILE* pipe = ::popen(commandLine.c_str(), "r");
    if (pipe == nullptr) {
        ADD_FAILURE() << "cannot run " << commandLine;
        return run;
    }
    char buffer[4096];
    std::size_t n = 0;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) {
        run.out.append(buffer, n);
    }
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

}  // namespace olva::test
