#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A small PE32 i386 DLL built in memory, valid in every part a loader
// checks, for tests that corrupt one field at a time. Its parts:
//   .text (RVA 0x1000): DllMain answering TRUE, a TLS callback, the export
//     "answer" (ordinal 1: returns the data word through an absolute
//     address, so it works only when relocated) and an unnamed export
//     (ordinal 2: returns 7);
//   .data (RVA 0x2000): the data word 0x12345678, the export table
//     ("test.dll"), imports KERNEL32.dll!Sleep, KERNEL32.dll!NoSuchFunction
//     and msvcrt.dll!#5, the TLS directory with one callback, and base
//     relocations for every absolute address.
struct TestImage {
    static constexpr std::uint32_t kImageBase = 0x10000000;
    static constexpr std::size_t kPeOffset = 0x40;
    static constexpr std::size_t kCoffOffset = kPeOffset + 4;
    static constexpr std::size_t kOptionalOffset = kCoffOffset + 20;
    static constexpr std::size_t kSectionTable = kOptionalOffset + 224;
    static constexpr std::size_t kSectionHeaderSize = 40;
    static constexpr std::uint32_t kTextRva = 0x1000;
    static constexpr std::uint32_t kDataRva = 0x2000;
    static constexpr std::uint32_t kDataWord = 0x12345678;
    // RVAs of tables in .data.
    static constexpr std::uint32_t kExportDirectory = kDataRva + 0x010;
    static constexpr std::uint32_t kExportAddresses = kDataRva + 0x040;
    static constexpr std::uint32_t kExportNameOrdinals = kDataRva + 0x058;
    static constexpr std::uint32_t kImportDescriptors = kDataRva + 0x060;
    static constexpr std::uint32_t kKernel32Lookup = kDataRva + 0x180;
    static constexpr std::uint32_t kTlsDirectory = kDataRva + 0x200;
    static constexpr std::uint32_t kTlsCallbacks = kDataRva + 0x320;
    static constexpr std::uint32_t kRelocations = kDataRva + 0x340;

    std::vector<std::uint8_t> bytes;

    TestImage();

    // File offset of an RVA inside .text or .data.
    static std::size_t fileOffset(std::uint32_t rva);
    void put16(std::size_t offset, std::uint16_t value);
    void put32(std::size_t offset, std::uint32_t value);
    void putAtRva(std::uint32_t rva, std::uint32_t value) { put32(fileOffset(rva), value); }
};
