// Fuzzes the runtime configuration text through olva_framework::Init and
// OLVA_CreateRuntime. The only things that may leave are the loader's
// documented exceptions, each with the state it promises; anything else
// aborts and is a finding.
//
// dlopen is wrapped (-Wl,--wrap=dlopen): the name "olva_test_runtime" opens
// the test runtime module and every other name fails as a missing file
// would. Loading whatever library a mutated path names would run foreign
// initialisers inside the fuzzing process.
#include "loader/olva_framework.h"

#include <olva/olva_framework.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>

extern "C" void* __real_dlopen(const char* file, int flags);

extern "C" void* __wrap_dlopen(const char* file, int flags)
{
    if (file != nullptr && std::strcmp(file, "olva_test_runtime") == 0) {
        return __real_dlopen(OLVA_FUZZ_TEST_RUNTIME, flags);
    }
    return nullptr;
}

namespace {

constexpr const char* kPathText = "读取runtimePath路径失败";
constexpr const char* kDlopenText = "dlopen调用失败";

[[noreturn]] void Finding(const char* what)
{
    std::fprintf(stderr, "config_fuzzer finding: %s\n", what);
    std::abort();
}

void Require(bool condition, const char* what)
{
    if (!condition) {
        Finding(what);
    }
}

struct LoaderState {
    void* handle;
    nlohmann::json config;
    std::map<std::string, void*> functions;

    static LoaderState Of(const olva_framework& loader)
    {
        return {loader.libHandle(), loader.config(), loader.funMap()};
    }
};

// Runs one Init (through call) and checks what left it against the loader's
// failure table.
template <typename Call>
void Check(olva_framework& loader, Call call)
{
    const LoaderState before = LoaderState::Of(loader);
    try {
        call();
        Require(loader.libHandle() != nullptr, "success without a library handle");
        Require(loader.funMap().size() == olva::kEntryPointCount, "success without every table name");
        Require(loader.config().is_object() && loader.config().contains("olvaruntimepath") &&
                    loader.config().at("olvaruntimepath").is_string(),
                "success without a string olvaruntimepath");
    } catch (const nlohmann::json::parse_error&) {
        Require(loader.libHandle() == before.handle, "parse_error changed the handle");
        Require(loader.config() == before.config, "parse_error changed the configuration");
        Require(loader.funMap() == before.functions, "parse_error changed the map");
    } catch (const nlohmann::json::type_error& e) {
        Require(e.id == 305, "type_error other than 305");
        Require(!loader.config().is_object() && !loader.config().is_null(), "type_error for an object");
        Require(loader.libHandle() == before.handle, "type_error changed the handle");
        Require(loader.funMap() == before.functions, "type_error changed the map");
    } catch (const char* text) {
        if (std::strcmp(text, kPathText) == 0) {
            Require(loader.config().is_object() && loader.config().contains("olvaruntimepath"),
                    "path text without the key inserted");
            Require(!loader.config().at("olvaruntimepath").is_string(), "path text with a string path");
            Require(loader.libHandle() == before.handle, "path text changed the handle");
            Require(loader.funMap() == before.functions, "path text changed the map");
        } else if (std::strcmp(text, kDlopenText) == 0) {
            Require(loader.libHandle() == nullptr, "dlopen text with a handle");
            Require(loader.funMap() == before.functions, "dlopen text changed the map");
        } else {
            Finding(text);
        }
    } catch (const std::exception& e) {
        Finding(e.what());
    } catch (...) {
        Finding("an exception of an undocumented type");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    olva_framework& loader = *olva_framework::GetInstance();
    const std::string text(reinterpret_cast<const char*>(data), size);

    // The loader itself takes every byte, NULs included.
    Check(loader, [&] { loader.Init(text); });

    // The entry point reads a NUL-terminated text.
    Check(loader, [&] {
        const OLVA_RuntimeCreateInfo info = {text.c_str()};
        void* runtime = nullptr;
        const int32_t result = OLVA_CreateRuntime(&info, &runtime);
        Require(result == 0 && runtime != nullptr, "the test runtime did not create");
    });
    return 0;
}
