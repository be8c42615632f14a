#include "HostSession.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstring>

#include "DspOpcode.h"
#include "GuiOpcode.h"
#include "ModuleInfo.h"
#include "PluginExports.h"
#include "WideText.h"

namespace {

// The sessions alive now. The callback gets nothing but a record address,
// so it finds the session that created the record here rather than through
// the record's host value: a broken module must not make the host follow
// an address it handed out.
std::vector<HostSession*>& liveSessions() {
    static std::vector<HostSession*> sessions;
    return sessions;
}

constexpr std::int32_t word(DspOpcode opcode) {
    return static_cast<std::int32_t>(opcode);
}
constexpr std::int32_t word(GuiOpcode opcode) {
    return static_cast<std::int32_t>(opcode);
}

std::string hex(std::uintmax_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "0x%jX", value);
    return text;
}

std::string opcodeText(Side side, std::int32_t opcode) {
    return std::string(side == Side::Dsp ? "DSP" : "GUI") + " host opcode " +
           std::to_string(opcode);
}

// Runs a makeModule call with the session marked as creating, also when it throws.
class CreationScope {
public:
    explicit CreationScope(int& creating) : creating_(creating) { ++creating_; }
    ~CreationScope() { --creating_; }
    CreationScope(const CreationScope&) = delete;
    CreationScope& operator=(const CreationScope&) = delete;

private:
    int& creating_;
};

}  // namespace

HostSession::HostSession(const Plugin& plugin, EchoRules echo) : plugin_(plugin), echo_(echo) {
    liveSessions().push_back(this);
}

HostSession::~HostSession() {
    // Close what is still open (each close forgets its record); the
    // instances may call back while closing, so the session stays live until then.
    while (!records_.empty()) {
        const auto [record, side] = *records_.begin();
        if (side == Side::Gui) {
            close(static_cast<GuiInstanceRecord*>(record));
        } else {
            close(static_cast<DspInstanceRecord*>(record));
        }
    }
    auto& sessions = liveSessions();
    sessions.erase(std::find(sessions.begin(), sessions.end(), this));
}

void* HostSession::make(std::int32_t index, std::int32_t code) {
    const MakeModuleFunction makeModule = plugin_.makeModule();
    if (makeModule == nullptr) return nullptr;
    void* record = nullptr;
    {
        const CreationScope scope(creating_);
        record = makeModule(index, code, &HostSession::hostCallback, hostValue());
    }
    if (record == nullptr) return nullptr;
    if (code == static_cast<std::int32_t>(InstanceType::Dsp)) {
        records_[record] = Side::Dsp;
    } else if (code == static_cast<std::int32_t>(InstanceType::Gui)) {
        records_[record] = Side::Gui;
        resetPins(guiPins_[static_cast<GuiInstanceRecord*>(record)]);
    }
    return record;
}

DspInstanceRecord* HostSession::createDsp() {
    return static_cast<DspInstanceRecord*>(make(0, static_cast<std::int32_t>(InstanceType::Dsp)));
}

GuiInstanceRecord* HostSession::createGui() {
    return static_cast<GuiInstanceRecord*>(make(0, static_cast<std::int32_t>(InstanceType::Gui)));
}

template <typename Record>
ResultWord HostSession::send(Record* record, const char* side, std::int32_t opcode,
                             std::int32_t index, std::int32_t value, void* pointer,
                             float floatValue) {
    if (record->dispatcherEntry == nullptr) {
        fault(std::string("the ") + side + " record has no dispatcher entry");
        return 0;
    }
    return record->dispatcherEntry(record, opcode, index, value, pointer, floatValue);
}

ResultWord HostSession::sendDsp(DspInstanceRecord* record, std::int32_t opcode, std::int32_t index,
                                std::int32_t value, void* pointer, float floatValue) {
    return send(record, "DSP", opcode, index, value, pointer, floatValue);
}

ResultWord HostSession::sendGui(GuiInstanceRecord* record, std::int32_t opcode, std::int32_t index,
                                std::int32_t value, void* pointer, float floatValue) {
    return send(record, "GUI", opcode, index, value, pointer, floatValue);
}

void HostSession::sendEvent(DspInstanceRecord* record, DspEvent& event) {
    if (record->eventEntry == nullptr) {
        fault("the DSP record has no event entry");
        return;
    }
    record->eventEntry(record->object, &event);
}

ResultWord HostSession::close(DspInstanceRecord* record) {
    const ResultWord answer = sendDsp(record, word(DspOpcode::Close));
    records_.erase(record);
    return answer;
}

ResultWord HostSession::close(GuiInstanceRecord* record) {
    const ResultWord answer = sendGui(record, word(GuiOpcode::Close));
    records_.erase(record);
    guiPins_.erase(record);
    return answer;
}

void HostSession::setPins(std::vector<PinInfo> pins) {
    pins_ = std::move(pins);
    for (auto& [record, values] : guiPins_) resetPins(values);
}

