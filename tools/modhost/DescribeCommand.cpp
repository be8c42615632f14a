#include <algorithm>
#include <array>
#include <cstdio>
#include <iostream>
#include <sstream>

#include "BadInput.h"
#include "CommandLine.h"
#include "Commands.h"
#include "JsonWriter.h"
#include "ModuleInfo.h"
#include "PinTable.h"
#include "PrintableText.h"

namespace {

constexpr std::array<OptionSpec, 1> kOptions = {{{"--json", false}}};

struct Description {
    ModuleInfo module;
    PinTable table;
};

std::string orNone(const std::optional<std::string>& text) {
    return text ? printable(*text) : "(none)";
}

std::string directionText(std::int32_t direction) {
    return directionName(direction).value_or(std::to_string(direction));
}

std::string datatypeText(std::int32_t datatype) {
    return datatypeName(datatype).value_or("datatype " + std::to_string(datatype));
}

std::string flagsText(std::uint32_t flags) {
    std::string text;
    for (const std::string& name : flagNames(flags)) text += (text.empty() ? "" : ",") + name;
    return text.empty() ? "-" : text;
}

// A list pin's choices: "OFF=0, ON=1", or "range 0 to 3".
std::string listText(const PinInfo& pin) {
    if (!pin.isList()) return {};
    if (!pin.listText) return "no list text";
    const ListLabels list = pin.labels();
    if (!list.readable) return "list text without bounds";
    if (list.isRange && !list.items.empty()) return "range " + list.choices();
    std::string text;
    for (const ListItem& item : list.items) {
        text +=
            (text.empty() ? "" : ", ") + printable(item.label) + "=" + std::to_string(item.value);
    }
    return text.empty() ? "no item" : text;
}

std::string hexText(std::uint32_t word) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%X", word);
    return text;
}

std::string padded(const std::string& text, std::size_t width) {
    return text + std::string(width > text.size() ? width - text.size() : 0, ' ');
}

std::string withoutTrailingSpaces(std::string text) {
    text.erase(text.find_last_not_of(' ') + 1);
    return text;
}

void printText(const Description& description) {
    const ModuleInfo& module = description.module;
    std::cout << orNone(module.displayName) << '\n';
    std::cout << "  identifier         " << orNone(module.identifier) << '\n';
    const auto about =
        module.aboutText ? splitLines(*module.aboutText) : std::vector<std::string>{"(none)"};
    for (std::size_t i = 0; i < about.size(); ++i) {
        std::cout << withoutTrailingSpaces(
                         (i == 0 ? "  about              " : "                     ") +
                         printable(about[i]))
                  << '\n';
    }
    std::cout << "  flags              " << module.moduleFlags << " ("
              << hexText(module.moduleFlags) << ")\n";
    std::cout << "  interface version  " << module.interfaceVersion << '\n';

    const auto& pins = description.table.pins;
    std::cout << pins.size() << (pins.size() == 1 ? " pin" : " pins") << '\n';
    std::array<std::size_t, 5> widths{};
    std::vector<std::array<std::string, 6>> rows;
    for (const PinInfo& pin : pins) {
        rows.push_back({std::to_string(pin.index), printable(pin.displayName()),
                        directionText(pin.direction), datatypeText(pin.datatype),
                        flagsText(pin.flags), listText(pin)});
        for (std::size_t column = 0; column < widths.size(); ++column) {
            widths[column] = std::max(widths[column], rows.back()[column].size());
        }
    }
    for (const auto& row : rows) {
        std::string line = "  " + std::string(widths[0] - row[0].size(), ' ') + row[0];
        for (std::size_t column = 1; column < widths.size(); ++column) {
            line += "  " + padded(row[column], widths[column]);
        }
        std::cout << withoutTrailingSpaces(line + "  " + row[5]) << '\n';
    }
    if (description.table.endless) std::cout << "  ... and a pin for every further index asked\n";
}

void optionalString(JsonWriter& json, const char* key, const std::optional<std::string>& text) {
    json.key(key);
    if (text) {
        json.string(*text);
    } else {
        json.null();
    }
}

void printListJson(JsonWriter& json, const PinInfo& pin) {
    const ListLabels list = pin.labels();
    if (list.isRange && !list.items.empty()) {
        json.key("range");
        json.beginObject();
        json.numberMember("low", list.low);
        json.numberMember("high", list.high);
        json.endObject();
        return;
    }
    json.key("items");
    json.beginArray();
    for (const ListItem& item : list.items) {
        json.beginObject();
        json.stringMember("label", item.label);
        json.numberMember("value", item.value);
        json.endObject();
    }
    json.endArray();
}

void printPinJson(JsonWriter& json, const PinInfo& pin) {
    json.beginObject();
    json.numberMember("index", pin.index);
    optionalString(json, "name", pin.name);
    optionalString(json, "direction", directionName(pin.direction));
    json.numberMember("directionCode", pin.direction);
    optionalString(json, "datatype", datatypeName(pin.datatype));
    json.numberMember("datatypeCode", pin.datatype);
    json.key("flags");
    json.beginArray();
    for (const std::string& name : flagNames(pin.flags)) json.string(name);
    json.endArray();
    json.numberMember("flagsWord", pin.flags);
    if (pin.isList()) {
        optionalString(json, "listText", pin.listText);
        if (pin.listText) printListJson(json, pin);
    }
    json.endObject();
}

void printJson(const Description& description) {
    JsonWriter json(std::cout);
    const ModuleInfo& module = description.module;
    json.beginObject();
    optionalString(json, "displayName", module.displayName);
    optionalString(json, "identifier", module.identifier);
    optionalString(json, "aboutText", module.aboutText);
    json.numberMember("moduleFlags", module.moduleFlags);
    json.numberMember("interfaceVersion", module.interfaceVersion);
    json.key("pins");
    json.beginArray();
    for (const PinInfo& pin : description.table.pins) printPinJson(json, pin);
    json.endArray();
    json.key("morePins");
    json.boolean(description.table.endless);
    json.endObject();
    json.finish();
}

}  // namespace

int describeCommand(std::span<const std::string> words) {
    const Arguments arguments = parseArguments("describe", words, kOptions);
    const auto plugin = loadPlugin(onePositional("describe", arguments, "PLUGIN"));
    requireExports(*plugin);
    Description description;
    description.module = readModuleInfo(plugin->getModuleProperties());
    if (description.module.answer == 0) {
        std::cerr << "modhost: " << plugin->path()
                  << ": getModuleProperties(0) answered 0: no module\n";
        return 1;
    }
    {
        HostSession session(*plugin);
        DspInstanceRecord* dsp = session.createDsp();
        if (dsp == nullptr) {
            std::cerr << "modhost: " << plugin->path() << ": makeModule(0, 1) answered null\n";
            return 1;
        }
        description.table = readPinTable(session, dsp);
    }
    if (arguments.has("--json")) {
        printJson(description);
    } else {
        printText(description);
    }
    return 0;
}
