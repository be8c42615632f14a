#pragma once

#include <cstdint>
#include <span>

#include "PinDescription.h"

// One row of a plug-in's pin table: the fields describePin reports.
struct PinRow {
    const char* name;        // static 8-bit text
    PinDirection direction;  // in or out
    PinDatatype datatype;    // list or boolean for the converters
    const char* listText;    // list text for Enum16 pins; null: the field is not written
    PinFlags flags;          // GuiSide for every converter pin
};

// What distinguishes one converter plug-in from the other: its description
// strings and its pin table. The code around it is shared.
struct ModuleDefinition {
    const char* displayName;       // static 8-bit text
    const char* identifier;        // static 8-bit text
    const char* aboutText;         // lines joined by single line feeds, none after the last
    std::span<const PinRow> pins;  // indexes 0 .. size-1
};

// Defined exactly once in each plug-in, by its own folder.
const ModuleDefinition& moduleDefinition();
