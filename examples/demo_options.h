// olva_demo's command line and the files it names.
#pragma once

#include <cstdio>
#include <optional>
#include <string>

namespace olva::demo {

inline constexpr int kDefaultFrames = 16;

struct Options {
    std::string config;  // a configuration file used as it is; empty: composed
    std::string runtime;
    std::string scenario;
    std::string manifest;
    int frames = kDefaultFrames;
    bool json = false;
};

void PrintUsage(std::FILE* out);

// Returns an error text, or nullopt when the options are usable. Fills in
// the bundled defaults for what the command line leaves out.
std::optional<std::string> ParseOptions(int argc, char** argv, Options& options, bool& help);

// An error text when path is not a readable regular file.
std::optional<std::string> Unreadable(const std::string& path, const char* what);

std::optional<std::string> ReadFile(const std::string& path);

// A path as the user would type it: relative to the working directory when
// it lies below it.
std::string Shown(const std::string& path);

}  // namespace olva::demo
