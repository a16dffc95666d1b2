/* An application in C built against the installed package: creates the
 * runtime named on the command line (the installed simulated runtime), runs
 * two frames and reads the right controller's pressed inputs through the
 * library. Exits 0 when every answer is the expected one.
 * Built with pkg-config by scripts/install_check.sh and with find_package by
 * CMakeLists.txt beside it; OLVA_EXPECTED_VERSION is the package's version. */
#include <olva/olva_framework.h>

#include <stdio.h>
#include <string.h>

#define OLVA_STR_(x) #x
#define OLVA_STR(x) OLVA_STR_(x)

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: olva_consumer_c SIMULATED_RUNTIME\n");
        return 2;
    }
    const char* headerVersion =
        OLVA_STR(OLVA_VERSION_MAJOR) "." OLVA_STR(OLVA_VERSION_MINOR) "." OLVA_STR(OLVA_VERSION_PATCH);
    if (strcmp(headerVersion, OLVA_EXPECTED_VERSION) != 0) {
        fprintf(stderr, "header version %s, package version %s\n", headerVersion, OLVA_EXPECTED_VERSION);
        return 1;
    }

    /* The trigger of a right-hand joystick controller, pressed from frame 1. */
    char config[4096];
    snprintf(config, sizeof config,
             "{\"olvaruntimepath\": \"%s\", \"simulation\": {\"controllers\": {\"right\": \"joystick\"},"
             " \"timeline\": [{\"frame\": 1, \"right\": {\"pressed\": [\"trigger\"]}}]}}",
             argv[1]);
    OLVA_RuntimeCreateInfo info = {config};
    void* runtime = NULL;
    int32_t created = OLVA_CreateRuntime(&info, &runtime);

    /* Through the public function pointer type, as a dlsym user would. */
    PFN_OLVA_WaitFrame waitFrame = &OLVA_WaitFrame;
    int32_t waited = waitFrame(runtime, NULL);
    if (waited == 0) {
        waited = waitFrame(runtime, NULL);
    }
    uint64_t devices = 0;
    int32_t listed = OLVA_GetSupportedDevices(runtime, &devices);
    uint64_t clicks = 0;
    int32_t read = OLVA_GetInputClickStates(runtime, OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, OLVA_INPUT_TYPE_JOYSTICK,
                                            &clicks);
    int32_t destroyed = OLVA_DestroyRuntime(runtime);

    printf("olva %s: create %d, wait frame %d, devices %d (mask 0x%llx), clicks %d (mask 0x%llx), destroy %d\n",
           headerVersion, created, waited, listed, (unsigned long long)devices, read, (unsigned long long)clicks,
           destroyed);
    int ok = created == 0 && waited == 0 && listed == 0 && read == 0 && destroyed == 0 &&
             devices == (1ull << OLVA_DEVICE_TYPE_RIGHT_CONTROLLER) && clicks == 0x100;
    return ok ? 0 : 1;
}
