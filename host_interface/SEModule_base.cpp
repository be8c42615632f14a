#include "SEModule_base.h"

#include <cstddef>
#include <cstring>
#include <new>

#include "DspOpcode.h"
#include "RoutineToken.h"

namespace {

// The library's one RoutineRefInfo, shared by all DSP instances: every DSP
// opcode 13, to any instance, rewrites it to describe the instance asked.
// All zero before the first.
constinit RoutineRefInfo routineRefInfo{};

// Two references name the same routine when their code addresses are equal
// and, unless there is no routine at all, their other words are equal too.
bool sameRoutine(const RoutineRef& a, const RoutineRef& b) {
    if (a.code != b.code) return false;
    if (a.code == nullptr) return true;
    return a.adjustment == b.adjustment && a.further[0] == b.further[0] &&
           a.further[1] == b.further[1];
}

// A description served on the GUI side only gets no DSP pin.
bool guiSideOnly(const PinDescription& description) {
    return hasFlag(description.flags, PinFlags::GuiSide) &&
           !hasFlag(description.flags, PinFlags::AlsoDsp);
}

}  // namespace

SEModule_base::SEModule_base(HostCallback hostCallback, HostValue hostValue)
    : callback(hostCallback),
      sampleRate(44100.0f),
      blockSize(1024),
      pins(nullptr),
      processRoutine{&defaultProcess, 0, {0, 0}} {
    std::memset(&record, 0, sizeof record);
    record.magic = DspInstanceRecord::kMagic;
    record.version = DspInstanceRecord::kVersion;
    record.hostValue = hostValue;
    record.object = this;
    record.dispatcherEntry = &dspDispatchEntry;
    record.processEntry = processRoutine.code;
    record.eventEntry = &dspEventEntry;
}

SEModule_base::~SEModule_base() {
    delete[] pins;
}

void SEModule_base::onPinStatusChanged(SEPin*) {}

void SEModule_base::onEvent(DspEvent* event) {
    switch (static_cast<DspEventType>(event->type)) {
        case DspEventType::PinStatus:
            if (SEPin* pin = boundPin(event->extra)) {
                pin->setStatus(static_cast<std::int32_t>(event->value));
            }
            break;
        case DspEventType::Values:
            onValuesEvent(event->stamp, event->value,
                          static_cast<std::uint16_t>(event->shortValue));
            break;
        case DspEventType::CallRoutine:
            if (ProcessRoutine routine = routineOfToken(event->extra)) routine(this);
            break;
    }
}

ResultWord SEModule_base::dispatch(std::int32_t opcode, std::int32_t index, std::int32_t value,
                                   void* pointer, float floatValue) {
    // Unsigned, so that every negative opcode is "above 13" as well.
    const auto code = static_cast<std::uint32_t>(opcode);
    if (code > kLastDspOpcode) return 0;
    switch (static_cast<DspOpcode>(code)) {
        case DspOpcode::Open:
            onOpen();
            return 0;
        case DspOpcode::Close:
            onClose();
            delete this;  // the record ends with the object: touch nothing after
            return 1;
        case DspOpcode::SetSampleRate:
            setSampleRate(floatValue);
            return 0;
        case DspOpcode::SetBlockSize:
            setBlockSize(value);
            return 0;
        case DspOpcode::DescribePin:
            // Written straight into the host's record, not cleared first. A
            // host that hands no record gets "no such pin".
            if (pointer == nullptr) return 0;
            return describePin(index, static_cast<PinDescription*>(pointer)) ? 1 : 0;
        case DspOpcode::Notify:
            onNotify();
            if (index > 0) onNotifyValue(index);
            return 0;
        case DspOpcode::Command:
            onCommand(value, index, pointer);
            return 0;
        case DspOpcode::GetRoutineInfo:
            routineRefInfo = RoutineRefInfo{1, sizeof(RoutineRef), &processRoutine, 0};
            return reinterpret_cast<ResultWord>(&routineRefInfo);
    }
    return 0;  // 4, 5, 7, 9, 10 and 11 mean nothing here
}

void SEModule_base::onOpen() {
    const auto reported =
        static_cast<std::int32_t>(callHost(DspHostOpcode::PinCount, 0, 0, nullptr, 0.0f));
    const std::int32_t capacity = replacePinArray(reported);

    PinDescription description;
    std::int32_t describedIndex = 0;
    std::int32_t pinIndex = 0;
    while (fetchPinDescription(describedIndex, &description) && pinIndex < capacity) {
        if (!guiSideOnly(description)) {
            bindPin(pinIndex, description.datatype, description.valuePointer);
            ++pinIndex;
        }
        ++describedIndex;
    }

    // The last description that exists (index -1, all zero, when none does)
    // may serve every pin the host reported beyond the descriptions, each
    // with its own storage.
    fetchPinDescription(describedIndex - 1, &description);
    if (guiSideOnly(description) || !hasFlag(description.flags, PinFlags::RepeatLast)) return;
    for (; pinIndex < capacity; ++pinIndex) bindPin(pinIndex, description.datatype, nullptr);
}

