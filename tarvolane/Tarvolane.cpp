// Tarvolane: a list "Mode" (OFF, ON) drives the boolean "Out", with a
// boolean "Invert".
#include <array>

#include "ModuleDefinition.h"

namespace {

constexpr std::array<PinRow, 3> kPins{{
    {"Mode", PinDirection::In, PinDatatype::Enum16, "OFF,ON", PinFlags::GuiSide},
    {"Invert", PinDirection::In, PinDatatype::Bool8, nullptr, PinFlags::GuiSide},
    {"Out", PinDirection::Out, PinDatatype::Bool8, nullptr, PinFlags::GuiSide},
}};

constexpr ModuleDefinition kTarvolane{
    "QK Tarvolane",
    "QK Tarvolane 1.0",
    "Convert a list with the labels ON or OFF to a single bool\n"
    "version 1.0\n"
    "by Quennick\n"
    "\n"
    "https://quennick.example/",
    kPins,
};

}  // namespace

const ModuleDefinition& moduleDefinition() {
    return kTarvolane;
}
