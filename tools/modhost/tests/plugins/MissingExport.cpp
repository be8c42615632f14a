// A test plug-in that exports getModuleProperties but not makeModule.
#include "PluginExports.h"
#include "TestModule.h"

extern "C" [[gnu::visibility("default")]] std::int32_t QK_CDECL
getModuleProperties(std::int32_t index, ModuleDescription* description) {
    return describeTestModule(index, description);
}
