/*
 * libolva_framework: the layer between an XR application and the vendor XR
 * runtime library.
 *
 * The library does two jobs:
 *  - Runtime loading and forwarding. OLVA_CreateRuntime reads the runtime
 *    configuration text, opens the runtime library it names and resolves the
 *    83 forwarding entry points declared below; each of them then calls the
 *    runtime's function of the same name, or answers with its absent result
 *    (OLVA_RESULT_UNSUPPORTED for all but two) when the runtime lacks it or
 *    none is loaded yet.
 *  - Action-based input. An application loads an action manifest, turns
 *    names into handles, calls OLVA_UpdateXrActionState once per frame and
 *    asks for digital and analog action data.
 *
 * Threads: the library starts none and takes no locks. Only the first-use
 * construction of its two internal singletons is safe against concurrent
 * callers. OLVA_CreateRuntime must not overlap any other call. Once it has
 * returned, forwarded calls only read the dispatch state and may run on
 * several threads at once. The seven input entry points share unsynchronised
 * state (the registry, its records and the 31 edge flags): call them from one
 * thread, or serialise them.
 *
 * Every C entry point has a function pointer type PFN_<name> beside its
 * prototype, for applications that look the functions up with dlsym and for
 * runtime libraries, which export the forwarding entry points they implement
 * under the same names and types.
 *
 * Exceptions and C++ runtimes: OLVA_CreateRuntime lets nlohmann::json
 * exceptions out (see below). An application that catches them by type must
 * be built with the same nlohmann json version as the library (the CMake
 * package requires it) and without JSON_DIAGNOSTICS, which changes the
 * exception types; on Android both must use the shared C++ runtime
 * (c++_shared), or the types differ again.
 *
 * This header compiles as C and as C++.
 */
#ifndef OLVA_FRAMEWORK_H
#define OLVA_FRAMEWORK_H

#include <stdint.h>
#ifndef __cplusplus
#include <stdbool.h>
#endif

#if defined(__GNUC__)
#define OLVA_API __attribute__((visibility("default")))
#else
#define OLVA_API
#endif

/* The library's version; the CMake package and pkg-config file carry the
 * same. The major version changes with every incompatible ABI change. */
#define OLVA_VERSION_MAJOR 2
#define OLVA_VERSION_MINOR 0
#define OLVA_VERSION_PATCH 0

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Result codes ------------------------------------------------------
 * Entry points return a 32-bit signed result: 0 is success, the three codes
 * below are the library's own, and every other value comes from the runtime
 * library unchanged. */
#define OLVA_RESULT_UNSUPPORTED (-2)      /* runtime lacks the function, or none loaded */
#define OLVA_RESULT_INVALID_ARGUMENT (-8) /* an argument or a document is unusable */
#define OLVA_RESULT_INVALID_RUNTIME (-11) /* null runtime handle */
/* The runtime library failed inside a call: it threw a C++ exception, which
 * the library catches so that it never unwinds into the application. The
 * value is INT32_MIN: the library's own codes are small negatives, runtimes
 * report small negative enumeration values, and no enumeration written as a
 * negated positive constant can reach it. */
#define OLVA_RESULT_RUNTIME_FAILURE (-2147483647 - 1)

/* ---- Runtime enumerations (32-bit) ------------------------------------ */
typedef int32_t OLVA_DeviceType;
#define OLVA_DEVICE_TYPE_RIGHT_CONTROLLER 3
#define OLVA_DEVICE_TYPE_LEFT_CONTROLLER 4
#define OLVA_DEVICE_TYPE_GAMEPAD 13

typedef int32_t OLVA_Device_InputType;
#define OLVA_INPUT_TYPE_NONE 0     /* no report */
#define OLVA_INPUT_TYPE_OTHER 1    /* any other kind the runtime reports */
#define OLVA_INPUT_TYPE_TOUCH 2    /* touch controller ("OLVA_Touch") */
#define OLVA_INPUT_TYPE_JOYSTICK 3 /* joystick controller ("OLVA_JoyStick") */
#define OLVA_INPUT_TYPE_GAMEPAD 4  /* gamepad ("OLVA_GamePad") */

/* ---- Records that cross the boundary ---------------------------------- */
typedef struct OLVA_Vector2f {
    float x;
    float y;
} OLVA_Vector2f;

/* First argument of OLVA_CreateRuntime. The library reads configJson, a
 * NUL-terminated JSON object whose "olvaruntimepath" names the runtime
 * library (passed to dlopen unchanged); the record then goes on to the
 * runtime library's own OLVA_CreateRuntime unchanged. */
typedef struct OLVA_RuntimeCreateInfo {
    const char* configJson;
} OLVA_RuntimeCreateInfo;

