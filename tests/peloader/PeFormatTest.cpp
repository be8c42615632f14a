// The header and table parser on a small valid image and on that image
// corrupted one field at a time: every corruption must give its own clear
// error, never a crash or a wrong table.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <iterator>
#include <random>
#include <string>

#include "PeError.h"
#include "PeHeaders.h"
#include "PeTables.h"
#include "TestImage.h"

namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;

pe::PeTables parseAll(const std::vector<std::uint8_t>& file) {
    const pe::PeHeaders headers = pe::parsePeHeaders(file);
    std::vector<std::uint8_t> image(headers.sizeOfImage);
    pe::layOutImage(headers, file, image);
    return pe::parsePeTables(headers, image);
}

// The message of the PeError that parsing throws, or "" when it succeeds.
std::string parseError(const std::vector<std::uint8_t>& file) {
    try {
        parseAll(file);
    } catch (const pe::PeError& error) {
        return error.what();
    }
    return "";
}

TEST(PeFormat, ReadsHeadersAndTablesOfAValidImage) {
    const TestImage image;
    const pe::PeHeaders headers = pe::parsePeHeaders(image.bytes);
    EXPECT_EQ(headers.imageBase, TestImage::kImageBase);
    EXPECT_EQ(headers.sizeOfImage, 0x3000u);
    EXPECT_EQ(headers.entryPoint, TestImage::kTextRva);
    ASSERT_EQ(headers.sections.size(), 2u);
    EXPECT_EQ(headers.sections[0].name, ".text");
    EXPECT_TRUE(headers.sections[0].executable());
    EXPECT_EQ(headers.sections[0].fileSize, 0x100u);  // the mapped size bounds the copy
    EXPECT_TRUE(headers.sections[1].writable());

    const pe::PeTables tables = parseAll(image.bytes);
    EXPECT_THAT(tables.relocations,
                ElementsAre(0x1021u, TestImage::kTlsDirectory, TestImage::kTlsDirectory + 4,
                            TestImage::kTlsDirectory + 8, TestImage::kTlsDirectory + 12,
                            TestImage::kTlsCallbacks));
    ASSERT_EQ(tables.imports.size(), 3u);
    EXPECT_EQ(tables.imports[0].displayName(), "KERNEL32.dll!Sleep");
    EXPECT_EQ(tables.imports[0].slotRva, TestImage::kDataRva + 0x1A0);
    EXPECT_EQ(tables.imports[1].displayName(), "KERNEL32.dll!NoSuchFunction");
    EXPECT_EQ(tables.imports[2].displayName(), "msvcrt.dll!#5");
    EXPECT_EQ(tables.exportName, "test.dll");
    ASSERT_NE(pe::findExport(tables, "answer"), nullptr);
    EXPECT_EQ(pe::findExport(tables, "answer")->ordinal, 1u);
    ASSERT_NE(pe::findExport(tables, 2u), nullptr);
    EXPECT_EQ(pe::findExport(tables, 2u)->rva, 0x1030u);
    EXPECT_EQ(pe::findExport(tables, "missing"), nullptr);
    EXPECT_EQ(pe::findExport(tables, 3u), nullptr);
    ASSERT_TRUE(tables.tls.has_value());
    EXPECT_EQ(tables.tls->templateRva, TestImage::kDataRva + 0x300);
    EXPECT_EQ(tables.tls->templateSize, 8u);
    EXPECT_EQ(tables.tls->zeroFill, 8u);
    EXPECT_THAT(tables.tls->callbackRvas, ElementsAre(0x1010u));
}

struct Corruption {
    const char* name;
    std::function<void(TestImage&)> apply;
    const char* expected;  // part of the error message
};

void PrintTo(const Corruption& corruption, std::ostream* out) {
    *out << corruption.name;
}

class PeFormatRejects : public ::testing::TestWithParam<Corruption> {};

TEST_P(PeFormatRejects, WithAClearError) {
    TestImage image;
    GetParam().apply(image);
    EXPECT_THAT(parseError(image.bytes), HasSubstr(GetParam().expected));
}

constexpr std::size_t kData = TestImage::kSectionTable + TestImage::kSectionHeaderSize;

