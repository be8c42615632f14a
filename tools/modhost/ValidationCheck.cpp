#include "ValidationCheck.h"

#include <fnmatch.h>

#include <array>
#include <climits>
#include <cstddef>
#include <cstring>
#include <map>
#include <set>

#include "BadInput.h"
#include "DspOpcode.h"
#include "GuiOpcode.h"
#include "MessageList.h"
#include "ModuleInfo.h"
#include "PinDescription.h"
#include "PinTable.h"
#include "PinValueText.h"

namespace {

// Bytes the host puts into records before a call, so that a word the
// plug-in writes where it should not stands out.
constexpr unsigned char kPattern = 0xA5;
constexpr std::size_t kMaxDetails = 20;
constexpr std::int32_t kDspCode = static_cast<std::int32_t>(InstanceType::Dsp);
constexpr std::int32_t kGuiCode = static_cast<std::int32_t>(InstanceType::Gui);

// The problems one check finds, each a line of its report.
class Findings {
public:
    void fail(const std::string& message) { problems_.add(message); }
    void expect(bool holds, const std::string& message) {
        if (!holds) fail(message);
    }
    void addAll(const std::vector<std::string>& messages) {
        for (const std::string& message : messages) fail(message);
    }
    CheckResult result() const {
        return {problems_.empty() ? CheckStatus::Passed : CheckStatus::Failed, problems_.lines()};
    }

private:
    MessageList problems_{kMaxDetails};
};

std::string call(const char* function, std::int32_t first, std::int32_t second) {
    return std::string(function) + "(" + std::to_string(first) + ", " + std::to_string(second) +
           ")";
}

// A ModuleDescription with room behind it, all bytes set to the pattern.
struct PaddedDescription {
    ModuleDescription description;
    unsigned char tail[32];

