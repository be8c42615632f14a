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

private:
    void* handle_ = nullptr;  // from dlopen
};