/* Second argument of OLVA_StartXrFeature. structType and options reach the
 * runtime as the caller wrote them. A feature of exactly 0xFFFFFFFF (32 bits
 * set, not 64) asks for feature 256 when the runtime reports it supported
 * (bit 8 of OLVA_GetSupportedXrFeatures); see OLVA_StartXrFeature below. */
typedef struct OLVA_XrFeatureStartInfo {
    uint64_t structType;
    uint64_t feature;
    void* options;
} OLVA_XrFeatureStartInfo;

#define OLVA_XR_FEATURE_ANY_SUPPORTED 0xFFFFFFFFull
#define OLVA_XR_FEATURE_SUBSTITUTE 256ull

/* Passed to OLVA_UpdateXrActionState. The library never reads through the
 * pointer (every registered action set is always updated); the layout is
 * this library's own and is kept for applications that want to name the
 * sets they consider active. */
typedef struct OLVA_XrActiveActionSet {
    unsigned long actionSet;   /* handle from OLVA_GetXrActionSetHandle */
    unsigned long inputSource; /* handle from OLVA_GetXrInputSourceHandle, or 0 */
} OLVA_XrActiveActionSet;

/* Output of OLVA_GetXrActionDigitalData; natural alignment, 32 bytes. */
typedef struct OLVA_XrInputDigitalActionData {
    uint8_t isActive;             /* the scan ended on a recognised source */
    uint64_t inputSource;         /* hand that produced the values, or 0 */
    uint8_t currentState;         /* input on */
    uint8_t changedSinceLastSync; /* state changed since this source's last report */
    int64_t time;                 /* start minus end of the evaluation, ns: zero or negative */
} OLVA_XrInputDigitalActionData;

/* Output of OLVA_GetXrActionAnalogData; natural alignment, 48 bytes. */
typedef struct OLVA_XrInputAnalogActionData {
    uint8_t isActive;     /* a hand was evaluated and its first source has a path */
    uint64_t inputSource; /* hand that produced the values, or 0 */
    float x;
    float y;
    float z;      /* always 0 */
    float deltaX; /* previous minus present, 0 before the hand's second update */
    float deltaY;
    float deltaZ; /* always 0 */
    int64_t time; /* start minus end of the evaluation, ns: zero or negative */
} OLVA_XrInputAnalogActionData;

/* ---- Forwarding entry points ------------------------------------------
 * Each calls the runtime library's function of the same name with the
 * caller's arguments unchanged and returns its result unchanged. None of
 * them inspects an argument (OLVA_CreateRuntime and OLVA_StartXrFeature
 * test their record pointer, see below). While the runtime lacks the
 * function, or before any OLVA_CreateRuntime, each gives the absent result
 * its comment names: OLVA_RESULT_UNSUPPORTED for all but
 * OLVA_SetPerformanceLevels (false) and OLVA_ReleaseControllerModelData
 * (does nothing). When the runtime's function throws a C++ exception, the
 * exception stops here: the call returns OLVA_RESULT_RUNTIME_FAILURE (false
 * for OLVA_SetPerformanceLevels, nothing for OLVA_ReleaseControllerModelData).
 *
 * OLVA_CreateRuntime re-initialises the loader on every call: it logs one
 * info line ("olva_framework Init version 2.0 2023-11-20", tag "OLVA"),
 * parses createInfo->configJson, opens "olvaruntimepath" with dlopen
 * (RTLD_NOW) and resolves all 83 names, then calls the runtime's own
 * OLVA_CreateRuntime with the same two arguments (OLVA_RESULT_UNSUPPORTED if
 * the runtime lacks it; the loader stays initialised). A null createInfo or
 * configJson returns OLVA_RESULT_INVALID_ARGUMENT and touches neither the
 * loader nor the runtime. It is the one entry point that throws, and C++
 * callers catch these by type:
 *  - nlohmann::json::parse_error: configJson is not valid JSON (comments are
 *    not accepted); nothing stored has changed;
 *  - nlohmann::json::type_error (id 305): the top level is an array, string,
 *    number or boolean;
 *  - const char* "读取runtimePath路径失败": "olvaruntimepath" is missing or
 *    not a string;
 *  - const char* "dlopen调用失败": the library did not open. Addresses
 *    resolved by an earlier successful call stay in use.
 * A call from C must therefore only pass a configuration known to be good.
 * Any other exception (one thrown by the runtime library while it is
 * opened, or by its own OLVA_CreateRuntime) returns
 * OLVA_RESULT_RUNTIME_FAILURE; a null record logs nothing.
 *
 * OLVA_StartXrFeature: a startInfo->feature of exactly 0xFFFFFFFF first asks
 * the runtime (through OLVA_GetSupportedXrFeatures) for its feature mask;
 * when bit 8 is set, the runtime receives a copy of the record with feature
 * 256. Otherwise, and for every other value, the caller's record goes on
 * unchanged. The caller's record is never modified. A null startInfo returns
 * OLVA_RESULT_INVALID_ARGUMENT without calling the runtime.
 *
 * The input system treats a runtime failure like any other failed runtime
 * call. At exit the loader closes the runtime library, forgetting every
 * resolved function first: an exit handler or a destructor that calls an
 * entry point afterwards gets the absent result (OLVA_CreateRuntime:
 * OLVA_RESULT_UNSUPPORTED) instead of a jump into an unloaded library.
 *
 * OLVA_SetSystemSetting has a 32-bit result, like its neighbours. The
 * floating-point argument of OLVA_ResetOrientationAndPosition is a float.
 * The groups follow the order of the library's name table g_funVec. */