    PaddedDescription() { std::memset(this, kPattern, sizeof *this); }
    const unsigned char* bytes() const { return reinterpret_cast<const unsigned char*>(this); }
};

constexpr std::size_t kHostWordOffset = offsetof(ModuleDescription, hostWord);
constexpr std::size_t kVersionOffset = offsetof(ModuleDescription, interfaceVersion);
constexpr std::size_t kAfterVersion = kVersionOffset + sizeof(std::uint32_t);

// Whether bytes [from, to) still hold the pattern.
bool untouched(const unsigned char* bytes, std::size_t from, std::size_t to) {
    for (std::size_t i = from; i < to; ++i) {
        if (bytes[i] != kPattern) return false;
    }
    return true;
}

bool holdsPattern(const void* field, std::size_t size) {
    return untouched(static_cast<const unsigned char*>(field), 0, size);
}

// A description text: present, written, terminated, and not empty unless allowed.
void expectText(Findings& findings, const char* field, const char* text, bool mayBeEmpty) {
    if (holdsPattern(&text, sizeof text)) {
        findings.fail(std::string(field) + " was not written");
        return;
    }
    if (text == nullptr) {
        findings.fail(std::string(field) + " is null");
        return;
    }
    const std::size_t length = strnlen(text, kMaxPluginText);
    findings.expect(length < kMaxPluginText, std::string(field) + " is not terminated within " +
                                                 std::to_string(kMaxPluginText) + " bytes");
    findings.expect(mayBeEmpty || length > 0, std::string(field) + " is empty");
}

PinTable pinTableOf(HostSession& session) {
    DspInstanceRecord* dsp = session.createDsp();
    if (dsp == nullptr) return {};
    PinTable table = readPinTable(session, dsp);
    session.close(dsp);
    return table;
}

std::string pinLabel(const PinInfo& pin) {
    return "pin " + std::to_string(pin.index) + (pin.name ? " (" + *pin.name + ")" : "");
}

// ---- the checks ----

CheckResult checkExports(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    const auto getModuleProperties = plugin.getModuleProperties();
    findings.expect(getModuleProperties != nullptr, "getModuleProperties is not exported");
    findings.expect(plugin.makeModule() != nullptr, "makeModule is not exported");
    if (getModuleProperties != nullptr) {
        ModuleDescription description{};
        const std::int32_t answer = getModuleProperties(0, &description);
        findings.expect(answer == 1,
                        "getModuleProperties(0) answered " + std::to_string(answer) + ", not 1");
    }
    if (plugin.makeModule() != nullptr) {
        HostSession session(plugin);
        for (const std::int32_t code : {kDspCode, kGuiCode}) {
            findings.expect(session.make(0, code) != nullptr,
                            call("makeModule", 0, code) + " answered null");
        }
    }
    return findings.result();
}

CheckResult checkDescription(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    PaddedDescription padded;
    const std::int32_t answer = plugin.getModuleProperties()(0, &padded.description);
    findings.expect(answer == 1,
                    "getModuleProperties(0) answered " + std::to_string(answer) + ", not 1");
    const ModuleDescription& description = padded.description;
    expectText(findings, "displayName", description.displayName, false);
    expectText(findings, "identifier", description.identifier, false);
    expectText(findings, "aboutText", description.aboutText, true);
    if (findings.result().status == CheckStatus::Passed) {
        const std::string about = *copyPluginText(description.aboutText);
        findings.expect(about.empty() || about.back() != '\n', "aboutText ends with a line feed");
        findings.expect(about.find('\r') == std::string::npos,
                        "aboutText separates lines with a carriage return, not a single line feed");
    }
    findings.expect(description.moduleFlags == ModuleDescription::kModuleFlags,
                    "moduleFlags is " + std::to_string(description.moduleFlags) + ", not " +
                        std::to_string(ModuleDescription::kModuleFlags));
    findings.expect(description.interfaceVersion == ModuleDescription::kInterfaceVersion,
                    "interfaceVersion is " + std::to_string(description.interfaceVersion) +
                        ", not " + std::to_string(ModuleDescription::kInterfaceVersion));
    findings.expect(
        untouched(padded.bytes(), kHostWordOffset, kHostWordOffset + sizeof(std::uint32_t)),
        "the host's word at offset " + std::to_string(kHostWordOffset) + " was changed");
    findings.expect(untouched(padded.bytes(), kAfterVersion, sizeof padded),
                    "bytes after interfaceVersion were changed");
    return findings.result();
}

constexpr std::array<std::int32_t, 5> kUnknownIndexes = {1, 2, -1, INT_MIN, INT_MAX};

CheckResult checkUnknownIndex(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    for (const std::int32_t index : kUnknownIndexes) {
        PaddedDescription padded;
        const std::int32_t answer = plugin.getModuleProperties()(index, &padded.description);
        const std::string what = "getModuleProperties(" + std::to_string(index) + ")";
        findings.expect(answer == 0, what + " answered " + std::to_string(answer) + ", not 0");
        findings.expect(padded.description.interfaceVersion == ModuleDescription::kInterfaceVersion,
                        what + " did not write interfaceVersion " +
                            std::to_string(ModuleDescription::kInterfaceVersion));
        findings.expect(untouched(padded.bytes(), 0, kVersionOffset) &&
                            untouched(padded.bytes(), kAfterVersion, sizeof padded),
                        what + " wrote more than interfaceVersion");
        for (const std::int32_t code : {kDspCode, kGuiCode}) {
            findings.expect(session.make(index, code) == nullptr,
                            call("makeModule", index, code) + " answered a record, not null");
        }
    }
    return findings.result();
}

constexpr std::array<std::int32_t, 6> kUnknownCreationCodes = {0, 3, -1, 255, INT_MIN, INT_MAX};

CheckResult checkUnknownCreationCode(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    for (const std::int32_t code : kUnknownCreationCodes) {
        findings.expect(session.make(0, code) == nullptr,
                        call("makeModule", 0, code) + " answered a record, not null");
    }
    return findings.result();
}

CheckResult checkQuietCreation(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    for (const std::int32_t code : {kDspCode, kGuiCode}) {
        session.clearRequests();
        session.make(0, code);
        for (const HostRequest& request : session.requests()) {
            findings.fail(call("makeModule", 0, code) + " sent host opcode " +
                          std::to_string(request.opcode) + " (index " +
                          std::to_string(request.index) + ", value " +
                          std::to_string(request.value) +
                          ") before the host had the instance's record");
        }
    }
    return findings.result();
}

// Two instances of one side: the first record's words, then what tells
// the two apart, then close.
template <typename Record, typename Create, typename Problems>
CheckResult checkRecord(const Plugin& plugin, std::int32_t code, Create create, Problems problems) {
    Findings findings;
    HostSession session(plugin);
    Record* first = (session.*create)();
    Record* second = (session.*create)();
    if (first == nullptr || second == nullptr) {
        findings.fail(call("makeModule", 0, code) + " answered null");
        return findings.result();
    }
    const std::string side = code == kDspCode ? "DSP" : "GUI";
    findings.addAll(problems(*first, session.hostValue()));
    findings.expect(first != second, "two instances answered the same record");
    findings.expect(first->object != second->object, "two instances have the same object word");
    findings.expect(session.close(second) == 1, side + " opcode 1 (close) did not answer 1");
    return findings.result();
}

CheckResult checkDspRecord(const Plugin& plugin, const CheckSettings&) {
    return checkRecord<DspInstanceRecord>(plugin, kDspCode, &HostSession::createDsp,
                                          dspRecordProblems);
}

CheckResult checkGuiRecord(const Plugin& plugin, const CheckSettings&) {
    return checkRecord<GuiInstanceRecord>(plugin, kGuiCode, &HostSession::createGui,
                                          guiRecordProblems);
}

// Opcodes past the last one of each side, negative ones included.
std::vector<std::int32_t> opcodesBeyond(std::uint32_t lastOpcode) {
    const auto next = static_cast<std::int32_t>(lastOpcode + 1);
    return {next, next + 1, 100, 255, INT_MAX, -1, INT_MIN};
}

// Requests the instance sent since the log was cleared, as report lines.
void expectNoRequests(Findings& findings, HostSession& session, const std::string& cause) {
    for (const HostRequest& request : session.requests()) {
        findings.fail(cause + " sent host opcode " + std::to_string(request.opcode));
    }
    session.clearRequests();
}

// Every opcode past the side's last answers 0 and makes the instance send nothing.
template <typename Send>
void expectOpcodesBeyondIgnored(Findings& findings, HostSession& session, const std::string& side,
                                std::uint32_t lastOpcode, Send send) {
    session.clearRequests();
    for (const std::int32_t opcode : opcodesBeyond(lastOpcode)) {
        const std::string what = side + " opcode " + std::to_string(opcode);
        const ResultWord answer = send(opcode);
        findings.expect(answer == 0, what + " answered " + std::to_string(answer) + ", not 0");
        expectNoRequests(findings, session, what);
    }
}

CheckResult checkDspOutOfRange(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    DspInstanceRecord* dsp = session.createDsp();
    if (dsp == nullptr) return {CheckStatus::Failed, {"makeModule(0, 1) answered null"}};
    expectOpcodesBeyondIgnored(findings, session, "DSP", kLastDspOpcode,
                               [&](std::int32_t opcode) { return session.sendDsp(dsp, opcode); });
    // Event types the DSP side does not handle are ignored.
    for (const std::uint32_t type : {1u, 3u, 20u, 99u, 0xFFFFFFFFu}) {
        DspEvent event{0, type, 0, 0, 0, 0};
        session.sendEvent(dsp, event);
        expectNoRequests(findings, session, "an event of type " + std::to_string(type));
    }
    return findings.result();
}

CheckResult checkGuiOutOfRange(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    GuiInstanceRecord* gui = session.createGui();
    if (gui == nullptr) return {CheckStatus::Failed, {"makeModule(0, 2) answered null"}};
    expectOpcodesBeyondIgnored(findings, session, "GUI", kLastGuiOpcode,
                               [&](std::int32_t opcode) { return session.sendGui(gui, opcode); });
    return findings.result();
}

void expectWellFormed(Findings& findings, const PinInfo& pin, bool isLast) {
    const std::string label = pinLabel(pin);
    if (!pin.name) {
        findings.fail(label + " has no name");
    } else {
        findings.expect(!pin.name->empty(), label + " has an empty name");
    }
    findings.expect(
        directionName(pin.direction).has_value(),
        label + " has direction " + std::to_string(pin.direction) + ", neither In (0) nor Out (1)");
    findings.expect(
        pin.datatype >= 0 && pin.datatype <= static_cast<std::int32_t>(PinDatatype::Int32),
        label + " has datatype " + std::to_string(pin.datatype) + ", which is no datatype code");
    findings.expect(!pin.isList() || pin.listText.has_value(),
                    label + " is a list pin without a list text");
    findings.expect(!hasFlag(pin.flags, PinFlags::AlsoDsp) || hasFlag(pin.flags, PinFlags::GuiSide),
                    label + " has AlsoDsp without GuiSide");
    findings.expect(!hasFlag(pin.flags, PinFlags::RepeatLast) || isLast,
                    label + " has RepeatLast but is not the last pin");
}

bool samePin(const PinInfo& a, const PinInfo& b) {
    return a.name == b.name && a.direction == b.direction && a.datatype == b.datatype &&
           a.listText == b.listText && a.flags == b.flags;
}

// DSP opcode 6 for an index the module has no pin for: 0, and the host's record as it was.
void expectNoPin(Findings& findings, HostSession& session, DspInstanceRecord* dsp,
                 std::int32_t index) {
    PinDescription description;
    std::memset(&description, kPattern, sizeof description);
    const ResultWord answer = session.sendDsp(
        dsp, static_cast<std::int32_t>(DspOpcode::DescribePin), index, 0, &description);
    const std::string what = "DSP opcode 6 for index " + std::to_string(index);
    findings.expect(answer == 0, what + ", past the pins, answered " + std::to_string(answer));
    findings.expect(holdsPattern(&description, sizeof description),
                    what + " wrote into the record");
}

CheckResult checkPinTable(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    DspInstanceRecord* dsp = session.createDsp();
    if (dsp == nullptr) return {CheckStatus::Failed, {"makeModule(0, 1) answered null"}};
    const PinTable table = readPinTable(session, dsp);
    findings.expect(!table.endless, "DSP opcode 6 describes a pin for every index up to " +
                                        std::to_string(kMaxPins));
    const auto count = static_cast<std::int32_t>(table.pins.size());
    for (const PinInfo& pin : table.pins) {
        expectWellFormed(findings, pin, pin.index == count - 1);
        PinDescription again{};
        const ResultWord answer = session.sendDsp(
            dsp, static_cast<std::int32_t>(DspOpcode::DescribePin), pin.index, 0, &again);
        findings.expect(answer == 1, "DSP opcode 6 for " + pinLabel(pin) + " answered " +
                                         std::to_string(answer) + ", not 1");
        findings.expect(samePin(pin, pinFromDescription(pin.index, again)),
                        pinLabel(pin) + " is described differently when asked again");
    }
    if (!table.endless) {
        for (const std::int32_t index : {count, count + 1, -1, INT_MIN}) {
            expectNoPin(findings, session, dsp, index);
        }
    }
    findings.addAll(session.faults());
    return findings.result();
}

void expectReadableList(Findings& findings, const PinInfo& pin) {
    const std::string label = pinLabel(pin) + " list text \"" + *pin.listText + "\"";
    const ListLabels list = readListText(*pin.listText);
    if (list.isRange) {
        findings.expect(list.readable, label + " has no bounds after the keyword");
        findings.expect(!list.readable || !list.items.empty(),
                        label + " has no item: its low bound is above its high bound");
        return;
    }
    findings.expect(!list.items.empty(), label + " has no item");
    findings.expect(!list.endsWithComma, label + " ends with a comma that no item follows");
    std::map<std::int32_t, std::string> values;
    std::set<std::string> labels;
    for (const ListItem& item : list.items) {
        findings.expect(!item.label.empty(), label + " has an item without a label");
        const auto [known, newValue] = values.emplace(item.value, item.label);
        findings.expect(newValue, label + " gives " + known->second + " and " + item.label +
                                      " the same value " + std::to_string(item.value));
        findings.expect(item.label.empty() || labels.insert(item.label).second,
                        label + " has the label " + item.label + " twice");
    }
}

CheckResult checkListTexts(const Plugin& plugin, const CheckSettings&) {
    Findings findings;
    HostSession session(plugin);
    bool anyList = false;
    for (const PinInfo& pin : pinTableOf(session).pins) {
        if (!pin.isList() || !pin.listText) continue;
        anyList = true;
        expectReadableList(findings, pin);
    }
    if (!anyList) return {CheckStatus::Skipped, {"the module has no list pin with a list text"}};
    return findings.result();
}

CheckResult checkLifecycle(const Plugin& plugin, const CheckSettings& settings) {
    Findings findings;
    HostSession session(plugin, settings.echo);
    session.setPins(pinTableOf(session).pins);
    std::vector<DspInstanceRecord*> dsps;
    std::vector<GuiInstanceRecord*> guis;
    std::set<const void*> records;
    std::set<const void*> objects;
    for (int i = 0; i < settings.instances; ++i) {
        DspInstanceRecord* dsp = session.createDsp();
        GuiInstanceRecord* gui = session.createGui();
        if (dsp == nullptr || gui == nullptr) {
            findings.fail("makeModule answered null for instance " + std::to_string(i));
            return findings.result();
        }
        dsps.push_back(dsp);
        guis.push_back(gui);
        records.insert({dsp, gui});
        objects.insert({dsp->object, gui->object});
    }
    const auto expected = static_cast<std::size_t>(2 * settings.instances);
    findings.expect(records.size() == expected, "instances share records");
    findings.expect(objects.size() == expected, "instances share object words");
    for (DspInstanceRecord* dsp : dsps) {
        session.sendDsp(dsp, static_cast<std::int32_t>(DspOpcode::SetSampleRate), 0, 0, nullptr,
                        48000.0f);
        session.sendDsp(dsp, static_cast<std::int32_t>(DspOpcode::SetBlockSize), 0, 256);
        const ResultWord answer = session.sendDsp(dsp, static_cast<std::int32_t>(DspOpcode::Open));
        findings.expect(answer == 0,
                        "DSP opcode 0 (open) answered " + std::to_string(answer) + ", not 0");
    }
    for (GuiInstanceRecord* gui : guis) {
        for (const PinInfo& pin : session.pins()) session.notify(gui, pin.index);
    }
    // GUI instances close newest first, DSP instances oldest first: no order is assumed.
    for (auto gui = guis.rbegin(); gui != guis.rend(); ++gui) {
        findings.expect(session.close(*gui) == 1, "GUI opcode 1 (close) did not answer 1");
    }
    for (DspInstanceRecord* dsp : dsps) {
        findings.expect(session.close(dsp) == 1, "DSP opcode 1 (close) did not answer 1");
    }
    findings.addAll(session.faults());
    return findings.result();
}

// The values a notice check gives a pin: a list's values, else 1 and back to 0.
std::vector<std::int32_t> valuesToTry(const PinInfo& pin) {
    constexpr std::size_t kMaxValues = 16;
    std::vector<std::int32_t> values;
    for (const ListItem& item : pin.labels().items) {
        if (values.size() < kMaxValues) values.push_back(item.value);
    }
    if (values.empty()) {
        values = pin.isFloat() ? std::vector<std::int32_t>{0x3F800000, 0}
                               : std::vector<std::int32_t>{1, 0};
    }
    return values;
}

std::string noticeSummary(const HostSession& session, const StepOutcome& outcome) {
    constexpr std::size_t kShown = 6;
    std::string text;
    for (std::size_t i = 0; i < outcome.notices.size() && i < kShown; ++i) {
        const std::int32_t pin = outcome.notices[i].pin;
        text +=
            (i == 0 ? "" : ", ") + session.pins().at(static_cast<std::size_t>(pin)).displayName();
    }
    if (outcome.notices.size() > kShown) text += ", ...";
    return text + " (" + std::to_string(outcome.notices.size()) + " notices)";
}

CheckResult checkNoticesSettle(const Plugin& plugin, const CheckSettings& settings) {
    Findings findings;
    HostSession session(plugin, settings.echo);
    session.setPins(pinTableOf(session).pins);
    GuiInstanceRecord* gui = session.createGui();
    if (gui == nullptr) return {CheckStatus::Failed, {"makeModule(0, 2) answered null"}};
    for (const PinInfo& pin : session.pins()) {
        for (const std::int32_t word : valuesToTry(pin)) {
            const StepOutcome outcome = session.setPin(gui, pin.index, word);
            findings.expect(outcome.settled,
                            "setting " + pin.displayName() + " to " + formatPinValue(pin, word) +
                                " does not settle: " + noticeSummary(session, outcome));
        }
    }
    findings.addAll(session.faults());
    return findings.result();
}

constexpr std::array<ValidationCheck, 13> kChecks = {{
    {"exports", "getModuleProperties and makeModule are exported and answer for module 0", false,
     false, checkExports},
    {"description",
     "getModuleProperties(0) fills the description as the interface requires and touches no other "
     "word",
     true, false, checkDescription},
    {"unknown-index",
     "a module index other than 0 is answered with 0 and null, writing only the interface version",
     true, true, checkUnknownIndex},
    {"unknown-creation-code", "makeModule answers null for a creation code other than 1 and 2",
     false, true, checkUnknownCreationCode},
    {"quiet-creation", "creating an instance of either side sends the host nothing", false, true,
     checkQuietCreation},
    {"dsp-record",
     "a DSP instance's record: magic, version, host value, object word, entries, zero reserved "
     "words",
     false, true, checkDspRecord},
    {"gui-record",
     "a GUI instance's record: magic, version, entry, host value, object word, zero reserved words",
     false, true, checkGuiRecord},
    {"dsp-out-of-range",
     "DSP opcodes past 13 and negative ones answer 0; unknown event types are ignored", false, true,
     checkDspOutOfRange},
    {"gui-out-of-range", "GUI opcodes past 12 and negative ones answer 0 and send nothing", false,
     true, checkGuiOutOfRange},
    {"pin-table",
     "DSP opcode 6 describes well-formed pins: names, directions, datatypes, flags; 0 past the "
     "last",
     false, true, checkPinTable},
    {"list-texts", "every list pin's list text reads as distinct, labelled items", false, true,
     checkListTexts},
    {"lifecycle",
     "many instances of both sides open, take a notice for every pin and close, calling the host "
     "correctly",
     false, true, checkLifecycle},
    {"notices-settle", "setting any pin to each of its values, with the module's echoes, settles",
     false, true, checkNoticesSettle},
}};

}  // namespace

