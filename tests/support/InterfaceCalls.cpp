// Compiled with -mrtd on the 32-bit build (see the header): nothing here may
// call a function whose type is not explicitly cdecl, so the file calls only
// through the interface's own types and deliverHostRequest.
#include "InterfaceCalls.h"

namespace {

ResultWord QK_CDECL hostEntry(void* record, std::int32_t opcode, std::int32_t index,
                              std::int32_t value, void* pointer, float floatValue) {
    return deliverHostRequest(record, opcode, index, value, pointer, floatValue);
}

}  // namespace

HostCallback QK_CDECL testHostCallback() {
    return &hostEntry;
}

std::int32_t QK_CDECL callGetModuleProperties(GetModulePropertiesFunction function,
                                              std::int32_t index, ModuleDescription* description) {
    return function(index, description);
}

void* QK_CDECL callMakeModule(MakeModuleFunction function, std::int32_t index,
                              std::int32_t instanceType, HostCallback callback,
                              HostValue hostValue) {
    return function(index, instanceType, callback, hostValue);
}

ResultWord QK_CDECL callDspDispatcher(DspInstanceRecord* record, std::int32_t opcode,
                                      std::int32_t index, std::int32_t value, void* pointer,
                                      float floatValue) {
    return record->dispatcherEntry(record, opcode, index, value, pointer, floatValue);
}

void QK_CDECL callDspEvent(DspInstanceRecord* record, DspEvent* event) {
    record->eventEntry(record->object, event);
}

void QK_CDECL callDspProcess(DspInstanceRecord* record) {
    record->processEntry(record->object);
}

ResultWord QK_CDECL callGuiDispatcher(GuiInstanceRecord* record, std::int32_t opcode,
                                      std::int32_t index, std::int32_t value, void* pointer,
                                      float floatValue) {
    return record->dispatcherEntry(record, opcode, index, value, pointer, floatValue);
}
