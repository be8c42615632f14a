// The 32-bit x86 Linux build: Windows DLLs run through the PE loader.
#include "WindowsDllPlugin.h"

#include <utility>

#include "BadInput.h"
#include "PeError.h"
#include "PeModule.h"

namespace {

// The loader answers an untyped address; the export is a function of known type.
template <typename Function>
Function findExport(const pe::PeModule& module, const char* name) {
    return reinterpret_cast<Function>(module.findExport(name));
}

}  // namespace

WindowsDllPlugin::WindowsDllPlugin(std::string path) : Plugin(std::move(path)) {
    try {
        module_ = pe::PeModule::load(this->path());
    } catch (const pe::PeError& error) {
        throw BadInput(this->path() + ": " + error.what());
    }
    setExports(findExport<GetModulePropertiesFunction>(*module_, kGetModulePropertiesName),
               findExport<MakeModuleFunction>(*module_, kMakeModuleName));
}

WindowsDllPlugin::~WindowsDllPlugin() = default;

bool loadsWindowsDlls() {
    return true;
}

std::unique_ptr<Plugin> loadWindowsDll(const std::string& path) {
    return std::make_unique<WindowsDllPlugin>(path);
}
