// Runs headless Chromium on a page file and reads what it leaves: the
// rendered DOM, the network log and screenshots. Also a small reader of the
// serialised DOM that knows each element's ancestors.
#pragma once

#include <fcntl.h>
#include <spawn.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

extern char** environ;

namespace olva::test {

inline std::string ReadFile(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

// A fresh directory, removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir()
    {
        std::string pattern = (std::filesystem::temp_directory_path() / "olva-html-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr) {
            m_path = pattern;
        }
    }
    ~TempDir()
    {
        std::error_code ignored;
        if (!m_path.empty()) {
            std::filesystem::remove_all(m_path, ignored);
        }
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

// Runs a program with standard output and standard error in files; gives
// up and kills it after `timeout`. Returns its exit status, -1 when it did
// not exit normally in time.
inline int RunProgram(std::vector<std::string> args, const std::string& outFile, const std::string& errFile,
                      std::chrono::seconds timeout = std::chrono::seconds(120))
{
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    // Its own process group, so a timeout ends the browser's helpers too.
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, &attributes, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    posix_spawnattr_destroy(&attributes);
    if (spawned != 0) {
        return -1;
    }
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    int status = 0;
    while (true) {
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) {
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
        if (done < 0 || std::chrono::steady_clock::now() > deadline) {
            kill(-pid, SIGKILL);
            waitpid(pid, &status, 0);
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
}

// The browser, or empty when this machine has none.
inline std::string BrowserPath()
{
    const std::string configured = OLVA_CHROMIUM;
    for (const std::string& candidate : {configured, std::string("/usr/bin/chromium")}) {
        if (!candidate.empty() && access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return "";
}

struct BrowserRun {
    int status = -1;
    std::string dom;     // with --dump-dom
    std::string netLog;  // the network log's JSON text
    std::string err;
};

// Headless, with a fresh profile, no background traffic of the browser's
// own, every host name unresolvable, and a network log of what was asked.
inline BrowserRun RunBrowser(const std::string& page, const std::vector<std::string>& mode, const TempDir& work)
{
    BrowserRun run;
    const std::string profile = work / "profile";
    const std::string netLog = work / "netlog.json";
    std::vector<std::string> args = {BrowserPath(),
                                     "--headless",
                                     "--no-sandbox",
                                     "--disable-gpu",
                                     "--disable-quic",
                                     "--no-first-run",
                                     "--disable-background-networking",
                                     "--disable-component-update",
                                     "--disable-sync",
                                     "--hide-scrollbars",
                                     "--user-data-dir=" + profile,
                                     "--host-resolver-rules=MAP * ~NOTFOUND",
                                     "--log-net-log=" + netLog};
    args.insert(args.end(), mode.begin(), mode.end());
    args.push_back("file://" + std::filesystem::absolute(page).string());
    run.status = RunProgram(args, work / "browser.out", work / "browser.err");
    run.dom = ReadFile(work / "browser.out");
    run.err = ReadFile(work / "browser.err");
    run.netLog = ReadFile(netLog);
    std::error_code ignored;
    std::filesystem::remove_all(profile, ignored);
    return run;
}

// The URLs the page itself asked for: requests with an initiator. The
// browser's own requests (updates, accounts) have none.
inline std::vector<std::string> PageRequests(const std::string& netLogText)
{
    std::vector<std::string> urls;
    const nlohmann::json log = nlohmann::json::parse(netLogText, nullptr, false);
    if (!log.is_object() || !log.contains("events") || !log.contains("constants")) {
        urls.push_back("<unreadable network log>");
        return urls;
    }
    const int startJob = log["constants"]["logEventTypes"].value("URL_REQUEST_START_JOB", -1);
    for (const nlohmann::json& event : log["events"]) {
        if (event.value("type", -2) != startJob || !event.contains("params")) {
            continue;
        }
        const nlohmann::json& params = event["params"];
        if (params.contains("url") && params.value("initiator", "") != "not an origin") {
            urls.push_back(params.value("url", ""));
        }
    }
    return urls;
}

// One element of the rendered DOM with its attributes and the attributes
// of every element around it, innermost first.
struct DomElement {
    std::string name;
    std::map<std::string, std::string> attributes;
    std::vector<const DomElement*> ancestors;

    std::string Attr(const std::string& key) const
    {
        const auto found = attributes.find(key);
        return found == attributes.end() ? "" : found->second;
    }
    // The nearest enclosing element's value of key, or empty.
    std::string Enclosing(const std::string& key) const
    {
        for (const DomElement* ancestor : ancestors) {
            if (ancestor->attributes.count(key) != 0) {
                return ancestor->Attr(key);
            }
        }
        return "";
    }
};

inline std::string DecodeEntities(const std::string& text)
{
    static const std::pair<const char*, const char*> kEntities[] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}, {"&nbsp;", "\xC2\xA0"}};
    std::string out;
    for (std::size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& [entity, character] : kEntities) {
                if (text.compare(i, std::char_traits<char>::length(entity), entity) == 0) {
                    out += character;
                    i += std::char_traits<char>::length(entity);
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced) {
            out += text[i++];
        }
    }
    return out;
}

// Reads the browser's serialisation of the DOM (every non-void element has
// an end tag there). Elements stay valid while the vector lives.
inline std::vector<std::unique_ptr<DomElement>> ParseDom(const std::string& html)
{
    static const char* const kVoid[] = {"area", "base", "br", "col", "embed", "hr", "img", "input",
                                        "link", "meta", "source", "track", "wbr"};
    std::vector<std::unique_ptr<DomElement>> elements;
    std::vector<DomElement*> open;
    for (std::size_t i = html.find('<'); i != std::string::npos; i = html.find('<', i)) {
        if (html.compare(i, 4, "<!--") == 0) {
            i = html.find("-->", i);
            if (i == std::string::npos) {
                break;
            }
            continue;
        }
        if (html.compare(i, 2, "<!") == 0) {
            i = html.find('>', i);
            if (i == std::string::npos) {
                break;
            }
            continue;
        }
        if (html.compare(i, 2, "</") == 0) {
            const std::size_t end = html.find('>', i);
            if (end == std::string::npos) {
                break;
            }
            const std::string name = html.substr(i + 2, end - i - 2);
            while (!open.empty()) {
                const bool match = open.back()->name == name;
                open.pop_back();
                if (match) {
                    break;
                }
            }
            i = end;
            continue;
        }
        auto element = std::make_unique<DomElement>();
        std::size_t j = i + 1;
        while (j < html.size() && !std::isspace(static_cast<unsigned char>(html[j])) && html[j] != '>' && html[j] != '/') {
            element->name += html[j++];
        }
        // Attributes: name="value" (as the browser writes them), name='value',
        // name=value or a bare name. Every step moves on.
        while (j < html.size() && html[j] != '>') {
            if (std::isspace(static_cast<unsigned char>(html[j])) || html[j] == '/') {
                ++j;
                continue;
            }
            std::string key;
            while (j < html.size() && html[j] != '=' && html[j] != '>' && html[j] != '/' &&
                   !std::isspace(static_cast<unsigned char>(html[j]))) {
                key += html[j++];
            }
            std::string value;
            if (j < html.size() && html[j] == '=') {
                ++j;
                if (j < html.size() && (html[j] == '"' || html[j] == '\'')) {
                    const std::size_t close = std::min(html.find(html[j], j + 1), html.size());
                    value = DecodeEntities(html.substr(j + 1, close - j - 1));
                    j = close + 1;
                } else {
                    while (j < html.size() && html[j] != '>' && !std::isspace(static_cast<unsigned char>(html[j]))) {
                        value += html[j++];
                    }
                }
            }
            element->attributes[key] = value;
        }
        if (j >= html.size()) {
            break;
        }
        for (auto it = open.rbegin(); it != open.rend(); ++it) {
            element->ancestors.push_back(*it);
        }
        DomElement* raw = element.get();
        elements.push_back(std::move(element));
        bool isVoid = html[j - 1] == '/';
        for (const char* name : kVoid) {
            isVoid = isVoid || raw->name == name;
        }
        if (!isVoid) {
            open.push_back(raw);
        }
        i = j;
        // The text of script and style elements holds no tags.
        if (raw->name == "style" || raw->name == "script") {
            i = html.find("</" + raw->name, i);
            if (i == std::string::npos) {
                break;
            }
        }
    }
    return elements;
}

}  // namespace olva::test
