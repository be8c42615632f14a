#pragma once

#include <cstdint>

#include "CallingConvention.h"
#include "HostCallback.h"
#include "ModuleDescription.h"

// The two functions a plug-in exports (ordinals 1 and 2), and the types of
// their addresses as a host finds them.
using GetModulePropertiesFunction = std::int32_t(QK_CDECL*)(std::int32_t index,
                                                            ModuleDescription* description);
using MakeModuleFunction = void*(QK_CDECL*)(std::int32_t index, std::int32_t instanceType,
                                            HostCallback callback, HostValue hostValue);

inline constexpr const char* kGetModulePropertiesName = "getModuleProperties";
inline constexpr const char* kMakeModuleName = "makeModule";
