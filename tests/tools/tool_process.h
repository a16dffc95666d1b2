// Runs olva-check as a child process and collects what it wrote.
#pragma once

#include <fcntl.h>
#include <pty.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

extern char** environ;

namespace olva::test {

inline const std::string kCheckTool = OLVA_CHECK_TOOL;
inline const std::string kCheckData = OLVA_CHECK_DATA_DIR;

// In a cross build the tool runs through the same emulator as the tests
// (the program, then its arguments, joined with "|").
inline std::vector<std::string> ToolCommand()
{
    std::vector<std::string> command;
    const std::string emulator = OLVA_CHECK_EMULATOR;
    std::size_t start = 0;
    while (start < emulator.size()) {
        std::size_t end = emulator.find('|', start);
        if (end == std::string::npos) {
            end = emulator.size();
        }
        if (end > start) {
            command.push_back(emulator.substr(start, end - start));
        }
        start = end + 1;
    }
    command.push_back(kCheckTool);
    return command;
}

struct ToolRun {
    int status = -1;  // exit status; -1 when it did not exit normally
    std::string out;
    std::string err;
};

inline std::string ReadAll(int fd)
{
    std::string text;
    char buffer[4096];
    ssize_t got = 0;
    while ((got = read(fd, buffer, sizeof buffer)) > 0) {
        text.append(buffer, static_cast<std::size_t>(got));
    }
    return text;
}

inline int ExitStatusOf(pid_t pid)
{
    int status = 0;
    if (waitpid(pid, &status, 0) != pid || !WIFEXITED(status)) {
        return -1;
    }
    return WEXITSTATUS(status);
}

// The environment of this process with NO_COLOR removed, and then `extra`
// ("NAME=value") added.
inline std::vector<std::string> ChildEnvironment(const std::vector<std::string>& extra)
{
    std::vector<std::string> env;
    for (char** entry = environ; *entry != nullptr; ++entry) {
        if (std::strncmp(*entry, "NO_COLOR=", 9) != 0 && std::strncmp(*entry, "TERM=", 5) != 0) {
            env.emplace_back(*entry);
        }
    }
    env.insert(env.end(), extra.begin(), extra.end());
    return env;
}

inline std::vector<char*> Pointers(std::vector<std::string>& texts)
{
    std::vector<char*> pointers;
    for (std::string& text : texts) {
        pointers.push_back(text.data());
    }
    pointers.push_back(nullptr);
    return pointers;
}

// Standard output and standard error through pipes. Standard error is read
// after standard output closes; the tool writes little there.
inline ToolRun RunTool(std::vector<std::string> args, const std::vector<std::string>& extraEnv = {})
{
    ToolRun run;
    const std::vector<std::string> command = ToolCommand();
    args.insert(args.begin(), command.begin(), command.end());
    std::vector<std::string> env = ChildEnvironment(extraEnv);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);

    int out[2];
    int err[2];
    if (pipe(out) != 0 || pipe(err) != 0) {
        return run;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, out[1], STDOUT_FILENO);
    posix_spawn_file_actions_adddup2(&actions, err[1], STDERR_FILENO);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    posix_spawn_file_actions_addclose(&actions, err[0]);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);
    close(out[1]);
    close(err[1]);
    if (spawned == 0) {
        run.out = ReadAll(out[0]);
        run.err = ReadAll(err[0]);
        run.status = ExitStatusOf(pid);
    }
    close(out[0]);
    close(err[0]);
    return run;
}

// Standard output on a pseudo-terminal, as when a developer runs the tool.
inline ToolRun RunToolOnTerminal(std::vector<std::string> args, const std::vector<std::string>& extraEnv = {})
{
    ToolRun run;
    const std::vector<std::string> command = ToolCommand();
    args.insert(args.begin(), command.begin(), command.end());
    std::vector<std::string> env = ChildEnvironment(extraEnv);
    std::vector<char*> argv = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0) {
        return run;
    }
    if (pid == 0) {
        execve(argv[0], argv.data(), envp.data());
        _exit(127);
    }
    // Reading the terminal's other side ends with EIO once the child is gone.
    run.out = ReadAll(terminal);
    close(terminal);
    run.status = ExitStatusOf(pid);
    return run;
}

inline nlohmann::json ParseReport(const ToolRun& run)
{
    return nlohmann::json::parse(run.out);
}

}  // namespace olva::test