/* Rendering and frame loop */
/* Creates a renderer; *renderer receives its handle. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_CreateRenderer)(void* runtime, const void* createInfo, void** renderer);
OLVA_API int32_t OLVA_CreateRenderer(void* runtime, const void* createInfo, void** renderer);
/* Destroys a renderer. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_DestroyRenderer)(void* renderer);
OLVA_API int32_t OLVA_DestroyRenderer(void* renderer);
/* Number of view set configurations of a renderer. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetViewSetCount)(void* renderer, uint32_t* count);
OLVA_API int32_t OLVA_GetViewSetCount(void* renderer, uint32_t* count);
/* Fills count view set configurations. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetViewSetConfigurations)(void* renderer, uint32_t count, void* configurations);
OLVA_API int32_t OLVA_GetViewSetConfigurations(void* renderer, uint32_t count, void* configurations);

/* Texture queue */
/* Texture queue options that answer a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetTextureQueueOptions)(void* renderer, const void* query, void* options);
OLVA_API int32_t OLVA_GetTextureQueueOptions(void* renderer, const void* query, void* options);
/* Texture formats the renderer supports, up to capacity. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedTextureFormats)(void* renderer, uint32_t capacity, void* formats);
OLVA_API int32_t OLVA_GetSupportedTextureFormats(void* renderer, uint32_t capacity, void* formats);
/* Creates a texture queue; *queue receives its handle. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_CreateTextureQueue)(void* renderer, const void* createInfo, void** queue);
OLVA_API int32_t OLVA_CreateTextureQueue(void* renderer, const void* createInfo, void** queue);
/* Destroys a texture queue. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_DestroyTextureQueue)(void* queue);
OLVA_API int32_t OLVA_DestroyTextureQueue(void* queue);
/* Number of textures in a queue. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetTextureCount)(void* queue, uint32_t* count);
OLVA_API int32_t OLVA_GetTextureCount(void* queue, uint32_t* count);
/* Waits for a free texture and acquires it; *index receives it. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_WaitAndAcquireAvailableTexture)(void* queue, const void* waitInfo,
                                                           uint32_t* index);
OLVA_API int32_t OLVA_WaitAndAcquireAvailableTexture(void* queue, const void* waitInfo, uint32_t* index);
/* Hands an acquired texture back to its queue. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleaseTexture)(void* queue, const void* releaseInfo);
OLVA_API int32_t OLVA_ReleaseTexture(void* queue, const void* releaseInfo);

/* Render loop and frames */
/* Starts the runtime's render loop for a renderer. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_StartRenderLooper)(void* renderer, const void* looperInfo, void* userData);
OLVA_API int32_t OLVA_StartRenderLooper(void* renderer, const void* looperInfo, void* userData);
/* Stops the runtime's render loop. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_StopRenderLooper)(void* renderer);
OLVA_API int32_t OLVA_StopRenderLooper(void* renderer);
/* Names the thread the render loop runs on. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetRenderLooperThread)(void* renderer, int32_t threadId);
OLVA_API int32_t OLVA_SetRenderLooperThread(void* renderer, int32_t threadId);
/* Waits until the next frame is due; frameState receives its timing. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_WaitFrame)(void* runtime, void* frameState);
OLVA_API int32_t OLVA_WaitFrame(void* runtime, void* frameState);
/* Poses of up to capacity views for a frame. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetViewPoseState)(void* runtime, const void* locateInfo, uint32_t capacity,
                                             void* poses);
OLVA_API int32_t OLVA_GetViewPoseState(void* runtime, const void* locateInfo, uint32_t capacity, void* poses);
/* Submits a rendered frame. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SubmitFrame)(void* runtime, const void* submitInfo);
OLVA_API int32_t OLVA_SubmitFrame(void* runtime, const void* submitInfo);
/* Render functions the renderer offers. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetRenderFunctions)(void* renderer, const void* query, void* functions);
OLVA_API int32_t OLVA_GetRenderFunctions(void* renderer, const void* query, void* functions);
/* Called before a frame is rendered. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_PreRenderFrame)(void* renderer, void* frameInfo);
OLVA_API int32_t OLVA_PreRenderFrame(void* renderer, void* frameInfo);
/* Called after a frame is rendered. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_PostRenderFrame)(void* renderer, void* frameInfo);
OLVA_API int32_t OLVA_PostRenderFrame(void* renderer, void* frameInfo);
/* Foveated rendering parameters, up to capacity. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetFoveatedParameters)(void* renderer, const void* query, uint32_t capacity,
                                                  void* parameters);
OLVA_API int32_t OLVA_GetFoveatedParameters(void* renderer, const void* query, uint32_t capacity,
                                            void* parameters);

/* Devices and raw input */
/* Mask of supported devices: bit n set for OLVA_DeviceType n. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedDevices)(void* runtime, uint64_t* deviceMask);
OLVA_API int32_t OLVA_GetSupportedDevices(void* runtime, uint64_t* deviceMask);
/* Input type (OLVA_Device_InputType) of a device, as 64 bits. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedDeviceInputType)(void* runtime, OLVA_DeviceType device,
                                                        uint64_t* inputType);
OLVA_API int32_t OLVA_GetSupportedDeviceInputType(void* runtime, OLVA_DeviceType device, uint64_t* inputType);
/* *connected becomes nonzero when the device is connected. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_IsDeviceConnected)(void* runtime, OLVA_DeviceType device, uint32_t* connected);
OLVA_API int32_t OLVA_IsDeviceConnected(void* runtime, OLVA_DeviceType device, uint32_t* connected);
/* Describes a display. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetDisplay)(void* runtime, int32_t displayId, void* display);
OLVA_API int32_t OLVA_GetDisplay(void* runtime, int32_t displayId, void* display);
/* Configuration of one input id of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetInputIdConfiguration)(void* runtime, OLVA_DeviceType device,
                                                    OLVA_Device_InputType inputType, uint32_t inputId,
                                                    uint64_t* configuration);
OLVA_API int32_t OLVA_GetInputIdConfiguration(void* runtime, OLVA_DeviceType device,
                                              OLVA_Device_InputType inputType, uint32_t inputId,
                                              uint64_t* configuration);
/* Bitmask of the pressed inputs of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetInputClickStates)(void* runtime, OLVA_DeviceType device,
                                                OLVA_Device_InputType inputType, uint64_t* clickStates);
OLVA_API int32_t OLVA_GetInputClickStates(void* runtime, OLVA_DeviceType device,
                                          OLVA_Device_InputType inputType, uint64_t* clickStates);
/* Bitmask of the touched inputs of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetInputTouchStates)(void* runtime, OLVA_DeviceType device,
                                                OLVA_Device_InputType inputType, uint64_t* touchStates);
OLVA_API int32_t OLVA_GetInputTouchStates(void* runtime, OLVA_DeviceType device,
                                          OLVA_Device_InputType inputType, uint64_t* touchStates);
/* Analog value of one input id of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetInputAnalogState)(void* runtime, OLVA_DeviceType device,
                                                OLVA_Device_InputType inputType, uint32_t inputId,
                                                OLVA_Vector2f* value);
OLVA_API int32_t OLVA_GetInputAnalogState(void* runtime, OLVA_DeviceType device,
                                          OLVA_Device_InputType inputType, uint32_t inputId,
                                          OLVA_Vector2f* value);
/* Vibrates a device for durationMs. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_TriggerVibration)(void* runtime, OLVA_DeviceType device, int32_t durationMs,
                                             const void* vibration);
OLVA_API int32_t OLVA_TriggerVibration(void* runtime, OLVA_DeviceType device, int32_t durationMs,
                                       const void* vibration);
/* Degrees of freedom a device tracks. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetDegreeOfFreedom)(void* runtime, OLVA_DeviceType device,
                                               int32_t* degreeOfFreedom);
OLVA_API int32_t OLVA_GetDegreeOfFreedom(void* runtime, OLVA_DeviceType device, int32_t* degreeOfFreedom);

/* Tracking, pose and device state */
/* Sets the origin of the tracking space. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetSpaceOrigin)(void* runtime, int32_t origin, const void* originPose);
OLVA_API int32_t OLVA_SetSpaceOrigin(void* runtime, int32_t origin, const void* originPose);
/* Pose of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetPoseState)(void* runtime, OLVA_DeviceType device, const void* locateInfo,
                                         void* poseState);
OLVA_API int32_t OLVA_GetPoseState(void* runtime, OLVA_DeviceType device, const void* locateInfo,
                                   void* poseState);
/* Properties of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetDeviceProperties)(void* runtime, OLVA_DeviceType device, void* properties);
OLVA_API int32_t OLVA_GetDeviceProperties(void* runtime, OLVA_DeviceType device, void* properties);
/* Battery status of a device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetBatteryStatus)(void* runtime, OLVA_DeviceType device, void* batteryStatus);
OLVA_API int32_t OLVA_GetBatteryStatus(void* runtime, OLVA_DeviceType device, void* batteryStatus);

/* Space bounds */
/* Configuration of the space bounds. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSpaceBoundsConfiguration)(void* runtime, void* configuration);
OLVA_API int32_t OLVA_GetSpaceBoundsConfiguration(void* runtime, void* configuration);
/* The space bounds as a rectangle and its pose. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSpaceBoundsRectangle)(void* runtime, void* rectangle, void* pose);
OLVA_API int32_t OLVA_GetSpaceBoundsRectangle(void* runtime, void* rectangle, void* pose);
/* The space bounds as a circle. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSpaceBoundsCircle)(void* runtime, void* circle);
OLVA_API int32_t OLVA_GetSpaceBoundsCircle(void* runtime, void* circle);
/* The space bounds as up to capacity points. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSpaceBoundsIrregular)(void* runtime, uint32_t capacity, void* points);
OLVA_API int32_t OLVA_GetSpaceBoundsIrregular(void* runtime, uint32_t capacity, void* points);
/* Shows or hides the space bounds. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetSpaceBoundsVisible)(void* runtime, int32_t visible);
OLVA_API int32_t OLVA_SetSpaceBoundsVisible(void* runtime, int32_t visible);

/* Runtime, events and features */
/* Sets CPU and GPU performance levels. Absent: false. */
typedef bool (*PFN_OLVA_SetPerformanceLevels)(void* runtime, int32_t cpuLevel, int32_t gpuLevel);
OLVA_API bool OLVA_SetPerformanceLevels(void* runtime, int32_t cpuLevel, int32_t gpuLevel);
/* Writes the text of a result code into text. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ResultToString)(int32_t result, char* text);
OLVA_API int32_t OLVA_ResultToString(int32_t result, char* text);
/* Loads the runtime library and creates a runtime (see above); *runtime receives its handle.
 * Absent: OLVA_RESULT_UNSUPPORTED, the loader initialised. */
