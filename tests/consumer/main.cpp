// An application in C++ built against the installed package with
// find_package: checks the version macros against the package version,
// catches an exception of OLVA_CreateRuntime by its nlohmann json type (the
// package pins that version), then creates the installed simulated runtime
// and makes forwarded calls, one of them through dlsym and a PFN_ type.
#include <olva/olva_framework.h>

#include <nlohmann/json.hpp>

#include <dlfcn.h>

#include <cstdio>
#include <string>

static_assert(OLVA_VERSION_MAJOR == OLVA_EXPECTED_VERSION_MAJOR && OLVA_VERSION_MINOR == OLVA_EXPECTED_VERSION_MINOR &&
                  OLVA_VERSION_PATCH == OLVA_EXPECTED_VERSION_PATCH,
              "the header's version macros match the package version");

namespace {

int Fail(const std::string& what)
{
    std::fprintf(stderr, "olva_consumer_cpp: %s\n", what.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    const std::string runtimePath = argc > 1 ? argv[1] : OLVA_CONSUMER_SIM_RUNTIME;
    if (runtimePath.empty()) {
        return Fail("no simulated runtime installed and none named on the command line");
    }

    // The library's exception reaches the application with a type it can
    // name, because both use the same nlohmann json version.
    const OLVA_RuntimeCreateInfo broken = {"{\"olvaruntimepath\": "};
    void* runtime = nullptr;
    bool caught = false;
    try {
        OLVA_CreateRuntime(&broken, &runtime);
    } catch (const nlohmann::json::parse_error& e) {
        caught = e.id == 101;
    } catch (...) {
        return Fail("a broken configuration threw something other than nlohmann::json::parse_error");
    }
    if (!caught) {
        return Fail("a broken configuration did not throw parse_error 101");
    }

    const nlohmann::json config = {
        {"olvaruntimepath", runtimePath},
        {"simulation",
         {{"controllers", {{"left", "touch"}}}, {"timeline", {{{"frame", 0}, {"left", {{"trigger", 0.5}}}}}}}}};
    const std::string text = config.dump();
    const OLVA_RuntimeCreateInfo info = {text.c_str()};
    if (const int32_t result = OLVA_CreateRuntime(&info, &runtime); result != 0) {
        return Fail("OLVA_CreateRuntime returned " + std::to_string(result));
    }

    const auto waitFrame = reinterpret_cast<PFN_OLVA_WaitFrame>(dlsym(RTLD_DEFAULT, "OLVA_WaitFrame"));
    if (waitFrame == nullptr) {
        return Fail("OLVA_WaitFrame is not exported");
    }
    if (const int32_t result = waitFrame(runtime, nullptr); result != 0) {
        return Fail("OLVA_WaitFrame returned " + std::to_string(result));
    }
    OLVA_Vector2f trigger = {};
    // Analog id 4 is the touch controller's trigger.
    const int32_t read = OLVA_GetInputAnalogState(runtime, OLVA_DEVICE_TYPE_LEFT_CONTROLLER, OLVA_INPUT_TYPE_TOUCH,
                                                  4, &trigger);
    OLVA_DestroyRuntime(runtime);
    std::printf("olva %d.%d.%d: caught parse_error, left trigger %.2f (result %d)\n", OLVA_VERSION_MAJOR,
                OLVA_VERSION_MINOR, OLVA_VERSION_PATCH, trigger.x, read);
    return read == 0 && trigger.x == 0.5f ? 0 : 1;
}
