#include "PinTable.h"

#include "DspOpcode.h"
#include "ModuleInfo.h"

PinTable readPinTable(HostSession& session, DspInstanceRecord* dsp) {
    PinTable table;
    for (std::int32_t index = 0;; ++index) {
        PinDescription description{};
        const ResultWord answer = session.sendDsp(
            dsp, static_cast<std::int32_t>(DspOpcode::DescribePin), index, 0, &description);
        if (answer == 0) break;
        if (index == kMaxPins) {
            table.endless = true;
            break;
        }
        table.pins.push_back(pinFromDescription(index, description));
    }
    return table;
}

PinInfo pinFromDescription(std::int32_t index, const PinDescription& description) {
    PinInfo pin;
    pin.index = index;
    pin.name = copyPluginText(description.name);
    pin.direction = description.direction;
    pin.datatype = description.datatype;
    pin.listText = copyPluginText(description.listText);
    pin.flags = description.flags;
    return pin;
}
