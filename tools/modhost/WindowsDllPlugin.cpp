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

WindowsDllPlugin::WindowsDllPlugin(std::string path) : path_(std::move(path)) {
    try {
        module_ = pe::PeModule::load(path_);
    } catch (const pe::PeError& error) {
        throw BadInput(path_ + ": " + error.what());
    }
    getModuleProperties_ =
        findExport<GetModulePropertiesFunction>(*module_, kGetModulePropertiesName);
    makeModule_ = findExport<MakeModuleFunction>(*module_, kMakeModuleName);
}

WindowsDllPlugin::~WindowsDllPlugin() = default;

bool loadsWindowsDlls() {
    return true;
}

std::unique_ptr<Plugin> loadWindowsDll(const std::string& path) {
    return std::make_unique<WindowsDllPlugin>(path);
}
