// modhost: a host of our own for plug-ins of this format. It describes a
// plug-in, runs its module with pin values held as a host holds them, and
// validates it against the interface.
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <iostream>
#include <string>
#include <vector>

#include "BadInput.h"
#include "Commands.h"

namespace {

constexpr const char* kUsage =
    "usage: modhost describe PLUGIN [--json]\n"
    "       modhost run PLUGIN [--set PIN=VALUE]... [--script FILE] [--trace] [--max-depth N]\n"
    "                  [--echo-every-write]\n"
    "       modhost validate PLUGIN [--json] [--include CHECKS] [--exclude CHECKS] [--timeout "
    "SECONDS]\n"
    "       modhost validate --list [--json]\n"
    "\n"
    "PLUGIN    a shared object of this build; the 32-bit x86 build also runs Windows\n"
    "          DLLs (PE32, i386) through its own loader\n"
    "describe  prints the module's description and its pin table\n"
    "run       creates a DSP and a GUI instance and sets pins, one step per --set or\n"
    "          script line (PIN=VALUE; a pin by name or index, a list pin by label or\n"
    "          number, a boolean as 0, 1, true or false), printing the pins after each\n"
    "          step; with no step given it prompts, or reads steps from standard input.\n"
    "          A write of the module that changes a pin is reported back with a notice\n"
    "          (every write with --echo-every-write), up to --max-depth (32) in a chain\n"
    "validate  runs the checks every plug-in must pass, each in its own process;\n"
    "          CHECKS are names or wildcards separated by commas\n"
    "\n"
    "exit codes: 0 done, 1 a check failed or the module misbehaved, 2 bad input\n";

// A crash of the plug-in during describe or run: say so in one line rather
// than dying silently. Only async-signal-safe calls here.
void reportCrash(int number) {
    constexpr char kMessage[] = "modhost: the plug-in crashed (";
    [[maybe_unused]] ssize_t ignored = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    const char* name = number == SIGSEGV  ? "SIGSEGV"
                       : number == SIGBUS ? "SIGBUS"
                       : number == SIGILL ? "SIGILL"
                                          : "SIGFPE";
    ignored = write(STDERR_FILENO, name, std::strlen(name));
    ignored = write(STDERR_FILENO, ")\n", 2);
    _exit(1);
}

void reportCrashes() {
    for (const int number : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) std::signal(number, reportCrash);
}

int dispatch(const std::string& command, std::span<const std::string> words) {
    if (command == "describe") {
        reportCrashes();
        return describeCommand(words);
    }
    if (command == "run") {
        reportCrashes();
        return runCommand(words);
    }
    // validate runs the plug-in in child processes of its own and reports their crashes.
    if (command == "validate") return validateCommand(words);
    throw BadInput("no command '" + command + "'; the commands are describe, run and validate");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> words(argv + 1, argv + argc);
    if (words.empty()) {
        std::cerr << kUsage;
        return 2;
    }
    if (words[0] == "--help" || words[0] == "-h" || words[0] == "help") {
        std::cout << kUsage;
        return 0;
    }
    try {
        return dispatch(words[0], std::span(words).subspan(1));
    } catch (const BadInput& error) {
        std::cout.flush();
        std::cerr << "modhost: " << error.what() << '\n';
        return 2;
    } catch (const std::exception& error) {
        std::cout.flush();
        std::cerr << "modhost: stopped by an exception: " << error.what() << '\n';
        return 1;
    }
}