typedef int32_t (*PFN_OLVA_CreateRuntime)(const OLVA_RuntimeCreateInfo* createInfo, void** runtime);
OLVA_API int32_t OLVA_CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime);
/* Destroys a runtime. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_DestroyRuntime)(void* runtime);
OLVA_API int32_t OLVA_DestroyRuntime(void* runtime);
/* Properties of the runtime. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetRuntimeProperties)(void* runtime, void* properties);
OLVA_API int32_t OLVA_GetRuntimeProperties(void* runtime, void* properties);
/* Takes the next event from the runtime's queue. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_PollEvent)(void* runtime, void* event);
OLVA_API int32_t OLVA_PollEvent(void* runtime, void* event);
/* Mask of the XR features the runtime supports. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedXrFeatures)(void* runtime, uint64_t* featureMask);
OLVA_API int32_t OLVA_GetSupportedXrFeatures(void* runtime, uint64_t* featureMask);
/* *available becomes nonzero when a feature is available. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_IsXrFeatureAvailable)(void* runtime, int32_t feature, uint32_t* available);
OLVA_API int32_t OLVA_IsXrFeatureAvailable(void* runtime, int32_t feature, uint32_t* available);
/* Options of a feature that answer a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetXrFeatureOptions)(void* runtime, int32_t feature, const void* query,
                                                void* options);
OLVA_API int32_t OLVA_GetXrFeatureOptions(void* runtime, int32_t feature, const void* query, void* options);
/* Starts a feature (see above); *feature receives its handle. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_StartXrFeature)(void* runtime, const OLVA_XrFeatureStartInfo* startInfo,
                                           void** feature);
OLVA_API int32_t OLVA_StartXrFeature(void* runtime, const OLVA_XrFeatureStartInfo* startInfo, void** feature);
/* Stops a started feature. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_StopXrFeature)(void* feature);
OLVA_API int32_t OLVA_StopXrFeature(void* feature);
/* Properties of a started feature. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetXrFeatureProperties)(void* feature, void* properties);
OLVA_API int32_t OLVA_GetXrFeatureProperties(void* feature, void* properties);

/* Perception data */
/* Hands a voice command to a feature. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_InputVoiceCommand)(void* feature, const void* command);
OLVA_API int32_t OLVA_InputVoiceCommand(void* feature, const void* command);
/* Acquires point cloud data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquirePointCloudData)(void* feature, void* data);
OLVA_API int32_t OLVA_AcquirePointCloudData(void* feature, void* data);
/* Releases acquired point cloud data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleasePointCloudData)(void* feature, void* data);
OLVA_API int32_t OLVA_ReleasePointCloudData(void* feature, void* data);
/* Acquires plane tracker data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquirePlaneTrackerData)(void* feature, void* data);
OLVA_API int32_t OLVA_AcquirePlaneTrackerData(void* feature, void* data);
/* Releases acquired plane tracker data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleasePlaneTrackerData)(void* feature, void* data);
OLVA_API int32_t OLVA_ReleasePlaneTrackerData(void* feature, void* data);
/* Loads an image for the image tracker; *model receives its handle. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_LoadModelImage)(void* feature, const void* image, void** model);
OLVA_API int32_t OLVA_LoadModelImage(void* feature, const void* image, void** model);
/* Unloads a loaded model image. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_UnloadModelImage)(void* feature, void* model);
OLVA_API int32_t OLVA_UnloadModelImage(void* feature, void* model);
/* Acquires image tracker data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquireImageTrackerData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_AcquireImageTrackerData(void* feature, const void* query, void* data);
/* Releases acquired image tracker data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleaseImageTrackerData)(void* feature, void* data);
OLVA_API int32_t OLVA_ReleaseImageTrackerData(void* feature, void* data);
/* Hand gestures the feature recognises. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedHandGestures)(void* feature, void* gestures);
OLVA_API int32_t OLVA_GetSupportedHandGestures(void* feature, void* gestures);
/* Selects the hand gestures to recognise. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetHandGestureRequest)(void* feature, const void* request);
OLVA_API int32_t OLVA_SetHandGestureRequest(void* feature, const void* request);
/* Latest hand gesture data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetHandGestureData)(void* feature, void* data);
OLVA_API int32_t OLVA_GetHandGestureData(void* feature, void* data);
/* Registers a callback for hand gesture events. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_RegisterHandGestureEventCallback)(void* feature, void* callback, void* userData);
OLVA_API int32_t OLVA_RegisterHandGestureEventCallback(void* feature, void* callback, void* userData);
/* Hand joints the feature tracks. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetTrackedHandJoints)(void* feature, void* joints);
OLVA_API int32_t OLVA_GetTrackedHandJoints(void* feature, void* joints);
/* Which hand joints are valid. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetHandJointValidity)(void* feature, void* validity);
OLVA_API int32_t OLVA_GetHandJointValidity(void* feature, void* validity);
/* Hand tracking data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetHandTrackingData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_GetHandTrackingData(void* feature, const void* query, void* data);
/* Acquires face tracker data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquireFaceTrackerData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_AcquireFaceTrackerData(void* feature, const void* query, void* data);
/* Releases acquired face tracker data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleaseFaceTrackerData)(void* feature, void* data);
OLVA_API int32_t OLVA_ReleaseFaceTrackerData(void* feature, void* data);
/* Acquires face match tracker data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquireFaceMatchTrackerData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_AcquireFaceMatchTrackerData(void* feature, const void* query, void* data);
/* Releases acquired face match tracker data. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ReleaseFaceMatchTrackerData)(void* feature, void* data);
OLVA_API int32_t OLVA_ReleaseFaceMatchTrackerData(void* feature, void* data);
/* Main facial feature data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetFacialMainFeatureData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_GetFacialMainFeatureData(void* feature, const void* query, void* data);
/* Detailed facial feature data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetFacialDetailFeatureData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_GetFacialDetailFeatureData(void* feature, const void* query, void* data);
/* Eye tracking factors the feature supports. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetSupportedEyeFactors)(void* feature, void* factors);
OLVA_API int32_t OLVA_GetSupportedEyeFactors(void* feature, void* factors);
/* Selects the eye tracking factors to report. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetEyeFactorRequest)(void* feature, const void* request);
OLVA_API int32_t OLVA_SetEyeFactorRequest(void* feature, const void* request);
/* Eye tracking data for a query. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetEyeTrackingData)(void* feature, const void* query, void* data);
OLVA_API int32_t OLVA_GetEyeTrackingData(void* feature, const void* query, void* data);
/* Acquires the model data of a controller. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_AcquireControllerModelData)(void* runtime, const void* query, void* data);
OLVA_API int32_t OLVA_AcquireControllerModelData(void* runtime, const void* query, void* data);
/* Releases acquired controller model data. Absent: does nothing. */
typedef void (*PFN_OLVA_ReleaseControllerModelData)(void* runtime, void* data);
OLVA_API void OLVA_ReleaseControllerModelData(void* runtime, void* data);
/* The primary input device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_GetPrimaryDeviceType)(void* runtime, OLVA_DeviceType* device);
OLVA_API int32_t OLVA_GetPrimaryDeviceType(void* runtime, OLVA_DeviceType* device);
/* Sets the primary input device. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetPrimaryDeviceType)(void* runtime, OLVA_DeviceType device);
OLVA_API int32_t OLVA_SetPrimaryDeviceType(void* runtime, OLVA_DeviceType device);
/* Recentres tracking, turned by yawOffset (a float). Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_ResetOrientationAndPosition)(void* runtime, float yawOffset);
OLVA_API int32_t OLVA_ResetOrientationAndPosition(void* runtime, float yawOffset);
/* Changes a system setting. Absent: OLVA_RESULT_UNSUPPORTED. */
typedef int32_t (*PFN_OLVA_SetSystemSetting)(void* runtime, int32_t setting);
OLVA_API int32_t OLVA_SetSystemSetting(void* runtime, int32_t setting);

