// Hostile action manifests and binding files through the exported entry
// points: paths that are directories, FIFOs without a writer or not valid
// UTF-8, nesting beyond the JSON reader's limit, and very long names. Each
// case gives its result code, and a rejected load leaves the registry
// exactly as an earlier good load left it.
#include "input_fixture.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <fcntl.h>
#include <limits.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <future>
#include <string>

namespace olva::test {
namespace {

namespace fs = std::filesystem;

// A scratch directory, removed with everything in it.
class ScratchDirectory {
public:
    ScratchDirectory()
    {
        std::string pattern = (fs::temp_directory_path() / "olva_hostile.XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            ADD_FAILURE() << "cannot make a scratch directory";
        }
        m_path = pattern;
    }
    ~ScratchDirectory()
    {
        std::error_code ignored;
        fs::remove_all(m_path, ignored);
    }
    std::string Write(const std::string& name, const std::string& text) const
    {
        const std::string path = m_path + "/" + name;
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }
    std::string Path(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

std::string Manifest(const std::string& bindingUrl, const std::string& setName = "/actions/main",
                     const std::string& actionName = "press", const std::string& extraMember = "")
{
    return R"({"default_bindings": [{"controller_type": "OLVA_JoyStick", "binding_url": ")" + bindingUrl +
           R"("}], "action_sets": [{"name": ")" + setName + R"(", "usage": "leftright"}], "actions": [{"name": ")" +
           actionName + R"(", "type": "boolean"}])" + extraMember + "}";
}

std::string Binding(const std::string& setName = "/actions/main", const std::string& actionName = "press",
                    const std::string& extraMember = "")
{
    return R"({"bindings": {")" + setName +
           R"(": {"sources": [{"path": "/user/hand/right/input/trigger", "mode": "button", "inputs": {"click": {"output": ")" +
           actionName + R"("}}}]}})" + extraMember + "}";
}

std::string Nested(std::size_t depth) { return std::string(depth, '[') + std::string(depth, ']'); }

// Loads the manifest at path on another thread and gives up waiting after a
// while: a load that blocks (a FIFO opened for reading waits for a writer)
// is released by opening the FIFO for writing, and reported.
int32_t LoadWithoutBlocking(void* runtime, const std::string& path, const std::string& fifoToRelease = "")
{
    auto load = std::async(std::launch::async, [&] { return OLVA_XrActionManifestPath(runtime, path.c_str()); });
    if (load.wait_for(std::chrono::seconds(10)) == std::future_status::timeout) {
        ADD_FAILURE() << "loading " << path << " blocked";
        if (!fifoToRelease.empty()) {
            const int writer = open(fifoToRelease.c_str(), O_WRONLY | O_NONBLOCK);
            if (writer >= 0) {
                close(writer);
            }
        }
    }
    return load.get();
}

class HostileDocuments : public ProcessStateTest {
protected:
    void SetUp() override
    {
        m_runtime = CreateRuntime();
        Report(StateOf(kFullRuntime), {OLVA_INPUT_TYPE_JOYSTICK, OLVA_INPUT_TYPE_JOYSTICK, 0});
        // A good load first, so that "unchanged" means something.
        m_scratch.Write("good_binding.json", Binding());
        ASSERT_EQ(OLVA_XrActionManifestPath(m_runtime, m_scratch.Write("good.json", Manifest("good_binding.json")).c_str()),
                  0);
        unsigned long action = 0;
        ASSERT_EQ(OLVA_GetXrActionHandle(m_runtime, "press", &action), 0);
    }

    void ExpectRejectedAndUnchanged(const std::string& manifestPath, const std::string& fifo = "")
    {
        const RegistryState before = RegistryState::Of(*olva_input::getInstance());
        EXPECT_EQ(LoadWithoutBlocking(m_runtime, manifestPath, fifo), OLVA_RESULT_INVALID_ARGUMENT);
        EXPECT_TRUE(RegistryState::Of(*olva_input::getInstance()) == before);
    }

    void* m_runtime = nullptr;
    ScratchDirectory m_scratch;
};

TEST_F(HostileDocuments, AManifestThatIsNotARegularFileReadsAsEmptyAndIsRejected)
{
    // An empty manifest has no default binding to select.
    fs::create_directory(m_scratch.Path("directory.json"));
    ASSERT_EQ(mkfifo(m_scratch.Path("fifo.json").c_str(), 0600), 0);
    ASSERT_EQ(symlink(m_scratch.Path("fifo.json").c_str(), m_scratch.Path("link_to_fifo.json").c_str()), 0);

    for (const char* name : {"directory.json", "fifo.json", "link_to_fifo.json", "missing.json"}) {
        SCOPED_TRACE(name);
        ExpectRejectedAndUnchanged(m_scratch.Path(name), m_scratch.Path("fifo.json"));
    }
    {
        SCOPED_TRACE("the directory itself, with a trailing slash");
        ExpectRejectedAndUnchanged(m_scratch.Path("directory.json") + "/");
    }
}

TEST_F(HostileDocuments, ABindingFileThatIsNotARegularFileReadsAsEmptyAndLoads)
{
    fs::create_directory(m_scratch.Path("binding_directory"));
    ASSERT_EQ(mkfifo(m_scratch.Path("binding_fifo").c_str(), 0600), 0);
    for (const char* url : {"binding_directory", "binding_fifo", "."}) {
        SCOPED_TRACE(url);
        const std::string manifest = m_scratch.Write("manifest.json", Manifest(url));
        EXPECT_EQ(LoadWithoutBlocking(m_runtime, manifest, m_scratch.Path("binding_fifo")), 0);
        const olva_input& input = *olva_input::getInstance();
        EXPECT_TRUE(input.m_bindings.isObject() && input.m_bindings.empty());
    }
}

