#pragma once

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

    GetModulePropertiesFunction getModuleProperties = nullptr;  // ordinal 1
    MakeModuleFunction makeModule = nullptr;                    // ordinal 2

private:
    void* handle_ = nullptr;
    std::string error_;
};

// Where the plug-ins of this build are: $QK_PLUGIN_DIR/<name>.so.
std::string pluginPath(const std::string& name);
