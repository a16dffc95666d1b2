// The document functions on their own: reading, selection, path joining,
// threshold conversion and the located reasons of the shape checks.
#include "input/documents.h"
#include "input_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <string>

namespace olva::input {
namespace {

using olva::test::DataPath;

Json::Value Parse(const std::string& text)
{
    Json::Value value;
    std::string errors;
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    EXPECT_TRUE(reader->parse(text.data(), text.data() + text.size(), &value, &errors)) << text << errors;
    return value;
}

std::string WriteTempFile(const std::string& name, const std::string& content)
{
    const std::string path = testing::TempDir() + name;
    std::ofstream(path, std::ios::binary) << content;
    return path;
}

TEST(Utf8, AcceptsWellFormedAndRejectsTheRest)
{
    struct Row {
        std::string text;
        bool valid;
    };
    const Row rows[] = {
        {"plain/ascii.json", true},
        {"\xC3\xA9t\xC3\xA9/\xE4\xB8\xAD/\xF0\x9F\x98\x80", true},  // é, 中, U+1F600
        {"\xF4\x8F\xBF\xBF", true},                                 // U+10FFFF
        {"\xFF.json", false},
        {"\xC3", false},              // truncated
        {"\xC0\xAF", false},          // overlong "/"
        {"\xE0\x80\xAF", false},      // overlong, three bytes
        {"\xED\xA0\x80", false},      // surrogate
        {"\xF4\x90\x80\x80", false},  // beyond U+10FFFF
        {"\x80", false},              // lone continuation byte
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::PrintToString(row.text));
        EXPECT_EQ(IsValidUtf8(row.text), row.valid);
    }
}

TEST(ReadJsonDocument, StatusForEachKindOfFile)
{
    Json::Value value(7);
    DocumentError error;

    EXPECT_EQ(ReadJsonDocument(DataPath("no/such/file.json"), value, &error), ReadStatus::Unopened);
    EXPECT_EQ(value, Json::Value(Json::objectValue));

    value = 7;
    EXPECT_EQ(ReadJsonDocument(DataPath("three_kinds"), value, &error), ReadStatus::Unopened);  // a directory
    EXPECT_EQ(value, Json::Value(Json::objectValue));

    value = 7;
    EXPECT_EQ(ReadJsonDocument(DataPath("\xFF/manifest.json"), value, &error), ReadStatus::InvalidPath);
    EXPECT_EQ(value, Json::Value(7));
    EXPECT_EQ(error.reason, "the path is not valid UTF-8");

    EXPECT_EQ(ReadJsonDocument(WriteTempFile("empty.json", ""), value, &error), ReadStatus::InvalidJson);
    EXPECT_EQ(value, Json::Value(7));
    EXPECT_EQ(error.reason, "not valid JSON: Line 1, Column 1: Syntax error: value, object or array expected.");

    // Stream extraction's defaults: comments allowed, text after the value ignored.
    const std::string lenient = WriteTempFile("lenient.json", "// note\n{\"a\": 1 /* one */} trailing");
    ASSERT_EQ(ReadJsonDocument(lenient, value, &error), ReadStatus::Parsed);
    EXPECT_EQ(value["a"], Json::Value(1));

    const std::string deep = WriteTempFile("deep.json", std::string(5000, '['));
    EXPECT_EQ(ReadJsonDocument(deep, value, &error), ReadStatus::InvalidJson);
}

TEST(BindingFilePath, JoinsTheManifestDirectoryWithASlash)
{
    struct Row {
        const char* manifest;
        const char* url;
        const char* expected;
    };
    const Row rows[] = {
        {"/data/app/manifest.json", "touch.json", "/data/app/touch.json"},
        {"C:\\app\\manifest.json", "touch.json", "C:\\app/touch.json"},
        {"/data/app\\sub/m.json", "b.json", "/data/app\\sub/b.json"},
        {"/data/app/sub\\m.json", "b.json", "/data/app/sub/b.json"},
        {"manifest.json", "touch.json", "/touch.json"},
        {"/data/app/manifest.json", "/touch.json", "/data/app//touch.json"},
        {"/manifest.json", "b/c.json", "/b/c.json"},
        {"/data/app/", "", "/data/app/"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::string(row.manifest) + " + " + row.url);
        EXPECT_EQ(BindingFilePath(row.manifest, row.url), row.expected);
    }
}

TEST(ReadThreshold, NumbersAndNumericTexts)
{
    struct Row {
        Json::Value parameter;
        bool ok;
        double value;
    };
    const Row rows[] = {
        {Json::Value(), true, -1.0},
        {Json::Value(0.75), true, 0.75},
        {Json::Value(1), true, 1.0},
        {Json::Value(Json::UInt64{3}), true, 3.0},
        {Json::Value("0.75"), true, 0.75},
        {Json::Value("  0.5xyz"), true, 0.5},
        {Json::Value("-2e-1"), true, -0.2},
        {Json::Value(""), false, 0},
        {Json::Value("half"), false, 0},
        {Json::Value("1e999"), false, 0},
        {Json::Value(true), false, 0},
        {Json::Value(Json::arrayValue), false, 0},
        {Json::Value(Json::objectValue), false, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.parameter.toStyledString());
        double value = 123.0;
        EXPECT_EQ(ReadThreshold(row.parameter, value), row.ok);
        EXPECT_DOUBLE_EQ(value, row.ok ? row.value : 123.0);
    }
}

TEST(InputCategory, ExactLetterCase)
{
    const std::pair<const char*, const char*> rows[] = {
        {"/input/a", "button"},        {"/input/y", "button"},        {"/input/menu", "button"},
        {"/input/system", "button"},   {"/input/application_menu", "button"},
        {"/input/trigger", "trigger"}, {"/input/grip", "trigger"},    {"/INPUT/TRIGGER", "joystick"},
        {"/input/joystick", "joystick"}, {"/input/trackpad", "joystick"}, {"", "joystick"},
    };
    for (const auto& [path, category] : rows) {
        SCOPED_TRACE(path);
        EXPECT_EQ(InputCategoryOf(path), category);
    }
}

TEST(DefaultBindingSelection, LastEntryOfEachKindIgnoringCase)
{
    const Json::Value manifest = Parse(R"({"default_bindings": [
        {"controller_type": "OLVA_JOYSTICK"}, {"controller_type": "olva_touch"}, {"controller_type": "OLVA_JoyStick"},
        {"controller_type": "OLVA_Touchpad"}, {"controller_type": "OLVA_GamePad"}, {"controller_type": ""}]})");
    const DefaultBindingIndexes indexes = ScanDefaultBindings(manifest);
    EXPECT_EQ(indexes.joystick, 2);
    EXPECT_EQ(indexes.touch, 1);
    EXPECT_EQ(indexes.gamepad, 4);
}