/* ---- Input entry points -----------------------------------------------
 * The library's own action-based input. All take the application's runtime
 * handle first, test it against null (OLVA_RESULT_INVALID_RUNTIME, nothing
 * else happens) and pass it on to the forwarding entry points above when
 * they need the runtime. Handles are addresses of records that live until
 * the process ends; 0 means none. Names and user paths are matched without
 * regard to ASCII letter case.
 *
 * No exception ever leaves these functions, and a call that fails leaves the
 * input state exactly as it was. Null name, output or data pointers give
 * OLVA_RESULT_INVALID_ARGUMENT and write nothing. Called after the input
 * registry has been destroyed at process exit, they return
 * OLVA_RESULT_UNSUPPORTED (the data queries clear *data first). */

/* Reads the action manifest at manifestPath (UTF-8), asks the runtime for its
 * controllers, selects one "default_bindings" entry, reads that binding file
 * from the manifest's directory and registers the declared action sets.
 * Load the manifest before the first OLVA_UpdateXrActionState: action sets
 * registered later are never built.
 * Returns 0; OLVA_RESULT_INVALID_RUNTIME; OLVA_RESULT_INVALID_ARGUMENT for a
 * null or empty path, a path that is not valid UTF-8, a manifest or selected
 * binding file that is not valid JSON or has a member of the wrong type, or
 * when no default binding entry can be selected; or the nonzero result of
 * the runtime's OLVA_GetSupportedDevices, in which case the new manifest is
 * kept (its actions serve later lookups) and nothing else changes. A file
 * that cannot be opened (or is not a regular file) reads as an empty object
 * and loading goes on. A runtime whose OLVA_GetSupportedDeviceInputType
 * writes nothing gets input type OLVA_INPUT_TYPE_OTHER for that device. */
