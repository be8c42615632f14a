#include "SEGUI_base.h"

#include <bit>
#include <cstring>

#include "GuiOpcode.h"

SEGUI_base::SEGUI_base(HostCallback hostCallback, HostValue hostValue) : callback(hostCallback) {
    std::memset(&record, 0, sizeof record);
    record.magic = GuiInstanceRecord::kMagic;
    record.version = GuiInstanceRecord::kVersion;
    record.dispatcherEntry = &guiDispatchEntry;
    record.hostValue = hostValue;
    record.object = this;
}

ResultWord SEGUI_base::dispatch(std::int32_t opcode, std::int32_t index, std::int32_t value,
                                void* pointer, float floatValue) {
    // Unsigned, so that every negative opcode is "above 12" as well.
    const auto code = static_cast<std::uint32_t>(opcode);
    if (code > kLastGuiOpcode) return 0;
    switch (static_cast<GuiOpcode>(code)) {
        case GuiOpcode::Opcode0:
            onGuiOpcode0(index == 1);
            break;
        case GuiOpcode::Close:
            onClose();
            delete this;  // the record ends with the object: touch nothing after
            return 1;
        case GuiOpcode::Opcode2:
            onGuiOpcode2(index, pointer);
            break;
        case GuiOpcode::Opcode3:
            onGuiOpcode3(pointer, std::bit_cast<std::uint32_t>(floatValue), IntPair(index, value));
            break;
        case GuiOpcode::Opcode4:
            onGuiOpcode4(pointer, std::bit_cast<std::uint32_t>(floatValue), IntPair(index, value));
            break;
        case GuiOpcode::Opcode5:
            onGuiOpcode5(pointer, std::bit_cast<std::uint32_t>(floatValue), IntPair(index, value));
            break;
        case GuiOpcode::Opcode6:
            onGuiOpcode6(value, index, pointer);
            break;
        case GuiOpcode::PinChanged: {
            GuiPin changed;  // separate from the shared accessor: nested pinAt calls leave it alone
            changed.bind(index, this);
            onGuiPinChanged(changed);
            break;
        }
        case GuiOpcode::Opcode8:
            onGuiOpcode8(pointer);
            break;
        case GuiOpcode::Opcode9:
            onGuiOpcode9(pointer);
            break;
        case GuiOpcode::Query10:
            return onGuiOpcode10() ? 1 : 0;
        case GuiOpcode::Opcode11:
            onGuiOpcode11(index);
            break;
        case GuiOpcode::Opcode12:
            onGuiOpcode12(index);
            break;
    }
    return 0;
}

void SEGUI_base::onGuiOpcode0(bool) {}
void SEGUI_base::onClose() {}
void SEGUI_base::onGuiOpcode2(std::int32_t, void*) {}
void SEGUI_base::onGuiOpcode3(void*, std::uint32_t, IntPair) {}
void SEGUI_base::onGuiOpcode4(void*, std::uint32_t, IntPair) {}
void SEGUI_base::onGuiOpcode5(void*, std::uint32_t, IntPair) {}
void SEGUI_base::onGuiOpcode8(void*) {}
void SEGUI_base::onGuiOpcode9(void*) {}
bool SEGUI_base::onGuiOpcode10() {
    return false;
}
void SEGUI_base::onGuiOpcode11(std::int32_t) {}
void SEGUI_base::onGuiOpcode12(std::int32_t) {}
void SEGUI_base::onGuiOpcode6(std::int32_t, std::int32_t, void*) {}
void SEGUI_base::onGuiPinChanged(GuiPin&) {}

void SEGUI_base::sendHostOp8(std::int32_t index, std::int32_t value, void* pointer) const {
    callHost(GuiHostOpcode::Request8, index, value, pointer, 0.0f);
}

ResultWord SEGUI_base::sendHostOp18(void* pointer) const {
    return callHost(GuiHostOpcode::Request18, 0, 0, pointer, 0.0f);
}

ResultWord SEGUI_base::sendHostOp19(void* pointer) const {
    return callHost(GuiHostOpcode::Request19, 0, 0, pointer, 0.0f);
}

bool SEGUI_base::queryHostOp20(void* pointer) const {
    return callHost(GuiHostOpcode::Query20, 0, 0, pointer, 0.0f) != 0;
}

extern "C" ResultWord QK_CDECL guiDispatchEntry(GuiInstanceRecord* record, std::int32_t opcode,
                                                std::int32_t index, std::int32_t value,
                                                void* pointer, float floatValue) {
    return record->object->dispatch(opcode, index, value, pointer, floatValue);
}
