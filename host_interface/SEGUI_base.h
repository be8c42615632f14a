#pragma once

#include <cstdint>

#include "GuiInstanceRecord.h"
#include "GuiPin.h"
#include "HostCallback.h"
#include "IntPair.h"

// Base of every GUI-side module instance. It embeds the record the host knows
// the instance by, turns each host call on that record into one virtual
// operation, and sends the instance's requests to the host. A module
// overrides only the operations it reacts to; each default does nothing.
//
// The record points back at the object, so an instance is never copied or
// moved; it lives on the heap from makeModule until GUI opcode 1.
struct SEGUI_base {
    SEGUI_base(HostCallback hostCallback, HostValue hostValue);
    SEGUI_base(const SEGUI_base&) = delete;
    SEGUI_base& operator=(const SEGUI_base&) = delete;

    // The virtual operations, in the order of the binary interface.
    virtual ~SEGUI_base() = default;
    virtual ResultWord dispatch(std::int32_t opcode, std::int32_t index, std::int32_t value,
                                void* pointer, float floatValue);
    virtual void onGuiOpcode0(bool indexIsOne);
    virtual void onClose();
    virtual void onGuiOpcode2(std::int32_t index, void* pointer);
    virtual void onGuiOpcode3(void* pointer, std::uint32_t floatBits, IntPair indexAndValue);
    virtual void onGuiOpcode4(void* pointer, std::uint32_t floatBits, IntPair indexAndValue);
    virtual void onGuiOpcode5(void* pointer, std::uint32_t floatBits, IntPair indexAndValue);
    virtual void onGuiOpcode8(void* pointer);
    virtual void onGuiOpcode9(void* pointer);
    virtual bool onGuiOpcode10();
    virtual void onGuiOpcode11(std::int32_t index);
    virtual void onGuiOpcode12(std::int32_t index);
    virtual void onGuiOpcode6(std::int32_t value, std::int32_t index, void* pointer);
    virtual void onGuiPinChanged(GuiPin& pin);

    // Sends one request to the host with this instance's record as the first
    // argument. Without a callback it answers 0 and sends nothing.
    ResultWord callHost(std::int32_t opcode, std::int32_t index, std::int32_t value, void* pointer,
                        float floatValue) const {
        if (callback == nullptr) return 0;
        // The host is handed the record, never the object.
        return callback(const_cast<GuiInstanceRecord*>(&record), opcode, index, value, pointer,
                        floatValue);
    }
    ResultWord callHost(GuiHostOpcode opcode, std::int32_t index, std::int32_t value, void* pointer,
                        float floatValue) const {
        return callHost(toWord(opcode), index, value, pointer, floatValue);
    }

    // Binds the library's one shared accessor to (index, this instance) and
    // returns it. It stays bound only until the next pinAt of any instance:
    // use it at once, in the same expression.
    GuiPin& pinAt(std::int32_t index) {
        sharedPin.bind(index, this);
        return sharedPin;
    }

    // Further host requests offered to module code.
    void sendHostOp8(std::int32_t index, std::int32_t value, void* pointer) const;
    ResultWord sendHostOp18(void* pointer) const;
    ResultWord sendHostOp19(void* pointer) const;
    bool queryHostOp20(void* pointer) const;

    HostCallback callback;     // the host's callback; null means "send nothing"
    GuiInstanceRecord record;  // the instance's handle on the host's side

    // The library's one shared accessor that pinAt binds, constant-initialised
    // to (0, no owner). Each plug-in has its own: nothing leaves a plug-in.
    static constinit inline GuiPin sharedPin;
};

// The record's dispatcher entry: finds the instance through the record's
// object word and answers with its dispatch. It checks nothing: the host
// passes a record from makeModule that no GUI opcode 1 has ended.
// The accessor's integer and float operations sit on every notice's path, so
// they are defined here, where the compiler can inline them into the caller.
// A read gives the host a 4-byte cell preset to 0: a host that writes nothing
// yields 0 rather than whatever the stack held.
inline std::int32_t GuiPin::readInt() const {
    std::int32_t cell = 0;
    owner_->callHost(GuiHostOpcode::ReadValue, index_, 0, &cell, 0.0f);
    return cell;
}

inline float GuiPin::readFloat() const {
    float cell = 0.0f;
    owner_->callHost(GuiHostOpcode::ReadValue, index_, 0, &cell, 0.0f);
    return cell;
}

inline void GuiPin::writeInt(std::int32_t value) const {
    owner_->callHost(GuiHostOpcode::WriteValue, index_, value, nullptr, 0.0f);
}

inline void GuiPin::writeFloat(float floatValue) const {
    owner_->callHost(GuiHostOpcode::WriteValue, index_, 0, nullptr, floatValue);
}

extern "C" ResultWord QK_CDECL guiDispatchEntry(GuiInstanceRecord* record, std::int32_t opcode,
                                                std::int32_t index, std::int32_t value,
                                                void* pointer, float floatValue);
