// Reading a JSON document from a file, as the manifest load reads both of
// its documents.
#include "input/documents.h"

#include <sys/stat.h>

#include <fstream>
#include <memory>

namespace olva::input {

namespace {

// The first error of JsonCpp's report ("* Line 1, Column 1\n  Syntax error:
// ...\n"), on one line.
std::string FirstParseError(const std::string& report)
{
    std::string text;
    std::size_t start = 0;
    int lines = 0;
    while (start < report.size() && lines < 2) {
        std::size_t end = report.find('\n', start);
        if (end == std::string::npos) {
            end = report.size();
        }
        std::string_view line(report.data() + start, end - start);
        while (!line.empty() && (line.front() == ' ' || line.front() == '*')) {
            line.remove_prefix(1);
        }
        if (!line.empty()) {
            text += text.empty() ? "" : ": ";
            text += line;
            ++lines;
        }
        start = end + 1;
    }
    return text.empty() ? std::string("not valid JSON") : "not valid JSON: " + text;
}

}  // namespace

// ---- Reading

bool IsValidUtf8(std::string_view text) noexcept
{
    const auto* bytes = reinterpret_cast<const unsigned char*>(text.data());
    const std::size_t size = text.size();
    std::size_t i = 0;
    while (i < size) {
        const unsigned char lead = bytes[i];
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t length = 0;
        uint32_t codePoint = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
            length = 2;
            codePoint = lead & 0x1Fu;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            length = 3;
            codePoint = lead & 0x0Fu;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            length = 4;
            codePoint = lead & 0x07u;
        } else {
            return false;  // continuation byte, overlong two-byte lead, or beyond U+10FFFF
        }
        if (size - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0u) != 0x80u) {
                return false;
            }
            codePoint = (codePoint << 6) | (bytes[i + k] & 0x3Fu);
        }
        if ((length == 3 && codePoint < 0x800) || (length == 4 && codePoint < 0x10000) || codePoint > 0x10FFFF ||
            (codePoint >= 0xD800 && codePoint <= 0xDFFF)) {
            return false;
        }
        i += length;
    }
    return true;
}

ReadStatus ReadJsonDocument(const std::string& path, Json::Value& out, DocumentError* error)
{
    auto fail = [&](ReadStatus status, std::string reason) {
        if (error != nullptr) {
            *error = DocumentError{path, std::string(), std::move(reason)};
        }
        return status;
    };
    if (!IsValidUtf8(path)) {
        return fail(ReadStatus::InvalidPath, "the path is not valid UTF-8");
    }
    // Only regular files are opened: a directory would open and then fail to
    // read, and a FIFO could block for ever.
    struct stat info = {};
    if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
        out = Json::Value(Json::objectValue);
        return ReadStatus::Unopened;
    }
    std::ifstream file(path, std::ios::in | std::ios::binary);
    if (!file.is_open()) {
        out = Json::Value(Json::objectValue);
        return ReadStatus::Unopened;
    }
    std::string text;
    char buffer[16384];
    while (file.read(buffer, sizeof buffer) || file.gcount() > 0) {
        text.append(buffer, static_cast<std::size_t>(file.gcount()));
    }
    if (file.bad()) {
        return fail(ReadStatus::ReadFailed, "the file could not be read");
    }

    // The reader behind stream extraction, with the same default settings.
    Json::CharReaderBuilder builder;
    const std::unique_ptr<Json::CharReader> reader(builder.newCharReader());
    Json::Value document;
    std::string report;
    try {
        if (!reader->parse(text.data(), text.data() + text.size(), &document, &report)) {
            return fail(ReadStatus::InvalidJson, FirstParseError(report));
        }
    } catch (const Json::Exception& e) {  // nesting deeper than the reader's limit
        return fail(ReadStatus::InvalidJson, std::string("not valid JSON: ") + e.what());
    }
    out = std::move(document);
    return ReadStatus::Parsed;
}

}  // namespace olva::input
