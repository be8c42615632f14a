#pragma once

#include <string>

#include "Plugin.h"

// A plug-in built as a shared object for this platform, loaded with dlopen
// and unloaded with dlclose when the object ends.
class SharedObjectPlugin final : public Plugin {
public:
    // Throws BadInput with the loader's reason when dlopen refuses the file.
    explicit SharedObjectPlugin(std::string path);
    ~SharedObjectPlugin() override;
    SharedObjectPlugin(const SharedObjectPlugin&) = delete;
    SharedObjectPlugin& operator=(const SharedObjectPlugin&) = delete;

    GetModulePropertiesFunction getModuleProperties() const override {
        return getModuleProperties_;
    }
    MakeModuleFunction makeModule() const override { return makeModule_; }
    const std::string& path() const override { return path_; }

private:
    std::string path_;
    void* handle_ = nullptr;  // from dlopen
    GetModulePropertiesFunction getModuleProperties_ = nullptr;
    MakeModuleFunction makeModule_ = nullptr;
};
