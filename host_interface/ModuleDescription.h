#pragma once

#include <cstddef>
#include <cstdint>

// The host-owned record getModuleProperties fills: a row of 32-bit words on
// the 32-bit builds (the text addresses pointer-wide on the 64-bit build).
// The record may be longer; nothing past interfaceVersion is touched.
struct ModuleDescription {
    static constexpr std::uint32_t kModuleFlags = 256;  // bit 8, no other
    static constexpr std::uint32_t kInterfaceVersion = 2230;

    const char* displayName;         // the module's display name, static 8-bit text
    const char* identifier;          // the module's identifier, static 8-bit text
    const char* aboutText;           // lines joined by single line feeds, none at the end
    std::uint32_t hostWord;          // the host's own: never touched
    std::uint32_t moduleFlags;       // kModuleFlags
    std::uint32_t interfaceVersion;  // kInterfaceVersion, written for every index
};

// The second argument of makeModule: which side to create.
enum class InstanceType : std::int32_t {
    Dsp = 1,  // the deliverable's Module; answers its DspInstanceRecord
    Gui = 2,  // GuiModule; answers its GuiInstanceRecord
};

#if defined(__i386__)
static_assert(sizeof(ModuleDescription) == 24);
static_assert(offsetof(ModuleDescription, displayName) == 0);
static_assert(offsetof(ModuleDescription, identifier) == 4);
static_assert(offsetof(ModuleDescription, aboutText) == 8);
static_assert(offsetof(ModuleDescription, hostWord) == 12);
static_assert(offsetof(ModuleDescription, moduleFlags) == 16);
static_assert(offsetof(ModuleDescription, interfaceVersion) == 20);
#endif
