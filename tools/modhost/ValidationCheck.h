#pragma once

#include <span>
#include <string>
#include <vector>

#include "HostSession.h"
#include "Plugin.h"

enum class CheckStatus {
    Passed,   // the plug-in did what the interface asks
    Failed,   // it did something else, or did not finish in time
    Crashed,  // the process running the check died
    Skipped,  // the check does not apply, or the plug-in lacks an export it needs
};

// "PASSED", "FAILED", "CRASHED", "SKIPPED".
const char* statusName(CheckStatus status);

struct CheckResult {
    CheckStatus status = CheckStatus::Passed;
    std::vector<std::string> details;  // one line each: what was wrong, or why skipped
};

struct CheckSettings {
    EchoRules echo;      // how far notices are followed
    int instances = 50;  // instances of each side in the lifecycle check
};

// One of the checks every plug-in of this format must pass.
struct ValidationCheck {
    const char* name;         // what --include and --exclude match
    const char* description;  // one line, for --list
    bool needsGetModuleProperties;
    bool needsMakeModule;
    CheckResult (*run)(const Plugin& plugin, const CheckSettings& settings);
};

// Every check, in the order they run.
std::span<const ValidationCheck> allChecks();

// Runs the check in this process; SKIPPED when the plug-in lacks an export
// the check needs. The plug-in's code runs here: isolate it from the caller.
CheckResult runCheckHere(const ValidationCheck& check, const Plugin& plugin,
                         const CheckSettings& settings);

// The checks that match any of the include patterns (all when there is
// none) and none of the exclude patterns; patterns are shell wildcards
// ("dsp-*"). Throws BadInput for a pattern that matches no check.
std::vector<const ValidationCheck*> selectChecks(const std::vector<std::string>& include,
                                                 const std::vector<std::string>& exclude);
