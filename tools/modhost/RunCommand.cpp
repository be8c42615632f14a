#include <unistd.h>

#include <algorithm>
#include <array>
#include <fstream>
#include <iostream>
#include <memory>

#include "BadInput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "DspOpcode.h"
#include "ModuleInfo.h"
#include "PinTable.h"
#include "PinValueText.h"
#include "PrintableText.h"

namespace {

constexpr std::array<OptionSpec, 5> kOptions = {{
    {"--set", true},
    {"--script", true},
    {"--trace", false},
    {"--max-depth", true},
    {"--echo-every-write", false},
}};

constexpr float kSampleRate = 44100.0f;
constexpr std::int32_t kBlockSize = 1024;
constexpr std::size_t kMinLabelWidth = 12;
constexpr const char* kPromptHelp =
    "PIN=VALUE   set a pin (by name or index) and send its notice\n"
    "show        print the pins\n"
    "pins        list the pins and the values they take\n"
    "quit        end (so does end of input)\n";

// One step as the user wrote it, with where it came from for messages.
struct StepText {
    std::string text;
    std::string origin;  // "--set", or "FILE:LINE"
};

// Lines of a script: PIN=VALUE each; blank lines and lines starting with # are skipped.
void readScript(std::istream& in, const std::string& name, std::vector<StepText>& steps) {
    std::string line;
    for (int number = 1; std::getline(in, line); ++number) {
        const std::string_view trimmed = trimWhiteSpace(line);
        if (trimmed.empty() || trimmed.front() == '#') continue;
        steps.push_back({std::string(trimmed), name + ":" + std::to_string(number)});
    }
}

std::vector<StepText> gatherSteps(const Arguments& arguments) {
    std::vector<StepText> steps;
    for (const auto& [option, value] : arguments.options) {
        if (option == "--set") {
            steps.push_back({value, "--set"});
        } else if (option == "--script") {
            std::ifstream script(value);
            if (!script) throw BadInput("cannot read the script " + value);
            readScript(script, value, steps);
        }
    }
    return steps;
}

// Every step is checked against the pin table before the first one runs.
std::vector<PinSetting> parseSteps(const std::vector<PinInfo>& pins,
                                   const std::vector<StepText>& steps) {
    std::vector<PinSetting> settings;
    for (const StepText& step : steps) {
        try {
            settings.push_back(parseSetting(pins, step.text));
        } catch (const BadInput& error) {
            throw BadInput(step.origin + ": " + error.what());
        }
    }
    return settings;
}

// The module's two instances, opened as a host opens them, and the pins' values.
class RunSession {
public:
    RunSession(const Plugin& plugin, EchoRules echo) : session_(plugin, echo) {}

    // Creates and opens both sides; false (with a message on stderr) when the module cannot run.
    bool start() {
        dsp_ = session_.createDsp();
        if (dsp_ == nullptr) return refuse("makeModule(0, 1) answered null");
        if (!acceptRecord("DSP", dspRecordProblems(*dsp_, session_.hostValue()))) return false;
        const PinTable table = readPinTable(session_, dsp_);
        session_.setPins(table.pins);
        session_.sendDsp(dsp_, static_cast<std::int32_t>(DspOpcode::SetSampleRate), 0, 0, nullptr,
                         kSampleRate);
        session_.sendDsp(dsp_, static_cast<std::int32_t>(DspOpcode::SetBlockSize), 0, kBlockSize);
        session_.sendDsp(dsp_, static_cast<std::int32_t>(DspOpcode::Open));
        gui_ = session_.createGui();
        if (gui_ == nullptr) return refuse("makeModule(0, 2) answered null");
        return acceptRecord("GUI", guiRecordProblems(*gui_, session_.hostValue()));
    }

    HostSession& session() { return session_; }
    const std::vector<PinInfo>& pins() const { return session_.pins(); }
    GuiInstanceRecord* gui() { return gui_; }

    // Faults found since the last call, printed; true when there were any.
    bool reportFaults() {
        const auto faults = session_.faults();
        for (const std::string& fault : faults) {
            std::cerr << "modhost: the module broke the interface: " << printable(fault) << '\n';
        }
        session_.clearFaults();
        return !faults.empty();
    }

private:
    bool refuse(const std::string& message) {
        std::cerr << "modhost: " << message << '\n';
        return false;
    }
    bool acceptRecord(const char* side, const std::vector<std::string>& problems) {
        for (const std::string& problem : problems) {
            std::cerr << "modhost: the " << side << " record's " << problem << '\n';
        }
        return problems.empty();
    }

    HostSession session_;
    DspInstanceRecord* dsp_ = nullptr;
    GuiInstanceRecord* gui_ = nullptr;
};

// Prints the pins as a table: a header, then one row a step.
class PinTablePrinter {
public:
    PinTablePrinter(const std::vector<PinInfo>& pins, std::size_t labelWidth)
        : pins_(pins), labelWidth_(std::max(labelWidth, kMinLabelWidth)) {
        for (const PinInfo& pin : pins) {
            std::size_t width = std::max<std::size_t>(printable(pin.displayName()).size(), 1);
            for (const ListItem& item : pin.labels().items) {
                width = std::max(width, printable(item.label).size());
            }
            widths_.push_back(width);
        }
    }

    void header() const {
        std::string line(labelWidth_, ' ');
        for (std::size_t i = 0; i < pins_.size(); ++i) {
            line += "  " + pad(printable(pins_[i].displayName()), widths_[i]);
        }
        print(line);
    }

