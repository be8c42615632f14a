#include "TestImage.h"

#include <cstring>
#include <string_view>

namespace {

constexpr std::uint32_t kTextFileOffset = 0x200;
constexpr std::uint32_t kDataFileOffset = 0x400;
constexpr std::uint32_t kSizeOfHeaders = 0x200;
constexpr std::uint32_t kTextFileSize = 0x200;
constexpr std::uint32_t kDataFileSize = 0x400;
constexpr std::uint32_t kSizeOfImage = 0x3000;

constexpr std::uint32_t kDllMain = TestImage::kTextRva;
constexpr std::uint32_t kTlsCallback = TestImage::kTextRva + 0x10;
constexpr std::uint32_t kAnswer = TestImage::kTextRva + 0x20;
constexpr std::uint32_t kSeven = TestImage::kTextRva + 0x30;

constexpr std::uint32_t va(std::uint32_t rva) {
    return TestImage::kImageBase + rva;
}

}  // namespace

std::size_t TestImage::fileOffset(std::uint32_t rva) {
    return rva >= kDataRva ? kDataFileOffset + (rva - kDataRva)
                           : kTextFileOffset + (rva - kTextRva);
}

void TestImage::put16(std::size_t offset, std::uint16_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

void TestImage::put32(std::size_t offset, std::uint32_t value) {
    std::memcpy(bytes.data() + offset, &value, sizeof value);
}

TestImage::TestImage() : bytes(kDataFileOffset + kDataFileSize, 0) {
    const auto code = [&](std::uint32_t rva, std::initializer_list<std::uint8_t> instructions) {
        std::memcpy(bytes.data() + fileOffset(rva), std::data(instructions), instructions.size());
    };
    const auto text = [&](std::uint32_t rva, std::string_view value) {
        std::memcpy(bytes.data() + fileOffset(rva), value.data(), value.size());
    };

    put16(0, 0x5A4D);  // "MZ"
    put32(0x3C, kPeOffset);
    put32(kPeOffset, 0x00004550);     // "PE\0\0"
    put16(kCoffOffset, 0x014C);       // i386
    put16(kCoffOffset + 2, 2);        // sections
    put16(kCoffOffset + 16, 224);     // optional header size
    put16(kCoffOffset + 18, 0x2102);  // executable, 32-bit, DLL
    put16(kOptionalOffset, 0x010B);   // PE32
    put32(kOptionalOffset + 16, kDllMain);
    put32(kOptionalOffset + 28, kImageBase);
    put32(kOptionalOffset + 32, 0x1000);  // section alignment
    put32(kOptionalOffset + 36, 0x200);   // file alignment
    put32(kOptionalOffset + 56, kSizeOfImage);
    put32(kOptionalOffset + 60, kSizeOfHeaders);
    put32(kOptionalOffset + 92, 16);  // data directories
    const auto directory = [&](int index, std::uint32_t rva, std::uint32_t size) {
        put32(kOptionalOffset + 96 + index * 8, rva);
        put32(kOptionalOffset + 96 + index * 8 + 4, size);
    };
    directory(0, kExportDirectory, 40);
    directory(1, kImportDescriptors, 60);
    directory(5, kRelocations, 32);
    directory(9, kTlsDirectory, 24);

    const auto section = [&](int index, const char* name, std::uint32_t rva, std::uint32_t size,
                             std::uint32_t fileOffset, std::uint32_t fileSize,
                             std::uint32_t characteristics) {
        const std::size_t at = kSectionTable + index * kSectionHeaderSize;
        std::memcpy(bytes.data() + at, name, std::strlen(name));
        put32(at + 8, size);
        put32(at + 12, rva);
        put32(at + 16, fileSize);
        put32(at + 20, fileOffset);
        put32(at + 36, characteristics);
    };
    section(0, ".text", kTextRva, 0x100, kTextFileOffset, kTextFileSize, 0x60000020);
    section(1, ".data", kDataRva, 0x1000, kDataFileOffset, kDataFileSize, 0xC0000040);

    code(kDllMain, {0xB8, 1, 0, 0, 0, 0xC2, 0x0C, 0x00});  // mov eax, 1; ret 12
    code(kTlsCallback, {0xC2, 0x0C, 0x00});                // ret 12
    code(kAnswer, {0xA1, 0, 0, 0, 0, 0xC3});               // mov eax, [data word]; ret
    putAtRva(kAnswer + 1, va(kDataRva));
    code(kSeven, {0xB8, 7, 0, 0, 0, 0xC3});  // mov eax, 7; ret

    putAtRva(kDataRva, kDataWord);

    // Export table: "answer" at ordinal 1, an unnamed export at ordinal 2.
    putAtRva(kExportDirectory + 12, kDataRva + 0x100);  // library name
    putAtRva(kExportDirectory + 16, 1);                 // ordinal base
    putAtRva(kExportDirectory + 20, 2);                 // addresses
    putAtRva(kExportDirectory + 24, 1);                 // names
    putAtRva(kExportDirectory + 28, kExportAddresses);
    putAtRva(kExportDirectory + 32, kDataRva + 0x050);
    putAtRva(kExportDirectory + 36, kExportNameOrdinals);
    putAtRva(kExportAddresses, kAnswer);
    putAtRva(kExportAddresses + 4, kSeven);
    putAtRva(kDataRva + 0x050, kDataRva + 0x110);
    put16(fileOffset(kExportNameOrdinals), 0);
    text(kDataRva + 0x100, "test.dll");
    text(kDataRva + 0x110, "answer");

    // Imports: KERNEL32.dll Sleep and NoSuchFunction, msvcrt.dll ordinal 5.
    const auto descriptor = [&](int index, std::uint32_t lookup, std::uint32_t name,
                                std::uint32_t slots) {
        const std::uint32_t at = kImportDescriptors + static_cast<std::uint32_t>(index) * 20;
        putAtRva(at, lookup);
        putAtRva(at + 12, name);
        putAtRva(at + 16, slots);
    };
    descriptor(0, kKernel32Lookup, kDataRva + 0x120, kDataRva + 0x1A0);
    descriptor(1, kDataRva + 0x190, kDataRva + 0x130, kDataRva + 0x1B0);
    text(kDataRva + 0x120, "KERNEL32.dll");
    text(kDataRva + 0x130, "msvcrt.dll");
    text(kDataRva + 0x142, "Sleep");
    text(kDataRva + 0x152, "NoSuchFunction");
    for (std::uint32_t table : {kKernel32Lookup, kDataRva + 0x1A0}) {
        putAtRva(table, kDataRva + 0x140);
        putAtRva(table + 4, kDataRva + 0x150);
    }
    putAtRva(kDataRva + 0x190, 0x80000005);
    putAtRva(kDataRva + 0x1B0, 0x80000005);

    // TLS: an 8-byte template, 8 bytes of zero fill, one callback.
    putAtRva(kTlsDirectory, va(kDataRva + 0x300));
    putAtRva(kTlsDirectory + 4, va(kDataRva + 0x308));
    putAtRva(kTlsDirectory + 8, va(kDataRva + 0x310));
    putAtRva(kTlsDirectory + 12, va(kTlsCallbacks));
    putAtRva(kTlsDirectory + 16, 8);
    putAtRva(kDataRva + 0x300, 0xA5A5A5A5);
    putAtRva(kTlsCallbacks, va(kTlsCallback));

    // Relocations: the absolute address in "answer", the TLS directory's
    // four addresses and the callback's.
    putAtRva(kRelocations, kTextRva);
    putAtRva(kRelocations + 4, 12);
    put16(fileOffset(kRelocations + 8),
          static_cast<std::uint16_t>(0x3000 | (kAnswer + 1 - kTextRva)));
    putAtRva(kRelocations + 12, kDataRva);
    putAtRva(kRelocations + 16, 20);
    std::uint32_t entry = kRelocations + 20;
    for (std::uint32_t target :
         {kTlsDirectory, kTlsDirectory + 4, kTlsDirectory + 8, kTlsDirectory + 12, kTlsCallbacks}) {
        put16(fileOffset(entry), static_cast<std::uint16_t>(0x3000 | (target - kDataRva)));
        entry += 2;
    }
}
