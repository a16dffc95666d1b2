// The examples of docs/ run through the library: the configuration on the
// simulated runtime, both binding files, and the minimal C runtime.
#include "docs_fixture.h"
#include "loader/olva_framework.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace {

using namespace olva::test;

TEST_F(DocsRuntime, TheConfigurationRunsTheGameOnTheSimulatedRuntime)
{
    // Read as OLVA_CreateRuntime reads it; only the runtime path is this
    // build's own, for builds outside build/default.
    nlohmann::json config = olva::ParseRuntimeConfiguration(ReadText(kDocs + "/examples/runtime_config.json"));
    ASSERT_TRUE(config.is_object());
    ASSERT_TRUE(config["olvaruntimepath"].is_string());
    EXPECT_EQ(fs::path(config["olvaruntimepath"].get<std::string>()).filename(), "libolva_sim_runtime.so");
    EXPECT_EQ(config["simulation"], "docs/examples/scenario.json");
    config["olvaruntimepath"] = OLVA_SIM_RUNTIME;
    Create(config.dump());

    const std::vector<std::string> expected = {
        "1 jump pressed",       "2 jump released",    "3 shoot pressed",  "3 throttle 0.75",
        "4 shoot released",     "4 throttle 0",       "5 turn_right pressed", "6 turn_right released",
        "7 move 0,0.5",         "8 move 0,0",
    };
    EXPECT_EQ(RunGame(10), expected);
    // Two joystick controllers: the "OLVA_JoyStick" entry's file.
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_joystick.json"));
}

TEST_F(DocsRuntime, TouchControllersRunTheTouchBindings)
{
    const std::string scenario = R"({"controllers": {"right": "touch", "left": "touch"},
        "timeline": [{"frame": 1, "right": {"pressed": ["a"], "stick": [-0.9, 0.1]}}]})";
    Create(SimConfig(scenario));

    const std::vector<std::string> expected = {"1 jump pressed", "1 turn_left pressed"};
    EXPECT_EQ(RunGame(2), expected);
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_touch.json"));
}

TEST_F(DocsRuntime, TheMinimalRuntimeServesTheInputSystem)
{
    Create(R"({"olvaruntimepath": ")" + std::string(OLVA_MINIMAL_RUNTIME) + R"("})");

    // A down on odd frames (the first OLVA_WaitFrame makes frame 1), the
    // trigger at 0.5 from the first update on.
    const std::vector<std::string> expected = {"0 jump pressed", "0 throttle 0.5", "1 jump released",
                                               "2 jump pressed"};
    EXPECT_EQ(RunGame(3), expected);
    EXPECT_EQ(m_input.m_bindings, ReadJson(kDocs + "/examples/bindings_joystick.json"));
}

}  // namespace
