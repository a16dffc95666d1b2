/*
 * olva_diagnostics: what an application can ask, in a debug build, about why
 * libolva_framework stays silent.
 *
 * libolva_framework keeps its own behaviour: OLVA_CreateRuntime throws C++
 * exceptions for a configuration it cannot use, and a manifest or binding
 * file whose names match nothing loads without a word. This small separate
 * library goes around it:
 *  - olva_create_runtime_checked calls OLVA_CreateRuntime, catches what it
 *    throws and answers with a result code and an English message, so that a
 *    C program can pass any configuration;
 *  - olva_check_manifest runs the checks of the olva-check tool (the same
 *    code) on an action manifest and its binding files and hands each finding
 *    to a callback.
 *
 * Link with olva_diagnostics and olva_framework (CMake: olva::olva_diagnostics;
 * pkg-config: olva_diagnostics). Nothing here is needed in a release build.
 *
 * This header compiles as C and as C++.
 */
#ifndef OLVA_DIAGNOSTICS_H
#define OLVA_DIAGNOSTICS_H

#include <stddef.h>
#include <stdint.h>

#include <olva/olva_framework.h>

#if defined(__GNUC__)
#define OLVA_DIAG_API __attribute__((visibility("default")))
#else
#define OLVA_DIAG_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Checked runtime creation ------------------------------------------
 * Results for a configuration the loader cannot use. The values sit just
 * above OLVA_RESULT_RUNTIME_FAILURE (INT32_MIN), in the range no result of
 * the library or of a runtime reaches: the library's own codes are -2, -8
 * and -11, runtimes report small negative enumeration values, and
 * OLVA_RESULT_RUNTIME_FAILURE itself stays the answer for a runtime that
 * throws. So every value olva_create_runtime_checked returns has one
 * meaning. */
#define OLVA_DIAG_CONFIG_INVALID_JSON (-2147483647)    /* INT32_MIN + 1: not valid JSON (comments included) */
#define OLVA_DIAG_CONFIG_NOT_OBJECT (-2147483646)      /* INT32_MIN + 2: the top level is not an object */
#define OLVA_DIAG_CONFIG_NO_RUNTIME_PATH (-2147483645) /* INT32_MIN + 3: "olvaruntimepath" missing or not a string */
#define OLVA_DIAG_RUNTIME_NOT_OPENED (-2147483644)     /* INT32_MIN + 4: the dynamic loader did not open the library */

/* Calls OLVA_CreateRuntime(createInfo, runtime) and catches everything it
 * throws. Returns:
 *  - 0, or the nonzero result of the runtime library's OLVA_CreateRuntime
 *    (OLVA_RESULT_UNSUPPORTED when the library has none), unchanged;
 *  - OLVA_RESULT_INVALID_ARGUMENT for a null createInfo or a null
 *    createInfo->configJson, without calling OLVA_CreateRuntime;
 *  - one of the four OLVA_DIAG_* results above for a configuration the
 *    loader rejects (OLVA_CreateRuntime then changed what it documents);
 *  - OLVA_RESULT_RUNTIME_FAILURE for any other exception, such as one
 *    thrown by the runtime library.
 * Unless the result is 0, writes one line of English naming the problem to
 * message: the JSON parser's position for invalid JSON, the near-miss key
 * for a misspelt "olvaruntimepath", and for a library that did not open the
 * dynamic loader's own error text (the library is opened once more with
 * dlopen to ask for it). On success message becomes the empty text.
 * message may be null; otherwise at most messageSize bytes are written,
 * always NUL-terminated when messageSize > 0 and cut at a UTF-8 character
 * boundary. Like OLVA_CreateRuntime, it must not overlap any other call. */
OLVA_DIAG_API int32_t olva_create_runtime_checked(const OLVA_RuntimeCreateInfo* createInfo, void** runtime,
                                                  char* message, size_t messageSize);

/* ---- Findings on an action manifest -------------------------------------- */
#define OLVA_FINDING_ERROR 1   /* the library rejects the document */
#define OLVA_FINDING_WARNING 2 /* the library accepts it, and part of it silently never works */

/* One finding. The texts are NUL-terminated, never null (empty when there is
 * nothing to say) and valid only during the callback. */
typedef struct olva_finding {
    int32_t severity;     /* OLVA_FINDING_ERROR or OLVA_FINDING_WARNING */
    const char* code;     /* short stable name, e.g. "undeclared-action" */
    const char* file;     /* the manifest or binding file it is about */
    const char* location; /* JSON location in file, e.g. bindings["/actions/main"].sources[1].path */
    const char* message;  /* one English sentence; names that match nothing end with: did you mean "..."? */
} olva_finding;

typedef void (*olva_finding_callback)(const olva_finding* finding, void* userData);

/* Checks the action manifest at manifestPath (UTF-8) and the binding files it
 * selects as libolva_framework would load them, without a runtime and
 * without touching the library's state, and calls callback (if not null)
 * once per finding, in the order olva-check lists them.
 * controllerSetup is NULL for the default setups (a left-hand joystick
 * controller; a right-hand touch controller; a gamepad alone; no
 * controllers), or one setup as olva-check's --controllers takes it, e.g.
 * "left=joystick,right=touch" or "none"; several may be joined with ";".
 * Returns the number of errors (0 when the library accepts everything), or
 * OLVA_RESULT_INVALID_ARGUMENT for a null or empty manifestPath or a setup
 * that does not parse (no callback is made), or OLVA_RESULT_RUNTIME_FAILURE
 * if the check itself fails (out of memory, or a callback that throws a C++
 * exception: it is caught, and the check stops). */
OLVA_DIAG_API int32_t olva_check_manifest(const char* manifestPath, const char* controllerSetup,
                                          olva_finding_callback callback, void* userData);

#ifdef __cplusplus
}
#endif

#endif /* OLVA_DIAGNOSTICS_H */
