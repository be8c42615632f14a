// Pin values as the user writes and reads them, and the messages for values
// and pins that do not exist.
#include <gtest/gtest.h>

#include <bit>

#include "BadInput.h"
#include "PinDescription.h"
#include "PinValueText.h"

namespace {

PinInfo makePin(std::int32_t index, const char* name, PinDatatype datatype,
                const char* listText = nullptr) {
    PinInfo pin;
    pin.index = index;
    pin.name = name;
    pin.datatype = static_cast<std::int32_t>(datatype);
    if (listText != nullptr) pin.listText = listText;
    return pin;
}

const std::vector<PinInfo> kPins = {
    makePin(0, "Mode", PinDatatype::Enum16, "OFF,ON"),
    makePin(1, "Invert", PinDatatype::Bool8),
    makePin(2, "Gain", PinDatatype::Float32),
    makePin(3, "Count", PinDatatype::Int32),
    makePin(4, "Steps", PinDatatype::Enum16, "range -2,2"),
};

std::string badInputMessage(const std::function<void()>& action) {
    try {
        action();
    } catch (const BadInput& error) {
        return error.what();
    }
    return "(no error)";
}

TEST(PinValueTextTest, ValuesEachPinTakes) {
    struct Case {
        const char* setting;
        std::int32_t pin;
        std::int32_t word;
    };
    for (const Case& c : {
             Case{"Mode=ON", 0, 1},
             Case{"Mode = OFF", 0, 0},
             Case{"Mode=7", 0, 7},
             Case{"0=ON", 0, 1},
             Case{"Invert=true", 1, 1},
             Case{"Invert=0", 1, 0},
             Case{"1=false", 1, 0},
             Case{"Gain=0.5", 2, std::bit_cast<std::int32_t>(0.5f)},
             Case{"Count=-2147483648", 3, INT32_MIN},
             Case{"Count=+12", 3, 12},
             Case{"Steps=-2", 4, -2},
         }) {
        const PinSetting setting = parseSetting(kPins, c.setting);
        EXPECT_EQ(setting.pin, c.pin) << c.setting;
        EXPECT_EQ(setting.word, c.word) << c.setting;
    }
    EXPECT_EQ(parseSetting(kPins, " 0 = ON ").text, "Mode=ON");
}

TEST(PinValueTextTest, ValuesAPinDoesNotTakeNameThePinAndWhatItTakes) {
    struct Case {
        const char* setting;
        const char* message;
    };
    for (const Case& c : {
             Case{"Mode=on", "'on' is not a value of Mode: give OFF, ON or a whole number"},
             Case{"Mode=", "'' is not a value of Mode: give OFF, ON or a whole number"},
             Case{"Invert=2", "'2' is not a value of Invert: give 0, 1, true or false"},
             Case{"Gain=loud", "'loud' is not a value of Gain: give a number"},
             Case{"Count=2147483648", "'2147483648' is not a value of Count: give a whole number"},
             Case{"Count=+-1", "'+-1' is not a value of Count: give a whole number"},
             Case{"Steps=x", "'x' is not a value of Steps: give a whole number"},
             Case{"Volume=1",
                  "no pin named 'Volume'; the pins are Mode, Invert, Gain, Count, Steps"},
             Case{"5=1", "no pin named '5'; the pins are Mode, Invert, Gain, Count, Steps"},
             Case{"Mode", "'Mode' is not PIN=VALUE"},
         }) {
        EXPECT_EQ(badInputMessage([&] { parseSetting(kPins, c.setting); }), c.message);
    }
}

TEST(PinValueTextTest, ValuesPrintAsTheUserWritesThem) {
    EXPECT_EQ(formatPinValue(kPins[0], 1), "ON");
    EXPECT_EQ(formatPinValue(kPins[0], 5), "5");  // no item has it
    EXPECT_EQ(formatPinValue(kPins[1], 1), "1");
    EXPECT_EQ(formatPinValue(kPins[2], std::bit_cast<std::int32_t>(0.25f)), "0.25");
    EXPECT_EQ(formatPinValue(kPins[4], -1), "-1");
}

}  // namespace
