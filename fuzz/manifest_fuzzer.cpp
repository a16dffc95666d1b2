// Fuzzes an action manifest and its binding file together, then drives the
// loaded actions through several frames of controller state.
//
// One input holds three parts separated by NUL bytes: the manifest text, the
// binding text, and bytes that script the controllers (device kinds, then
// per frame the connection, click and touch masks and analog values). The
// manifest is written as manifest.json and the binding text as
// binding.json beside it, so a manifest whose "binding_url" is
// "binding.json" loads the fuzzed bindings.
//
// Each input starts from a fresh registry. The input entry points must
// never let an exception out (std::terminate would end the run), must
// answer only their documented results, and a rejected manifest must leave
// the registry untouched; anything else aborts.
#include "input/olva_input.h"
#include "runtime/test_runtime.h"

#include <olva/olva_framework.h>

#include <dlfcn.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <vector>

namespace {

using olva::test::RuntimeState;

void* g_runtime = nullptr;
RuntimeState* g_state = nullptr;
std::string g_directory;

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "manifest_fuzzer finding: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        Finding(what);
    }
}

void WriteFile(const std::string& path, std::string_view bytes)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    Require(file != nullptr, "cannot write the fuzz input's files");
    if (!bytes.empty()) {
        std::fwrite(bytes.data(), 1, bytes.size(), file);
    }
    std::fclose(file);
}

// Reads the controller script; past its end every byte reads as 0.
class Script {
public:
    explicit Script(std::string_view bytes) : m_bytes(bytes) {}

    uint8_t Byte() { return m_next < m_bytes.size() ? static_cast<uint8_t>(m_bytes[m_next++]) : 0; }

    uint64_t Mask()
    {
        // Mostly a few set bits from one byte each, sometimes eight raw bytes.
        const uint8_t form = Byte();
        if (form & 0x80) {
            uint64_t mask = 0;
            for (int i = 0; i < 8; ++i) {
                mask = (mask << 8) | Byte();
            }
            return mask;
        }
        uint64_t mask = 0;
        for (int i = 0; i < (form & 3); ++i) {
            mask |= uint64_t{1} << (Byte() % 64);
        }
        return mask;
    }

    float Analog()
    {
        // Usually -1.28..1.27, rarely raw bits (NaN, infinities, denormals).
        const uint8_t form = Byte();
        if (form == 0xFF) {
            uint32_t bits = 0;
            for (int i = 0; i < 4; ++i) {
                bits = (bits << 8) | Byte();
            }
            float value;
            std::memcpy(&value, &bits, sizeof value);
            return value;
        }
        return static_cast<int8_t>(form) / 100.0f;
    }

private:
    std::string_view m_bytes;
    std::size_t m_next = 0;
};

constexpr OLVA_DeviceType kDevices[] = {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER,
                                        OLVA_DEVICE_TYPE_GAMEPAD};
constexpr uint32_t kAnalogInputIds[] = {3, 4, 5, 7, 8, 9};
constexpr int kFrames = 4;

void ScriptDevices(Script& script)
{
    g_state->supportedDevices = 0;
    for (OLVA_DeviceType device : kDevices) {
        const uint8_t kind = script.Byte();
        if (kind & 0x80) {
            g_state->supportedDevices |= uint64_t{1} << device;
        }
        auto& d = g_state->devices[device];
        d.inputType = kind % 6;  // 0..5: every kind, plus some no runtime reports
        d.writesInputType = (kind & 0x40) == 0;
    }
}

void ScriptFrame(Script& script)
{
    for (OLVA_DeviceType device : {OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_DEVICE_TYPE_LEFT_CONTROLLER}) {
        auto& d = g_state->devices[device];
        const uint8_t flags = script.Byte();
        d.connected = (flags & 1) == 0;
        d.clickStates = script.Mask();
        d.touchStates = script.Mask();
        for (uint32_t id : kAnalogInputIds) {
            d.idConfiguration[id] = (flags & 2) ? script.Byte() : 0xFF;
            d.idConfigurationResult[id] = (flags & 4) ? -1 : 0;
            d.writesAnalog[id] = (flags & 8) == 0;
            d.analogResult[id] = 0;
            d.analog[id] = {script.Analog(), script.Analog()};
        }
    }
}

bool Answered(int32_t result) { return result == 0 || result == OLVA_RESULT_INVALID_ARGUMENT; }

// Every string in the manifest's declared "name" members, as lookups use them.
std::vector<std::string> DeclaredNames(const Json::Value& manifest, const char* arrayKey)
{
    std::vector<std::string> names;
    if (!manifest.isObject() || !manifest[arrayKey].isArray()) {
        return names;
    }
    for (const Json::Value& element : manifest[arrayKey]) {
        if (element.isObject() && element["name"].isString()) {
            names.push_back(element["name"].asString());
        }
    }
    return names;
}

