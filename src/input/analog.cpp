// Analog action data: the value of a trigger, grip or stick position that the
// latest update stored for a hand, and its change since the update before.
#include "input/olva_input.h"

#include <cstddef>
#include <cstring>
#include <ctime>
#include <vector>

static_assert(offsetof(OLVA_XrInputAnalogActionData, isActive) == 0);
static_assert(offsetof(OLVA_XrInputAnalogActionData, inputSource) == 8);
static_assert(offsetof(OLVA_XrInputAnalogActionData, x) == 16);
static_assert(offsetof(OLVA_XrInputAnalogActionData, y) == 20);
static_assert(offsetof(OLVA_XrInputAnalogActionData, z) == 24);
static_assert(offsetof(OLVA_XrInputAnalogActionData, deltaX) == 28);
static_assert(offsetof(OLVA_XrInputAnalogActionData, deltaY) == 32);
static_assert(offsetof(OLVA_XrInputAnalogActionData, deltaZ) == 36);
static_assert(offsetof(OLVA_XrInputAnalogActionData, time) == 40);
static_assert(sizeof(OLVA_XrInputAnalogActionData) == 48);

namespace {

// The vector a hand's evaluation reports: that of its first source's slot,
// or (0, 0) when there is none (also for a first source without a path,
// which leaves the cleared record as it is).
OLVA_Vector2f ReportedValue(unsigned long handle, const std::vector<OLVA_XrActionSource*>& sources)
{
    const auto* value = reinterpret_cast<const OLVA_XrInputValue*>(handle);
    if (value == nullptr || sources.empty() || sources.front()->path.empty()) {
        return {0.0f, 0.0f};
    }
    const int slot = sources.front()->analogSlot;
    return slot >= 0 && slot < 3 ? value->current.analog[slot] : OLVA_Vector2f{0.0f, 0.0f};
}

// Whether a hand's evaluation writes every field of the record: all but one
// whose first source has no path, which only clears isActive.
bool WritesWholeRecord(const std::vector<OLVA_XrActionSource*>& sources)
{
    return sources.empty() || !sources.front()->path.empty();
}

int64_t StartMinusEnd(const timespec& start, const timespec& end) noexcept
{
    return (static_cast<int64_t>(start.tv_sec) - end.tv_sec) * 1000000000 + (start.tv_nsec - end.tv_nsec);
}

}  // namespace

int32_t olva_input::OLVA_GetXrActionAnalogData(void* runtime, unsigned long action, OLVA_XrInputAnalogActionData* data,
                                               unsigned int, unsigned long inputSource)
{
    if (data != nullptr) {
        std::memset(data, 0, sizeof *data);
    }
    if (runtime == nullptr) {
        return OLVA_RESULT_INVALID_RUNTIME;
    }
    if (data == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    // Only handles this library issued, of the right kind, are read.
    const OLVA_XrAction* record = olva::input::ActionFromHandle(action);
    if (record == nullptr || record->actionClass != olva::input::ActionClass::Analog) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }
    if (inputSource != 0 && olva::input::InputValueFromHandle(inputSource) == nullptr) {
        return OLVA_RESULT_INVALID_ARGUMENT;
    }

    if (inputSource != 0) {
        if (inputSource == record->rightInputValue) {
            OLVA_UpdateXrActionAnalogData(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, record, data);
            return 0;
        }
        if (inputSource == record->leftInputValue) {
            OLVA_UpdateXrActionAnalogData(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, record, data);
            return 0;
        }
        // Neither hand of this action: answer as for both hands.
    }
    if (record->rightInputValue == 0) {
        if (record->leftInputValue != 0) {
            OLVA_UpdateXrActionAnalogData(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, record, data);
        }
        return 0;
    }
    // The right hand wins unless it rests at exactly (0, 0); -0.0 compares
    // equal to zero, NaN does not. Evaluating a resting right hand has no
    // effect when the left hand's evaluation overwrites the record whole,
    // so it is skipped then.
    const OLVA_Vector2f right = ReportedValue(record->rightInputValue, record->rightSources);
    const bool rightRests = right.x == 0.0f && right.y == 0.0f;
    if (record->leftInputValue == 0 || !rightRests || !WritesWholeRecord(record->leftSources)) {
        OLVA_UpdateXrActionAnalogData(OLVA_DEVICE_TYPE_RIGHT_CONTROLLER, record, data);
    }
    if (record->leftInputValue != 0 && data->x == 0.0f && data->y == 0.0f) {
        OLVA_UpdateXrActionAnalogData(OLVA_DEVICE_TYPE_LEFT_CONTROLLER, record, data);
    }
    return 0;
}

void olva_input::OLVA_UpdateXrActionAnalogData(OLVA_DeviceType device, const OLVA_XrAction* action,
                                               OLVA_XrInputAnalogActionData* data)
{
    timespec start{};
    clock_gettime(CLOCK_MONOTONIC, &start);
    data->isActive = 0;

    unsigned long handle = 0;
    const std::vector<OLVA_XrActionSource*>* sources = nullptr;
    if (device == OLVA_DEVICE_TYPE_LEFT_CONTROLLER) {
        handle = action->leftInputValue;
        sources = &action->leftSources;
    } else if (device == OLVA_DEVICE_TYPE_RIGHT_CONTROLLER) {
        handle = action->rightInputValue;
        sources = &action->rightSources;
    } else {
        return;
    }

    // Only the first source counts. A hand with none (building stopped part
    // way) answers like a hand with nothing to report, rather than reading a
    // source that is not there.
    const OLVA_XrActionSource* first = sources->empty() ? nullptr : sources->front();
    if (first != nullptr && first->path.empty()) {
        return;  // isActive stays 0, everything else as it was
    }
    const auto* value = reinterpret_cast<const OLVA_XrInputValue*>(handle);
    const int slot = first != nullptr && value != nullptr ? first->analogSlot : -1;

    timespec end{};
    clock_gettime(CLOCK_MONOTONIC, &end);
    data->isActive = first != nullptr;
    data->inputSource = handle;
    data->x = 0.0f;
    data->y = 0.0f;
    data->z = 0.0f;
    data->deltaX = 0.0f;
    data->deltaY = 0.0f;
    data->deltaZ = 0.0f;
    // A component path with no analog value (a button) reports zeros.
    if (slot >= 0 && slot < 3) {
        const OLVA_Vector2f present = value->current.analog[slot];
        data->x = present.x;
        data->y = present.y;
        if (value->previousValid) {
            // Previous minus present, not the other way round.
            data->deltaX = value->previous.analog[slot].x - present.x;
            data->deltaY = value->previous.analog[slot].y - present.y;
        }
    }
    data->time = StartMinusEnd(start, end);
}
