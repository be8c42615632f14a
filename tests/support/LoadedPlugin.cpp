#include "LoadedPlugin.h"

#include <dlfcn.h>

#include <cstdlib>

LoadedPlugin::LoadedPlugin(const std::string& path) {
    handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        error_ = dlerror();
        return;
    }
    getModuleProperties =
        reinterpret_cast<GetModulePropertiesFunction>(dlsym(handle_, kGetModulePropertiesName));
    makeModule = reinterpret_cast<MakeModuleFunction>(dlsym(handle_, kMakeModuleName));
    if (getModuleProperties == nullptr || makeModule == nullptr) error_ = "missing export";
}

LoadedPlugin::~LoadedPlugin() {
    if (handle_ != nullptr) dlclose(handle_);
}

std::string pluginPath(const std::string& name) {
    const char* directory = std::getenv("QK_PLUGIN_DIR");
    return std::string(directory != nullptr ? directory : "plugins") + "/" + name + ".so";
}
