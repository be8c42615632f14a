#pragma once

#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

// An option a command accepts: "--json" alone, or "--set VALUE" / "--set=VALUE".
struct OptionSpec {
    const char* name;  // with the dashes
    bool takesValue;
};

// A command's arguments, options in the order given.
struct Arguments {
    std::vector<std::pair<std::string, std::string>> options;  // name, value ("" for flags)
    std::vector<std::string> positionals;

    bool has(const std::string& name) const;
    std::vector<std::string> values(const std::string& name) const;
    std::optional<std::string> last(const std::string& name) const;
};

// Throws BadInput naming the command for an unknown option or a missing value.
Arguments parseArguments(const std::string& command, std::span<const std::string> words,
                         std::span<const OptionSpec> specs);

// The one positional argument a command needs, e.g. its PLUGIN; throws BadInput.
std::string onePositional(const std::string& command, const Arguments& arguments, const char* what);

// A whole number within [low, high] given to an option; throws BadInput.
int boundedNumber(const std::string& option, const std::string& text, int low, int high);

// Words separated by commas ("a,b" gives a and b); empty words are dropped.
std::vector<std::string> splitCommas(const std::string& text);