TEST_F(HostileDocuments, AManifestPathThatIsNotValidUtf8IsRejected)
{
    // Each file exists under its byte name, so only the path check refuses.
    const std::string manifest = Manifest("good_binding.json");
    const struct {
        const char* name;
        std::string fileName;
    } rows[] = {
        {"stray continuation byte", "\x80.json"},
        {"invalid bytes", "\xff\xfe.json"},
        {"overlong slash", "\xc0\xaf.json"},
        {"encoded surrogate", "\xed\xa0\x80.json"},
        {"beyond U+10FFFF", "\xf4\x90\x80\x80.json"},
        {"truncated sequence", "m\xe2\x82"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        ASSERT_TRUE(fs::exists(m_scratch.Write(row.fileName, manifest)));
        ExpectRejectedAndUnchanged(m_scratch.Path(row.fileName));
    }
}

TEST_F(HostileDocuments, NestingBeyondTheReadersLimitIsRejected)
{
    // JsonCpp's reader recurses per level and stops at 1000 levels; deeper
    // documents are refused before any recursion could exhaust the stack.
    constexpr std::size_t kDeep = 200000;
    const std::string deepMember = R"(, "deep": )" + Nested(kDeep);
    {
        SCOPED_TRACE("deep member in the manifest");
        ExpectRejectedAndUnchanged(m_scratch.Write("deep_manifest.json", Manifest("good_binding.json", "/actions/main",
                                                                                  "press", deepMember)));
    }
    {
        SCOPED_TRACE("deep member in the binding file");
        m_scratch.Write("deep_binding.json", Binding("/actions/main", "press", deepMember));
        ExpectRejectedAndUnchanged(m_scratch.Write("manifest.json", Manifest("deep_binding.json")));
    }
    {
        SCOPED_TRACE("unterminated deep manifest");
        ExpectRejectedAndUnchanged(m_scratch.Write("open.json", std::string(kDeep, '[')));
    }
    {
        SCOPED_TRACE("within the limit, in an unread member");
        const std::string shallow = R"(, "deep": )" + Nested(900);
        m_scratch.Write("shallow_binding.json", Binding("/actions/main", "press", shallow));
        EXPECT_EQ(OLVA_XrActionManifestPath(
                      m_runtime, m_scratch.Write("shallow.json", Manifest("shallow_binding.json", "/actions/main",
                                                                          "press", shallow))
                                     .c_str()),
                  0);
    }
}

TEST_F(HostileDocuments, VeryLongNamesLoadBuildAndAnswer)
{
    const std::string longSet = "/actions/" + std::string(1 << 20, 's');
    const std::string longAction = std::string(1 << 20, 'A');
    m_scratch.Write("long_binding.json", Binding(longSet, longAction));
    ASSERT_EQ(OLVA_XrActionManifestPath(
                  m_runtime, m_scratch.Write("long.json", Manifest("long_binding.json", longSet, longAction)).c_str()),
              0);

    unsigned long set = 0;
    unsigned long action = 0;
    EXPECT_EQ(OLVA_GetXrActionSetHandle(m_runtime, longSet.c_str(), &set), 0);
    EXPECT_NE(set, 0u);
    ASSERT_EQ(OLVA_GetXrActionHandle(m_runtime, longAction.c_str(), &action), 0);
    EXPECT_EQ(RecordOf<OLVA_XrAction>(action)->type, "boolean");

    RuntimeState* state = StateOf(kFullRuntime);
    state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER].connected = 1;
    state->devices[OLVA_DEVICE_TYPE_RIGHT_CONTROLLER].clickStates = ~0ull;
    ASSERT_EQ(OLVA_UpdateXrActionState(m_runtime, nullptr, 0, 0), 0);
    OLVA_XrInputDigitalActionData data = {};
    ASSERT_EQ(OLVA_GetXrActionDigitalData(m_runtime, action, &data, 0, 0), 0);
    EXPECT_EQ(data.isActive, 1);
    EXPECT_EQ(data.currentState, 1);
}

TEST_F(HostileDocuments, PathsBeyondTheSystemLimitsAreFilesThatCannotBeOpened)
{
    const std::string longComponent(NAME_MAX + 1, 'n');
    std::string longPath = m_scratch.Path("");
    while (longPath.size() <= PATH_MAX) {
        longPath += "d/";
    }
    {
        SCOPED_TRACE("manifest name beyond NAME_MAX");
        ExpectRejectedAndUnchanged(m_scratch.Path(longComponent));
    }
    {
        SCOPED_TRACE("manifest path beyond PATH_MAX");
        ExpectRejectedAndUnchanged(longPath + "m.json");
    }
    {
        SCOPED_TRACE("binding URL beyond NAME_MAX: an empty binding document");
        EXPECT_EQ(OLVA_XrActionManifestPath(m_runtime, m_scratch.Write("manifest.json", Manifest(longComponent)).c_str()),
                  0);
        EXPECT_TRUE(olva_input::getInstance()->m_bindings.empty());
    }
}

}  // namespace
}  // namespace olva::test
