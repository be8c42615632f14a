#include "LoadedPlugin.h"

#include <dlfcn.h>

#include <cstdlib>

#include "InterfaceCalls.h"

LoadedPlugin::LoadedPlugin(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
        return;
    }
    getModuleProperties_ =
        reinterpret_cast<GetModulePropertiesFunction>(dlsym(handle_, kGetModulePropertiesName));
    makeModule_ = reinterpret_cast<MakeModuleFunction>(dlsym(handle_, kMakeModuleName));
    if (getModuleProperties_ == nullptr || makeModule_ == nullptr) error_ = "missing export";
}

std::int32_t LoadedPlugin::getModuleProperties(std::int32_t index,
                                               ModuleDescription* description) const {
    return callGetModuleProperties(getModuleProperties_, index, description);
}

void* LoadedPlugin::makeModule(std::int32_t index, std::int32_t instanceType, HostCallback callback,
                               HostValue hostValue) const {
    return callMakeModule(makeModule_, index, instanceType, callback, hostValue);
}

LoadedPlugin::~LoadedPlugin() {
    if (handle_ != nullptr) dlclose(handle_);
}

std::string pluginPath(const std::string& name) {
    const char* directory = std::getenv("QK_PLUGIN_DIR");
    return std::string(directory != nullptr ? directory : "plugins") + "/" + name + ".so";
}
