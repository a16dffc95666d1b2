#include "input/olva_input.h"

#include <cctype>
#include <deque>

olva_input* olva_input::getInstance()
{
    static olva_input instance;
    return &instance;
}

namespace olva::input {

namespace {

// A deque never moves its elements when it grows at the back. The pools are
// never destroyed: records outlive the registry on purpose.
template <typename Record>
Record* NewFromPool()
{
    static auto* pool = new std::deque<Record>();
    return &pool->emplace_back();
}

}  // namespace

OLVA_XrActionSet* NewActionSet() { return NewFromPool<OLVA_XrActionSet>(); }
OLVA_XrAction* NewAction() { return NewFromPool<OLVA_XrAction>(); }
OLVA_XrActionSource* NewActionSource() { return NewFromPool<OLVA_XrActionSource>(); }
OLVA_XrInputValue* NewInputValue() { return NewFromPool<OLVA_XrInputValue>(); }

std::string LowerKey(std::string_view name)
{
    std::string key(name);
    for (char& c : key) {
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return key;
}

bool EqualsIgnoreCase(std::string_view a, std::string_view b) noexcept
{
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
            return false;
        }
    }
    return true;
}

ActionClass ClassifyActionType(std::string_view type)
{
    if (EqualsIgnoreCase(type, "boolean")) {
        return ActionClass::Digital;
    }
    for (std::string_view analog : {"single", "vector1", "vector2", "vector3"}) {
        if (EqualsIgnoreCase(type, analog)) {
            return ActionClass::Analog;
        }
    }
    return ActionClass::Other;
}

}  // namespace olva::input