const char* statusName(CheckStatus status) {
    switch (status) {
        case CheckStatus::Passed:
            return "PASSED";
        case CheckStatus::Failed:
            return "FAILED";
        case CheckStatus::Crashed:
            return "CRASHED";
        case CheckStatus::Skipped:
            break;
    }
    return "SKIPPED";
}

std::span<const ValidationCheck> allChecks() {
    return kChecks;
}

CheckResult runCheckHere(const ValidationCheck& check, const Plugin& plugin,
                         const CheckSettings& settings) {
    if (check.needsGetModuleProperties && plugin.getModuleProperties() == nullptr) {
        return {CheckStatus::Skipped, {"getModuleProperties is not exported"}};
    }
    if (check.needsMakeModule && plugin.makeModule() == nullptr) {
        return {CheckStatus::Skipped, {"makeModule is not exported"}};
    }
    return check.run(plugin, settings);
}

std::vector<const ValidationCheck*> selectChecks(const std::vector<std::string>& include,
                                                 const std::vector<std::string>& exclude) {
    const auto matches = [](const std::string& pattern, const ValidationCheck& check) {
        return fnmatch(pattern.c_str(), check.name, 0) == 0;
    };
    for (const auto* patterns : {&include, &exclude}) {
        for (const std::string& pattern : *patterns) {
            bool any = false;
            for (const ValidationCheck& check : kChecks) any = any || matches(pattern, check);
            if (!any) {
                throw BadInput("no check matches '" + pattern +
                               "' (modhost validate --list names them)");
            }
        }
    }
    std::vector<const ValidationCheck*> selected;
    for (const ValidationCheck& check : kChecks) {
        bool included = include.empty();
        for (const std::string& pattern : include) included = included || matches(pattern, check);
        bool excluded = false;
        for (const std::string& pattern : exclude) excluded = excluded || matches(pattern, check);
        if (included && !excluded) selected.push_back(&check);
    }
    return selected;
}