void HostSession::resetPins(GuiPins& values) const {
    values.words.clear();
    for (const PinInfo& pin : pins_) {
        values.words.push_back(pin.isList() ? pin.labels().initialValue() : 0);
    }
    values.texts.assign(pins_.size(), std::string());
    values.pending.clear();
}

std::int32_t HostSession::pinWord(GuiInstanceRecord* record, std::int32_t pin) const {
    const auto found = guiPins_.find(record);
    if (found == guiPins_.end() || pin < 0 ||
        static_cast<std::size_t>(pin) >= found->second.words.size()) {
        return 0;
    }
    return found->second.words[static_cast<std::size_t>(pin)];
}

StepOutcome HostSession::setPin(GuiInstanceRecord* record, std::int32_t pin, std::int32_t word) {
    auto& values = guiPins_.at(record);
    if (pin >= 0 && static_cast<std::size_t>(pin) < values.words.size()) {
        values.words[static_cast<std::size_t>(pin)] = word;
    }
    return notify(record, pin);
}

StepOutcome HostSession::notify(GuiInstanceRecord* record, std::int32_t pin) {
    guiPins_.at(record).pending.push_back({pin, 0});
    return settle(record);
}

StepOutcome HostSession::settle(GuiInstanceRecord* record) {
    StepOutcome outcome;
    step_ = &outcome;
    int delivered = 0;
    for (;;) {
        // Looked up anew each time: the module may not close itself, but the
        // map may grow while a notice runs.
        auto found = guiPins_.find(record);
        if (found == guiPins_.end() || found->second.pending.empty()) break;
        auto& pending = found->second.pending;
        if (delivered >= echo_.maxNotices || pending.front().generation > echo_.maxGeneration) {
            outcome.settled = false;
            pending.clear();
            break;
        }
        const PendingNotice notice = pending.front();
        pending.pop_front();
        outcome.notices.push_back({notice.pin, notice.generation});
        ++delivered;
        generation_ = notice.generation;
        say("notice " + pinName(notice.pin));
        sendGui(record, word(GuiOpcode::PinChanged), notice.pin);
    }
    step_ = nullptr;
    generation_ = 0;
    return outcome;
}

ResultWord QK_CDECL HostSession::hostCallback(void* record, std::int32_t opcode, std::int32_t index,
                                              std::int32_t value, void* pointer, float floatValue) {
    const auto& sessions = liveSessions();
    const HostRequest request{Side::Unknown, opcode, index, value, pointer, floatValue};
    for (HostSession* session : sessions) {
        if (session->records_.count(record) != 0) return session->receive(record, request);
    }
    // No session knows the record: the instance is still being created, or
    // the module passed something other than its record.
    for (HostSession* session : sessions) {
        if (session->creating_ > 0) return session->receive(record, request);
    }
    if (!sessions.empty()) return sessions.back()->receive(record, request);
    return 0;
}

ResultWord HostSession::receive(void* record, HostRequest request) {
    const auto found = records_.find(record);
    request.side = found == records_.end() ? Side::Unknown : found->second;
    requests_.push_back(request);
    switch (request.side) {
        case Side::Dsp:
            return request.opcode == toWord(DspHostOpcode::PinCount)
                       ? static_cast<ResultWord>(pins_.size())
                       : 0;
        case Side::Gui:
            return answerGui(static_cast<GuiInstanceRecord*>(record), request);
        case Side::Unknown:
            break;
    }
    if (creating_ > 0) {
        fault("host opcode " + std::to_string(request.opcode) + " (index " +
              std::to_string(request.index) +
              ") arrived while makeModule was still creating the instance");
    } else {
        fault("host opcode " + std::to_string(request.opcode) + " arrived with " +
              hex(reinterpret_cast<std::uintptr_t>(record)) +
              ", which is not the record of any instance");
    }
    return 0;
}

bool HostSession::pinExists(const HostRequest& request) {
    if (request.index >= 0 && static_cast<std::size_t>(request.index) < pins_.size()) return true;
    fault(opcodeText(Side::Gui, request.opcode) + " for pin " + std::to_string(request.index) +
          ", but the module has " + std::to_string(pins_.size()) + " pins");
    return false;
}

ResultWord HostSession::answerGui(GuiInstanceRecord* record, const HostRequest& request) {
    switch (static_cast<GuiHostOpcode>(request.opcode)) {
        case GuiHostOpcode::ReadValue:
        case GuiHostOpcode::WriteValue:
        case GuiHostOpcode::WriteText:
        case GuiHostOpcode::ReadText:
        case GuiHostOpcode::ReadWideText:
            break;
        default:
            return 0;  // requests the host has nothing to answer for
    }
    if (!pinExists(request)) return 0;
    const auto pin = static_cast<std::size_t>(request.index);
    GuiPins& values = guiPins_.at(record);
    switch (static_cast<GuiHostOpcode>(request.opcode)) {
        case GuiHostOpcode::ReadValue:
            if (request.pointer == nullptr) {
                fault("GUI host opcode 14 (read " + pinName(request.index) + ") with a null slot");
                return 0;
            }
            std::memcpy(request.pointer, &values.words[pin], sizeof(std::int32_t));
            say("  reads " + pinName(request.index) + ": " + std::to_string(values.words[pin]));
            return 0;
        case GuiHostOpcode::WriteValue:
            return answerWrite(record, request.index, request);
        case GuiHostOpcode::WriteText:
            if (request.pointer == nullptr) {
                fault("GUI host opcode 6 (text of " + pinName(request.index) +
                      ") with a null text");
                return 0;
            }
            values.texts[pin] = *copyPluginText(static_cast<const char*>(request.pointer));
            return 0;
        case GuiHostOpcode::ReadText:
            return reinterpret_cast<ResultWord>(values.texts[pin].c_str());
        default:
            return answerWideText(values.texts[pin], request);
    }
}

