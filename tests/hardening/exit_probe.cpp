// Calls the library from an exit handler that runs after the library's own
// singletons are gone: the loader has closed the runtime library and the
// input registry is destroyed. Every call must answer, not crash. A program
// of its own, so that the handler is registered before anything in the
// library is constructed; ctest checks the line it prints.
#include <olva/olva_framework.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const std::string kConfig = std::string(R"({"olvaruntimepath": ")") + OLVA_TEST_RUNTIME_FULL + R"("})";
void* g_runtime = nullptr;
unsigned long g_action = 0;

void CallAfterTheLibraryIsGone()
{
    const OLVA_RuntimeCreateInfo info = {kConfig.c_str()};
    void* created = nullptr;
    OLVA_XrInputDigitalActionData data;
    std::memset(&data, 0xAB, sizeof data);
    const int wait = OLVA_WaitFrame(g_runtime, nullptr);
    OLVA_ReleaseControllerModelData(g_runtime, nullptr);
    const int create = OLVA_CreateRuntime(&info, &created);
    const int update = OLVA_UpdateXrActionState(g_runtime, nullptr, 0, 0);
    const int digital = OLVA_GetXrActionDigitalData(g_runtime, g_action, &data, 0, 0);
    std::printf("after exit: wait %d create %d update %d digital %d cleared %d\n", wait, create, update, digital,
                data.isActive == 0 && data.time == 0);
    std::fflush(stdout);
}

}  // namespace

int main()
{
    // Registered first, so it runs last: after the library's singletons,
    // constructed by the calls below, have been destroyed.
    std::atexit(CallAfterTheLibraryIsGone);
    const OLVA_RuntimeCreateInfo info = {kConfig.c_str()};
    if (OLVA_CreateRuntime(&info, &g_runtime) != 0 ||
        OLVA_XrActionManifestPath(g_runtime, OLVA_FRAME_DATA_DIR "/manifest.json") != 0 ||
        OLVA_GetXrActionHandle(g_runtime, "/actions/game/in/fire", &g_action) != 0 ||
        OLVA_UpdateXrActionState(g_runtime, nullptr, 0, 0) != 0) {
        std::fprintf(stderr, "exit_probe: setting up the runtime failed\n");
        return 3;
    }
    std::printf("before exit: wait %d\n", OLVA_WaitFrame(g_runtime, nullptr));
    return 0;
}