typedef int32_t (*PFN_OLVA_XrActionManifestPath)(void* runtime, const char* manifestPath);
OLVA_API int32_t OLVA_XrActionManifestPath(void* runtime, const char* manifestPath);

/* Handle of a declared action set (lower-cased name). Before any manifest
 * with "action_sets" is loaded, every new name yields a demo set. With a
 * manifest that declares sets, an undeclared name returns 0 and leaves
 * *actionSet as the caller set it: preset it to 0. */
typedef int32_t (*PFN_OLVA_GetXrActionSetHandle)(void* runtime, const char* name, unsigned long* actionSet);
OLVA_API int32_t OLVA_GetXrActionSetHandle(void* runtime, const char* name, unsigned long* actionSet);

/* Handle of an action, created on first lookup with the manifest's type of
 * it, or type "<unset>" when the manifest does not declare it. */
typedef int32_t (*PFN_OLVA_GetXrActionHandle)(void* runtime, const char* name, unsigned long* action);
OLVA_API int32_t OLVA_GetXrActionHandle(void* runtime, const char* name, unsigned long* action);

/* Handle of "/user/head", "/user/hand/left", "/user/hand/right" or
 * "/user/gamepad"; OLVA_RESULT_INVALID_ARGUMENT for any other path. */
typedef int32_t (*PFN_OLVA_GetXrInputSourceHandle)(void* runtime, const char* path,
                                                   unsigned long* inputSource);
