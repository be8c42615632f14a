#pragma once

#include "SEGUI_base.h"

// The GUI side of both plug-ins and the whole of their conversion: on every
// pin-changed notice it reads "Invert", "Mode" and "Out" from the host and
// writes the converted value back, keeping Out = Mode xor Invert in both
// directions. It caches nothing; the host holds every value.
struct GuiModule : SEGUI_base {
    GuiModule(HostCallback hostCallback, HostValue hostValue)
        : SEGUI_base(hostCallback, hostValue) {}
    ~GuiModule() override = default;

    void onGuiPinChanged(GuiPin& pin) override;
};
