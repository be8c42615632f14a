#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "PeHeaders.h"

namespace pe {

// One entry of the import table: a function or datum of another library,
// whose address the loader writes into the slot.
struct PeImport {
    std::string library;    // as the image names it, e.g. "KERNEL32.dll"
    std::string name;       // empty when imported by ordinal
    std::uint16_t ordinal;  // the ordinal when name is empty
    std::uint32_t slotRva;  // the address-table slot to fill

    // "KERNEL32.dll!Sleep", "msvcrt.dll!#12": for messages.
    std::string displayName() const;
};

// One exported address.
struct PeExport {
    std::string name;       // empty when exported by ordinal only
    std::uint32_t ordinal;  // ordinal base + index in the address table
    std::uint32_t rva;      // the address, relative to the image base; 0 when forwarded
    std::string forwarder;  // "LIBRARY.name" of a forwarded export, else empty
};

// The per-thread data and start-up callbacks of the image. The directory
// holds absolute addresses for the preferred base; they are kept as RVAs.
struct PeTls {
    std::uint32_t templateRva;                // initial bytes of each thread's block
    std::uint32_t templateSize;               // their number
    std::uint32_t zeroFill;                   // zero bytes after them
    std::uint32_t indexRva;                   // where the loader stores the module's slot number
    std::vector<std::uint32_t> callbackRvas;  // called before the entry point
};

// The tables a loader acts on, read from the laid-out image and checked:
// every address they name lies inside the image.
struct PeTables {
    std::vector<std::uint32_t> relocations;  // RVAs of 32-bit addresses to rebase
    std::vector<PeImport> imports;           // in table order
    std::string exportName;                  // the library name in its export table
    std::vector<PeExport> exports;           // in ordinal order
    std::optional<PeTls> tls;                // absent: no TLS directory
};

// Reads the relocation, import, export and TLS tables from the image as
// layOutImage left it (before relocation). Throws PeError naming the first
// entry that points outside the image or is malformed.
PeTables parsePeTables(const PeHeaders& headers, std::span<const std::uint8_t> image);

// Lookups of an export; null when there is none.
const PeExport* findExport(const PeTables& tables, std::string_view name);
const PeExport* findExport(const PeTables& tables, std::uint32_t ordinal);

}  // namespace pe
