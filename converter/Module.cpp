#include "Module.h"

#include "ModuleDefinition.h"

void Module::onOpen() {
    SEModule_base::onOpen();
    callHost(DspHostOpcode::Opened, 0, 0, nullptr, 0.0f);
}

bool Module::describePin(std::int32_t index, PinDescription* description) {
    const std::span<const PinRow> table = moduleDefinition().pins;
    if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return false;
    const PinRow& row = table[static_cast<std::size_t>(index)];
    // Only these fields: the value pointer, the reserved words and, for pins
    // without a list, the list text keep what the caller put there.
    description->direction = static_cast<std::int32_t>(row.direction);
    description->datatype = static_cast<std::int32_t>(row.datatype);
    description->name = row.name;
    if (row.listText != nullptr) description->listText = row.listText;
    description->flags = toWord(row.flags);
    return true;
}