    void row(const std::string& label, HostSession& session, GuiInstanceRecord* gui,
             const std::string& remark) const {
        std::string line = pad(label, labelWidth_);
        for (std::size_t i = 0; i < pins_.size(); ++i) {
            const std::int32_t word = session.pinWord(gui, pins_[i].index);
            line += "  " + pad(printable(formatPinValue(pins_[i], word)), widths_[i]);
        }
        print(remark.empty() ? line : line + "    " + remark);
    }

private:
    static std::string pad(const std::string& text, std::size_t width) {
        return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
    }
    // Flushed line by line: if the plug-in crashes, the rows before stay visible.
    static void print(std::string line) {
        line.erase(line.find_last_not_of(' ') + 1);
        std::cout << line << std::endl;
    }

    const std::vector<PinInfo>& pins_;
    std::size_t labelWidth_;
    std::vector<std::size_t> widths_;
};

std::string noticeRemark(const std::vector<PinInfo>& pins, const StepOutcome& outcome) {
    constexpr std::size_t kShown = 8;
    std::string names;
    for (std::size_t i = 0; i < outcome.notices.size() && i < kShown; ++i) {
        names += (i == 0 ? "" : ", ") +
                 printable(pins.at(static_cast<std::size_t>(outcome.notices[i].pin)).displayName());
    }
    if (!outcome.settled) {
        return "did not settle: " + std::to_string(outcome.notices.size()) + " notices (" + names +
               ", ...)";
    }
    return "notices: " + names;
}

// Runs one step and prints its row; false when the module did not settle.
bool runStep(RunSession& run, const PinTablePrinter& printer, const PinSetting& setting) {
    const StepOutcome outcome = run.session().setPin(run.gui(), setting.pin, setting.word);
    printer.row("set " + setting.text, run.session(), run.gui(), noticeRemark(run.pins(), outcome));
    if (!outcome.settled) {
        std::cerr << "modhost: the module did not settle after set " << setting.text << ": "
                  << outcome.notices.size() << " notices\n";
    }
    return outcome.settled;
}

void listPins(const std::vector<PinInfo>& pins) {
    for (const PinInfo& pin : pins) {
        std::cout << "  " << pin.index << "  " << printable(pin.displayName()) << ": "
                  << printable(acceptedValues(pin)) << '\n';
    }
}

// The prompt: one step or command a line, errors reported and the prompt kept.
bool runInteractive(RunSession& run, const PinTablePrinter& printer) {
    bool healthy = true;
    std::cout << "type PIN=VALUE to set a pin, help for more\n";
    for (;;) {
        std::cout << "modhost> " << std::flush;
        std::string line;
        if (!std::getline(std::cin, line)) {
            std::cout << '\n';
            return healthy;
        }
        const std::string_view command = trimWhiteSpace(line);
        if (command.empty()) continue;
        if (command == "quit" || command == "exit") return healthy;
        if (command == "help") {
            std::cout << kPromptHelp;
        } else if (command == "pins") {
            listPins(run.pins());
        } else if (command == "show") {
            printer.header();
            printer.row("now", run.session(), run.gui(), "");
        } else {
            try {
                healthy = runStep(run, printer, parseSetting(run.pins(), command)) && healthy;
            } catch (const BadInput& error) {
                std::cerr << "modhost: " << error.what() << '\n';
            }
        }
        healthy = !run.reportFaults() && healthy;
    }
}

}  // namespace

int runCommand(std::span<const std::string> words) {
    const Arguments arguments = parseArguments("run", words, kOptions);
    const auto plugin = loadPlugin(onePositional("run", arguments, "PLUGIN"));
    requireExports(*plugin);
    EchoRules echo;
    echo.everyWrite = arguments.has("--echo-every-write");
    if (const auto depth = arguments.last("--max-depth")) {
        echo.maxGeneration = boundedNumber("--max-depth", *depth, 1, 1000);
    }
    std::vector<StepText> steps = gatherSteps(arguments);
    const bool fromOptions = arguments.has("--set") || arguments.has("--script");
    const bool interactive = !fromOptions && isatty(STDIN_FILENO) == 1;
    if (!fromOptions && !interactive) readScript(std::cin, "standard input", steps);

    const ModuleInfo module = readModuleInfo(plugin->getModuleProperties());
    RunSession run(*plugin, echo);
    if (!run.start()) return 1;
    const std::vector<PinSetting> settings = parseSteps(run.pins(), steps);
    if (arguments.has("--trace")) {
        run.session().trace = [](const std::string& line) { std::cout << "    " << line << '\n'; };
    }

    std::size_t labelWidth = 0;
    for (const PinSetting& setting : settings)
        labelWidth = std::max(labelWidth, setting.text.size() + 4);
    const PinTablePrinter printer(run.pins(), labelWidth);
    std::cout << printable(module.displayName.value_or("(no name)")) << std::endl;
    printer.header();
    printer.row("start", run.session(), run.gui(), "");
    bool healthy = !run.reportFaults();
    if (interactive) {
        healthy = runInteractive(run, printer) && healthy;
    } else {
        for (const PinSetting& setting : settings) {
            healthy = runStep(run, printer, setting) && healthy;
            healthy = !run.reportFaults() && healthy;
        }
    }
    return healthy ? 0 : 1;
}
