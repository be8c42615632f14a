// The two exports of a test plug-in.
#include "PluginExports.h"
#include "TestModule.h"

extern "C" [[gnu::visibility("default")]] std::int32_t QK_CDECL
getModuleProperties(std::int32_t index, ModuleDescription* description) {
    return describeTestModule(index, description);
}

extern "C" [[gnu::visibility("default")]] void* QK_CDECL makeModule(std::int32_t index,
                                                                    std::int32_t type,
                                                                    HostCallback callback,
                                                                    HostValue hostValue) {
    return makeTestModule(kTestFault, index, type, callback, hostValue);
}
