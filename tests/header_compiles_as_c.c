/* The public header compiles as C (this file is built by a C compiler) and
 * its records have the documented layout there too. */
#include <olva/olva_framework.h>

#include <stddef.h>

_Static_assert(sizeof(OLVA_XrInputDigitalActionData) == 32, "digital record size");
_Static_assert(offsetof(OLVA_XrInputDigitalActionData, inputSource) == 8, "digital inputSource");
_Static_assert(offsetof(OLVA_XrInputDigitalActionData, currentState) == 16, "digital currentState");
_Static_assert(offsetof(OLVA_XrInputDigitalActionData, changedSinceLastSync) == 17, "digital changed");
_Static_assert(offsetof(OLVA_XrInputDigitalActionData, time) == 24, "digital time");
_Static_assert(sizeof(OLVA_XrInputAnalogActionData) == 48, "analog record size");
_Static_assert(offsetof(OLVA_XrInputAnalogActionData, x) == 16, "analog x");
_Static_assert(offsetof(OLVA_XrInputAnalogActionData, deltaZ) == 36, "analog deltaZ");
_Static_assert(offsetof(OLVA_XrInputAnalogActionData, time) == 40, "analog time");
_Static_assert(sizeof(OLVA_XrFeatureStartInfo) == 24, "feature start record");
_Static_assert(offsetof(OLVA_RuntimeCreateInfo, configJson) == 0, "configJson first");

/* Called from the C++ test: a C caller reaches the library like any other. */
int olva_c_caller_wait_frame(void)
{
    return OLVA_WaitFrame(NULL, NULL);
}

int olva_c_caller_digital_null_runtime(void)
{
    OLVA_XrInputDigitalActionData data;
    return OLVA_GetXrActionDigitalData(NULL, 0, &data, 0, 0);
}
