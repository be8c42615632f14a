#pragma once

#include <memory>
#include <string>
#include <utility>

#include "PluginExports.h"

// A loaded plug-in as modhost sees it: the addresses of its two exports.
// How the file was loaded is the derived class's business: a shared object
// through dlopen, or a Windows DLL through our PE loader (32-bit build); it
// loads the file in its constructor, finds the exports, and unloads the file
// in its destructor. The plug-in stays loaded as long as the object lives,
// so every record and text it hands out must be dropped before it.
class Plugin {
public:
    virtual ~Plugin() = default;
    Plugin(const Plugin&) = delete;
    Plugin& operator=(const Plugin&) = delete;

    // Null when the plug-in does not export the function.
    GetModulePropertiesFunction getModuleProperties() const { return getModuleProperties_; }
    MakeModuleFunction makeModule() const { return makeModule_; }

    // The file the plug-in was loaded from, as the user named it.
    const std::string& path() const { return path_; }

protected:
    explicit Plugin(std::string path) : path_(std::move(path)) {}

    // The exports, as the derived class's loader found them (null: missing).
    void setExports(GetModulePropertiesFunction properties, MakeModuleFunction make) {
        getModuleProperties_ = properties;
        makeModule_ = make;
    }

private:
    std::string path_;
    GetModulePropertiesFunction getModuleProperties_ = nullptr;
    MakeModuleFunction makeModule_ = nullptr;
};

// Loads the plug-in in `path`, choosing the loader by the file's header.
// Throws BadInput, with a message naming the file and the problem, for a
// missing or unreadable file, a file of no format modhost loads, or one that
// the platform's loader refuses. A plug-in that lacks an export loads; see
// requireExports.
std::unique_ptr<Plugin> loadPlugin(const std::string& path);

// Throws BadInput unless the plug-in exports both functions.
void requireExports(const Plugin& plugin);