void QueryEveryAction(const std::vector<unsigned long>& sources)
{
    std::vector<unsigned long> actions;
    for (const auto& entry : olva_input::getInstance()->m_actionMap) {
        actions.push_back(reinterpret_cast<unsigned long>(entry.second));
    }
    for (unsigned long action : actions) {
        for (unsigned long source : sources) {
            OLVA_XrInputDigitalActionData digital;
            Require(Answered(OLVA_GetXrActionDigitalData(g_runtime, action, &digital, 0, source)),
                    "undocumented digital result");
            Require(digital.isActive <= 1 && digital.currentState <= 1 && digital.changedSinceLastSync <= 1,
                    "digital flag other than 0 or 1");
            Require(digital.time <= 0, "positive digital time");
            OLVA_XrInputAnalogActionData analog;
            Require(Answered(OLVA_GetXrActionAnalogData(g_runtime, action, &analog, 0, source)),
                    "undocumented analog result");
            Require(analog.isActive <= 1, "analog flag other than 0 or 1");
            Require(analog.z == 0.0f && analog.deltaZ == 0.0f, "analog z other than 0");
            Require(analog.time <= 0, "positive analog time");
        }
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    char directory[] = "/tmp/olva_manifest_fuzzer.XXXXXX";
    Require(mkdtemp(directory) != nullptr, "cannot make a directory for the fuzz input's files");
    g_directory = directory;

    void* module = dlopen(OLVA_FUZZ_TEST_RUNTIME, RTLD_NOW);
    Require(module != nullptr, "cannot open the test runtime");
    const auto stateOf =
        reinterpret_cast<olva::test::PFN_olva_test_runtime_state>(dlsym(module, "olva_test_runtime_state"));
    Require(stateOf != nullptr, "the test runtime has no control block");
    g_state = stateOf();

    const std::string config = std::string(R"({"olvaruntimepath": ")") + OLVA_FUZZ_TEST_RUNTIME + R"("})";
    const OLVA_RuntimeCreateInfo info = {config.c_str()};
    Require(OLVA_CreateRuntime(&info, &g_runtime) == 0 && g_runtime != nullptr, "cannot create the test runtime");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t firstNul = input.find('\0');
    const std::string_view manifestText = input.substr(0, firstNul);
    std::string_view bindingText;
    std::string_view scriptBytes;
    if (firstNul != std::string_view::npos) {
        const std::string_view rest = input.substr(firstNul + 1);
        const std::size_t secondNul = rest.find('\0');
        bindingText = rest.substr(0, secondNul);
        if (secondNul != std::string_view::npos) {
            scriptBytes = rest.substr(secondNul + 1);
        }
    }

    // A fresh registry and edge flags for every input, so that each input
    // is judged on its own and the first update builds its action sets.
    olva_input* registry = olva_input::getInstance();
    std::destroy_at(registry);
    ::new (registry) olva_input();
#define OLVA_CLEAR_EDGE_FLAG_(flag) flag = false;
    OLVA_EDGE_FLAGS(OLVA_CLEAR_EDGE_FLAG_)
#undef OLVA_CLEAR_EDGE_FLAG_
    *g_state = RuntimeState{};
    g_state->recordOnly = false;

    const std::string manifestPath = g_directory + "/manifest.json";
    WriteFile(manifestPath, manifestText);
    WriteFile(g_directory + "/binding.json", bindingText);

    Script script(scriptBytes);
    ScriptDevices(script);

    const int32_t loaded = OLVA_XrActionManifestPath(g_runtime, manifestPath.c_str());
    Require(Answered(loaded), "undocumented manifest result");
    if (loaded != 0) {
        Require(registry->m_actionMap.empty() && registry->m_actionSetMap.empty() &&
                    registry->m_inputValueMap.empty() && registry->m_deviceInputTypes.empty() &&
                    registry->m_manifest.isNull() && registry->m_bindings.isNull() && !registry->m_actionSetsBuilt,
                "a rejected manifest changed the registry");
    }

    // What an application does next: handles for what the manifest declares
    // and for the four user paths.
    for (const std::string& name : DeclaredNames(registry->m_manifest, "action_sets")) {
        unsigned long handle = 0;
        OLVA_GetXrActionSetHandle(g_runtime, name.c_str(), &handle);
    }
    for (const std::string& name : DeclaredNames(registry->m_manifest, "actions")) {
        unsigned long handle = 0;
        Require(OLVA_GetXrActionHandle(g_runtime, name.c_str(), &handle) == 0 && handle != 0,
                "an action lookup failed");
    }
    std::vector<unsigned long> sources = {0};
    for (const char* path : {"/user/hand/left", "/user/hand/right", "/user/head", "/user/gamepad"}) {
        unsigned long handle = 0;
        Require(OLVA_GetXrInputSourceHandle(g_runtime, path, &handle) == 0 && handle != 0,
                "an input source lookup failed");
        sources.push_back(handle);
    }

    for (int frame = 0; frame < kFrames; ++frame) {
        ScriptFrame(script);
        Require(Answered(OLVA_UpdateXrActionState(g_runtime, nullptr, 0, 0)), "undocumented update result");
        QueryEveryAction(sources);
    }
    return 0;
}
