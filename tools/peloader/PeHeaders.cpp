#include "PeHeaders.h"

#include <algorithm>
#include <cstring>

#include "ByteView.h"
#include "PeError.h"

namespace pe {
namespace {

constexpr std::uint32_t kMaxSections = 96;

std::uint64_t roundUpToPage(std::uint64_t value) {
    return (value + kPageSize - 1) / kPageSize * kPageSize;
}

// The optional header's magic decides between PE32 and PE32+ before its
// 32-bit layout is read, so a 64-bit image gets its own message.
void checkKindAndMachine(const ByteView& file, const CoffHeader& coff,
                         std::uint64_t optionalOffset) {
    if (coff.sizeOfOptionalHeader >= sizeof(std::uint16_t)) {
        const std::uint16_t magic = file.half(optionalOffset, "optional header magic");
        if (magic == kPe32PlusMagic) {
            throw PeError("PE32+ (64-bit) image: only 32-bit PE32 DLLs can be loaded");
        }
        if (coff.machine == kMachineI386 && magic != kPe32Magic) {
            throw PeError("unknown optional header magic " + hex(magic) + " (PE32 is " +
                          hex(kPe32Magic) + ")");
        }
    }
    if (coff.machine != kMachineI386) {
        throw PeError("machine " + hex(coff.machine) + " is not i386 (" + hex(kMachineI386) + ")");
    }
    if (coff.sizeOfOptionalHeader < sizeof(OptionalHeader32)) {
        throw PeError("optional header of " + std::to_string(coff.sizeOfOptionalHeader) +
                      " bytes is shorter than PE32's " + std::to_string(sizeof(OptionalHeader32)));
    }
    if ((coff.characteristics & kFileDll) == 0) {
        throw PeError("not a DLL (characteristics " + hex(coff.characteristics) + ")");
    }
}

void checkImageGeometry(const OptionalHeader32& optional, std::uint64_t fileSize) {
    if (optional.sectionAlignment == 0 || optional.sectionAlignment % kPageSize != 0) {
        throw PeError("section alignment " + hex(optional.sectionAlignment) +
                      " is not a multiple of the " + std::to_string(kPageSize) + "-byte page");
    }
    if (optional.sizeOfImage == 0 || optional.sizeOfImage > kMaxImageSize) {
        throw PeError("image size " + hex(optional.sizeOfImage) + " is not between 1 and " +
                      hex(kMaxImageSize));
    }
    if (optional.sizeOfHeaders == 0 || optional.sizeOfHeaders > optional.sizeOfImage ||
        optional.sizeOfHeaders > fileSize) {
        throw PeError("header size " + hex(optional.sizeOfHeaders) + " does not fit the image (" +
                      hex(optional.sizeOfImage) + ") and the file (" + hex(fileSize) + ")");
    }
}

DataDirectory directory(const ByteView& file, std::uint64_t directoriesOffset, std::uint32_t count,
                        Directory which) {
    const auto index = static_cast<std::uint32_t>(which);
    if (index >= count) return DataDirectory{0, 0};
    return file.record<DataDirectory>(directoriesOffset + index * sizeof(DataDirectory),
                                      "data directory");
}

void checkDirectoryInImage(const DataDirectory& table, std::uint32_t sizeOfImage,
                           const char* name) {
    if (table.rva == 0 && table.size == 0) return;
    if (std::uint64_t{table.rva} + table.size > sizeOfImage) {
        throw PeError(std::string(name) + " at RVA " + hex(table.rva) + " (" +
                      std::to_string(table.size) + " bytes) lies outside the image (" +
                      hex(sizeOfImage) + " bytes)");
    }
}

std::string sectionName(const SectionHeader& header) {
    const auto* end = static_cast<const char*>(std::memchr(header.name, 0, sizeof header.name));
    return std::string(header.name, end != nullptr ? end : header.name + sizeof header.name);
}

PeSection readSection(const ByteView& file, const SectionHeader& header,
                      const OptionalHeader32& optional) {
    PeSection section{sectionName(header),
                      header.virtualAddress,
                      header.virtualSize != 0 ? header.virtualSize : header.sizeOfRawData,
                      header.pointerToRawData,
                      0,
                      header.characteristics};
    section.fileSize = std::min(header.sizeOfRawData, section.mappedSize);
    const std::string what = "section " + section.name;
    if (section.rva % optional.sectionAlignment != 0) {
        throw PeError(what + " at RVA " + hex(section.rva) +
                      " is not aligned to the section alignment " + hex(optional.sectionAlignment));
    }
    if (std::uint64_t{section.rva} + section.mappedSize > optional.sizeOfImage) {
        throw PeError(what + " at RVA " + hex(section.rva) + " (" +
                      std::to_string(section.mappedSize) + " bytes) lies outside the image (" +
                      hex(optional.sizeOfImage) + " bytes)");
    }
    if (section.fileSize != 0) {
        file.require(section.fileOffset, section.fileSize, what + " raw data");
    }
    return section;
}

// Sections in address order, after the headers, none overlapping another.
void checkSectionOrder(const std::vector<PeSection>& sections, std::uint32_t sizeOfHeaders) {
    std::uint64_t firstFree = roundUpToPage(sizeOfHeaders);
    for (const PeSection& section : sections) {
        if (section.rva < firstFree) {
            throw PeError("section " + section.name + " at RVA " + hex(section.rva) +
                          " overlaps the headers or the section before it");
        }
        firstFree = roundUpToPage(std::uint64_t{section.rva} + section.mappedSize);
    }
}

}  // namespace

const PeSection* PeHeaders::sectionAt(std::uint32_t rva) const {
    for (const PeSection& section : sections) {
        if (section.containsRva(rva)) return &section;
    }
    return nullptr;
}

PeHeaders parsePeHeaders(std::span<const std::uint8_t> bytes) {
    const ByteView file(bytes, "the file");
    if (file.size() < sizeof(DosHeader)) {
        throw PeError("not a PE image: " + std::to_string(file.size()) +
                      " bytes, too short for a DOS header");
    }
    const auto dos = file.record<DosHeader>(0, "DOS header");
    if (dos.magic != kDosMagic) throw PeError("not a PE image: no MZ signature");
    if (file.word(dos.peHeaderOffset, "PE signature") != kPeSignature) {
        throw PeError("not a PE image: no PE signature at " + hex(dos.peHeaderOffset));
    }
    const std::uint64_t coffOffset = std::uint64_t{dos.peHeaderOffset} + 4;
    const auto coff = file.record<CoffHeader>(coffOffset, "COFF header");
    const std::uint64_t optionalOffset = coffOffset + sizeof(CoffHeader);
    checkKindAndMachine(file, coff, optionalOffset);

    const auto optional = file.record<OptionalHeader32>(optionalOffset, "optional header");
    const std::uint32_t directoryCount = std::min(optional.numberOfRvaAndSizes, kMaxDirectories);
    if (sizeof(OptionalHeader32) + directoryCount * sizeof(DataDirectory) >
        coff.sizeOfOptionalHeader) {
        throw PeError("optional header of " + std::to_string(coff.sizeOfOptionalHeader) +
                      " bytes cannot hold its " + std::to_string(directoryCount) +
                      " data directories");
    }
    checkImageGeometry(optional, file.size());

    PeHeaders headers{};
    headers.imageBase = optional.imageBase;
    headers.sizeOfImage = static_cast<std::uint32_t>(roundUpToPage(optional.sizeOfImage));
    headers.sizeOfHeaders = optional.sizeOfHeaders;
    headers.entryPoint = optional.addressOfEntryPoint;
    headers.relocationsStripped = (coff.characteristics & kFileRelocsStripped) != 0;
    const std::uint64_t directoriesOffset = optionalOffset + sizeof(OptionalHeader32);
    headers.exports = directory(file, directoriesOffset, directoryCount, Directory::Export);
    headers.imports = directory(file, directoriesOffset, directoryCount, Directory::Import);
    headers.relocations =
        directory(file, directoriesOffset, directoryCount, Directory::BaseRelocation);
    headers.tls = directory(file, directoriesOffset, directoryCount, Directory::Tls);

    if (coff.numberOfSections == 0 || coff.numberOfSections > kMaxSections) {
        throw PeError(std::to_string(coff.numberOfSections) + " sections (1 to " +
                      std::to_string(kMaxSections) + " allowed)");
    }
    const std::uint64_t sectionTable = optionalOffset + coff.sizeOfOptionalHeader;
    file.require(sectionTable, std::uint64_t{coff.numberOfSections} * sizeof(SectionHeader),
                 "section table");
    for (std::uint32_t i = 0; i < coff.numberOfSections; ++i) {
        const auto header =
            file.record<SectionHeader>(sectionTable + i * sizeof(SectionHeader), "section header");
        headers.sections.push_back(readSection(file, header, optional));
    }
    checkSectionOrder(headers.sections, headers.sizeOfHeaders);

    checkDirectoryInImage(headers.exports, headers.sizeOfImage, "export table");
    checkDirectoryInImage(headers.imports, headers.sizeOfImage, "import table");
    checkDirectoryInImage(headers.relocations, headers.sizeOfImage, "relocation table");
    checkDirectoryInImage(headers.tls, headers.sizeOfImage, "TLS directory");
    if (headers.entryPoint != 0) {
        const PeSection* section = headers.sectionAt(headers.entryPoint);
        if (section == nullptr || !section->executable()) {
            throw PeError("entry point at RVA " + hex(headers.entryPoint) +
                          " is not in an executable section");
        }
    }
    return headers;
}

void layOutImage(const PeHeaders& headers, std::span<const std::uint8_t> file,
                 std::span<std::uint8_t> image) {
    if (image.size() < headers.sizeOfImage || file.size() < headers.sizeOfHeaders) {
        throw PeError("image buffer or file smaller than the headers describe");
    }
    std::fill(image.begin(), image.end(), std::uint8_t{0});
    std::memcpy(image.data(), file.data(), headers.sizeOfHeaders);
    for (const PeSection& section : headers.sections) {
        if (section.fileSize == 0) continue;
        std::memcpy(image.data() + section.rva, file.data() + section.fileOffset, section.fileSize);
    }
}

}  // namespace pe