OLVA_API int32_t OLVA_GetXrInputSourceHandle(void* runtime, const char* path, unsigned long* inputSource);

/* The frame step. The first call builds every registered action set's
 * sources; every call polls both hand controllers. activeActionSets and the
 * two counts are not read. Returns 0 or OLVA_RESULT_INVALID_RUNTIME; a
 * binding document that cannot be built gives OLVA_RESULT_INVALID_ARGUMENT
 * and attaches no sources, so a later call can retry. */
typedef int32_t (*PFN_OLVA_UpdateXrActionState)(void* runtime, OLVA_XrActiveActionSet* activeActionSets,
                                                unsigned int activeActionSetCount, unsigned int reserved);
OLVA_API int32_t OLVA_UpdateXrActionState(void* runtime, OLVA_XrActiveActionSet* activeActionSets,
                                          unsigned int activeActionSetCount, unsigned int reserved);

/* State of a "boolean" action from the latest update. inputSource selects
 * a hand (its handle) or 0 for both, the right hand winning whenever it
 * reports a state or a change; the handle of an input source that is
 * neither of the action's hands answers as 0 does. *data is cleared first.
 * Returns 0, OLVA_RESULT_INVALID_RUNTIME, or OLVA_RESULT_INVALID_ARGUMENT
 * for a null data pointer, an action that is not "boolean", or a handle
 * this library did not issue as that parameter's kind (0 as action, a
 * stale or made-up value, an action set's or input source's handle as
 * action, an action's as inputSource): such a value is never read
 * through. */
