#include "PeTables.h"

#include <algorithm>

#include "ByteView.h"
#include "PeError.h"

namespace pe {
namespace {

// Limits far above any real DLL that keep a forged table from costing much.
constexpr std::size_t kMaxImports = 65536;
constexpr std::uint32_t kMaxExports = 65536;
constexpr std::size_t kMaxNameLength = 1024;
constexpr std::size_t kMaxTlsCallbacks = 64;
constexpr std::uint64_t kMaxTlsBlock = 1u << 20;

std::vector<std::uint32_t> readRelocations(const ByteView& image, const PeHeaders& headers) {
    std::vector<std::uint32_t> targets;
    const DataDirectory& table = headers.relocations;
    std::uint64_t block = table.rva;
    const std::uint64_t end = std::uint64_t{table.rva} + table.size;
    while (block < end) {
        if (end - block < sizeof(BaseRelocationBlock)) {
            throw PeError("relocation block at RVA " + hex(block) + " is truncated");
        }
        const auto header = image.record<BaseRelocationBlock>(block, "relocation block");
        if (header.sizeOfBlock < sizeof(BaseRelocationBlock) || header.sizeOfBlock > end - block ||
            header.sizeOfBlock % 2 != 0) {
            throw PeError("relocation block at RVA " + hex(block) + " has size " +
                          std::to_string(header.sizeOfBlock) + ", which does not fit its table");
        }
        for (std::uint64_t entry = block + sizeof(BaseRelocationBlock);
             entry < block + header.sizeOfBlock; entry += 2) {
            const std::uint16_t word = image.half(entry, "relocation entry");
            const auto type = static_cast<std::uint16_t>(word >> 12);
            const std::uint64_t target = std::uint64_t{header.pageRva} + (word & 0x0FFFu);
            if (type == kRelocationAbsolute) continue;
            if (type != kRelocationHighLow) {
                throw PeError("relocation of unsupported type " + std::to_string(type) +
                              " at RVA " + hex(target));
            }
            if (!image.contains(target, sizeof(std::uint32_t))) {
                throw PeError("relocation at RVA " + hex(target) + " points outside the image (" +
                              hex(image.size()) + " bytes)");
            }
            targets.push_back(static_cast<std::uint32_t>(target));
        }
        block += header.sizeOfBlock;
    }
    return targets;
}

void readLibraryImports(const ByteView& image, const ImportDescriptor& descriptor,
                        std::vector<PeImport>& imports) {
    const std::string library = image.text(descriptor.name, kMaxNameLength, "import library name");
    const std::string lookupWhat = "import lookup table of " + library;
    const std::string slotWhat = "import address slot of " + library;
    const std::string nameWhat = "import name of " + library;
    const std::uint32_t lookup =
        descriptor.originalFirstThunk != 0 ? descriptor.originalFirstThunk : descriptor.firstThunk;
    for (std::uint64_t i = 0;; ++i) {
        const std::uint32_t entry = image.word(lookup + i * 4, lookupWhat);
        if (entry == 0) return;
        if (imports.size() == kMaxImports) {
            throw PeError("import table has more than " + std::to_string(kMaxImports) + " entries");
        }
        const std::uint64_t slot = descriptor.firstThunk + i * 4;
        image.require(slot, sizeof(std::uint32_t), slotWhat);
        PeImport import{library, {}, 0, static_cast<std::uint32_t>(slot)};
        if ((entry & kImportByOrdinal) != 0) {
            import.ordinal = static_cast<std::uint16_t>(entry & 0xFFFFu);
        } else {
            // A 16-bit hint, then the name.
            import.name = image.text(std::uint64_t{entry} + 2, kMaxNameLength, nameWhat);
        }
        imports.push_back(std::move(import));
    }
}

std::vector<PeImport> readImports(const ByteView& image, const PeHeaders& headers) {
    std::vector<PeImport> imports;
    if (headers.imports.rva == 0) return imports;
    // The table ends at the first descriptor without a name or address table.
    for (std::uint64_t at = headers.imports.rva;; at += sizeof(ImportDescriptor)) {
        const auto descriptor = image.record<ImportDescriptor>(at, "import descriptor");
        if (descriptor.name == 0 || descriptor.firstThunk == 0) return imports;
        readLibraryImports(image, descriptor, imports);
    }
}

void readExports(const ByteView& image, const PeHeaders& headers, PeTables& tables) {
    const DataDirectory& table = headers.exports;
    if (table.size == 0) return;
    const auto directory = image.record<ExportDirectory>(table.rva, "export directory");
    if (directory.name != 0) {
        tables.exportName = image.text(directory.name, kMaxNameLength, "export table name");
    }
    const std::uint32_t count = directory.numberOfFunctions;
    if (count > kMaxExports || directory.numberOfNames > kMaxExports ||
        std::uint64_t{directory.ordinalBase} + count > 0x10000) {
        throw PeError("export table with " + std::to_string(count) + " addresses from ordinal " +
                      std::to_string(directory.ordinalBase) + " exceeds 65535 ordinals");
    }
    image.require(directory.addressOfFunctions, std::uint64_t{count} * 4, "export address table");
    std::vector<PeExport> byIndex(count);
    for (std::uint32_t i = 0; i < count; ++i) {
        PeExport& entry = byIndex[i];
        entry.ordinal = directory.ordinalBase + i;
        entry.rva = image.word(directory.addressOfFunctions + std::uint64_t{i} * 4, "export");
        if (entry.rva >= table.rva && entry.rva - table.rva < table.size) {
            entry.forwarder = image.text(entry.rva, kMaxNameLength, "export forwarder");
            entry.rva = 0;
        } else if (entry.rva >= headers.sizeOfImage) {
            throw PeError("export of ordinal " + std::to_string(entry.ordinal) + " at RVA " +
                          hex(entry.rva) + " lies outside the image");
        }
    }
    std::vector<PeExport> aliases;
    for (std::uint32_t n = 0; n < directory.numberOfNames; ++n) {
        const std::uint32_t nameRva =
            image.word(directory.addressOfNames + std::uint64_t{n} * 4, "export name table");
        const std::uint16_t index = image.half(
            directory.addressOfNameOrdinals + std::uint64_t{n} * 2, "export name ordinal table");
        std::string name = image.text(nameRva, kMaxNameLength, "export name");
        if (index >= count || (byIndex[index].rva == 0 && byIndex[index].forwarder.empty())) {
            throw PeError("export name " + name + " refers to no address (index " +
                          std::to_string(index) + ")");
        }
        if (byIndex[index].name.empty()) {
            byIndex[index].name = std::move(name);
        } else {
            aliases.push_back(byIndex[index]);
            aliases.back().name = std::move(name);
        }
    }
    for (PeExport& entry : byIndex) {
        if (entry.rva != 0 || !entry.forwarder.empty()) tables.exports.push_back(std::move(entry));
    }
    for (PeExport& alias : aliases) tables.exports.push_back(std::move(alias));
}

// The TLS directory's addresses are for the preferred base.
std::uint32_t tlsRva(const PeHeaders& headers, std::uint32_t address, const char* what) {
    const std::uint64_t rva = std::uint64_t{address} - headers.imageBase;
    if (address < headers.imageBase || rva > headers.sizeOfImage) {
        throw PeError(std::string("TLS ") + what + " at " + hex(address) +
                      " lies outside the image (" + hex(headers.imageBase) + ", " +
                      hex(headers.sizeOfImage) + " bytes)");
    }
    return static_cast<std::uint32_t>(rva);
}

std::optional<PeTls> readTls(const ByteView& image, const PeHeaders& headers) {
    if (headers.tls.rva == 0) return std::nullopt;
    const auto directory = image.record<TlsDirectory32>(headers.tls.rva, "TLS directory");
    PeTls tls{};
    if (directory.startAddressOfRawData != 0 || directory.endAddressOfRawData != 0) {
        tls.templateRva = tlsRva(headers, directory.startAddressOfRawData, "template");
        const std::uint32_t end = tlsRva(headers, directory.endAddressOfRawData, "template end");
        if (end < tls.templateRva) throw PeError("TLS template ends before it starts");
        tls.templateSize = end - tls.templateRva;
    }
    tls.zeroFill = directory.sizeOfZeroFill;
    if (std::uint64_t{tls.templateSize} + tls.zeroFill > kMaxTlsBlock) {
        throw PeError("TLS block of " +
                      std::to_string(std::uint64_t{tls.templateSize} + tls.zeroFill) +
                      " bytes is larger than " + std::to_string(kMaxTlsBlock));
    }
    if (directory.addressOfIndex != 0) {
        tls.indexRva = tlsRva(headers, directory.addressOfIndex, "index");
        image.require(tls.indexRva, sizeof(std::uint32_t), "TLS index");
    }
    if (directory.addressOfCallBacks == 0) return tls;
    const std::uint32_t list = tlsRva(headers, directory.addressOfCallBacks, "callback list");
    for (std::uint64_t i = 0;; ++i) {
        const std::uint32_t address = image.word(list + i * 4, "TLS callback list");
        if (address == 0) return tls;
        if (tls.callbackRvas.size() == kMaxTlsCallbacks) {
            throw PeError("more than " + std::to_string(kMaxTlsCallbacks) + " TLS callbacks");
        }
        const std::uint32_t rva = tlsRva(headers, address, "callback");
        const PeSection* section = headers.sectionAt(rva);
        if (section == nullptr || !section->executable()) {
            throw PeError("TLS callback at RVA " + hex(rva) + " is not in an executable section");
        }
        tls.callbackRvas.push_back(rva);
    }
}

}  // namespace

std::string PeImport::displayName() const {
    return library + "!" + (name.empty() ? "#" + std::to_string(ordinal) : name);
}

PeTables parsePeTables(const PeHeaders& headers, std::span<const std::uint8_t> bytes) {
    const ByteView image(bytes.first(std::min<std::size_t>(bytes.size(), headers.sizeOfImage)),
                         "the image");
    PeTables tables;
    tables.relocations = readRelocations(image, headers);
    tables.imports = readImports(image, headers);
    readExports(image, headers, tables);
    tables.tls = readTls(image, headers);
    return tables;
}

const PeExport* findExport(const PeTables& tables, std::string_view name) {
    for (const PeExport& entry : tables.exports) {
        if (entry.name == name) return &entry;
    }
    return nullptr;
}

const PeExport* findExport(const PeTables& tables, std::uint32_t ordinal) {
    for (const PeExport& entry : tables.exports) {
        if (entry.ordinal == ordinal) return &entry;
    }
    return nullptr;
}

}  // namespace pe
