#pragma once

#include <cstdint>

#include "HostCallback.h"
#include "ModuleDescription.h"

// A small module for modhost's tests, "Test Latch": a list pin "Level"
// ("LOW,HIGH") drives a boolean "Lamp", and a change of "Lamp" is carried
// back to "Level". Built correctly, and once for each way of breaking the
// interface that modhost must catch.
enum class TestFault {
    None,              // a correct module
    WrongMagic,        // the DSP record carries the GUI record's magic
    CrashOnNotice,     // a pin-changed notice writes through a null pointer
    HangOnNotice,      // a pin-changed notice never returns
    WritesOnCreation,  // the GUI instance writes a pin from its constructor
    NeverSettles,      // every notice flips the other pin, so each write causes another
};

// The fault a test plug-in is built with; each plug-in defines it.
extern const TestFault kTestFault;

std::int32_t describeTestModule(std::int32_t index, ModuleDescription* description);
void* makeTestModule(TestFault fault, std::int32_t index, std::int32_t type, HostCallback callback,
                     HostValue hostValue);
