// Morvessa: a boolean "Mode" drives the list "Out" (OFF, ON), with a boolean
// "Invert". Tarvolane's pins with the datatypes of "Mode" and "Out" swapped.
#include <array>

#include "ModuleDefinition.h"

namespace {

constexpr std::array<PinRow, 3> kPins{{
    {"Mode", PinDirection::In, PinDatatype::Bool8, nullptr, PinFlags::GuiSide},
    {"Invert", PinDirection::In, PinDatatype::Bool8, nullptr, PinFlags::GuiSide},
    {"Out", PinDirection::Out, PinDatatype::Enum16, "OFF,ON", PinFlags::GuiSide},
}};

constexpr ModuleDefinition kMorvessa{
    "QK morvessa",
    "QK Morvessa 1.0",
    "Convert bool to list with the labels ON or OFF\n"
    "version 1.0\n"
    "by Quennick\n"
    "\n"
    "https://quennick.example/",
    kPins,
};

}  // namespace

const ModuleDefinition& moduleDefinition() {
    return kMorvessa;
}
