/* Creates the runtime named on the command line and makes one forwarded
 * call; exits 0 when both answer 0. */
#include <olva/olva_framework.h>

#include <stdio.h>

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: olva_consumer RUNTIME_LIBRARY\n");
        return 2;
    }
    char config[4096];
    snprintf(config, sizeof config, "{\"olvaruntimepath\": \"%s\"}", argv[1]);
    OLVA_RuntimeCreateInfo info = {config};
    void* runtime = NULL;
    int32_t created = OLVA_CreateRuntime(&info, &runtime);
    int32_t waited = OLVA_WaitFrame(runtime, NULL);
    printf("create %d, wait frame %d\n", created, waited);
    return created == 0 && waited == 0 ? 0 : 1;
}
