/*
 * libolva_framework: the layer between an XR application and the vendor XR
 * runtime library.
 *
 * The library does two jobs:
 *  - Runtime loading and forwarding. OLVA_CreateRuntime reads the runtime
 *    configuration text, opens the runtime library it names and resolves the
 *    83 forwarding entry points listed in olva_entry_points.inc; each of them
 *    then calls the runtime's function of the same name, or answers with its
 *    absent result (OLVA_RESULT_UNSUPPORTED for all but two) when the runtime
 *    lacks it or none is loaded yet.
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
 * One declaration per row of olva_entry_points.inc, grouped there by family:
 * rendering and frame loop, texture queue, render loop and frames, devices
 * and raw input, tracking and device state, space bounds, runtime, events
 * and features, perception data, system.
 *
 * Each calls the runtime library's function of the same name with the
 * caller's arguments unchanged and returns its result unchanged. None of
 * them inspects an argument. While the runtime lacks the function, or before
 * any OLVA_CreateRuntime, they return OLVA_RESULT_UNSUPPORTED, except:
 *  - OLVA_SetPerformanceLevels (bool result) returns false;
 *  - OLVA_ReleaseControllerModelData (no result) does nothing;
 *  - OLVA_SetSystemSetting has a 32-bit result and returns
 *    OLVA_RESULT_UNSUPPORTED like its neighbours.
 * The floating-point argument of OLVA_ResetOrientationAndPosition is a float.
 *
 * OLVA_CreateRuntime re-initialises the loader on every call: it logs one
 * info line ("olva_framework Init version 2.0 2023-11-20", tag "OLVA"),
 * parses createInfo->configJson, opens "olvaruntimepath" with dlopen
 * (RTLD_NOW) and resolves all 83 names, then calls the runtime's own
 * OLVA_CreateRuntime with the same two arguments (OLVA_RESULT_UNSUPPORTED if
 * the runtime lacks it; the loader stays initialised). It is the one entry
 * point that throws, and C++ callers catch these by type:
 *  - nlohmann::json::parse_error: configJson is not valid JSON (comments are
 *    not accepted); nothing stored has changed;
 *  - nlohmann::json::type_error (id 305): the top level is an array, string,
 *    number or boolean;
 *  - const char* "读取runtimePath路径失败": "olvaruntimepath" is missing or
 *    not a string;
 *  - const char* "dlopen调用失败": the library did not open. Addresses
 *    resolved by an earlier successful call stay in use.
 * A call from C must therefore only pass a configuration known to be good.
 * A null createInfo or a null configJson returns OLVA_RESULT_INVALID_ARGUMENT
 * before anything else happens: no log line, no exception, the loader and
 * the runtime untouched. Any other exception (one thrown by the runtime
 * library while it is opened or by its own OLVA_CreateRuntime) returns
 * OLVA_RESULT_RUNTIME_FAILURE.
 *
 * OLVA_StartXrFeature: a startInfo->feature of exactly 0xFFFFFFFF first asks
 * the runtime (through OLVA_GetSupportedXrFeatures) for its feature mask;
 * when bit 8 is set, the runtime receives a copy of the record with feature
 * 256. Otherwise, and for every other value, the caller's record goes on
 * unchanged. The caller's record is never modified. A null startInfo
 * returns OLVA_RESULT_INVALID_ARGUMENT without calling the runtime.
 *
 * Runtime failures: no exception thrown by the runtime library ever leaves
 * an entry point. A forwarded call whose runtime function throws returns
 * OLVA_RESULT_RUNTIME_FAILURE (OLVA_SetPerformanceLevels: false;
 * OLVA_ReleaseControllerModelData: nothing), and the input system treats it
 * like any other failed runtime call.
 *
 * At exit: the loader closes the runtime library when the process ends.
 * It forgets every resolved function first, so an exit handler or a
 * destructor that calls an entry point afterwards gets the absent result
 * (OLVA_CreateRuntime: OLVA_RESULT_UNSUPPORTED) instead of a jump into an
 * unloaded library. */
#define OLVA_ENTRY(ret, name, params, args, absent) OLVA_API ret name params;
#include "olva_entry_points.inc"
#undef OLVA_ENTRY

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
OLVA_API int32_t OLVA_XrActionManifestPath(void* runtime, const char* manifestPath);

/* Handle of a declared action set (lower-cased name). Before any manifest
 * with "action_sets" is loaded, every new name yields a demo set. With a
 * manifest that declares sets, an undeclared name returns 0 and leaves
 * *actionSet as the caller set it: preset it to 0. */
OLVA_API int32_t OLVA_GetXrActionSetHandle(void* runtime, const char* name, unsigned long* actionSet);

/* Handle of an action, created on first lookup with the manifest's type of
 * it, or type "<unset>" when the manifest does not declare it. */
OLVA_API int32_t OLVA_GetXrActionHandle(void* runtime, const char* name, unsigned long* action);

/* Handle of "/user/head", "/user/hand/left", "/user/hand/right" or
 * "/user/gamepad"; OLVA_RESULT_INVALID_ARGUMENT for any other path. */
OLVA_API int32_t OLVA_GetXrInputSourceHandle(void* runtime, const char* path, unsigned long* inputSource);

/* The frame step. The first call builds every registered action set's
 * sources; every call polls both hand controllers. activeActionSets and the
 * two counts are not read. Returns 0 or OLVA_RESULT_INVALID_RUNTIME; a
 * binding document that cannot be built gives OLVA_RESULT_INVALID_ARGUMENT
 * and attaches no sources, so a later call can retry. */
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
OLVA_API int32_t OLVA_GetXrActionDigitalData(void* runtime, unsigned long action,
                                             OLVA_XrInputDigitalActionData* data, unsigned int reserved,
                                             unsigned long inputSource);

/* Value of a "single", "vector1", "vector2" or "vector3" action from the
 * latest update, with its change since the update before. The right hand
 * wins unless its value is exactly (0, 0). A hand with no sources reports
 * isActive 0; a source on an input with no analog value reports isActive 1
 * and zeros. Results, and the checks of both handles, as for
 * OLVA_GetXrActionDigitalData. */
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
