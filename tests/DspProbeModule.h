#pragma once

// A DSP module for the tests of the DSP side: it describes its pins from a
// table and writes every virtual operation it receives into a log that
// outlives it, so that close can be observed too.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "RecordingHost.h"
#include "SEModule_base.h"

// One row of a probe's pin table.
struct PinRow {
    std::int32_t datatype;
    PinFlags flags = PinFlags::None;
    void* valuePointer = nullptr;
};

class ProbeModule : public SEModule_base {
public:
    explicit ProbeModule(std::vector<std::string>& sink, HostCallback hostCallback = nullptr,
                         HostValue hostValue = 0)
        : SEModule_base(hostCallback, hostValue), log(sink) {}
    ProbeModule(std::vector<std::string>& sink, RecordingHost& host)
        : ProbeModule(sink, RecordingHost::callback(), host.hostValue()) {}
    ~ProbeModule() override { note("destroyed"); }

    void onPinStatusChanged(SEPin* pin) override {
        note("status " + std::to_string(pin->getIndex()) + " " + std::to_string(pin->getStatus()));
    }
    void onOpen() override {
        note("open");
        SEModule_base::onOpen();
    }
    void onClose() override { note("close"); }
    void setSampleRate(float rate) override {
        note("rate " + std::to_string(rate));
        SEModule_base::setSampleRate(rate);
    }
    void setBlockSize(std::int32_t size) override {
        note("block " + std::to_string(size));
        SEModule_base::setBlockSize(size);
    }
    // Writes the fields a module fills in, and no others.
    bool describePin(std::int32_t index, PinDescription* description) override {
        described.push_back(index);
        if (index < 0 || static_cast<std::size_t>(index) >= table.size()) return false;
        const PinRow& row = table[static_cast<std::size_t>(index)];
        description->valuePointer = row.valuePointer;
        description->direction = static_cast<std::int32_t>(PinDirection::In);
        description->datatype = row.datatype;
        description->name = "Probe";
        description->flags = toWord(row.flags);
        return true;
    }
    void onNotify() override { note("notify"); }
    void onNotifyValue(std::int32_t value) override {
        note("notifyValue " + std::to_string(value));
    }
    void onValuesEvent(std::uint32_t stamp, std::uint32_t value,
                       std::uint16_t shortValue) override {
        note("values " + std::to_string(stamp) + " " + std::to_string(value) + " " +
             std::to_string(shortValue));
    }
    void onCommand(std::int32_t value, std::int32_t index, void* pointer) override {
        note("command " + std::to_string(value) + " " + std::to_string(index) +
             (pointer != nullptr ? " P" : " null"));
    }

    // A member routine for process-routine and call-routine tests.
    void tick() { note("tick"); }

    void note(const std::string& entry) { log.push_back(entry); }

    std::vector<std::string>& log;
    std::vector<PinRow> table;
    std::vector<std::int32_t> described;  // every index describePin was asked for
};

// The host's calls on an instance: through the record's entries, as a host makes them.
inline ResultWord sendOpcode(SEModule_base& module, std::int32_t opcode, std::int32_t index = 0,
                             std::int32_t value = 0, void* pointer = nullptr,
                             float floatValue = 0.0f) {
    DspInstanceRecord* record = &module.record;
    return record->dispatcherEntry(record, opcode, index, value, pointer, floatValue);
}

// An event's six words, in order, for comparison.
inline std::array<std::uint32_t, 6> wordsOf(const DspEvent& event) {
    return {event.stamp, event.type, event.value, event.shortValue, event.extra, event.reserved};
}

inline void deliverEvent(SEModule_base& module, DspEvent event) {
    module.record.eventEntry(module.record.object, &event);
}
