#include "RecordingHost.h"

#include <algorithm>
#include <bit>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "GuiOpcode.h"
#include "InterfaceCalls.h"

namespace {

// The hosts alive now: a record whose hostValue names none of them is a test
// fault, reported loudly rather than followed into freed memory.
std::set<const RecordingHost*>& liveHosts() {
    static std::set<const RecordingHost*> hosts;
    return hosts;
}

// Both records start with their magic word, which tells them apart.
std::uint32_t magicOf(const void* record) {
    std::uint32_t magic = 0;
    std::memcpy(&magic, record, sizeof magic);
    return magic;
}

std::int32_t valueAt(const std::map<std::int32_t, std::int32_t>& values, std::int32_t index) {
    const auto found = values.find(index);
    return found == values.end() ? 0 : found->second;
}

}  // namespace

RecordingHost* hostOfRecord(void* record) {
    const std::uint32_t magic = magicOf(record);
    HostValue value = 0;
    if (magic == GuiInstanceRecord::kMagic) {
        value = static_cast<GuiInstanceRecord*>(record)->hostValue;
    } else if (magic == DspInstanceRecord::kMagic) {
        value = static_cast<DspInstanceRecord*>(record)->hostValue;
    }
    auto* host = reinterpret_cast<RecordingHost*>(value);
    if (liveHosts().count(host) == 0) {
        std::fprintf(stderr, "RecordingHost: request from a record of no live host\n");
        std::abort();
    }
    return host;
}

RecordingHost::RecordingHost() {
    liveHosts().insert(this);
}
RecordingHost::~RecordingHost() {
    liveHosts().erase(this);
}

HostCallback RecordingHost::callback() {
    return testHostCallback();
}

ResultWord QK_CDECL deliverHostRequest(void* record, std::int32_t opcode, std::int32_t index,
                                       std::int32_t value, void* pointer, float floatValue) {
    const HostCall call{record, opcode,  index,
                        value,  pointer, std::bit_cast<std::uint32_t>(floatValue)};
    return hostOfRecord(record)->receive(call);
}

std::vector<std::int32_t> RecordingHost::opcodes() const {
    std::vector<std::int32_t> result;
    for (const HostCall& call : calls_) result.push_back(call.opcode);
    return result;
}

void RecordingHost::setPinFloat(std::int32_t index, float value) {
    pins_[index] = std::bit_cast<std::int32_t>(value);
}

std::int32_t RecordingHost::pin(std::int32_t index) const {
    return valueAt(pins_, index);
}

std::optional<std::string> RecordingHost::text(std::int32_t index) const {
    const auto found = texts_.find(index);
    return found == texts_.end() ? std::nullopt : found->second;
}

void RecordingHost::setWideText(std::int32_t index, std::int32_t reportedLength, WideString units) {
    wideTexts_[index] = WideReply{reportedLength, std::move(units)};
}

ResultWord RecordingHost::receive(const HostCall& call) {
    calls_.push_back(call);
    const std::uint32_t magic = magicOf(call.record);
    const bool dsp = magic == DspInstanceRecord::kMagic;
    if (dsp && call.opcode == toWord(DspHostOpcode::Event) && call.pointer != nullptr) {
        events_.push_back(*static_cast<const DspEvent*>(call.pointer));
    }
    if (answer) {
        if (const auto result = answer(call)) return *result;
    }
    if (dsp) return answerDsp(call);
    return magic == GuiInstanceRecord::kMagic ? answerGui(call) : 0;
}

ResultWord RecordingHost::answerDsp(const HostCall& call) const {
    switch (static_cast<DspHostOpcode>(call.opcode)) {
        case DspHostOpcode::PinCount:
            return pinCount_;
        case DspHostOpcode::PinInitialValue:
            return valueAt(initialValues_, call.index);
        case DspHostOpcode::PinBufferPosition:
            return valueAt(bufferPositions_, call.index);
        case DspHostOpcode::Position:
            return position_;
        default:
            return 0;  // recorded, nothing to answer
    }
}

ResultWord RecordingHost::answerGui(const HostCall& call) {
    switch (static_cast<GuiHostOpcode>(call.opcode)) {
        case GuiHostOpcode::ReadValue: {
            if (!silentReads_) {
                const std::int32_t value = pin(call.index);
                std::memcpy(call.pointer, &value, sizeof value);
            }
            return 0;
        }
        case GuiHostOpcode::WriteValue:
            echoWrite(call);
            return 0;
        case GuiHostOpcode::WriteText:
            texts_[call.index] = std::string(static_cast<const char*>(call.pointer));
            return 0;
        case GuiHostOpcode::ReadText: {
            const auto found = texts_.find(call.index);
            if (found == texts_.end() || !found->second) return 0;
            return reinterpret_cast<ResultWord>(found->second->c_str());
        }
        case GuiHostOpcode::ReadWideText: {
            const auto found = wideTexts_.find(call.index);
            if (found == wideTexts_.end()) return call.pointer == nullptr ? 1 : 0;
            const WideReply& reply = found->second;
            if (call.pointer == nullptr) return reply.reportedLength;
            const auto count = std::min<std::size_t>(
                reply.units.size(), static_cast<std::size_t>(std::max(call.value, 0)));
            std::copy_n(reply.units.begin(), count, static_cast<WideChar*>(call.pointer));
            return 0;
        }
        default:
            return 0;
    }
}

void RecordingHost::echoWrite(const HostCall& call) {
    const auto marked = floatPins_.find(call.index);
    const bool floatPin = marked != floatPins_.end() && marked->second;
    const std::int32_t written = floatPin ? static_cast<std::int32_t>(call.floatBits) : call.value;
    const bool changed = pin(call.index) != written;
    pins_[call.index] = written;
    if (echo_ == Echo::Never || (echo_ == Echo::OnChange && !changed)) return;
    if (echoDepth_ >= maxEchoDepth_) {
        depthExceeded_ = true;
        return;
    }
    ++echoDepth_;
    deepestEcho_ = std::max(deepestEcho_, echoDepth_);
    auto* record = static_cast<GuiInstanceRecord*>(call.record);
    callGuiDispatcher(record, static_cast<std::int32_t>(GuiOpcode::PinChanged), call.index, 0,
                      nullptr, 0.0f);
    --echoDepth_;
}
