#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "DspEvent.h"
#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "HostCallback.h"
#include "MessageList.h"
#include "PinInfo.h"
#include "Plugin.h"

// Which side of the module a record belongs to, as far as the host knows.
enum class Side { Dsp, Gui, Unknown };

// One request an instance sent to the host, as received.
struct HostRequest {
    Side side;  // the side of the record it came with; Unknown for a record of no instance
    std::int32_t opcode;
    std::int32_t index;
    std::int32_t value;
    void* pointer;
    float floatValue;
};

// A pin-changed notice the host delivered during a step.
struct DeliveredNotice {
    std::int32_t pin;
    int generation;  // 0: the step's own notice; n + 1: caused by a write during generation n
};

// A write of the module's to a GUI pin during a step.
struct ModuleWrite {
    std::int32_t pin;
    std::int32_t word;  // the value written (float bits for a float pin)
    bool changed;       // the pin held another value before
};

struct StepOutcome {
    std::vector<DeliveredNotice> notices;
    std::vector<ModuleWrite> writes;
    bool settled = true;  // false: the echo limits stopped the notices
};

// Which module writes the host reports back with a notice, and how far it
// follows them.
struct EchoRules {
    bool everyWrite = false;  // also writes that leave the value as it was
    int maxGeneration = 32;   // notices caused by a chain of more writes are not sent
    int maxNotices = 256;     // nor more notices than this in one step
};

// The host side of one plug-in: it creates instances of the module, sends
// them opcodes, answers their requests, and holds every GUI pin's value as a
// host does, one set of values per GUI instance.
//
// Notice echo: a module write that changes a pin's value is reported back to
// the instance with a pin-changed notice of its own, after the notice that
// caused it has returned (a queue, never a nested call). A write that leaves
// the value as it was causes no notice, so a module that writes the value a
// pin already holds settles; EchoRules::everyWrite reports those as well,
// as a host that does not compare values would. The limits stop a module
// that never settles.
//
// Requests that break the interface (a record of no instance, a pin the
// module does not have, a null slot, a request while makeModule is still
// creating the instance) are answered with 0 and noted as faults.
class HostSession {
public:
    explicit HostSession(const Plugin& plugin, EchoRules echo = {});
    ~HostSession();  // closes every instance still open
    HostSession(const HostSession&) = delete;
    HostSession& operator=(const HostSession&) = delete;

    // The value every instance gets as its host value.
    HostValue hostValue() const { return reinterpret_cast<HostValue>(this); }

    // makeModule(index, code): the record, registered as an instance of the
    // given side when code is 1 or 2 and the answer is not null.
    void* make(std::int32_t index, std::int32_t code);
    DspInstanceRecord* createDsp();
    GuiInstanceRecord* createGui();

    // Opcodes through the record's dispatcher entry; close (opcode 1) also
    // forgets the instance. A null entry is a fault and answers 0.
    ResultWord sendDsp(DspInstanceRecord* record, std::int32_t opcode, std::int32_t index = 0,
                       std::int32_t value = 0, void* pointer = nullptr, float floatValue = 0.0f);
    ResultWord sendGui(GuiInstanceRecord* record, std::int32_t opcode, std::int32_t index = 0,
                       std::int32_t value = 0, void* pointer = nullptr, float floatValue = 0.0f);
    void sendEvent(DspInstanceRecord* record, DspEvent& event);
    ResultWord close(DspInstanceRecord* record);
    ResultWord close(GuiInstanceRecord* record);

    // The pin table: DSP opcode 14 answers its size, and GUI pins hold values
    // by it. Setting it gives every GUI instance its pins' initial values.
    void setPins(std::vector<PinInfo> pins);
    const std::vector<PinInfo>& pins() const { return pins_; }

    // A GUI pin's value as the host holds it (float bits for a float pin).
    std::int32_t pinWord(GuiInstanceRecord* record, std::int32_t pin) const;
    // Sets the value, sends the pin-changed notice and follows the echoes.
    StepOutcome setPin(GuiInstanceRecord* record, std::int32_t pin, std::int32_t word);
    // Sends the notice alone and follows the echoes.
    StepOutcome notify(GuiInstanceRecord* record, std::int32_t pin);

    const std::vector<HostRequest>& requests() const { return requests_; }
    void clearRequests() { requests_.clear(); }
    // The faults found so far, one line each (see MessageList).
    std::vector<std::string> faults() const { return faults_.lines(); }
    void clearFaults() { faults_.clear(); }

    // When set, told in words about every notice and pin access.
    std::function<void(const std::string&)> trace;

    // The callback every instance gets.
    // Realigns the stack on entry: plug-in code may call with 4-byte alignment.
    [[gnu::force_align_arg_pointer]] static ResultWord QK_CDECL
    hostCallback(void* record, std::int32_t opcode, std::int32_t index, std::int32_t value,
                 void* pointer, float floatValue);

private:
    struct PendingNotice {
        std::int32_t pin;
        int generation;
    };
    struct GuiPins {
        std::vector<std::int32_t> words;
        std::vector<std::string> texts;
        std::deque<PendingNotice> pending;
    };

    template <typename Record>
    ResultWord send(Record* record, const char* side, std::int32_t opcode, std::int32_t index,
                    std::int32_t value, void* pointer, float floatValue);
    ResultWord receive(void* record, HostRequest request);
    ResultWord answerGui(GuiInstanceRecord* record, const HostRequest& request);
    ResultWord answerWrite(GuiInstanceRecord* record, std::int32_t pin, const HostRequest& request);
    ResultWord answerWideText(const std::string& text, const HostRequest& request);
    bool pinExists(const HostRequest& request);
    void resetPins(GuiPins& pins) const;
    StepOutcome settle(GuiInstanceRecord* record);
    void fault(const std::string& message);
    void say(const std::string& message) const;
    std::string pinName(std::int32_t pin) const;

    static constexpr std::size_t kMaxFaults = 50;

    const Plugin& plugin_;
    EchoRules echo_;
    std::vector<PinInfo> pins_;
    std::map<void*, Side> records_;                  // the live instances' records
    std::map<GuiInstanceRecord*, GuiPins> guiPins_;  // the values of each GUI instance's pins
    int creating_ = 0;                               // makeModule calls in progress
    StepOutcome* step_ = nullptr;                    // the step being settled, if any
    int generation_ = 0;                             // generation of the notice being delivered
    std::vector<HostRequest> requests_;
    MessageList faults_{kMaxFaults};
};

// What is wrong with a record that makeModule answered: magic, version,
// host value, object word, entries, reserved words. Empty when nothing is.
std::vector<std::string> dspRecordProblems(const DspInstanceRecord& record, HostValue hostValue);
std::vector<std::string> guiRecordProblems(const GuiInstanceRecord& record, HostValue hostValue);
