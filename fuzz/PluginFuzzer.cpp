// Both plug-ins, as built (sanitized) and opened with dlopen, driven only
// through their two exports and the entries of the records they hand out.
// The input is a script of host actions: create DSP or GUI instances (or
// call makeModule with any index and creation code), describe the module
// with any index, send any opcode with any index, value, float and pointer
// to either side, deliver events of any type with any words, call the
// process entry, change the host's pin values, send pin-changed notices and
// close instances; instances may also be made without a callback, and the
// module described into no record at all. The host answers every request
// within the contract: pin counts from -8 to 300, any pin value, any result
// where none is relied on. It may call back in from inside a request: report
// a write straight back as a nested notice, send another notice before it
// answers a read, or send a DSP instance any opcode but close from inside
// the instance's own request. Pointers the contract requires to be valid are
// valid (a pin description for DSP opcode 6, an event for the event entry);
// all others are arbitrary.
//
// Beyond the absence of crashes, leaks and undefined behaviour it checks:
// - makeModule answers a complete record for index 0 and codes 1 and 2, null
//   for anything else, and no request reaches the host from it, nor from an
//   instance before the host calls it;
// - every request comes from the instance being called, with its record,
//   and is one the modules send: DSP 14 and 10, GUI 14 and 15;
// - an instance without a callback sends nothing and still answers;
// - opcodes outside the tables (DSP above 13, GUI above 12, taken unsigned)
//   answer 0 and send nothing; close answers 1; the DSP open sends exactly
//   14 then 10; the other opcodes send nothing;
// - DSP opcode 6 answers 1 for pins 0 to 2 only and otherwise leaves the
//   host's record as it was; DSP opcode 13 answers the library's one record;
// - a notice makes exactly three reads (pins 1, 0, 2) and then at most one
//   write, the one the conversion rule gives for the values read;
// - getModuleProperties writes the version for every index and the rest only
//   for index 0, and answers 0 without a record;
// - every instance is freed when the host closes it (LeakSanitizer), and the
//   host closes whatever is left at the end of each input.
//
// Input: steps of one action byte and the action's arguments; an input that
// runs out reads as zeros. A long run: bash tools/fuzz.sh SECONDS.
#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "InterfaceCalls.h"
#include "LoadedPlugin.h"
#include "ModuleDescription.h"
#include "PinDescription.h"

