#include "wording.h"

#include <algorithm>
#include <cctype>

namespace olva::check {

namespace {

char Lower(char c) { return static_cast<char>(std::tolower(static_cast<unsigned char>(c))); }

// Edits (insert, delete, change, swap two neighbours) from a to b, ignoring
// ASCII case.
std::size_t EditDistance(std::string_view a, std::string_view b)
{
    const std::size_t n = a.size();
    const std::size_t m = b.size();
    // Three rows: two back for the swap.
    std::vector<std::size_t> before(m + 1), previous(m + 1), current(m + 1);
    for (std::size_t j = 0; j <= m; ++j) {
        previous[j] = j;
    }
    for (std::size_t i = 1; i <= n; ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= m; ++j) {
            const std::size_t change = Lower(a[i - 1]) == Lower(b[j - 1]) ? 0 : 1;
            current[j] = std::min({previous[j] + 1, current[j - 1] + 1, previous[j - 1] + change});
            if (i > 1 && j > 1 && Lower(a[i - 1]) == Lower(b[j - 2]) && Lower(a[i - 2]) == Lower(b[j - 1])) {
                current[j] = std::min(current[j], before[j - 2] + 1);
            }
        }
        before.swap(previous);
        previous.swap(current);
    }
    return previous[m];
}

bool EqualIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return Lower(x) == Lower(y);
           });
}

}  // namespace

std::string Quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string ClosestName(std::string_view name, const std::vector<std::string>& candidates)
{
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& candidate : candidates) {
        if (candidate.empty() || candidate == name) {
            continue;
        }
        // One edit per five letters of the longer name, at least one, and
        // never the whole of the shorter name: "jmup" is "jump" misspelt and
        // "/input/trigerr" "/input/trigger", but "/actions/demo" is no
        // misspelling of "/actions/main", nor "aim" of "jump".
        const std::size_t distance = EditDistance(name, candidate);
        const std::size_t allowed = std::max<std::size_t>(1, std::max(name.size(), candidate.size()) / 5);
        if (distance > allowed || distance >= std::min(name.size(), candidate.size())) {
            continue;
        }
        if (best.empty() || distance < bestDistance) {
            best = candidate;
            bestDistance = distance;
        }
    }
    return best;
}

std::string DidYouMean(std::string_view name, const std::vector<std::string>& candidates)
{
    std::string closest = ClosestName(name, candidates);
    const std::size_t slash = name.find_last_of('/');
    if (closest.empty() && slash != std::string_view::npos && slash + 1 < name.size()) {
        closest = ClosestName(name.substr(slash + 1), candidates);
        if (closest.empty()) {
            // "/actions/main/in/jump" names "jump" exactly in its last segment.
            const std::string_view last = name.substr(slash + 1);
            for (const std::string& candidate : candidates) {
                if (EqualIgnoringCase(candidate, last)) {
                    closest = candidate;
                    break;
                }
            }
        }
    }
    return closest.empty() ? std::string() : "; did you mean " + Quoted(closest) + "?";
}

std::string ShownPath(std::string_view path)
{
    std::string shown;
    shown.reserve(path.size());
    for (char c : path) {
        if (c == '/' && !shown.empty() && shown.back() == '/') {
            continue;
        }
        shown += c;
    }
    return shown;
}

}  // namespace olva::check
