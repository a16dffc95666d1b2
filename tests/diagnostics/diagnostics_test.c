/* olva_diagnostics from C: every configuration the loader rejects gives its
 * own result and an English line naming the problem; the findings of a
 * manifest arrive through the callback, a misspelt output with the name it
 * was meant to be. */
#include <olva/olva_diagnostics.h>

#include <stdio.h>
#include <string.h>

static int g_failures = 0;

static void Check(int ok, int line, const char* what, const char* detail)
{
    if (!ok) {
        fprintf(stderr, "diagnostics_test.c:%d: failed: %s%s%s\n", line, what, detail ? " -- " : "", detail ? detail : "");
        ++g_failures;
    }
}

#define CHECK(condition, detail) Check((condition) != 0, __LINE__, #condition, (detail))

static int Contains(const char* text, const char* part) { return strstr(text, part) != NULL; }

/* ---- olva_create_runtime_checked */

struct ConfigCase {
    const char* config;
    int32_t result;
    const char* messagePart;
};

static void ResultsAreDistinctFromTheLibrarysAndEachOther(void)
{
    const int32_t ours[] = {OLVA_DIAG_CONFIG_INVALID_JSON, OLVA_DIAG_CONFIG_NOT_OBJECT, OLVA_DIAG_CONFIG_NO_RUNTIME_PATH,
                            OLVA_DIAG_RUNTIME_NOT_OPENED};
    const int32_t library[] = {0, OLVA_RESULT_UNSUPPORTED, OLVA_RESULT_INVALID_ARGUMENT, OLVA_RESULT_INVALID_RUNTIME,
                               OLVA_RESULT_RUNTIME_FAILURE};
    size_t i, j;
    for (i = 0; i < sizeof ours / sizeof ours[0]; ++i) {
        for (j = 0; j < sizeof library / sizeof library[0]; ++j) {
            CHECK(ours[i] != library[j], "a diagnostics result equals one of the library's");
        }
        for (j = i + 1; j < sizeof ours / sizeof ours[0]; ++j) {
            CHECK(ours[i] != ours[j], "two diagnostics results are equal");
        }
    }
}

static void EachBadConfigurationGivesItsResultAndMessage(void)
{
    char noCreate[1024];
    snprintf(noCreate, sizeof noCreate, "{\"olvaruntimepath\": \"%s\"}", OLVA_TEST_RUNTIME_NO_CREATE);
    const struct ConfigCase cases[] = {
        {"{\"olvaruntimepath\": \"x.so\"} // comment", OLVA_DIAG_CONFIG_INVALID_JSON, "at line 1, column 29"},
        {"{\"olvaruntimepath\": ", OLVA_DIAG_CONFIG_INVALID_JSON, "not valid JSON"},
        {"", OLVA_DIAG_CONFIG_INVALID_JSON, "not valid JSON"},
        {"[\"olvaruntimepath\"]", OLVA_DIAG_CONFIG_NOT_OBJECT, "must be a JSON object with \"olvaruntimepath\", not array"},
        {"\"lib.so\"", OLVA_DIAG_CONFIG_NOT_OBJECT, "not string"},
        {"{}", OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "has no \"olvaruntimepath\""},
        {"null", OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "has no \"olvaruntimepath\""},
        {"{\"olvaruntimepath\": 5}", OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "\"olvaruntimepath\" is number, not a string"},
        {"{\"olvaRuntimePath\": \"lib.so\"}", OLVA_DIAG_CONFIG_NO_RUNTIME_PATH,
         "the key \"olvaRuntimePath\" is not read (keys are exact): did you mean \"olvaruntimepath\"?"},
        {"{\"olvaruntimepath\": \"/nonexistent/libruntime.so\"}", OLVA_DIAG_RUNTIME_NOT_OPENED,
         "\"/nonexistent/libruntime.so\" did not open: /nonexistent/libruntime.so: cannot open shared object file"},
        {noCreate, OLVA_RESULT_UNSUPPORTED, "has no OLVA_CreateRuntime"},
    };
    size_t i;
    for (i = 0; i < sizeof cases / sizeof cases[0]; ++i) {
        OLVA_RuntimeCreateInfo info;
        void* runtime = NULL;
        char message[512];
        int32_t result;
        info.configJson = cases[i].config;
        result = olva_create_runtime_checked(&info, &runtime, message, sizeof message);
        CHECK(result == cases[i].result, cases[i].config);
        CHECK(Contains(message, cases[i].messagePart), message);
        CHECK(strchr(message, '\n') == NULL, message);
    }
}

static void AGoodConfigurationCreatesTheRuntime(void)
{
    char config[1024];
    OLVA_RuntimeCreateInfo info;
    void* runtime = NULL;
    char message[64] = "left over";
    snprintf(config, sizeof config, "{\"olvaruntimepath\": \"%s\"}", OLVA_TEST_RUNTIME_FULL);
    info.configJson = config;
    CHECK(olva_create_runtime_checked(&info, &runtime, message, sizeof message) == 0, message);
    CHECK(runtime != NULL, "the runtime's handle");
    CHECK(message[0] == '\0', message);
}

