/* A minimal runtime library: one joystick controller in the right hand. Its
 * A button is down on odd frames and its trigger rests half way.
 *
 *   cc -shared -fPIC -fvisibility=hidden -Wl,-Bsymbolic -Iinclude \
 *      docs/examples/minimal_runtime.c -o libminimal_runtime.so
 */
#include <olva/olva_framework.h>

#include <stdlib.h>

#define EXPORT __attribute__((visibility("default")))

/* Joystick controller: mask bit of the A button, analog input ids. */
#define A_BIT 1
#define POSITION_ID 9
#define TRIGGER_ID 8
#define GRIP_ID 7

struct runtime {
    uint64_t frame;
};

static int is_right_joystick(OLVA_DeviceType device, OLVA_Device_InputType inputType)
{
    return device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER && inputType == OLVA_INPUT_TYPE_JOYSTICK;
}

EXPORT int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime)
{
    (void)createInfo; /* createInfo->configJson may hold this runtime's own keys */
    struct runtime* created = calloc(1, sizeof *created);
    if (created == NULL) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *runtime = created;
    return 0;
}

EXPORT int32_t OLVA_DestroyRuntime(void* runtime)
{
    free(runtime);
    return 0;
}

EXPORT int32_t OLVA_WaitFrame(void* runtime, void* frameState)
{
    (void)frameState;
    ((struct runtime*)runtime)->frame++;
    return 0;
}

EXPORT int32_t OLVA_GetSupportedDevices(void* runtime, uint64_t* deviceMask)
{
    (void)runtime;
    *deviceMask = (uint64_t)1 << OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
    return 0;
}

EXPORT int32_t OLVA_GetSupportedDeviceInputType(void* runtime, OLVA_DeviceType device, uint64_t* inputType)
{
    (void)runtime;
    if (device != OLVA_DEVICE_TYPE_RIGHT_CONTROLLER) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *inputType = OLVA_INPUT_TYPE_JOYSTICK;
    return 0;
}

EXPORT int32_t OLVA_IsDeviceConnected(void* runtime, OLVA_DeviceType device, uint32_t* connected)
{
    (void)runtime;
    *connected = device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER;
    return 0;
}

EXPORT int32_t OLVA_GetInputClickStates(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                        uint64_t* clickStates)
{
    const struct runtime* r = runtime;
    if (!is_right_joystick(device, inputType)) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    *clickStates = r->frame % 2 == 1 ? (uint64_t)1 << A_BIT : 0;
    return 0;
}

EXPORT int32_t OLVA_GetInputTouchStates(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                        uint64_t* touchStates)
{
    /* A button that is down is touched too. */
    return OLVA_GetInputClickStates(runtime, device, inputType, touchStates);
}

EXPORT int32_t OLVA_GetInputIdConfiguration(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                            uint32_t inputId, uint64_t* configuration)
{
    (void)runtime;
    if (!is_right_joystick(device, inputType)) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    switch (inputId) {
    case POSITION_ID:
        *configuration = 0x8; /* two axes */
        return 0;
    case TRIGGER_ID:
    case GRIP_ID:
        *configuration = 0x4; /* one axis */
        return 0;
    default:
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
}

EXPORT int32_t OLVA_GetInputAnalogState(void* runtime, OLVA_DeviceType device, OLVA_Device_InputType inputType,
                                        uint32_t inputId, OLVA_Vector2f* value)
{
    (void)runtime;
    if (!is_right_joystick(device, inputType)) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    switch (inputId) {
    case POSITION_ID:
    case GRIP_ID:
        value->x = 0.0f;
        value->y = 0.0f;
        return 0;
    case TRIGGER_ID:
        value->x = 0.5f;
        value->y = 0.0f;
        return 0;
    default:
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
}
