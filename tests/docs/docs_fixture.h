// Shared by the tests of the documentation's examples: where the pages are,
// reading files, and a fixture that runs the example game through the
// library.
#pragma once

#include "input/olva_input.h"

#include <olva/olva_framework.h>

#include <gtest/gtest.h>
#include <json/json.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace olva::test {

namespace fs = std::filesystem;

inline const std::string kSource = OLVA_SOURCE_DIR;
inline const std::string kDocs = kSource + "/docs";

inline std::string ReadText(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

inline Json::Value ReadJson(const std::string& path)
{
    Json::Value value;
    std::ifstream file(path, std::ios::binary);
    file >> value;
    return value;
}

// Runs the examples through the library: a registry of its own for each test,
// the process-wide edge flags cleared before and restored after, and the
// working directory at the repository root, from where the pages' relative
// paths are written.
class DocsRuntime : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_savedFlags.clear();
#define OLVA_SAVE_FLAG_(flag) m_savedFlags.push_back(flag), flag = false;
        OLVA_EDGE_FLAGS(OLVA_SAVE_FLAG_)
#undef OLVA_SAVE_FLAG_
        m_savedDirectory = fs::current_path();
        fs::current_path(kSource);
    }

    void TearDown() override
    {
        if (m_runtime != nullptr) {
            OLVA_DestroyRuntime(m_runtime);
        }
        fs::current_path(m_savedDirectory);
        std::size_t i = 0;
#define OLVA_RESTORE_FLAG_(flag) flag = m_savedFlags[i++];
        OLVA_EDGE_FLAGS(OLVA_RESTORE_FLAG_)
#undef OLVA_RESTORE_FLAG_
    }

    void Create(const std::string& config)
    {
        const OLVA_RuntimeCreateInfo info = {config.c_str()};
        ASSERT_EQ(OLVA_CreateRuntime(&info, &m_runtime), 0) << config;
    }

    // Loads the manifest (the example's unless told) and runs the frames,
    // noting every change of its actions: "1 jump pressed", "3 throttle
    // 0.75", "7 move 0,0.5".
    std::vector<std::string> RunGame(int frames, const std::string& manifestPath = "docs/examples/actions.json")
    {
        EXPECT_EQ(m_input.OLVA_XrActionManifestPath(m_runtime, manifestPath.c_str()), 0);
        const Json::Value manifest = ReadJson(manifestPath);
        std::vector<std::pair<std::string, unsigned long>> actions;
        for (const Json::Value& action : manifest["actions"]) {
            unsigned long handle = 0;
            EXPECT_EQ(m_input.OLVA_GetXrActionHandle(m_runtime, action["name"].asCString(), &handle), 0);
            actions.emplace_back(action["name"].asString(), handle);
        }
        std::vector<std::string> changes;
        std::map<std::string, std::string> lastValue;
        for (int frame = 0; frame < frames; ++frame) {
            EXPECT_EQ(OLVA_WaitFrame(m_runtime, nullptr), 0);
            EXPECT_EQ(m_input.OLVA_UpdateXrActionState(m_runtime, nullptr, 0, 0), 0);
            const std::string at = std::to_string(frame) + " ";
            for (const auto& [name, handle] : actions) {
                OLVA_XrInputDigitalActionData digital{};
                if (m_input.OLVA_GetXrActionDigitalData(m_runtime, handle, &digital, 0, 0) == 0) {
                    if (digital.changedSinceLastSync != 0) {
                        changes.push_back(at + name + (digital.currentState != 0 ? " pressed" : " released"));
                    }
                    continue;
                }
                OLVA_XrInputAnalogActionData analog{};
                if (m_input.OLVA_GetXrActionAnalogData(m_runtime, handle, &analog, 0, 0) != 0) {
                    continue;  // neither kind: an action of type "<unset>"
                }
                std::ostringstream value;
                value << analog.x;
                if (name == "move") {
                    value << "," << analog.y;
                }
                if (lastValue[name] != value.str() && !(lastValue[name].empty() && analog.x == 0 && analog.y == 0)) {
                    changes.push_back(at + name + " " + value.str());
                }
                lastValue[name] = value.str();
            }
        }
        return changes;
    }

    olva_input m_input;
    void* m_runtime = nullptr;

private:
    std::vector<bool> m_savedFlags;
    fs::path m_savedDirectory;
};

inline std::string SimConfig(const std::string& scenario)
{
    return R"({"olvaruntimepath": ")" + std::string(OLVA_SIM_RUNTIME) + R"(", "simulation": )" + scenario + "}";
}

}  // namespace olva::test
