#include "GuiModule.h"

#include "OnOffConversion.h"

void GuiModule::onGuiPinChanged(GuiPin& pin) {
    // Three reads, always in this order, each through the shared accessor used
    // at once; then at most one write, as the last action, so a notice the host
    // delivers from inside the write cannot disturb this one.
    onoff::PinValues values{};
    values.invert = pinAt(onoff::kInvertPin).readInt();
    values.mode = pinAt(onoff::kModePin).readInt();
    values.out = pinAt(onoff::kOutPin).readInt();
    if (const auto write = onoff::conversionFor(pin.index(), values)) {
        pinAt(write->pin).writeInt(write->value);
    }
}
