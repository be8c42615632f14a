#include "CommandLine.h"

#include <algorithm>
#include <charconv>

#include "BadInput.h"

bool Arguments::has(const std::string& name) const {
    return std::any_of(options.begin(), options.end(),
                       [&](const auto& option) { return option.first == name; });
}

std::vector<std::string> Arguments::values(const std::string& name) const {
    std::vector<std::string> found;
    for (const auto& [option, value] : options) {
        if (option == name) found.push_back(value);
    }
    return found;
}

std::optional<std::string> Arguments::last(const std::string& name) const {
    const auto found = values(name);
    if (found.empty()) return std::nullopt;
    return found.back();
}

Arguments parseArguments(const std::string& command, std::span<const std::string> words,
                         std::span<const OptionSpec> specs) {
    Arguments arguments;
    for (std::size_t i = 0; i < words.size(); ++i) {
        const std::string& word = words[i];
        if (word.size() < 2 || word.compare(0, 2, "--") != 0) {
            arguments.positionals.push_back(word);
            continue;
        }
        const auto equals = word.find('=');
        const std::string name = word.substr(0, equals);
        const auto spec =
            std::find_if(specs.begin(), specs.end(),
                         [&](const OptionSpec& candidate) { return name == candidate.name; });
        if (spec == specs.end()) {
            throw BadInput("modhost " + command + " has no option '" + name +
                           "' (modhost --help lists them)");
        }
        if (!spec->takesValue) {
            if (equals != std::string::npos) throw BadInput(name + " takes no value");
            arguments.options.emplace_back(name, "");
        } else if (equals != std::string::npos) {
            arguments.options.emplace_back(name, word.substr(equals + 1));
        } else if (i + 1 < words.size()) {
            arguments.options.emplace_back(name, words[++i]);
        } else {
            throw BadInput(name + " needs a value");
        }
    }
    return arguments;
}

std::string onePositional(const std::string& command, const Arguments& arguments,
                          const char* what) {
    if (arguments.positionals.empty()) {
        throw BadInput("modhost " + command + " needs a " + what + " (modhost --help shows how)");
    }
    if (arguments.positionals.size() > 1) {
        throw BadInput("modhost " + command + " takes one " + what + ", not also '" +
                       arguments.positionals[1] + "'");
    }
    return arguments.positionals.front();
}

int boundedNumber(const std::string& option, const std::string& text, int low, int high) {
    int number = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), number);
    if (error != std::errc() || end != text.data() + text.size() || number < low || number > high) {
        throw BadInput(option + " takes a whole number from " + std::to_string(low) + " to " +
                       std::to_string(high) + ", not '" + text + "'");
    }
    return number;
}

std::vector<std::string> splitCommas(const std::string& text) {
    std::vector<std::string> words;
    std::size_t start = 0;
    for (;;) {
        const auto comma = text.find(',', start);
        std::string word =
            text.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        if (!word.empty()) words.push_back(std::move(word));
        if (comma == std::string::npos) return words;
        start = comma + 1;
    }
}
