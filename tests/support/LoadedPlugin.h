#pragma once

#include <cstdint>
#include <string>

#include "PluginExports.h"

// A plug-in shared object opened with dlopen, as a host opens it: only its
// two exports are looked up. Closed again when this object ends.
class LoadedPlugin {
public:
    explicit LoadedPlugin(const std::string& path);
    ~LoadedPlugin();
    LoadedPlugin(const LoadedPlugin&) = delete;
    LoadedPlugin& operator=(const LoadedPlugin&) = delete;

    bool loaded() const { return handle_ != nullptr; }
    const std::string& error() const { return error_; }

    // The two exports, called as a host calls them (InterfaceCalls.h).
    std::int32_t getModuleProperties(std::int32_t index, ModuleDescription* description) const;
    void* makeModule(std::int32_t index, std::int32_t instanceType, HostCallback callback,
                     HostValue hostValue) const;

private:
    GetModulePropertiesFunction getModuleProperties_ = nullptr;  // ordinal 1
    MakeModuleFunction makeModule_ = nullptr;                    // ordinal 2
    void* handle_ = nullptr;
    std::string error_;
};

// Where the plug-ins of this build are: $QK_PLUGIN_DIR/<name>.so.
std::string pluginPath(const std::string& name);
