#include "TestModule.h"

#include <new>

#include "DspInstanceRecord.h"
#include "DspOpcode.h"
#include "GuiOpcode.h"
#include "PinDescription.h"
#include "SEGUI_base.h"

namespace {

constexpr std::int32_t kLevelPin = 0;  // list "LOW,HIGH", input
constexpr std::int32_t kLampPin = 1;   // boolean, output
constexpr std::int32_t kPinCount = 2;

// The DSP side, written against the record directly: it only declares the pins.
struct TestDsp {
    TestDsp(HostCallback hostCallback, HostValue hostValue, TestFault fault);

    DspInstanceRecord record;
    HostCallback callback;
};

ResultWord QK_CDECL testDspDispatch(DspInstanceRecord* record, std::int32_t opcode,
                                    std::int32_t index, std::int32_t, void* pointer, float) {
    auto* dsp = reinterpret_cast<TestDsp*>(record->object);
    switch (static_cast<DspOpcode>(opcode)) {
        case DspOpcode::Open:
            dsp->callback(record, toWord(DspHostOpcode::PinCount), 0, 0, nullptr, 0.0f);
            return 0;
        case DspOpcode::Close:
            delete dsp;
            return 1;
        case DspOpcode::DescribePin: {
            if (index < 0 || index >= kPinCount) return 0;
            auto* description = static_cast<PinDescription*>(pointer);
            const bool level = index == kLevelPin;
            description->direction =
                static_cast<std::int32_t>(level ? PinDirection::In : PinDirection::Out);
            description->datatype =
                static_cast<std::int32_t>(level ? PinDatatype::Enum16 : PinDatatype::Bool8);
            description->name = level ? "Level" : "Lamp";
            if (level) description->listText = "LOW,HIGH";
            description->flags = toWord(PinFlags::GuiSide);
            return 1;
        }
        default:
            return 0;
    }
}

void QK_CDECL testDspEvent(SEModule_base*, DspEvent*) {}
void QK_CDECL testDspProcess(SEModule_base*) {}

TestDsp::TestDsp(HostCallback hostCallback, HostValue hostValue, TestFault fault)
    : record{}, callback(hostCallback) {
    record.magic =
        fault == TestFault::WrongMagic ? GuiInstanceRecord::kMagic : DspInstanceRecord::kMagic;
    record.version = DspInstanceRecord::kVersion;
    record.hostValue = hostValue;
    record.object = reinterpret_cast<SEModule_base*>(this);
    record.dispatcherEntry = &testDspDispatch;
    record.processEntry = &testDspProcess;
    record.eventEntry = &testDspEvent;
}

// The GUI side: Lamp follows Level, and a change of Lamp is carried back.
struct TestGui : SEGUI_base {
    TestGui(HostCallback hostCallback, HostValue hostValue, TestFault guiFault)
        : SEGUI_base(hostCallback, hostValue), fault(guiFault) {
        if (fault == TestFault::WritesOnCreation) pinAt(kLampPin).writeInt(1);
    }

    void onGuiPinChanged(GuiPin& pin) override {
        if (fault == TestFault::CrashOnNotice) {
            volatile int* volatile nowhere = nullptr;
            *nowhere = 1;
        }
        if (fault == TestFault::HangOnNotice) {
            for (volatile bool forever = true; forever;) {
            }
        }
        const std::int32_t level = pinAt(kLevelPin).readInt();
        const std::int32_t lamp = pinAt(kLampPin).readInt();
        if (fault == TestFault::NeverSettles) {
            const std::int32_t other = pin.index() == kLevelPin ? kLampPin : kLevelPin;
            pinAt(other).writeInt(1 - (other == kLampPin ? lamp : level));
        } else if (pin.index() == kLevelPin) {
            pinAt(kLampPin).writeInt(level == 1 ? 1 : 0);
        } else if (pin.index() == kLampPin) {
            pinAt(kLevelPin).writeInt(lamp);
        }
    }

    TestFault fault;
};

}  // namespace

std::int32_t describeTestModule(std::int32_t index, ModuleDescription* description) {
    description->interfaceVersion = ModuleDescription::kInterfaceVersion;
    if (index != 0) return 0;
    description->displayName = "Test Latch";
    description->identifier = "QK Test Latch 1.0";
    description->aboutText = "A latch for modhost's tests\nversion 1.0";
    description->moduleFlags = ModuleDescription::kModuleFlags;
    return 1;
}

void* makeTestModule(TestFault fault, std::int32_t index, std::int32_t type, HostCallback callback,
                     HostValue hostValue) {
    if (index != 0) return nullptr;
    if (type == static_cast<std::int32_t>(InstanceType::Dsp)) {
        auto* dsp = new (std::nothrow) TestDsp(callback, hostValue, fault);
        return dsp == nullptr ? nullptr : &dsp->record;
    }
    if (type == static_cast<std::int32_t>(InstanceType::Gui)) {
        auto* gui = new (std::nothrow) TestGui(callback, hostValue, fault);
        return gui == nullptr ? nullptr : &gui->record;
    }
    return nullptr;
}
