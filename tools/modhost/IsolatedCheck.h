#pragma once

#include <chrono>

#include "ValidationCheck.h"

struct IsolatedResult {
    CheckResult result;
    std::chrono::milliseconds elapsed;
};

// Runs the check in a child process of its own, so that a plug-in that
// crashes gives CRASHED and one that hangs gives FAILED after `timeout`,
// and neither ends the run. The child shares the loaded plug-in with this
// process and reports through a pipe; what the plug-in prints on standard
// output goes to standard error, keeping the report clean.
IsolatedResult runCheckIsolated(const ValidationCheck& check, const Plugin& plugin,
                                const CheckSettings& settings, std::chrono::milliseconds timeout);
