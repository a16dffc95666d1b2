// olva_create_runtime_checked: OLVA_CreateRuntime with its exceptions turned
// into result codes and an English line.
#include <olva/olva_diagnostics.h>

#include "message.h"
#include "wording.h"

#include "loader/olva_framework.h"

#include <dlfcn.h>

#include <nlohmann/json.hpp>

#include <cstring>
#include <exception>
#include <string>

namespace {

using olva::check::ClosestName;
using olva::check::Quoted;
using olva::diagnostics::WriteMessage;

// The JSON library's message without its "[json.exception.parse_error.101] "
// tag; the rest names the line and column.
std::string WithoutTag(const char* what)
{
    std::string text = what;
    if (!text.empty() && text.front() == '[') {
        const std::size_t end = text.find("] ");
        if (end != std::string::npos) {
            text.erase(0, end + 2);
        }
    }
    return text;
}

// The configuration as the loader saw it, read again without exceptions
// (discarded on a parse error) to say more than the exception does.
nlohmann::json Reparse(const char* text)
{
    return nlohmann::json::parse(text, nullptr, false, false);
}

std::string NoRuntimePathMessage(const char* text)
{
    const nlohmann::json configuration = Reparse(text);
    const char* key = olva::kRuntimePathKey;
    std::string message = "the configuration has no \"olvaruntimepath\" naming the runtime library";
    if (configuration.is_object() && configuration.contains(key) && !configuration.at(key).is_null()) {
        message = std::string("the configuration's \"olvaruntimepath\" is ") + configuration.at(key).type_name() +
                  ", not a string naming the runtime library";
    }
    if (configuration.is_object()) {
        for (const auto& [name, value] : configuration.items()) {
            if (name != key && !ClosestName(name, {key}).empty()) {
                message += "; the key " + Quoted(name) + " is not read (keys are exact): did you mean " +
                           Quoted(key) + "?";
                break;
            }
        }
    }
    return message;
}

// Opens the library once more to get the dynamic loader's own reason.
std::string NotOpenedMessage(const char* text)
{
    const nlohmann::json configuration = Reparse(text);
    const nlohmann::json* path = nullptr;
    if (configuration.is_object() && configuration.contains(olva::kRuntimePathKey)) {
        path = &configuration.at(olva::kRuntimePathKey);
    }
    if (path == nullptr || !path->is_string()) {
        return "the runtime library did not open";
    }
    const std::string file = path->get<std::string>();
    dlerror();
    void* handle = dlopen(file.c_str(), RTLD_NOW);
    if (handle != nullptr) {
        dlclose(handle);  // it opens now: the reason is gone
        return "the runtime library " + Quoted(file) + " did not open";
    }
    const char* reason = dlerror();
    return "the runtime library " + Quoted(file) + " did not open: " + (reason != nullptr ? reason : "no reason given");
}

std::string RuntimeResultMessage(int32_t result)
{
    if (result == OLVA_RESULT_UNSUPPORTED) {
        return "the runtime library was opened but has no OLVA_CreateRuntime (result -2)";
    }
    if (result == OLVA_RESULT_RUNTIME_FAILURE) {
        return "the runtime library's OLVA_CreateRuntime failed with an exception";
    }
    return "the runtime library's OLVA_CreateRuntime returned " + std::to_string(result);
}

}  // namespace

extern "C" int32_t olva_create_runtime_checked(const OLVA_RuntimeCreateInfo* createInfo, void** runtime,
                                               char* message, size_t messageSize)
{
    WriteMessage("", message, messageSize);
    if (createInfo == nullptr || createInfo->configJson == nullptr) {
        WriteMessage(createInfo == nullptr ? "createInfo is null" : "createInfo->configJson is null", message,
                     messageSize);
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    const char* text = createInfo->configJson;
    int32_t result = 0;
    std::string problem;
    try {
        try {
            result = OLVA_CreateRuntime(createInfo, runtime);
            if (result != 0) {
                problem = RuntimeResultMessage(result);
            }
        } catch (const nlohmann::json::type_error&) {
            // Subscripting a top level that is neither object nor null.
            result = OLVA_DIAG_CONFIG_NOT_OBJECT;
            problem = std::string("the configuration must be a JSON object with \"olvaruntimepath\", not ") +
                      Reparse(text).type_name();
        } catch (const nlohmann::json::exception& error) {
            result = OLVA_DIAG_CONFIG_INVALID_JSON;
            problem = "the configuration is not valid JSON (comments are not accepted either): " +
                      WithoutTag(error.what());
        } catch (const char* thrown) {
            if (thrown != nullptr && std::strcmp(thrown, olva::kRuntimePathUnreadable) == 0) {
                result = OLVA_DIAG_CONFIG_NO_RUNTIME_PATH;
                problem = NoRuntimePathMessage(text);
            } else if (thrown != nullptr && std::strcmp(thrown, olva::kRuntimeNotOpened) == 0) {
                result = OLVA_DIAG_RUNTIME_NOT_OPENED;
                problem = NotOpenedMessage(text);
            } else {
                result = OLVA_RESULT_RUNTIME_FAILURE;
                problem = "OLVA_CreateRuntime failed with an unknown text exception";
            }
        } catch (const std::exception& error) {
            result = OLVA_RESULT_RUNTIME_FAILURE;
            problem = std::string("OLVA_CreateRuntime failed with an exception: ") + error.what();
        } catch (...) {
            result = OLVA_RESULT_RUNTIME_FAILURE;
            problem = "OLVA_CreateRuntime failed with an exception of unknown type";
        }
        WriteMessage(problem, message, messageSize);
    } catch (...) {
        // Out of memory while writing the message: the result still holds.
        WriteMessage("out of memory", message, messageSize);
        return result != 0 ? result : OLVA_RESULT_RUNTIME_FAILURE;
    }
    return result;
}
