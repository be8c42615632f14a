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

SharedObjectPlugin::SharedObjectPlugin(std::string path) : path_(std::move(path)) {
    // A path without a slash would make dlopen search the library path;
    // the user means the file they named.
    const std::string openPath = path_.find('/') == std::string::npos ? "./" + path_ : path_;
    // RTLD_LOCAL: each plug-in keeps its own copy of the layer and its statics.
    handle_ = dlopen(openPath.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (handle_ == nullptr) {
        const char* reason = dlerror();
        throw BadInput(path_ + ": cannot load: " + (reason != nullptr ? reason : "unknown reason"));
    }
    getModuleProperties_ =
        findExport<GetModulePropertiesFunction>(handle_, kGetModulePropertiesName);
    makeModule_ = findExport<MakeModuleFunction>(handle_, kMakeModuleName);
}

SharedObjectPlugin::~SharedObjectPlugin() {
    dlclose(handle_);
}