ResultWord HostSession::answerWrite(GuiInstanceRecord* record, std::int32_t pin,
                                    const HostRequest& request) {
    auto& values = guiPins_.at(record);
    const auto slot = static_cast<std::size_t>(pin);
    // Float pins carry the value in the float argument, all others in the value.
    const std::int32_t written =
        pins_[slot].isFloat() ? std::bit_cast<std::int32_t>(request.floatValue) : request.value;
    const bool changed = values.words[slot] != written;
    values.words[slot] = written;
    say("  writes " + pinName(pin) + " = " + std::to_string(written) +
        (changed ? "" : " (unchanged)"));
    if (step_ != nullptr) step_->writes.push_back({pin, written, changed});
    if (changed || echo_.everyWrite) values.pending.push_back({pin, generation_ + 1});
    return 0;
}

ResultWord HostSession::answerWideText(const std::string& text, const HostRequest& request) {
    // First request: the length in 16-bit units, terminator included; the
    // second fills at most `value` units of the caller's buffer.
    const auto length = static_cast<std::int32_t>(text.size() + 1);
    if (request.pointer == nullptr) return length;
    const std::int32_t room = std::min(request.value, length);
    if (room <= 0) return 0;
    auto* buffer = static_cast<WideChar*>(request.pointer);
    for (std::int32_t i = 0; i + 1 < room; ++i) {
        buffer[i] = static_cast<unsigned char>(text[static_cast<std::size_t>(i)]);
    }
    buffer[room - 1] = 0;
    return 0;
}

void HostSession::fault(const std::string& message) {
    faults_.add(message);
}

void HostSession::say(const std::string& message) const {
    if (trace) trace(message);
}

std::string HostSession::pinName(std::int32_t pin) const {
    if (pin >= 0 && static_cast<std::size_t>(pin) < pins_.size()) {
        return pins_[static_cast<std::size_t>(pin)].displayName();
    }
    return "pin " + std::to_string(pin);
}

namespace {

void expectWord(std::vector<std::string>& problems, const char* field, std::uintmax_t actual,
                std::uintmax_t expected) {
    if (actual != expected) {
        problems.push_back(std::string(field) + " is " + hex(actual) + ", not " + hex(expected));
    }
}

template <std::size_t Count>
void expectZeros(std::vector<std::string>& problems, const char* field,
                 const std::uint32_t (&words)[Count]) {
    for (std::size_t i = 0; i < Count; ++i) {
        if (words[i] != 0) {
            problems.push_back(std::string(field) + " word " + std::to_string(i) + " is " +
                               hex(words[i]) + ", not 0");
        }
    }
}

void expectSet(std::vector<std::string>& problems, const char* field, bool set) {
    if (!set) problems.push_back(std::string(field) + " is null");
}

}  // namespace

std::vector<std::string> dspRecordProblems(const DspInstanceRecord& record, HostValue hostValue) {
    std::vector<std::string> problems;
    expectWord(problems, "magic", record.magic, DspInstanceRecord::kMagic);
    expectWord(problems, "version", record.version, DspInstanceRecord::kVersion);
    expectWord(problems, "hostValue", record.hostValue, hostValue);
    expectSet(problems, "object", record.object != nullptr);
    expectWord(problems, "reserved1", record.reserved1, 0);
    expectSet(problems, "dispatcherEntry", record.dispatcherEntry != nullptr);
    expectSet(problems, "processEntry", record.processEntry != nullptr);
    expectSet(problems, "eventEntry", record.eventEntry != nullptr);
    expectZeros(problems, "reserved2", record.reserved2);
    return problems;
}

std::vector<std::string> guiRecordProblems(const GuiInstanceRecord& record, HostValue hostValue) {
    std::vector<std::string> problems;
    expectWord(problems, "magic", record.magic, GuiInstanceRecord::kMagic);
    expectWord(problems, "version", record.version, GuiInstanceRecord::kVersion);
    expectSet(problems, "dispatcherEntry", record.dispatcherEntry != nullptr);
    expectWord(problems, "hostValue", record.hostValue, hostValue);
    expectSet(problems, "object", record.object != nullptr);
    expectZeros(problems, "reserved", record.reserved);
    return problems;
}