INSTANTIATE_TEST_SUITE_P(
    Corruptions, PeFormatRejects,
    ::testing::Values(
        Corruption{"Empty", [](TestImage& i) { i.bytes.clear(); }, "too short for a DOS header"},
        Corruption{"NoMz", [](TestImage& i) { i.put16(0, 0x4D5A); }, "no MZ signature"},
        Corruption{"PeOffsetPastEnd", [](TestImage& i) { i.put32(0x3C, 0x7FFFFFF0); },
                   "PE signature at 0x7ffffff0 (4 bytes) lies outside the file"},
        Corruption{"NoPeSignature", [](TestImage& i) { i.put32(TestImage::kPeOffset, 0x5045); },
                   "no PE signature at 0x40"},
        Corruption{"Pe32Plus",
                   [](TestImage& i) {
                       i.put16(TestImage::kCoffOffset, 0x8664);
                       i.put16(TestImage::kOptionalOffset, 0x020B);
                   },
                   "PE32+ (64-bit) image"},
        Corruption{"ArmMachine", [](TestImage& i) { i.put16(TestImage::kCoffOffset, 0x01C0); },
                   "machine 0x1c0 is not i386 (0x14c)"},
        Corruption{"NotADll", [](TestImage& i) { i.put16(TestImage::kCoffOffset + 18, 0x0102); },
                   "not a DLL"},
        Corruption{"ShortOptionalHeader",
                   [](TestImage& i) { i.put16(TestImage::kCoffOffset + 16, 90); },
                   "shorter than PE32's 96"},
        Corruption{"DirectoriesBeyondOptionalHeader",
                   [](TestImage& i) { i.put16(TestImage::kCoffOffset + 16, 96 + 8); },
                   "cannot hold its 16 data directories"},
        Corruption{"TruncatedInOptionalHeader", [](TestImage& i) { i.bytes.resize(0x80); },
                   "optional header at 0x58 (96 bytes) lies outside the file (128 bytes)"},
        Corruption{"TruncatedInHeaders", [](TestImage& i) { i.bytes.resize(0x100); },
                   "header size 0x200 does not fit"},
        Corruption{"TruncatedInSection", [](TestImage& i) { i.bytes.resize(0x500); },
                   "section .data raw data at 0x400 (1024 bytes) lies outside the file"},
        Corruption{"SmallSectionAlignment",
                   [](TestImage& i) { i.put32(TestImage::kOptionalOffset + 32, 0x200); },
                   "section alignment 0x200"},
        Corruption{"HugeImage",
                   [](TestImage& i) { i.put32(TestImage::kOptionalOffset + 56, 0xFFFFF000); },
                   "image size 0xfffff000"},
        Corruption{"NoSections", [](TestImage& i) { i.put16(TestImage::kCoffOffset + 2, 0); },
                   "0 sections"},
        Corruption{"SectionPastImage", [](TestImage& i) { i.put32(kData + 8, 0x2000); },
                   "section .data at RVA 0x2000 (8192 bytes) lies outside the image"},
        Corruption{"OverlappingSections", [](TestImage& i) { i.put32(kData + 12, 0x1000); },
                   "overlaps the headers or the section before it"},
        Corruption{"EntryPointInData",
                   [](TestImage& i) { i.put32(TestImage::kOptionalOffset + 16, 0x2000); },
                   "entry point at RVA 0x2000 is not in an executable section"},
        Corruption{"ImportTableOutsideImage",
                   [](TestImage& i) { i.put32(TestImage::kOptionalOffset + 96 + 8, 0x2FF0); },
                   "import table at RVA 0x2ff0 (60 bytes) lies outside the image"},
        Corruption{"ImportNameOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kImportDescriptors + 12, 0x7000); },
                   "import library name at 0x7000"},
        Corruption{"ImportLookupOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kImportDescriptors, 0x3000); },
                   "import lookup table of KERNEL32.dll at 0x3000"},
        Corruption{"ImportSlotOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kImportDescriptors + 16, 0x2FFC); },
                   "import address slot of KERNEL32.dll at 0x3000"},
        Corruption{"ImportFunctionNameOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kKernel32Lookup, 0x7FFFFFF0); },
                   "import name of KERNEL32.dll at 0x7ffffff2"},
        Corruption{"RelocationOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kRelocations, 0x2000 + 0x1000); },
                   "relocation at RVA 0x3021 points outside the image"},
        Corruption{"RelocationOfUnknownType",
                   [](TestImage& i) {
                       i.put16(TestImage::fileOffset(TestImage::kRelocations + 8), 0xA021);
                   },
                   "relocation of unsupported type 10"},
        Corruption{"RelocationBlockTooLong",
                   [](TestImage& i) { i.putAtRva(TestImage::kRelocations + 4, 0x1000); },
                   "has size 4096, which does not fit its table"},
        Corruption{"ExportOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kExportAddresses, 0x5000); },
                   "export of ordinal 1 at RVA 0x5000 lies outside the image"},
        Corruption{
            "ExportNameWithoutAddress",
            [](TestImage& i) { i.put16(TestImage::fileOffset(TestImage::kExportNameOrdinals), 9); },
            "export name answer refers to no address"},
        Corruption{"TooManyExports",
                   [](TestImage& i) { i.putAtRva(TestImage::kExportDirectory + 20, 0x20000); },
                   "exceeds 65535 ordinals"},
        Corruption{"TlsCallbackOutsideImage",
                   [](TestImage& i) { i.putAtRva(TestImage::kTlsCallbacks, 0x20000000); },
                   "TLS callback at 0x20000000 lies outside the image"},
        Corruption{"TlsCallbackInData",
                   [](TestImage& i) {
                       i.putAtRva(TestImage::kTlsCallbacks, TestImage::kImageBase + 0x2000);
                   },
                   "TLS callback at RVA 0x2000 is not in an executable section"},
        Corruption{"TlsTemplateReversed",
                   [](TestImage& i) {
                       i.putAtRva(TestImage::kTlsDirectory + 4, TestImage::kImageBase + 0x2000);
                   },
                   "TLS template ends before it starts"}),
    [](const ::testing::TestParamInfo<Corruption>& param) { return param.param.name; });

// Random bytes, and random bytes behind a valid DOS and PE signature, give
// errors, never a crash (the fuzz target goes much further).
TEST(PeFormat, RejectsGarbage) {
    std::mt19937 random(1234);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::uint8_t> bytes(static_cast<std::size_t>(round) * 8);
        for (auto& byte : bytes) byte = static_cast<std::uint8_t>(random());
        if (round % 2 == 1 && bytes.size() >= 0x48) {
            const std::uint8_t signatures[] = {'M', 'Z'};
            const std::uint8_t peHeader[] = {0x40, 0, 0, 0, 'P', 'E', 0, 0};
            std::copy(std::begin(signatures), std::end(signatures), bytes.begin());
            std::copy(std::begin(peHeader), std::end(peHeader), bytes.begin() + 0x3C);
        }
        EXPECT_NE(parseError(bytes), "") << "round " << round;
    }
}

}  // namespace
