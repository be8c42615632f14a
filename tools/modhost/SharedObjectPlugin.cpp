#include "SharedObjectPlugin.h"

#include <dlfcn.h>

#include <utility>

#include "BadInput.h"

namespace {

// dlsym answers an object pointer; the export is a function of known type.
template <typename Function>
Function findExport(void* handle, const char* name) {
    return reinterpret_cast<Function>(dlsym(handle, name));
}

}  // namespace

SharedObjectPlugin::SharedObjectPlugin(std::string path) : Plugin(std::move(path)) {
    // A path without a slash would make dlopen search the library path;
    // the user means the file they named.
    const std::string openPath =
        this->path().find('/') == std::string::npos ? "./" + this->path() : this->path();
    // RTLD_LOCAL: each plug-in keeps its own copy of the layer and its statics.
    handle_ = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        throw BadInput(this->path() +
                       ": cannot load: " + (reason != nullptr ? reason : "unknown reason"));
    }
    setExports(findExport<GetModulePropertiesFunction>(handle_, kGetModulePropertiesName),
               findExport<MakeModuleFunction>(handle_, kMakeModuleName));
}

SharedObjectPlugin::~SharedObjectPlugin() {
    dlclose(handle_);
}