TEST(DefaultBindingSelection, OrderOfRulesAndTheEntriesItInserts)
{
    const DefaultBindingIndexes all{0, 1, 2};  // touch, joystick, gamepad
    struct Row {
        const char* name;
        ControllerTable table;
        DefaultBindingIndexes indexes;
        int chosen;
        SelectionRule rule;
        ControllerTable after;
    };
    const Row rows[] = {
        {"left joystick wins", {{3, 2}, {4, 3}, {13, 4}}, all, 1, SelectionRule::LeftJoystick, {{3, 2}, {4, 3}, {13, 4}}},
        {"left joystick without entry", {{3, 2}, {4, 3}}, {0, -1, 2}, 0, SelectionRule::RightTouch, {{3, 2}, {4, 3}}},
        {"right touch", {{3, 2}, {4, 2}}, all, 0, SelectionRule::RightTouch, {{3, 2}, {4, 2}}},
        {"gamepad", {{3, 1}, {4, 1}, {13, 4}}, all, 2, SelectionRule::Gamepad, {{3, 1}, {4, 1}, {13, 4}}},
        {"gamepad without entry", {{13, 4}}, {0, 1, -1}, 1, SelectionRule::JoystickFallback, {{3, 0}, {4, 0}, {13, 4}}},
        {"fallback on empty table", {}, all, 1, SelectionRule::JoystickFallback, {{3, 0}, {4, 0}, {13, 0}}},
        {"nothing selectable", {}, {0, -1, 2}, -1, SelectionRule::JoystickFallback, {{3, 0}, {4, 0}, {13, 0}}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        ControllerTable table = row.table;
        const BindingSelection selection = SelectDefaultBinding(row.indexes, table);
        EXPECT_EQ(selection.chosen, row.chosen);
        EXPECT_EQ(selection.rule, row.rule);
        EXPECT_EQ(table, row.after);
    }
}

TEST(StoredInputType, WhatEachDeviceKeeps)
{
    EXPECT_EQ(StoredInputType(13, 4), 4);
    EXPECT_EQ(StoredInputType(13, 3), 1);
    EXPECT_EQ(StoredInputType(4, 3), 3);
    EXPECT_EQ(StoredInputType(4, 2), 2);
    EXPECT_EQ(StoredInputType(3, 4), 1);
    EXPECT_EQ(StoredInputType(3, 0), 1);  // an answer that was never written
    EXPECT_EQ(StoredInputType(3, (uint64_t{1} << 32) | 2), 1);
}

TEST(ShapeChecks, NameTheFileTheLocationAndTheReason)
{
    struct Row {
        const char* document;
        const char* location;
        const char* reason;
    };
    const Row manifests[] = {
        {R"([1])", "", "the top level must be an object"},
        {R"({"default_bindings": [{"controller_type": "OLVA_Touch"}, {"controller_type": 3}]})",
         "default_bindings[1].controller_type", "must be a string"},
        {R"({"action_sets": [{"name": "/actions/a"}, {"name": "/b", "usage": []}]})", "action_sets[1].usage",
         "must be a string"},
        {R"({"actions": [{"name": "a"}, {"type": "boolean"}]})", "actions[1].name", "must be a string"},
    };
    for (const Row& row : manifests) {
        SCOPED_TRACE(row.document);
        const auto error = ValidateManifest(Parse(row.document), "m.json");
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->file, "m.json");
        EXPECT_EQ(error->location, row.location);
        EXPECT_EQ(error->reason, row.reason);
    }

    const Row bindings[] = {
        {R"({"bindings": {"/actions/main": {"sources": [{}, {"path": "/user/hand/left/x", "parameters":
            {"click_deactivate_threshold": "x"}, "inputs": {"click": {"output": "a"}}}]}}})",
         "bindings[\"/actions/main\"].sources[1].parameters.click_deactivate_threshold",
         "must be a number or a text holding one"},
        {R"({"bindings": {"/actions/main": {"sources": [{"inputs": {"north": {"output": false}}}]}}})",
         "bindings[\"/actions/main\"].sources[0].inputs.north.output", "must be a string"},
    };
    for (const Row& row : bindings) {
        SCOPED_TRACE(row.document);
        const auto error = ValidateBindings(Parse(row.document), {"/actions/main"}, "b.json");
        ASSERT_TRUE(error.has_value());
        EXPECT_EQ(error->file, "b.json");
        EXPECT_EQ(error->location, row.location);
        EXPECT_EQ(error->reason, row.reason);
    }

    std::string url;
    const auto unselectable = ReadBindingUrl(Parse("{}"), -1, "m.json", url);
    ASSERT_TRUE(unselectable.has_value());
    EXPECT_EQ(unselectable->location, "default_bindings");
}

TEST(ShapeChecks, OnlyTheNamedSetsAreLookedAt)
{
    const Json::Value bindings = Parse(R"({"bindings": {"/actions/other": 5, "/actions/main": {"sources": []}}})");
    EXPECT_FALSE(ValidateBindings(bindings, {"/actions/main"}, "b.json").has_value());
    EXPECT_TRUE(ValidateBindings(bindings, {"/actions/main", "/actions/other"}, "b.json").has_value());
    // With no set to build, the binding document is never read.
    EXPECT_FALSE(ValidateBindings(Parse("[1, 2]"), {}, "b.json").has_value());
}

}  // namespace
}  // namespace olva::input