typedef int32_t (*PFN_OLVA_GetXrActionDigitalData)(void* runtime, unsigned long action,
                                                   OLVA_XrInputDigitalActionData* data, unsigned int reserved,
                                                   unsigned long inputSource);
OLVA_API int32_t OLVA_GetXrActionDigitalData(void* runtime, unsigned long action,
                                             OLVA_XrInputDigitalActionData* data, unsigned int reserved,
                                             unsigned long inputSource);

/* Value of a "single", "vector1", "vector2" or "vector3" action from the
 * latest update, with its change since the update before. The right hand
 * wins unless its value is exactly (0, 0). A hand with no sources reports
 * isActive 0; a source on an input with no analog value reports isActive 1
 * and zeros. Results, and the checks of both handles, as for
 * OLVA_GetXrActionDigitalData. */
typedef int32_t (*PFN_OLVA_GetXrActionAnalogData)(void* runtime, unsigned long action,
                                                  OLVA_XrInputAnalogActionData* data, unsigned int reserved,
                                                  unsigned long inputSource);
OLVA_API int32_t OLVA_GetXrActionAnalogData(void* runtime, unsigned long action,
                                            OLVA_XrInputAnalogActionData* data, unsigned int reserved,
                                            unsigned long inputSource);

/* ---- Exported globals --------------------------------------------------
 * Edge-detection flags shared by every action: each holds whether its input
 * was on at the last evaluation of any source bound to it. Read them for
 * diagnostics only; the library alone writes them. */
#define OLVA_EDGE_FLAGS(X)                                                                         \
    X(_rightTriggerPressed) X(_rightGripPressed) X(_rightThumbPressed) X(_aButtonPressed)          \
    X(_bButtonPressed) X(_leftTriggerPressed) X(_leftGripPressed) X(_leftThumbPressed)             \
    X(_xButtonPressed) X(_yButtonPressed) X(_systemButtonPressed) X(_menuButtonPressed)            \
    X(_aButtonTouched) X(_bButtonTouched) X(_xButtonTouched) X(_yButtonTouched)                    \
    X(_menuButtonTouched) X(_rightGripTouched) X(_leftGripTouched) X(_rightTriggerTouched)         \
    X(_leftTriggerTouched) X(_rightThumbTouched) X(_leftThumbTouched) X(_rightJoystickEast)        \
    X(_rightJoystickWest) X(_rightJoystickNorth) X(_rightJoystickSouth) X(_leftJoystickEast)       \
    X(_leftJoystickWest) X(_leftJoystickNorth) X(_leftJoystickSouth)

#define OLVA_DECLARE_EDGE_FLAG_(flag) extern OLVA_API bool flag;
OLVA_EDGE_FLAGS(OLVA_DECLARE_EDGE_FLAG_)
#undef OLVA_DECLARE_EDGE_FLAG_

#ifdef __cplusplus
} /* extern "C" */

/* Always returns OLVA_RESULT_UNSUPPORTED. Exported under its C++ (mangled)
 * name; nothing in the library calls it. */
OLVA_API int OLVA_Unsupported();
#endif

#endif /* OLVA_FRAMEWORK_H */
