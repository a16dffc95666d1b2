#include "capture_layer.h"

#include "loader/same_image.h"

#include <nlohmann/json.hpp>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <fstream>

namespace olva::capture {

namespace {

constexpr const char* kEntryPointNames[] = {
#define OLVA_ENTRY(ret, name, params, args, absent) #name,
#include "loader/olva_entry_points.inc"
#undef OLVA_ENTRY
};
static_assert(std::size(kEntryPointNames) == kEntryPointCount, "one name per entry point");

void Report(const std::string& message)
{
    std::fprintf(stderr, "olva_capture: %s\n", message.c_str());
}

// Whether an address lies in this module: a configuration naming the layer
// itself as the real runtime would otherwise make every call forward to
// itself for ever.
bool InsideLayer(void* address)
{
    return InSameImage(address, reinterpret_cast<const void*>(&Report));
}

struct Settings {
    std::string runtime;
    std::string file;
};

// Reads "capture": {"runtime": ..., "file": ...}; other keys are the real
// runtime's. Returns an error text, empty on success.
std::string ReadSettings(const char* configJson, Settings& settings)
{
    using nlohmann::json;
    json config;
    try {
        config = json::parse(configJson);
    } catch (const json::exception& e) {
        return std::string("the configuration is not JSON: ") + e.what();
    }
    if (!config.is_object()) {
        return "the configuration is not a JSON object";
    }
    const auto capture = config.find("capture");
    if (capture == config.end() || !capture->is_object()) {
        return "the configuration has no \"capture\" object ({\"runtime\": ..., \"file\": ...})";
    }
    for (const auto& item : capture->items()) {
        if (item.key() != "runtime" && item.key() != "file") {
            return "unknown key \"capture." + item.key() + "\" (known: runtime, file)";
        }
        if (!item.value().is_string() || item.value().get<std::string>().empty()) {
            return "\"capture." + item.key() + "\" must be a non-empty string";
        }
    }
    if (!capture->contains("runtime")) {
        return "\"capture.runtime\" is missing (the path of the real runtime library)";
    }
    if (!capture->contains("file")) {
        return "\"capture.file\" is missing (the capture file to write)";
    }
    settings.runtime = (*capture)["runtime"].get<std::string>();
    settings.file = (*capture)["file"].get<std::string>();
    return "";
}

// A capture file is truncated when recording starts; a file that holds
// something else (a scenario or a runtime named by mistake) is left alone.
// Returns an error text, empty when the file may be written.
std::string RefuseToOverwrite(const std::string& path)
{
    struct stat info {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size == 0) {
        return "";  // new, empty, or not a regular file (open reports that)
    }
    std::ifstream file(path, std::ios::binary);
    std::string start(kMagic.size() + 1, '\0');
    file.read(start.data(), static_cast<std::streamsize>(start.size()));
    if (LooksLikeCapture(start)) {
        return "";
    }
    return "'" + path + "' exists and is not a capture; not overwritten (remove it or name another file)";
}

}  // namespace

Layer& Layer::Instance()
{
    // Constructed on first use, destroyed when the module is unloaded or the
    // process exits: the destructor writes the frame in progress.
    static Layer layer;
    return layer;
}

Layer::~Layer()
{
    if (m_runtime.load() != nullptr) {
        Finish();
    }
}

int32_t Layer::CreateRuntime(const OLVA_RuntimeCreateInfo* createInfo, void** runtime)
{
    if (createInfo == nullptr || createInfo->configJson == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    if (m_creating) {
        // The "real" runtime came back here to create its runtime: it is
        // libolva_framework, or a runtime configured to load this layer.
        // Going on would recurse until the stack runs out.
        Report("the runtime library '" + m_creatingFrom +
               "' created its runtime through the capture layer again; name the vendor runtime in "
               "\"capture.runtime\", not libolva_framework or the layer");
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    try {
        if (m_runtime.load() != nullptr) {
            Report("a runtime is already being recorded to '" + m_path +
                   "'; destroy it before creating another");
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        Settings settings;
        if (const std::string error = ReadSettings(createInfo->configJson, settings); !error.empty()) {
            Report(error);
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        if (const std::string error = RefuseToOverwrite(settings.file); !error.empty()) {
            Report(error);
            return OLVA_RESULT_INVALID_ARGUMENT;
        }

        dlerror();
        void* library = dlopen(settings.runtime.c_str(), RTLD_NOW);
        if (library == nullptr) {
            const char* reason = dlerror();
            Report("cannot open the runtime library '" + settings.runtime + "': " +
                   (reason != nullptr ? reason : "unknown reason"));
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        std::array<void*, kEntryPointCount> real{};
        for (std::size_t i = 0; i < kEntryPointCount; ++i) {
            void* address = dlsym(library, kEntryPointNames[i]);
            real[i] = InsideLayer(address) ? nullptr : address;
        }
        if (InsideLayer(dlsym(library, "OLVA_CreateRuntime"))) {
            Report("the runtime library '" + settings.runtime + "' is the capture layer itself");
            dlclose(library);
            return OLVA_RESULT_INVALID_ARGUMENT;
        }

        const int fd = ::open(settings.file.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
        if (fd < 0) {
            Report("cannot create the capture file '" + settings.file + "': " + std::strerror(errno));
            dlclose(library);
            return OLVA_RESULT_INVALID_ARGUMENT;
        }
        const std::string header = HeaderLine({{"producer", std::string("libolva_capture ") + OLVA_CAPTURE_VERSION},
                                               {"runtime", settings.runtime}});
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_fd = fd;
            m_path = settings.file;
            m_recorder.Reset();
            WriteLine(header);
            if (m_fd < 0) {
                dlclose(library);
                return OLVA_RESULT_INVALID_ARGUMENT;
            }
            // The earlier runtime library, if any, stays loaded: functions
            // the application obtained from it may still be called.
            m_real = real;
            m_library = library;
        }

        const auto create = reinterpret_cast<PFN_OLVA_CreateRuntime>(Real(EntryPoint::OLVA_CreateRuntime));
        int32_t result = OLVA_RESULT_UNSUPPORTED;
        if (create != nullptr) {
            m_creating = true;
            m_creatingFrom = settings.runtime;
            try {
                result = create(createInfo, runtime);
            } catch (...) {
                result = OLVA_RESULT_RUNTIME_FAILURE;
            }
            m_creating = false;
        }
        if (result != 0 || runtime == nullptr || *runtime == nullptr) {
            // Nothing to record: the file keeps its header only.
            std::lock_guard<std::mutex> lock(m_mutex);
            CloseLocked();
            return result;
        }
        m_runtime.store(*runtime, std::memory_order_release);
        return 0;
    } catch (const std::exception& e) {
        Report(std::string("cannot start the capture: ") + e.what());
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
}

void Layer::Record(const Key& key, const Answer& answer)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_recorder.Record(key, answer);
}

void Layer::EndFrame(int32_t waitResult)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fd >= 0) {
        WriteLine(m_recorder.EndFrame(waitResult));
    }
}

void Layer::Finish()
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (m_fd >= 0) {
        WriteLine(m_recorder.EndFrame(std::nullopt));
    }
    CloseLocked();
    m_runtime.store(nullptr, std::memory_order_release);
}

// One write(2) per line, so a process killed at any moment leaves whole
// lines and at most one torn last line. A failing write stops the capture
// (the session goes on unrecorded) with one message.
void Layer::WriteLine(std::string_view line)
{
    const char* data = line.data();
    std::size_t left = line.size();
    while (left > 0) {
        const ssize_t written = ::write(m_fd, data, left);
        if (written < 0 && errno == EINTR) {
            continue;
        }
        if (written <= 0) {
            Report("cannot write the capture file '" + m_path + "': " + std::strerror(errno) +
                   "; recording stopped");
            CloseLocked();
            return;
        }
        data += written;
        left -= static_cast<std::size_t>(written);
    }
}

void Layer::CloseLocked()
{
    if (m_fd >= 0) {
        ::close(m_fd);
        m_fd = -1;
    }
}

}  // namespace olva::capture
