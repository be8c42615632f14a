#include <array>
#include <cctype>
#include <chrono>
#include <iostream>
#include <map>

#include "BadInput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "IsolatedCheck.h"
#include "JsonWriter.h"
#include "Plugin.h"
#include "PrintableText.h"

namespace {

constexpr std::array<OptionSpec, 5> kOptions = {{
    {"--json", false},
    {"--list", false},
    {"--include", true},
    {"--exclude", true},
    {"--timeout", true},
}};

// Generous enough for a check under an emulator, short enough to find a hang.
constexpr int kDefaultTimeoutSeconds = 5;
constexpr int kMaxTimeoutSeconds = 600;
constexpr std::array<CheckStatus, 4> kStatuses = {CheckStatus::Passed, CheckStatus::Failed,
                                                  CheckStatus::Crashed, CheckStatus::Skipped};

struct Ran {
    const ValidationCheck* check;
    IsolatedResult outcome;
};

std::vector<std::string> patterns(const Arguments& arguments, const char* option) {
    std::vector<std::string> all;
    for (const std::string& value : arguments.values(option)) {
        for (std::string& pattern : splitCommas(value)) all.push_back(std::move(pattern));
    }
    return all;
}

void listChecks(bool asJson) {
    if (!asJson) {
        std::size_t width = 0;
        for (const ValidationCheck& check : allChecks())
            width = std::max(width, std::string(check.name).size());
        for (const ValidationCheck& check : allChecks()) {
            const std::string name = check.name;
            std::cout << name << std::string(width - name.size() + 2, ' ') << check.description
                      << '\n';
        }
        return;
    }
    JsonWriter json(std::cout);
    json.beginArray();
    for (const ValidationCheck& check : allChecks()) {
        json.beginObject();
        json.stringMember("name", check.name);
        json.stringMember("description", check.description);
        json.endObject();
    }
    json.endArray();
    json.finish();
}

bool isFailure(CheckStatus status) {
    return status == CheckStatus::Failed || status == CheckStatus::Crashed;
}

std::string lowerCase(const char* text) {
    std::string lower = text;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

void printTextResult(const Ran& ran) {
    const std::string status = statusName(ran.outcome.result.status);
    std::cout << status << std::string(9 - status.size(), ' ') << ran.check->name << '\n';
    for (const std::string& detail : ran.outcome.result.details) {
        std::cout << "           " << printable(detail) << '\n';
    }
}

void printTextSummary(const std::map<CheckStatus, int>& counts, bool failed) {
    std::cout << "result: " << (failed ? "FAILED" : "PASSED") << " (";
    const char* separator = "";
    for (const CheckStatus status : kStatuses) {
        std::cout << separator << counts.at(status) << ' ' << lowerCase(statusName(status));
        separator = ", ";
    }
    std::cout << ")\n";
}

void printJsonReport(const std::string& path, const std::vector<Ran>& results,
                     const std::map<CheckStatus, int>& counts, bool failed) {
    JsonWriter json(std::cout);
    json.beginObject();
    json.stringMember("plugin", path);
    json.stringMember("result", failed ? "FAILED" : "PASSED");
    for (const CheckStatus status : kStatuses) {
        json.numberMember(lowerCase(statusName(status)), counts.at(status));
    }
    json.key("checks");
    json.beginArray();
    for (const Ran& ran : results) {
        json.beginObject();
        json.stringMember("name", ran.check->name);
        json.stringMember("description", ran.check->description);
        json.stringMember("status", statusName(ran.outcome.result.status));
        json.key("details");
        json.beginArray();
        for (const std::string& detail : ran.outcome.result.details) json.string(detail);
        json.endArray();
        json.numberMember("milliseconds", ran.outcome.elapsed.count());
        json.endObject();
    }
    json.endArray();
    json.endObject();
    json.finish();
}

}  // namespace

int validateCommand(std::span<const std::string> words) {
    const Arguments arguments = parseArguments("validate", words, kOptions);
    const bool asJson = arguments.has("--json");
    if (arguments.has("--list")) {
        if (!arguments.positionals.empty()) throw BadInput("validate --list takes no PLUGIN");
        listChecks(asJson);
        return 0;
    }
    const std::string path = onePositional("validate", arguments, "PLUGIN");
    const auto checks =
        selectChecks(patterns(arguments, "--include"), patterns(arguments, "--exclude"));
    int timeoutSeconds = kDefaultTimeoutSeconds;
    if (const auto timeout = arguments.last("--timeout")) {
        timeoutSeconds = boundedNumber("--timeout", *timeout, 1, kMaxTimeoutSeconds);
    }
    const auto plugin = loadPlugin(path);
    // A missing export is a finding of the checks; a file with neither is no plug-in at all.
    if (plugin->getModuleProperties() == nullptr && plugin->makeModule() == nullptr) {
        requireExports(*plugin);
    }

    const CheckSettings settings;
    std::map<CheckStatus, int> counts;
    for (const CheckStatus status : kStatuses) counts[status] = 0;
    std::vector<Ran> results;
    bool failed = false;
    if (!asJson) std::cout << "validating " << printable(path) << '\n';
    for (const ValidationCheck* check : checks) {
        results.push_back({check, runCheckIsolated(*check, *plugin, settings,
                                                   std::chrono::seconds(timeoutSeconds))});
        const CheckStatus status = results.back().outcome.result.status;
        ++counts[status];
        failed = failed || isFailure(status);
        if (!asJson) printTextResult(results.back());
    }
    if (asJson) {
        printJsonReport(path, results, counts, failed);
    } else {
        printTextSummary(counts, failed);
    }
    return failed ? 1 : 0;
}
