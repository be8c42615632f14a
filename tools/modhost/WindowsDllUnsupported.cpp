// Builds without the PE loader (it runs DLL code in a 32-bit x86 process):
// a Windows DLL is a file this modhost cannot load.
#include "BadInput.h"
#include "PluginFile.h"
#include "WindowsDllPlugin.h"

bool loadsWindowsDlls() {
    return false;
}

std::unique_ptr<Plugin> loadWindowsDll(const std::string& path) {
    throw BadInput(path + ": " + describeUnloadable(PluginFileKind::WindowsImage));
}
