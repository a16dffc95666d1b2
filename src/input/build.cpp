// Placeholder: action set building.
#include "input/olva_input.h"

void olva_input::OLVA_BuildXrActionSet(void*, const OLVA_XrActionSet*) {}

void olva_input::OLVA_ProcessXrInputSource(void*, Json::Value, unsigned long, std::string, std::string, std::string) {}

int32_t olva_input::OLVA_BuildAllXrActionSets(void*)
{
    m_actionSetsBuilt = true;
    return 0;
}
