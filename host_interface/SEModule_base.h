#pragma once

#include <cstdint>

#include "DspEvent.h"
#include "DspInstanceRecord.h"
#include "HostCallback.h"
#include "PinDescription.h"
#include "RoutineRef.h"
#include "SEPin.h"

// Base of every DSP-side module instance. It embeds the record the host knows
// the instance by, turns each host call on that record into one virtual
// operation, handles the events the host delivers, keeps the current process
// routine, and builds the instance's DSP pins at open. A module overrides only
// what it reacts to.
//
// The record points back at the object, so an instance is never copied or
// moved; it lives on the heap from makeModule until DSP opcode 1.
class SEModule_base {
public:
    SEModule_base(HostCallback hostCallback, HostValue hostValue);
    SEModule_base(const SEModule_base&) = delete;
    SEModule_base& operator=(const SEModule_base&) = delete;

    // The virtual operations, in the order of the binary interface.
    virtual ~SEModule_base();
    virtual void onPinStatusChanged(SEPin* pin);
    virtual void onEvent(DspEvent* event);
    virtual ResultWord dispatch(std::int32_t opcode, std::int32_t index, std::int32_t value,
                                void* pointer, float floatValue);
    virtual void onOpen();
    virtual void onClose();
    virtual void spareHook(std::uint32_t first, std::uint32_t second);
    virtual void setSampleRate(float rate);
    virtual void setBlockSize(std::int32_t size);
    virtual float getSampleRate();
    virtual std::int32_t getBlockSize();
    virtual bool describePin(std::int32_t index, PinDescription* description);
    virtual bool spareQueryA(std::uint32_t word);
    virtual bool spareQueryB(std::uint32_t word);
    virtual void onNotify();
    virtual void onNotifyValue(std::int32_t value);
    virtual void onValuesEvent(std::uint32_t stamp, std::uint32_t value, std::uint16_t shortValue);
    virtual void onCommand(std::int32_t value, std::int32_t index, void* pointer);

    // Sends one request to the host with this instance's record as the first
    // argument. Without a callback it answers 0 and sends nothing.
    ResultWord callHost(std::int32_t opcode, std::int32_t index, std::int32_t value, void* pointer,
                        float floatValue);
    ResultWord callHost(DspHostOpcode opcode, std::int32_t index, std::int32_t value, void* pointer,
                        float floatValue) {
        return callHost(toWord(opcode), index, value, pointer, floatValue);
    }
    ResultWord queryHostOp3();

    // Element `index` of the pin array, unchecked.
    SEPin* pinAt(std::int32_t index);
    // Clears the description, then asks describePin to fill it.
    bool fetchPinDescription(std::int32_t index, PinDescription* description);

    void setProcessRoutine(RoutineRef routine);
    RoutineRef getProcessRoutine() const;
    ResultWord sendEvent(std::uint32_t stamp, std::uint32_t type, std::uint32_t value,
                         std::uint32_t shortValue, std::uint32_t extra);
    ResultWord scheduleRoutine(std::uint32_t stamp, RoutineRef routine);

    HostCallback callback;      // the host's callback; null means "send nothing"
    DspInstanceRecord record;   // the instance's handle on the host's side
    float sampleRate;           // 44100.0 until DSP opcode 2
    std::int32_t blockSize;     // 1024 until DSP opcode 3
    SEPin* pins;                // the pin array open built, owned; null before
    RoutineRef processRoutine;  // the current process routine
    std::int32_t boundPinCount =
        0;  // pins 0 .. boundPinCount-1 are bound; events for others are ignored

private:
    // Releases the old pin array and allocates one of `count` empty pins;
    // answers how many pins are there to bind (0: none, the old array kept).
    std::int32_t replacePinArray(std::int32_t count);
    void bindPin(std::int32_t index, std::int32_t datatype, void* valuePointer);
    // The pin a pin-status event names, or null when no bound pin has that index.
    SEPin* boundPin(std::uint32_t index);
};

// The record's entries. The dispatcher finds the instance through the record's
// object word; the event entry is handed the object itself.
extern "C" ResultWord QK_CDECL dspDispatchEntry(DspInstanceRecord* record, std::int32_t opcode,
                                                std::int32_t index, std::int32_t value,
                                                void* pointer, float floatValue);
extern "C" void QK_CDECL dspEventEntry(SEModule_base* object, DspEvent* event);
// The process routine of every instance until module code installs another:
// it ignores whatever the host passes.
extern "C" void QK_CDECL defaultProcess(SEModule_base* object);
