#pragma once

#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "HostCallback.h"

// What a plug-in gives its entry points: the description of its one module
// and the two ways to create an instance of it. Each plug-in defines
// pluginModule() exactly once; the entry code is the same in every plug-in.
struct PluginModule {
    const char* displayName;  // static 8-bit text
    const char* identifier;   // static 8-bit text
    const char* aboutText;    // lines joined by single line feeds, none after the last
    // Allocate and construct an instance, answering the address of its
    // record. They may throw std::bad_alloc; the entry code catches it.
    DspInstanceRecord* (*createDsp)(HostCallback callback, HostValue hostValue);
    GuiInstanceRecord* (*createGui)(HostCallback callback, HostValue hostValue);
};

// Built on each call: the library keeps no state of its own.
PluginModule pluginModule();
