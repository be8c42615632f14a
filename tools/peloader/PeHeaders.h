#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "PeRecords.h"

namespace pe {

// The largest image the loader maps: far above any plug-in, and small enough
// that a forged size cannot exhaust the address space.
inline constexpr std::uint32_t kMaxImageSize = 256u << 20;
inline constexpr std::uint32_t kPageSize = 4096;

// One section as it lies in the file and once mapped.
struct PeSection {
    std::string name;               // up to 8 characters
    std::uint32_t rva;              // first byte once mapped, page-aligned
    std::uint32_t mappedSize;       // bytes it spans once mapped
    std::uint32_t fileOffset;       // where its initialised bytes lie in the file
    std::uint32_t fileSize;         // initialised bytes (at most mappedSize); the rest is zero
    std::uint32_t characteristics;  // kSectionExecute, kSectionRead, kSectionWrite

    bool executable() const { return (characteristics & kSectionExecute) != 0; }
    bool writable() const { return (characteristics & kSectionWrite) != 0; }
    bool containsRva(std::uint32_t address) const {
        return address >= rva && address - rva < mappedSize;
    }
};

// What a loader needs from the headers of a PE32 i386 DLL, checked for
// consistency: every section and table lies inside the image, every
// section's bytes inside the file.
struct PeHeaders {
    std::uint32_t imageBase;          // preferred load address
    std::uint32_t sizeOfImage;        // bytes to map, a whole number of pages
    std::uint32_t sizeOfHeaders;      // header bytes mapped at the base
    std::uint32_t entryPoint;         // RVA of the entry point; 0: none
    bool relocationsStripped;         // the image cannot move from imageBase
    DataDirectory exports;            // export table; size 0: none
    DataDirectory imports;            // import descriptors; rva 0: none
    DataDirectory relocations;        // base relocation blocks; size 0: none
    DataDirectory tls;                // TLS directory; rva 0: none
    std::vector<PeSection> sections;  // in address order, none overlapping

    // The section holding the RVA, or null.
    const PeSection* sectionAt(std::uint32_t rva) const;
};

// Reads and checks the headers of the file. Throws PeError naming the first
// problem: not PE, PE32+, not i386, not a DLL, truncated or inconsistent.
PeHeaders parsePeHeaders(std::span<const std::uint8_t> file);

// Copies headers and sections from the file to where they lie in the mapped
// image (sizeOfImage bytes) and zeroes everything else.
void layOutImage(const PeHeaders& headers, std::span<const std::uint8_t> file,
                 std::span<std::uint8_t> image);

}  // namespace pe
