// Which files modhost tries to load, told from their first bytes.
#include <gtest/gtest.h>

#include <array>

#include "PluginFile.h"
#include "WindowsDllPlugin.h"

namespace {

constexpr bool kHostIs64Bit = sizeof(void*) == 8;

// The first 20 bytes of an ELF header with the given class, type and machine.
std::array<unsigned char, 20> elfHeader(unsigned char elfClass, std::uint16_t type,
                                        std::uint16_t machine) {
    std::array<unsigned char, 20> header{0x7F, 'E', 'L', 'F', elfClass, 1, 1};
    header[16] = static_cast<unsigned char>(type);
    header[18] = static_cast<unsigned char>(machine);
    return header;
}

TEST(PluginFileTest, ClassifiesHeaders) {
    const unsigned char hostClass = kHostIs64Bit ? 2 : 1;
    const unsigned char otherClass = kHostIs64Bit ? 1 : 2;
    const std::uint16_t hostMachine = kHostIs64Bit ? 62 : 3;
    constexpr std::uint16_t kArm = 40;
    constexpr std::uint16_t kSharedObject = 3;
    constexpr std::uint16_t kExecutable = 2;
    struct Case {
        std::array<unsigned char, 20> header;
        std::size_t length;
        PluginFileKind kind;
    };
    for (const Case& c : {
             Case{elfHeader(hostClass, kSharedObject, hostMachine), 20,
                  PluginFileKind::SharedObject},
             Case{elfHeader(otherClass, kSharedObject, hostMachine), 20,
                  PluginFileKind::OtherElfClass},
             Case{elfHeader(hostClass, kSharedObject, kArm), 20, PluginFileKind::OtherElfMachine},
             Case{elfHeader(hostClass, kExecutable, hostMachine), 20, PluginFileKind::ElfNotShared},
             Case{elfHeader(hostClass, kSharedObject, hostMachine), 12, PluginFileKind::Unknown},
             Case{{'M', 'Z', 0x90}, 3, PluginFileKind::WindowsImage},
             Case{{'#', '!'}, 2, PluginFileKind::Unknown},
             Case{{}, 0, PluginFileKind::Unknown},
         }) {
        EXPECT_EQ(classifyPluginFile(std::span(c.header.data(), c.length)), c.kind);
    }
}

TEST(PluginFileTest, SaysWhyAFileCannotBeLoaded) {
    EXPECT_EQ(describeUnloadable(PluginFileKind::SharedObject), "");
    EXPECT_EQ(describeUnloadable(PluginFileKind::OtherElfClass),
              kHostIs64Bit ? "a 32-bit shared object; this modhost loads 64-bit x86 plug-ins"
                           : "a 64-bit shared object; this modhost loads 32-bit x86 plug-ins");
    if (loadsWindowsDlls()) {
        EXPECT_EQ(describeUnloadable(PluginFileKind::WindowsImage), "");
        EXPECT_EQ(describeUnloadable(PluginFileKind::Unknown),
                  "neither a shared object nor a Windows DLL");
    } else {
        EXPECT_EQ(describeUnloadable(PluginFileKind::WindowsImage),
                  "a Windows DLL; this modhost loads shared objects only");
        EXPECT_EQ(describeUnloadable(PluginFileKind::Unknown), "not a shared object");
    }
}

}  // namespace
