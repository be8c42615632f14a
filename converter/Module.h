#pragma once

#include "SEModule_base.h"

// The DSP side of both converter plug-ins. Its pins are all served on the GUI
// side, so it only declares them (from the plug-in's pin table) and, after
// the base open, tells the host it has opened.
class Module : public SEModule_base {
public:
    Module(HostCallback hostCallback, HostValue hostValue)
        : SEModule_base(hostCallback, hostValue) {}
    ~Module() override = default;

    void onOpen() override;
    bool describePin(std::int32_t index, PinDescription* description) override;
};
