#pragma once

#include <memory>
#include <string>

#include "PluginExports.h"

// A loaded plug-in as modhost sees it: the addresses of its two exports.
// How the file was loaded is the implementation's business: a shared object
// through dlopen, or a Windows DLL through our PE loader (32-bit build).
// The plug-in stays loaded as long as the object lives, so every record and
// text it hands out must be dropped before it.
class Plugin {
public:
    virtual ~Plugin() = default;

    // Null when the plug-in does not export the function.
    virtual GetModulePropertiesFunction getModuleProperties() const = 0;
    virtual MakeModuleFunction makeModule() const = 0;

    // The file the plug-in was loaded from, as the user named it.
    virtual const std::string& path() const = 0;
};

// Loads the plug-in in `path`, choosing the loader by the file's header.
// Throws BadInput, with a message naming the file and the problem, for a
// missing or unreadable file, a file of no format modhost loads, or one that
// the platform's loader refuses. A plug-in that lacks an export loads; see
// requireExports.
std::unique_ptr<Plugin> loadPlugin(const std::string& path);

// Throws BadInput unless the plug-in exports both functions.
void requireExports(const Plugin& plugin);
