// A converter plug-in's module: the strings of its definition, its shared
// DSP-side Module and the GUI-side GuiModule.
#include "GuiModule.h"
#include "Module.h"
#include "ModuleDefinition.h"
#include "PluginModule.h"

namespace {

DspInstanceRecord* createDsp(HostCallback callback, HostValue hostValue) {
    return &(new Module(callback, hostValue))->record;
}

GuiInstanceRecord* createGui(HostCallback callback, HostValue hostValue) {
    return &(new GuiModule(callback, hostValue))->record;
}

}  // namespace

PluginModule pluginModule() {
    const ModuleDefinition& definition = moduleDefinition();
    return PluginModule{definition.displayName, definition.identifier, definition.aboutText,
                        &createDsp, &createGui};
}