static void NullArgumentsAndShortBuffers(void)
{
    OLVA_RuntimeCreateInfo info;
    char message[128];
    char full[512];
    char shortMessage[10];
    char untouched[4] = "abc";
    void* runtime = NULL;

    CHECK(olva_create_runtime_checked(NULL, &runtime, message, sizeof message) == OLVA_RESULT_INVALID_ARGUMENT, "");
    CHECK(Contains(message, "createInfo is null"), message);
    info.configJson = NULL;
    CHECK(olva_create_runtime_checked(&info, &runtime, message, sizeof message) == OLVA_RESULT_INVALID_ARGUMENT, "");
    CHECK(Contains(message, "configJson is null"), message);

    /* The message is cut to the buffer, NUL-terminated; or not written. */
    info.configJson = "{}";
    CHECK(olva_create_runtime_checked(&info, &runtime, full, sizeof full) == OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, full);
    CHECK(olva_create_runtime_checked(&info, &runtime, shortMessage, sizeof shortMessage) ==
              OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "");
    CHECK(strlen(shortMessage) == sizeof shortMessage - 1 && strncmp(shortMessage, full, sizeof shortMessage - 1) == 0,
          shortMessage);
    CHECK(olva_create_runtime_checked(&info, &runtime, NULL, 100) == OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "null message");
    CHECK(olva_create_runtime_checked(&info, &runtime, untouched, 0) == OLVA_DIAG_CONFIG_NO_RUNTIME_PATH, "");
    CHECK(strcmp(untouched, "abc") == 0, untouched);
}

/* ---- olva_check_manifest */

struct Collected {
    int count;
    int errors;
    int sawTypo;
    char codes[512];
};

static void Collect(const olva_finding* finding, void* userData)
{
    struct Collected* collected = (struct Collected*)userData;
    ++collected->count;
    collected->errors += finding->severity == OLVA_FINDING_ERROR;
    strncat(collected->codes, finding->code, sizeof collected->codes - strlen(collected->codes) - 2);
    strcat(collected->codes, " ");
    if (strcmp(finding->code, "undeclared-action") == 0 && finding->severity == OLVA_FINDING_WARNING &&
        Contains(finding->message, "action \"jmup\" is not declared") &&
        Contains(finding->message, "did you mean \"jump\"?") && Contains(finding->file, "misspelt_output/bindings.json") &&
        strcmp(finding->location, "bindings[\"/actions/main\"].sources[1].inputs.click.output") == 0) {
        collected->sawTypo = 1;
    }
}

static void AMisspeltOutputGetsTheDeclaredName(void)
{
    struct Collected collected;
    memset(&collected, 0, sizeof collected);
    CHECK(olva_check_manifest(OLVA_CHECK_DATA_DIR "/misspelt_output/actions.json", "left=joystick", Collect,
                              &collected) == 0,
          "no errors: the library accepts the files");
    CHECK(collected.sawTypo, collected.codes);
    CHECK(collected.count == 2, collected.codes); /* and "jump" has no source */
}

static void ErrorsAreCountedAndBadArgumentsRefused(void)
{
    struct Collected collected;
    memset(&collected, 0, sizeof collected);
    CHECK(olva_check_manifest(OLVA_CHECK_DATA_DIR "/invalid_json_manifest/actions.json", NULL, Collect, &collected) == 1,
          collected.codes);
    CHECK(collected.errors == 1 && Contains(collected.codes, "invalid-json"), collected.codes);

    /* The bundled example is clean for every default setup. */
    memset(&collected, 0, sizeof collected);
    CHECK(olva_check_manifest(OLVA_EXAMPLE_MANIFEST, NULL, Collect, &collected) == 0, collected.codes);
    CHECK(collected.count == 0, collected.codes);
    CHECK(olva_check_manifest(OLVA_EXAMPLE_MANIFEST, "left=touch,right=touch;none", NULL, NULL) == 0, "two setups");

    memset(&collected, 0, sizeof collected);
    CHECK(olva_check_manifest(NULL, NULL, Collect, &collected) == OLVA_RESULT_INVALID_ARGUMENT, "null path");
    CHECK(olva_check_manifest("", NULL, Collect, &collected) == OLVA_RESULT_INVALID_ARGUMENT, "empty path");
    CHECK(olva_check_manifest(OLVA_EXAMPLE_MANIFEST, "left=stick", Collect, &collected) == OLVA_RESULT_INVALID_ARGUMENT,
          "setup that does not parse");
    CHECK(collected.count == 0, "no callback for a refused call");
}

int main(void)
{
    ResultsAreDistinctFromTheLibrarysAndEachOther();
    EachBadConfigurationGivesItsResultAndMessage();
    AGoodConfigurationCreatesTheRuntime();
    NullArgumentsAndShortBuffers();
    AMisspeltOutputGetsTheDeclaredName();
    ErrorsAreCountedAndBadArgumentsRefused();
    if (g_failures != 0) {
        fprintf(stderr, "%d checks failed\n", g_failures);
        return 1;
    }
    printf("all checks passed\n");
    return 0;
}
