#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>

// The on-disk records of a PE32 image, as the linker writes them. They are
// read by copying bytes, never by casting a pointer into the file, so they
// need no alignment; every field is little-endian, as on the machine.
namespace pe {

static_assert(std::endian::native == std::endian::little, "the records are read as they lie");

inline constexpr std::uint16_t kDosMagic = 0x5A4D;         // "MZ"
inline constexpr std::uint32_t kPeSignature = 0x00004550;  // "PE\0\0"
inline constexpr std::uint16_t kMachineI386 = 0x014C;
inline constexpr std::uint16_t kPe32Magic = 0x010B;
inline constexpr std::uint16_t kPe32PlusMagic = 0x020B;
inline constexpr std::uint16_t kFileRelocsStripped = 0x0001;
inline constexpr std::uint16_t kFileDll = 0x2000;
inline constexpr std::uint32_t kSectionExecute = 0x20000000;
inline constexpr std::uint32_t kSectionRead = 0x40000000;
inline constexpr std::uint32_t kSectionWrite = 0x80000000;
inline constexpr std::uint32_t kImportByOrdinal = 0x80000000;
inline constexpr std::uint16_t kRelocationAbsolute = 0;  // padding, no fix-up
inline constexpr std::uint16_t kRelocationHighLow = 3;   // a 32-bit address

// The start of the file: only the signature and the offset of the PE header
// matter to a loader.
struct DosHeader {
    std::uint16_t magic;           // kDosMagic
    std::uint8_t unused[58];       // the DOS program's header, ignored
    std::uint32_t peHeaderOffset;  // file offset of the PE signature
};

struct CoffHeader {
    std::uint16_t machine;               // kMachineI386 for us
    std::uint16_t numberOfSections;      // entries in the section table
    std::uint32_t timeDateStamp;         // link time, ignored
    std::uint32_t pointerToSymbolTable;  // ignored in images
    std::uint32_t numberOfSymbols;       // ignored in images
    std::uint16_t sizeOfOptionalHeader;  // the section table follows it
    std::uint16_t characteristics;       // kFileDll, kFileRelocsStripped, ...
};

struct DataDirectory {
    std::uint32_t rva;   // where the table lies once mapped; 0: absent
    std::uint32_t size;  // its size in bytes
};

// Indices into the optional header's data directories.
enum class Directory : std::uint32_t {
    Export = 0,
    Import = 1,
    BaseRelocation = 5,
    Tls = 9,
};
inline constexpr std::uint32_t kMaxDirectories = 16;

// The fixed part of the PE32 optional header; the data directories follow.
struct OptionalHeader32 {
    std::uint16_t magic;                        // kPe32Magic (kPe32PlusMagic: 64-bit)
    std::uint8_t majorLinkerVersion;            // ignored
    std::uint8_t minorLinkerVersion;            // ignored
    std::uint32_t sizeOfCode;                   // ignored
    std::uint32_t sizeOfInitializedData;        // ignored
    std::uint32_t sizeOfUninitializedData;      // ignored
    std::uint32_t addressOfEntryPoint;          // RVA of DllMain's start-up; 0: none
    std::uint32_t baseOfCode;                   // ignored
    std::uint32_t baseOfData;                   // ignored
    std::uint32_t imageBase;                    // preferred load address
    std::uint32_t sectionAlignment;             // sections start at multiples of it
    std::uint32_t fileAlignment;                // ignored
    std::uint16_t majorOperatingSystemVersion;  // ignored
    std::uint16_t minorOperatingSystemVersion;  // ignored
    std::uint16_t majorImageVersion;            // ignored
    std::uint16_t minorImageVersion;            // ignored
    std::uint16_t majorSubsystemVersion;        // ignored
    std::uint16_t minorSubsystemVersion;        // ignored
    std::uint32_t win32VersionValue;            // ignored
    std::uint32_t sizeOfImage;                  // bytes the mapped image spans
    std::uint32_t sizeOfHeaders;                // bytes of headers mapped at the base
    std::uint32_t checkSum;                     // ignored
    std::uint16_t subsystem;                    // ignored
    std::uint16_t dllCharacteristics;           // ignored
    std::uint32_t sizeOfStackReserve;           // ignored
    std::uint32_t sizeOfStackCommit;            // ignored
    std::uint32_t sizeOfHeapReserve;            // ignored
    std::uint32_t sizeOfHeapCommit;             // ignored
    std::uint32_t loaderFlags;                  // ignored
    std::uint32_t numberOfRvaAndSizes;          // data directories that follow
};

struct SectionHeader {
    char name[8];                        // zero-padded, not always terminated
    std::uint32_t virtualSize;           // bytes mapped; 0: sizeOfRawData
    std::uint32_t virtualAddress;        // RVA of the first byte
    std::uint32_t sizeOfRawData;         // bytes present in the file
    std::uint32_t pointerToRawData;      // their file offset
    std::uint32_t pointerToRelocations;  // ignored in images
    std::uint32_t pointerToLinenumbers;  // ignored
    std::uint16_t numberOfRelocations;   // ignored in images
    std::uint16_t numberOfLinenumbers;   // ignored
    std::uint32_t characteristics;       // kSectionExecute, kSectionRead, kSectionWrite
};

struct ImportDescriptor {
    std::uint32_t originalFirstThunk;  // RVA of the lookup table; 0: use firstThunk
    std::uint32_t timeDateStamp;       // pre-binding, ignored
    std::uint32_t forwarderChain;      // pre-binding, ignored
    std::uint32_t name;                // RVA of the library's name
    std::uint32_t firstThunk;          // RVA of the address table the loader fills
};

struct ExportDirectory {
    std::uint32_t characteristics;        // ignored
    std::uint32_t timeDateStamp;          // ignored
    std::uint16_t majorVersion;           // ignored
    std::uint16_t minorVersion;           // ignored
    std::uint32_t name;                   // RVA of the library's own name
    std::uint32_t ordinalBase;            // ordinal of the first address
    std::uint32_t numberOfFunctions;      // entries of the address table
    std::uint32_t numberOfNames;          // entries of the name tables
    std::uint32_t addressOfFunctions;     // RVA of the export RVAs
    std::uint32_t addressOfNames;         // RVA of the name RVAs, sorted
    std::uint32_t addressOfNameOrdinals;  // RVA of 16-bit indices into the addresses
};

// The TLS directory holds addresses, not RVAs: they are relocated with the
// image.
struct TlsDirectory32 {
    std::uint32_t startAddressOfRawData;  // first byte of the per-thread template
    std::uint32_t endAddressOfRawData;    // one past its last byte
    std::uint32_t addressOfIndex;         // where the loader stores the module's slot
    std::uint32_t addressOfCallBacks;     // null-terminated array of callbacks
    std::uint32_t sizeOfZeroFill;         // zero bytes after the template
    std::uint32_t characteristics;        // ignored
};

struct BaseRelocationBlock {
    std::uint32_t pageRva;      // the page the entries fix up
    std::uint32_t sizeOfBlock;  // this header and its 16-bit entries
};

static_assert(sizeof(DosHeader) == 64 && offsetof(DosHeader, peHeaderOffset) == 60);
static_assert(sizeof(CoffHeader) == 20 && offsetof(CoffHeader, sizeOfOptionalHeader) == 16);
static_assert(sizeof(DataDirectory) == 8);
static_assert(sizeof(OptionalHeader32) == 96);
static_assert(offsetof(OptionalHeader32, addressOfEntryPoint) == 16);
static_assert(offsetof(OptionalHeader32, imageBase) == 28);
static_assert(offsetof(OptionalHeader32, sizeOfImage) == 56);
static_assert(offsetof(OptionalHeader32, numberOfRvaAndSizes) == 92);
static_assert(sizeof(SectionHeader) == 40 && offsetof(SectionHeader, characteristics) == 36);
static_assert(sizeof(ImportDescriptor) == 20);
static_assert(sizeof(ExportDirectory) == 40 && offsetof(ExportDirectory, ordinalBase) == 16);
static_assert(sizeof(TlsDirectory32) == 24);
static_assert(sizeof(BaseRelocationBlock) == 8);

}  // namespace pe
