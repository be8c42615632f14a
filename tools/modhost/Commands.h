#pragma once

#include <span>
#include <string>

// The front end's commands. Each takes the words after its name and
// answers the process's exit code: 0 done, 1 the plug-in failed or broke
// the interface. Bad input throws BadInput, which the caller turns into
// one line on standard error and exit code 2.
int describeCommand(std::span<const std::string> words);
int runCommand(std::span<const std::string> words);
int validateCommand(std::span<const std::string> words);
