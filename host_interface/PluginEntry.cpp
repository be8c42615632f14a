// The two exports every plug-in has. Which symbols leave the library is set
// at link time: a module-definition file on Windows, a version script on
// Linux. They touch no state of the library's
// own, so the host may call them from any thread, also at the same time.
#include <cstdint>
#include <type_traits>

#include "ModuleDescription.h"
#include "PluginExports.h"
#include "PluginModule.h"

namespace {

constexpr std::int32_t kOnlyModule = 0;

// Runs `create`, turning any failure (allocation, or anything else module
// construction might throw) into null: no exception leaves an export.
template <typename Record>
void* createOrNull(Record* (*create)(HostCallback, HostValue), HostCallback callback,
                   HostValue hostValue) noexcept {
    try {
        return create(callback, hostValue);
    } catch (...) {
        return nullptr;
    }
}

}  // namespace

extern "C" std::int32_t QK_CDECL getModuleProperties(std::int32_t index,
                                                     ModuleDescription* description) {
    // A host that hands no record to fill gets "no module" rather than a
    // write through null.
    if (description == nullptr) return 0;
    // The version is written for every index, before the index is looked at.
    description->interfaceVersion = ModuleDescription::kInterfaceVersion;
    if (index != kOnlyModule) return 0;
    const PluginModule module = pluginModule();
    description->displayName = module.displayName;
    description->identifier = module.identifier;
    description->aboutText = module.aboutText;
    description->moduleFlags = ModuleDescription::kModuleFlags;
    return 1;
}

extern "C" void* QK_CDECL makeModule(std::int32_t index, std::int32_t instanceType,
                                     HostCallback callback, HostValue hostValue) {
    if (index != kOnlyModule) return nullptr;
    const PluginModule module = pluginModule();
    switch (static_cast<InstanceType>(instanceType)) {
        case InstanceType::Dsp:
            return createOrNull(module.createDsp, callback, hostValue);
        case InstanceType::Gui:
            return createOrNull(module.createGui, callback, hostValue);
    }
    return nullptr;
}

// The exports keep exactly the types a host looks them up as.
static_assert(std::is_same_v<decltype(&getModuleProperties), GetModulePropertiesFunction>);
static_assert(std::is_same_v<decltype(&makeModule), MakeModuleFunction>);
