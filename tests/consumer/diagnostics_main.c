/* An application's debug build using olva_diagnostics from an installed
 * prefix: a bad configuration gives a result and an English message instead
 * of an exception. */
#include <olva/olva_diagnostics.h>

#include <stdio.h>
#include <string.h>

int main(void)
{
    const OLVA_RuntimeCreateInfo info = {"{\"olvaruntimepath\": "};
    void* runtime = NULL;
    char message[256];
    const int32_t result = olva_create_runtime_checked(&info, &runtime, message, sizeof message);
    if (result != OLVA_DIAG_CONFIG_INVALID_JSON || message[0] == '\0') {
        fprintf(stderr, "olva_create_runtime_checked gave %d: \"%s\"\n", (int)result, message);
        return 1;
    }
    printf("diagnostics consumer: %s\n", message);
    return 0;
}