void SEModule_base::onClose() {}
void SEModule_base::spareHook(std::uint32_t, std::uint32_t) {}
void SEModule_base::setSampleRate(float rate) {
    sampleRate = rate;
}
void SEModule_base::setBlockSize(std::int32_t size) {
    blockSize = size;
}
float SEModule_base::getSampleRate() {
    return sampleRate;
}
std::int32_t SEModule_base::getBlockSize() {
    return blockSize;
}
bool SEModule_base::describePin(std::int32_t, PinDescription*) {
    return false;
}
bool SEModule_base::spareQueryA(std::uint32_t) {
    return false;
}
bool SEModule_base::spareQueryB(std::uint32_t) {
    return false;
}
void SEModule_base::onNotify() {}
void SEModule_base::onNotifyValue(std::int32_t) {}
void SEModule_base::onValuesEvent(std::uint32_t, std::uint32_t, std::uint16_t) {}
void SEModule_base::onCommand(std::int32_t, std::int32_t, void*) {}

ResultWord SEModule_base::callHost(std::int32_t opcode, std::int32_t index, std::int32_t value,
                                   void* pointer, float floatValue) {
    if (callback == nullptr) return 0;
    // The host is handed the record, never the object.
    return callback(&record, opcode, index, value, pointer, floatValue);
}

ResultWord SEModule_base::queryHostOp3() {
    return callHost(DspHostOpcode::Position, 0, 0, nullptr, 0.0f);
}

SEPin* SEModule_base::pinAt(std::int32_t index) {
    return &pins[index];
}

bool SEModule_base::fetchPinDescription(std::int32_t index, PinDescription* description) {
    std::memset(description, 0, sizeof *description);
    return describePin(index, description);
}

void SEModule_base::setProcessRoutine(RoutineRef routine) {
    if (sameRoutine(routine, processRoutine)) return;
    processRoutine = routine;
    // The record names the new routine before the host hears of it.
    record.processEntry = routine.code;
    callHost(DspHostOpcode::ProcessRoutineChanged, 0, 0, nullptr, 0.0f);
}

RoutineRef SEModule_base::getProcessRoutine() const {
    return processRoutine;
}

ResultWord SEModule_base::sendEvent(std::uint32_t stamp, std::uint32_t type, std::uint32_t value,
                                    std::uint32_t shortValue, std::uint32_t extra) {
    // Lives only for the call: the host copies what it keeps.
    DspEvent event{stamp, type, value, shortValue, extra, 0};
    return callHost(DspHostOpcode::Event, 0, 0, &event, 0.0f);
}

ResultWord SEModule_base::scheduleRoutine(std::uint32_t stamp, RoutineRef routine) {
    // Only the code travels; the adjustment and further words are dropped.
    const auto token = tokenOfRoutine(routine.code);
    if (!token) return 0;  // cannot travel in 32 bits (64-bit build only): nothing is sent
    return sendEvent(stamp, toWord(DspEventType::CallRoutine), 0, 0, *token);
}

std::int32_t SEModule_base::replacePinArray(std::int32_t count) {
    if (count <= 0) return 0;
    // A second open releases the old pins before it allocates the new ones,
    // and leaves no dangling array behind if that allocation fails.
    delete[] pins;
    pins = nullptr;
    boundPinCount = 0;
    // A count the memory cannot hold leaves the instance without pins rather
    // than throwing through the host's call.
    pins = new (std::nothrow) SEPin[static_cast<std::size_t>(count)];
    return pins == nullptr ? 0 : count;
}

void SEModule_base::bindPin(std::int32_t index, std::int32_t datatype, void* valuePointer) {
    pins[index].init(this, index, datatype, valuePointer);
    boundPinCount = index + 1;
}

SEPin* SEModule_base::boundPin(std::uint32_t index) {
    if (index >= static_cast<std::uint32_t>(boundPinCount)) return nullptr;
    return &pins[index];
}

extern "C" ResultWord QK_CDECL dspDispatchEntry(DspInstanceRecord* record, std::int32_t opcode,
                                                std::int32_t index, std::int32_t value,
                                                void* pointer, float floatValue) {
    return record->object->dispatch(opcode, index, value, pointer, floatValue);
}

extern "C" void QK_CDECL dspEventEntry(SEModule_base* object, DspEvent* event) {
    if (event == nullptr) return;  // no event, nothing to do
    object->onEvent(event);
}

extern "C" void QK_CDECL defaultProcess(SEModule_base*) {}