namespace {

// The plug-ins of the fuzz build, given by the build.
constexpr const char* kPluginDirectory = QK_FUZZ_PLUGIN_DIR;
constexpr std::array<const char*, 2> kLibraries{"Tarvolane", "Morvessa"};
// Instances of one side of one library alive at once, at most.
constexpr std::size_t kMaxInstances = 8;
// Requests that one call on an instance may make (the open makes 2, a
// notice at most 4); more is a fault in itself.
constexpr std::size_t kMaxRequests = 8;
constexpr std::uint8_t kPattern = 0xA5;
// How deep the host may report writes back as nested notices, at most.
constexpr int kMaxEchoDepth = 3;

void check(bool holds, const char* invariant) {
    if (holds) return;
    std::fprintf(stderr, "plug-in invariant broken: %s\n", invariant);
    std::abort();
}

// The input, read front to back; past its end every byte reads as 0.
class Script {
public:
    Script(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    bool done() const { return position_ >= size_; }
    std::uint8_t byte() { return position_ < size_ ? data_[position_++] : 0; }
    std::uint32_t word() {
        std::uint32_t result = 0;
        for (int shift = 0; shift < 32; shift += 8) result |= std::uint32_t{byte()} << shift;
        return result;
    }
    std::int32_t integer() { return static_cast<std::int32_t>(word()); }
    float anyFloat() { return std::bit_cast<float>(word()); }
    // One byte is a small value as a signed byte, the byte 0x80 announces a
    // 32-bit value: the tables' edges are small numbers, the rest stays
    // reachable, and a constant the code compares with appears in the input
    // as itself.
    std::int32_t number() {
        const auto small = static_cast<std::int8_t>(byte());
        return small == std::numeric_limits<std::int8_t>::min() ? integer() : small;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t position_ = 0;
};

enum class Side { Dsp, Gui };

// One instance as the host knows it. Its address is the instance's host
// value, so a request finds it again through the record.
struct Instance {
    Side side;
    std::size_t library;
    bool silent = false;  // made without a callback: it can send nothing
    void* record = nullptr;
    std::array<std::int32_t, 3> pins{};  // GUI: the host's values of pins 0 to 2
};

// One request, as received, with what the host wrote for a read.
struct Request {
    void* record;
    std::int32_t opcode;
    std::int32_t index;
    std::int32_t value;
    void* pointer;
    std::uint32_t floatBits;
    std::int32_t valueRead;
};

// One call of the host's on an instance, and the requests it led to.
struct Call {
    Instance* target;
    std::array<Request, kMaxRequests> requests{};
    std::size_t count = 0;
};

// The write the conversion rule gives for a notice of pin `changed`, with
// I, M and O the values of "Invert", "Mode" and "Out" read: (pin, value).
std::optional<std::pair<std::int32_t, std::int32_t>> expectedWrite(std::int32_t changed,
                                                                   std::int32_t invert,
                                                                   std::int32_t mode,
                                                                   std::int32_t out) {
    const auto boolean = [](std::int32_t v) { return v == 0 || v == 1; };
    switch (changed) {
        case 0:
            return std::pair{2, boolean(mode) && boolean(invert) && mode != invert ? 1 : 0};
        case 1:
            if (!boolean(invert)) return std::nullopt;
            return std::pair{2, out == 0 ? 1 : 0};
        case 2: {
            if (invert == 1) return std::pair{0, out == 0 ? 1 : 0};
            // Copied through the nearest 32-bit float; the floats from 2^31 up
            // do not fit and give the largest integer.
            const double nearest = static_cast<double>(static_cast<float>(out));
            if (nearest >= 2147483648.0)
                return std::pair{0, std::numeric_limits<std::int32_t>::max()};
            return std::pair{0, static_cast<std::int32_t>(nearest)};
        }
        default:
            return std::nullopt;
    }
}

class Session;
Session* activeSession = nullptr;  // the session whose host answers requests now

class Session {
public:
    Session(std::array<LoadedPlugin*, 2> plugins, const std::uint8_t* data, std::size_t size)
        : plugins_(plugins), script_(data, size) {
        // Deep enough for every nesting of notices: a request never sees its
        // call move.
        calls_.reserve(2 * kMaxEchoDepth);
        activeSession = this;
    }
    ~Session() { activeSession = nullptr; }

    void run() {
        while (!script_.done()) step();
        closeEverything();
    }

    ResultWord answer(void* record, std::int32_t opcode, std::int32_t index, std::int32_t value,
                      void* pointer, float floatValue);

private:
    void step();
    void create(Side side, std::size_t library, bool silent);
    void makeAnything();
    void describe();
    void dspDispatch();
    void sendDsp(Instance& instance, std::int32_t opcode);
    void dspEvent();
    void dspProcess();
    void guiDispatch(bool noticeOnly);
    void setPin();
    void configure();
    void closeOne();
    void closeEverything();

    // Bit 0 picks the library; bit 1 means "no callback" to a creation and
    // "no record" to a description.
    std::pair<std::size_t, bool> libraryAndFlag() {
        const std::uint8_t choice = script_.byte();
        return {choice & 1u, (choice & 2u) != 0};
    }
    Instance* pick(std::optional<Side> side);
    void adopt(std::unique_ptr<Instance> instance, void* record);
    void forget(Instance* instance);
    void begin(Instance* target);
    Call end();
    ResultWord notice(Instance& instance, std::int32_t pin);
    void callBackInto(Instance& instance);
    void checkNotice(const Call& call, std::int32_t changed) const;
    ResultWord close(Instance& instance);

    std::array<LoadedPlugin*, 2> plugins_;
    Script script_;
    std::vector<std::unique_ptr<Instance>> instances_;
    std::vector<Call> calls_;  // the calls running now, innermost last
    std::int32_t pinCount_ = 3;
    int echoDepth_ = 0;  // how deep a write may be reported back as a notice
    bool echoOnChangeOnly_ = true;
    bool nestInReads_ = false;  // the host may send a notice from inside a read
    bool nestInDsp_ = false;    // the host may call a DSP instance from inside its request
    int echoing_ = 0;           // how deep in nested calls the host is now
    std::array<ResultWord, 2> routineInfo_{};  // each library's answer to DSP opcode 13
};

void Session::step() {
    const int action = script_.byte() % 12;
    switch (action) {
        case 0:
        case 1: {
            const auto [library, silent] = libraryAndFlag();
            return create(action == 0 ? Side::Dsp : Side::Gui, library, silent);
        }
        case 2:
            return makeAnything();
        case 3:
            return describe();
        case 4:
            return dspDispatch();
        case 5:
            return dspEvent();
        case 6:
            return dspProcess();
        case 7:
            return guiDispatch(false);
        case 8:
            return guiDispatch(true);
        case 9:
            return setPin();
        case 10:
            return configure();
        default:
            return closeOne();
    }
}

Instance* Session::pick(std::optional<Side> side) {
    std::vector<Instance*> candidates;
    for (const auto& instance : instances_) {
        if (!side || instance->side == *side) candidates.push_back(instance.get());
    }
    const std::uint8_t choice = script_.byte();
    return candidates.empty() ? nullptr : candidates[choice % candidates.size()];
}

void Session::adopt(std::unique_ptr<Instance> instance, void* record) {
    check(record != nullptr, "makeModule answers a record for index 0, codes 1 and 2");
    const auto hostValue = reinterpret_cast<HostValue>(instance.get());
    if (instance->side == Side::Dsp) {
        const auto* dsp = static_cast<const DspInstanceRecord*>(record);
        check(dsp->magic == DspInstanceRecord::kMagic && dsp->version == 1,
              "DSP record magic and version");
        check(dsp->hostValue == hostValue && dsp->object != nullptr,
              "DSP record host value and object");
        check(dsp->dispatcherEntry != nullptr && dsp->processEntry != nullptr &&
                  dsp->eventEntry != nullptr,
              "DSP record entries");
        check(
            dsp->reserved1 == 0 && std::all_of(std::begin(dsp->reserved2), std::end(dsp->reserved2),
                                               [](std::uint32_t w) { return w == 0; }),
            "DSP record reserved words are zero");
    } else {
        const auto* gui = static_cast<const GuiInstanceRecord*>(record);
        check(gui->magic == GuiInstanceRecord::kMagic && gui->version == 1,
              "GUI record magic and version");
        check(gui->hostValue == hostValue && gui->object != nullptr,
              "GUI record host value and object");
        check(gui->dispatcherEntry != nullptr, "GUI record entry");
        check(std::all_of(std::begin(gui->reserved), std::end(gui->reserved),
                          [](std::uint32_t w) { return w == 0; }),
              "GUI record reserved words are zero");
    }
    instance->record = record;
    instances_.push_back(std::move(instance));
}

void Session::forget(Instance* instance) {
    std::erase_if(instances_, [&](const auto& held) { return held.get() == instance; });
}

std::size_t countOf(const std::vector<std::unique_ptr<Instance>>& instances, Side side,
                    std::size_t library) {
    return static_cast<std::size_t>(
        std::count_if(instances.begin(), instances.end(),
                      [&](const auto& i) { return i->side == side && i->library == library; }));
}

void Session::create(Side side, std::size_t library, bool silent) {
    if (countOf(instances_, side, library) >= kMaxInstances) return;
    auto instance = std::make_unique<Instance>(Instance{side, library, silent});
    const auto hostValue = reinterpret_cast<HostValue>(instance.get());
    void* record = plugins_[library]->makeModule(0, side == Side::Dsp ? 1 : 2,
                                                 silent ? nullptr : testHostCallback(), hostValue);
    adopt(std::move(instance), record);
}

void Session::makeAnything() {
    const std::size_t which = libraryAndFlag().first;
    const std::int32_t index = script_.number();
    const std::int32_t code = script_.number();
    if (index == 0 && (code == 1 || code == 2)) {
        const Side side = code == 1 ? Side::Dsp : Side::Gui;
        create(side, which, false);
        return;
    }
    // An arbitrary host value: the layer never reads it, and nothing is made.
    check(plugins_[which]->makeModule(index, code, testHostCallback(), script_.word()) == nullptr,
          "makeModule answers null for anything but index 0 and codes 1 and 2");
}

void Session::describe() {
    const auto [which, noRecord] = libraryAndFlag();
    const std::int32_t index = script_.number();
    if (noRecord) {
        check(plugins_[which]->getModuleProperties(index, nullptr) == 0,
              "without a record to fill, no module");
        return;
    }
    std::array<std::uint8_t, 64> bytes;
    bytes.fill(kPattern);
    auto* description = reinterpret_cast<ModuleDescription*>(bytes.data());
    const std::int32_t answer = plugins_[which]->getModuleProperties(index, description);
    check(answer == (index == 0 ? 1 : 0), "getModuleProperties answers 1 for index 0 only");
    check(description->interfaceVersion == 2230, "the version is written for every index");
    const std::size_t versionAt = offsetof(ModuleDescription, interfaceVersion);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const bool version = i >= versionAt && i < versionAt + 4;
        const bool written = index == 0 && i < sizeof(ModuleDescription) &&
                             (i < offsetof(ModuleDescription, hostWord) ||
                              i >= offsetof(ModuleDescription, moduleFlags));
        if (!version && !written)
            check(bytes[i] == kPattern, "nothing else of the record is touched");
    }
    if (index == 0) {
        check(description->displayName != nullptr && description->identifier != nullptr &&
                  description->aboutText != nullptr,
              "the three texts");
        check(description->moduleFlags == 256, "module flags");
    }
}

void Session::begin(Instance* target) {
    calls_.push_back(Call{target});
}

Call Session::end() {
    Call finished = calls_.back();
    calls_.pop_back();
    return finished;
}

void checkRequestsAreDspOpen(const Call& call) {
    check(call.count == 2, "the DSP open sends exactly two requests");
    const std::array<std::int32_t, 2> opcodes{14, 10};
    for (std::size_t i = 0; i < 2; ++i) {
        const Request& r = call.requests[i];
        check(r.opcode == opcodes[i], "the DSP open sends 14, then 10");
        check(r.index == 0 && r.value == 0 && r.pointer == nullptr && r.floatBits == 0,
              "the DSP open's requests carry nothing else");
    }
}

void Session::dspDispatch() {
    Instance* instance = pick(Side::Dsp);
    if (instance == nullptr) return;
    sendDsp(*instance, script_.number());
}

void Session::sendDsp(Instance& instance, std::int32_t opcode) {
    auto* record = static_cast<DspInstanceRecord*>(instance.record);
    const std::int32_t index = script_.number();
    const std::int32_t value = script_.integer();
    const float floatValue = script_.anyFloat();
    const std::uint8_t pointerChoice = script_.byte();
    const auto code = static_cast<std::uint32_t>(opcode);

    // DSP opcode 6 needs the host's record, or nothing; the others take any
    // address and never follow it.
    std::array<std::uint8_t, sizeof(PinDescription)> description;
    description.fill(kPattern);
    void* pointer = reinterpret_cast<void*>(static_cast<std::uintptr_t>(script_.word()));
    if (code == 6) pointer = (pointerChoice & 1) ? description.data() : nullptr;

    begin(&instance);
    const ResultWord answer = callDspDispatcher(record, opcode, index, value, pointer, floatValue);
    const Call call = end();

    if (code == 1) {
        check(answer == 1 && call.count == 0, "DSP close answers 1 and sends nothing");
        forget(&instance);
    } else if (code == 0) {
        check(answer == 0, "DSP open answers 0");
        if (instance.silent) {
            check(call.count == 0, "without a callback the open sends nothing");
        } else {
            checkRequestsAreDspOpen(call);
        }
    } else if (code == 6) {
        const bool described = pointer != nullptr && index >= 0 && index <= 2;
        check(answer == (described ? 1 : 0), "DSP opcode 6 answers 1 for pins 0 to 2");
        check(call.count == 0, "describing a pin sends nothing");
        if (!described) {
            check(std::all_of(description.begin(), description.end(),
                              [](std::uint8_t b) { return b == kPattern; }),
                  "an unknown pin leaves the host's record as it was");
        } else {
            const auto* pin = reinterpret_cast<const PinDescription*>(description.data());
            check(pin->name != nullptr && pin->flags == 1024,
                  "a pin description names a GUI-side pin");
        }
    } else if (code == 13) {
        check(call.count == 0, "DSP opcode 13 sends nothing");
        const auto* info = reinterpret_cast<const RoutineRefInfo*>(answer);
        check(info != nullptr && info->one == 1 && info->refSize == sizeof(RoutineRef) &&
                  info->routine != nullptr && info->zero == 0,
              "DSP opcode 13 answers the filled routine record");
        ResultWord& known = routineInfo_[instance.library];
        check(known == 0 || known == answer, "one routine record per library");
        known = answer;
    } else {
        check(answer == 0 && call.count == 0, "every other DSP opcode answers 0 and sends nothing");
    }
}

void Session::dspEvent() {
    Instance* instance = pick(Side::Dsp);
    if (instance == nullptr) return;
    auto* record = static_cast<DspInstanceRecord*>(instance->record);
    constexpr std::array<std::uint32_t, 3> kTypes{0, 2, 21};  // the types acted on
    const std::uint8_t choice = script_.byte();
    DspEvent event{};
    event.type = choice < 192 ? kTypes[choice % kTypes.size()] : script_.word();
    event.stamp = script_.word();
    event.value = script_.word();
    event.shortValue = script_.word();
    event.extra = script_.word();
    event.reserved = script_.word();
    // A call-routine event carries back only what the instance sent, and
    // these modules send none: its routine word is 0, "no routine".
    if (event.type == 21) event.extra = 0;
    begin(instance);
    callDspEvent(record, (choice & 0x3F) == 0x3F ? nullptr : &event);
    check(end().count == 0, "events send nothing");
}

void Session::dspProcess() {
    Instance* instance = pick(Side::Dsp);
    if (instance == nullptr) return;
    begin(instance);
    callDspProcess(static_cast<DspInstanceRecord*>(instance->record));
    check(end().count == 0, "the process routine sends nothing");
}

void Session::checkNotice(const Call& call, std::int32_t changed) const {
    if (call.target->silent) {
        check(call.count == 0, "without a callback a notice sends nothing");
        return;
    }
    check(call.count >= 3, "a notice reads three pins");
    const std::array<std::int32_t, 3> order{1, 0, 2};
    for (std::size_t i = 0; i < 3; ++i) {
        const Request& r = call.requests[i];
        check(r.opcode == 14 && r.index == order[i],
              "a notice reads pins 1, 0 and 2, in this order");
        check(r.value == 0 && r.pointer != nullptr && r.floatBits == 0,
              "a read passes only its cell");
    }
    const auto write = expectedWrite(changed, call.requests[0].valueRead,
                                     call.requests[1].valueRead, call.requests[2].valueRead);
    check(call.count == (write ? 4u : 3u), "a notice writes at most once, as the rule says");
    if (!write) return;
    const Request& r = call.requests[3];
    check(r.opcode == 15 && r.index == write->first && r.value == write->second,
          "the notice writes the converted value");
    check(r.pointer == nullptr && r.floatBits == 0, "an integer write carries no pointer and 0.0");
}

ResultWord Session::notice(Instance& instance, std::int32_t pin) {
    // The notice ignores value, pointer and float: any will do.
    const std::int32_t value = script_.integer();
    void* pointer = reinterpret_cast<void*>(static_cast<std::uintptr_t>(script_.word()));
    const float floatValue = script_.anyFloat();
    begin(&instance);
    const ResultWord answer = callGuiDispatcher(static_cast<GuiInstanceRecord*>(instance.record), 7,
                                                pin, value, pointer, floatValue);
    checkNotice(end(), pin);
    return answer;
}

void Session::guiDispatch(bool noticeOnly) {
    Instance* instance = pick(Side::Gui);
    if (instance == nullptr) return;
    if (noticeOnly) {
        check(notice(*instance, script_.number()) == 0, "a notice answers 0");
        return;
    }
    const std::int32_t opcode = script_.number();
    const auto code = static_cast<std::uint32_t>(opcode);
    if (code == 7) {
        check(notice(*instance, script_.number()) == 0, "a notice answers 0");
        return;
    }
    const std::int32_t index = script_.number();
    const std::int32_t value = script_.integer();
    const float floatValue = script_.anyFloat();
    void* pointer = reinterpret_cast<void*>(static_cast<std::uintptr_t>(script_.word()));
    begin(instance);
    const ResultWord answer = callGuiDispatcher(static_cast<GuiInstanceRecord*>(instance->record),
                                                opcode, index, value, pointer, floatValue);
    const Call call = end();
    check(call.count == 0, "GUI opcodes other than the notice send nothing");
    if (code == 1) {
        check(answer == 1, "GUI close answers 1");
        forget(instance);
    } else {
        check(answer == 0,
              "every other GUI opcode answers 0 (opcode 10 is not answered true here)");
    }
}

void Session::setPin() {
    Instance* instance = pick(Side::Gui);
    if (instance == nullptr) return;
    const std::uint8_t pin = script_.byte() % 3;
    instance->pins[pin] = script_.number();
}

void Session::configure() {
    // Pin counts from -8 to 300: "none", and up to a few hundred.
    constexpr std::int64_t kLowest = -8;
    constexpr std::int64_t kCounts = 300 - kLowest + 1;
    const std::int64_t folded = (std::int64_t{script_.number()} - kLowest) % kCounts;
    pinCount_ = static_cast<std::int32_t>((folded < 0 ? folded + kCounts : folded) + kLowest);
    const std::uint8_t nesting = script_.byte();
    echoDepth_ = nesting % (kMaxEchoDepth + 1);
    echoOnChangeOnly_ = (nesting & 0x80) == 0;
    nestInReads_ = (nesting & 0x40) != 0;
    nestInDsp_ = (nesting & 0x20) != 0;
}

ResultWord Session::close(Instance& instance) {
    begin(&instance);
    const ResultWord answer =
        instance.side == Side::Dsp
            ? callDspDispatcher(static_cast<DspInstanceRecord*>(instance.record), 1, 0, 0, nullptr,
                                0.0f)
            : callGuiDispatcher(static_cast<GuiInstanceRecord*>(instance.record), 1, 0, 0, nullptr,
                                0.0f);
    check(end().count == 0, "close sends nothing");
    return answer;
}

void Session::closeOne() {
    Instance* instance = pick(std::nullopt);
    if (instance == nullptr) return;
    check(close(*instance) == 1, "close answers 1");
    forget(instance);
}

void Session::closeEverything() {
    while (!instances_.empty()) {
        check(close(*instances_.back()) == 1, "close answers 1");
        instances_.pop_back();
    }
}

ResultWord Session::answer(void* record, std::int32_t opcode, std::int32_t index,
                           std::int32_t value, void* pointer, float floatValue) {
    check(!calls_.empty(), "no request reaches the host outside its calls on the instance");
    Call& call = calls_.back();
    Instance& instance = *call.target;
    check(record == instance.record,
          "a request comes from the instance being called, with its record");
    check(call.count < kMaxRequests, "no call makes that many requests");
    Request& request = call.requests[call.count++];
    request =
        Request{record, opcode, index, value, pointer, std::bit_cast<std::uint32_t>(floatValue), 0};

    if (instance.side == Side::Dsp) {
        check(opcode == 14 || opcode == 10, "the DSP side sends only 14 and 10");
        if (nestInDsp_) callBackInto(instance);
        return opcode == 14 ? pinCount_ : script_.integer();
    }
    check(opcode == 14 || opcode == 15, "the GUI side sends only 14 and 15");
    check(index >= 0 && index <= 2, "the GUI side reads and writes only its three pins");
    const auto pin = static_cast<std::size_t>(index);
    if (opcode == 14) {
        // The host may deliver another notice before it answers the read.
        if (nestInReads_) callBackInto(instance);
        request.valueRead = instance.pins[pin];
        std::memcpy(pointer, &instance.pins[pin], sizeof(std::int32_t));  // all four bytes
        return script_.integer();
    }
    const bool changed = instance.pins[pin] != value;
    instance.pins[pin] = value;
    if (echoing_ < echoDepth_ && (changed || !echoOnChangeOnly_)) {
        // The host reports the write back at once, from inside it.
        ++echoing_;
        check(notice(instance, index) == 0, "a nested notice answers 0");
        --echoing_;
    }
    return script_.integer();
}

// From inside a request of `instance`, the host calls the instance again
// when the script says so and the nesting is not too deep yet: a notice for
// any pin on the GUI side, any DSP opcode but close on the DSP side (closing
// an instance from inside its own request ends the object under its feet).
void Session::callBackInto(Instance& instance) {
    if (echoing_ >= echoDepth_ || (script_.byte() & 1) == 0) return;
    ++echoing_;
    if (instance.side == Side::Gui) {
        check(notice(instance, script_.number()) == 0, "a nested notice answers 0");
    } else {
        const std::int32_t opcode = script_.number();
        sendDsp(instance, opcode == 1 ? 13 : opcode);
    }
    --echoing_;
}

std::array<std::unique_ptr<LoadedPlugin>, 2> loadedPlugins;

}  // namespace

// The fuzzer's host: every request of every instance arrives here, through
// the test host's callback (InterfaceCalls.h).
ResultWord QK_CDECL deliverHostRequest(void* record, std::int32_t opcode, std::int32_t index,
                                       std::int32_t value, void* pointer, float floatValue) {
    check(activeSession != nullptr, "no request outside a run");
    return activeSession->answer(record, opcode, index, value, pointer, floatValue);
}

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // Opened once and kept open: the instances of every run come from them.
    for (std::size_t i = 0; i < kLibraries.size(); ++i) {
        loadedPlugins[i] = std::make_unique<LoadedPlugin>(std::string(kPluginDirectory) + "/" +
                                                          kLibraries[i] + ".so");
        if (!loadedPlugins[i]->loaded()) {
            std::fprintf(stderr, "cannot load %s: %s\n", kLibraries[i],
                         loadedPlugins[i]->error().c_str());
            std::abort();
        }
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Session session({loadedPlugins[0].get(), loadedPlugins[1].get()}, data, size);
    session.run();
    return 0;
}
