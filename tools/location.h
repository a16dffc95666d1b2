// JSON locations written the way the library's document checks write them:
// default_bindings[1].controller_type, bindings["/actions/main"].sources[0].
#pragma once

#include <string>
#include <string_view>

namespace olva::check {

inline bool IsPlainMemberName(std::string_view key) noexcept
{
    if (key.empty()) {
        return false;
    }
    for (char c : key) {
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
        if (!plain) {
            return false;
        }
    }
    return true;
}

inline std::string MemberAt(const std::string& base, std::string_view key)
{
    if (IsPlainMemberName(key)) {
        return base.empty() ? std::string(key) : base + "." + std::string(key);
    }
    return base + "[\"" + std::string(key) + "\"]";
}

inline std::string ElementAt(const std::string& base, unsigned index)
{
    return base + "[" + std::to_string(index) + "]";
}

}  // namespace olva::check
