#pragma once

#include <memory>
#include <string>

#include "Plugin.h"

namespace pe {
class PeModule;
}

// A plug-in built as a Windows DLL (PE32, i386), loaded into this process
// by our own PE loader and reached through its exports, as a Windows host
// reaches it. Only the 32-bit x86 Linux build has the loader.
//
// The DLL's code needs the thread environment that the loader sets up on
// the loading thread: modhost calls it from that thread, and from child
// processes forked from it, never from a thread of its own.
class WindowsDllPlugin final : public Plugin {
public:
    // Throws BadInput with the loader's reason when it refuses the file: not
    // a PE image, PE32+, not i386, truncated or inconsistent headers, tables
    // outside the image, DllMain refusing.
    explicit WindowsDllPlugin(std::string path);
    ~WindowsDllPlugin() override;  // DllMain's process detach, then unmapping

private:
    std::unique_ptr<pe::PeModule> module_;
};

// Whether this build of modhost runs Windows DLLs.
bool loadsWindowsDlls();

// The DLL in `path` as a WindowsDllPlugin where this build runs DLLs;
// elsewhere BadInput saying that it loads shared objects only.
std::unique_ptr<Plugin> loadWindowsDll(const std::string& path);
