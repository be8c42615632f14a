// Both plug-ins, loaded as a host loads them and driven only through their
// two exports and the entries of the records they hand out. One test body
// for every plug-in file: the shared objects of this build and, in the
// 32-bit build, the shipped Windows DLLs through our PE loader.
#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "BadInput.h"
#include "DspInstanceRecord.h"
#include "GuiInstanceRecord.h"
#include "InterfaceCalls.h"
#include "LoadedPlugin.h"
#include "PinDescription.h"
#include "Plugin.h"
#include "RecordingHost.h"

namespace {

#if defined(QK_WIN32_PLUGIN_DIR)
constexpr const char* kWindowsPluginDir = QK_WIN32_PLUGIN_DIR;
#else
constexpr const char* kWindowsPluginDir = nullptr;  // this build runs no Windows DLL
#endif

struct ExpectedPin {
    const char* name;
    std::int32_t direction;
    std::int32_t datatype;
    const char* listText;  // null: the field is left as the host put it
};

struct ExpectedPlugin {
    const char* file;
    const char* displayName;
    const char* identifier;
    const char* firstAboutLine;
    std::array<ExpectedPin, 3> pins;
};

const ExpectedPlugin kPlugins[] = {
    {"Tarvolane",
     "QK Tarvolane",
     "QK Tarvolane 1.0",
     "Convert a list with the labels ON or OFF to a single bool",
     {{{"Mode", 0, 0, "OFF,ON"}, {"Invert", 0, 4, nullptr}, {"Out", 1, 4, nullptr}}}},
    {"Morvessa",
     "QK morvessa",
     "QK Morvessa 1.0",
     "Convert bool to list with the labels ON or OFF",
     {{{"Mode", 0, 4, nullptr}, {"Invert", 0, 4, nullptr}, {"Out", 1, 0, "OFF,ON"}}}},
};

enum class PluginFormat { SharedObject, WindowsDll };

// One plug-in file to test, and what its module must say.
struct PluginFile : ExpectedPlugin {
    PluginFormat format;

    std::string path() const {
        if (format == PluginFormat::SharedObject) return pluginPath(file);
        return std::string(kWindowsPluginDir) + "/" + file + ".dll";
    }
    std::string testName() const {
        return std::string(file) + (format == PluginFormat::SharedObject ? "_so" : "_dll");
    }
};

std::vector<PluginFile> pluginFiles() {
    std::vector<PluginFile> files;
    for (const ExpectedPlugin& plugin : kPlugins) {
        files.push_back({plugin, PluginFormat::SharedObject});
    }
    if (kWindowsPluginDir != nullptr) {
        for (const ExpectedPlugin& plugin : kPlugins) {
            files.push_back({plugin, PluginFormat::WindowsDll});
        }
    }
    return files;
}

void PrintTo(const PluginFile& plugin, std::ostream* out) {
    *out << plugin.path();
}

// The callback every instance gets. DLL code keeps only 4-byte stack
// alignment, so the host's entry realigns before the recording host runs.
[[gnu::force_align_arg_pointer]] ResultWord QK_CDECL
hostEntryRealigned(void* record, std::int32_t opcode, std::int32_t index, std::int32_t value,
                   void* pointer, float floatValue) {
    return RecordingHost::callback()(record, opcode, index, value, pointer, floatValue);
}

constexpr std::uint8_t kPattern = 0xA5;
constexpr std::uint32_t kPatternWord = 0xA5A5A5A5;

class PluginTest : public ::testing::TestWithParam<PluginFile> {
protected:
    void SetUp() override {
        const std::string path = GetParam().path();
        if (GetParam().format == PluginFormat::WindowsDll && !std::filesystem::exists(path)) {
            FAIL() << path << " is missing: build the win32 preset first "
                   << "(cmake --preset win32 && cmake --build --preset win32)";
        }
        try {
            plugin = loadPlugin(path);
            requireExports(*plugin);
        } catch (const BadInput& error) {
            FAIL() << error.what();
        }
        host.answer = [this](const HostCall& call) -> std::optional<ResultWord> {
            if (isDspRecord(call.record) && call.opcode == 14) return pinCount;
            return std::nullopt;
        };
    }

    static bool isDspRecord(void* record) {
        std::uint32_t magic = 0;
        std::memcpy(&magic, record, sizeof magic);
        return magic == DspInstanceRecord::kMagic;
    }

    // The two exports, called as a host calls them (InterfaceCalls.h).
    std::int32_t getModuleProperties(std::int32_t index, ModuleDescription* description) const {
        return callGetModuleProperties(plugin->getModuleProperties(), index, description);
    }
    void* makeModule(std::int32_t index, std::int32_t instanceType) {
        return callMakeModule(plugin->makeModule(), index, instanceType, &hostEntryRealigned,
                              host.hostValue());
    }
    DspInstanceRecord* makeDsp() { return static_cast<DspInstanceRecord*>(makeModule(0, 1)); }
    GuiInstanceRecord* makeGui() { return static_cast<GuiInstanceRecord*>(makeModule(0, 2)); }
    static ResultWord dsp(DspInstanceRecord* record, std::int32_t opcode, std::int32_t index = 0,
                          void* pointer = nullptr) {
        return callDspDispatcher(record, opcode, index, 0, pointer, 0.0f);
    }
    static ResultWord gui(GuiInstanceRecord* record, std::int32_t opcode, std::int32_t index = 0) {
        return callGuiDispatcher(record, opcode, index, 0, nullptr, 0.0f);
    }

    std::unique_ptr<Plugin> plugin;
    RecordingHost host;
    ResultWord pinCount = 3;
};

TEST_P(PluginTest, DescriptionForAnUnknownIndexWritesOnlyTheVersion) {
    for (std::int32_t index : {1, -1, 2, INT32_MIN}) {
        std::array<std::uint32_t, 16> words;
        words.fill(kPatternWord);
        EXPECT_EQ(getModuleProperties(index, reinterpret_cast<ModuleDescription*>(words.data())),
                  0);
        const std::size_t versionWord = offsetof(ModuleDescription, interfaceVersion) / 4;
        for (std::size_t i = 0; i < words.size(); ++i) {
            EXPECT_EQ(words[i], i == versionWord ? 2230u : kPatternWord)
                << "word " << i << ", index " << index;
        }
    }
}

TEST_P(PluginTest, DescriptionWithoutARecordAnswersNoModule) {
    for (std::int32_t index : {0, 1}) EXPECT_EQ(getModuleProperties(index, nullptr), 0) << index;
}

TEST_P(PluginTest, DescriptionOfModuleZero) {
    std::array<std::uint8_t, 64> bytes;
    bytes.fill(kPattern);
    auto* description = reinterpret_cast<ModuleDescription*>(bytes.data());
    ASSERT_EQ(getModuleProperties(0, description), 1);
    EXPECT_STREQ(description->displayName, GetParam().displayName);
    EXPECT_STREQ(description->identifier, GetParam().identifier);
    EXPECT_EQ(description->hostWord, kPatternWord) << "the host's word stays";
    EXPECT_EQ(description->moduleFlags, 256u);
    EXPECT_EQ(description->interfaceVersion, 2230u);
    for (std::size_t i = sizeof(ModuleDescription); i < bytes.size(); ++i) {
        EXPECT_EQ(bytes[i], kPattern) << "byte " << i << " past the record";
    }

    std::vector<std::string> lines;
    std::stringstream about(description->aboutText);
    for (std::string line; std::getline(about, line, '\n');) lines.push_back(line);
    const std::string aboutText = description->aboutText;
    ASSERT_EQ(lines.size(), 5u) << aboutText;
    EXPECT_EQ(lines[0], GetParam().firstAboutLine);
    EXPECT_EQ(lines[1], "version 1.0");
    EXPECT_EQ(lines[2], "by Quennick");
    EXPECT_EQ(lines[3], "");
    EXPECT_EQ(lines[4], "https://quennick.example/");
    EXPECT_NE(aboutText.back(), '\n');
    EXPECT_EQ(aboutText.find("\n\n\n"), std::string::npos);
}

TEST_P(PluginTest, UnknownModulesAndCreationCodesAnswerNull) {
    struct Request {
        std::int32_t index, type;
    };
    for (const Request r : {Request{0, 0}, Request{0, 3}, Request{0, -1}, Request{0, INT32_MAX},
                            Request{1, 1}, Request{1, 2}, Request{-1, 1}}) {
        EXPECT_EQ(makeModule(r.index, r.type), nullptr) << r.index << "/" << r.type;
    }
    EXPECT_TRUE(host.calls().empty());
}

TEST_P(PluginTest, RecordsOfBothSidesLeadToTheirOwnInstances) {
    DspInstanceRecord* first = makeDsp();
    DspInstanceRecord* second = makeDsp();
    GuiInstanceRecord* guiRecord = makeGui();
    ASSERT_NE(first, nullptr);
    ASSERT_NE(second, nullptr);
    ASSERT_NE(guiRecord, nullptr);
    EXPECT_NE(first, second);
    EXPECT_NE(first->object, second->object);
    for (DspInstanceRecord* record : {first, second}) {
        EXPECT_EQ(record->magic, 0x5345504Cu);
        EXPECT_EQ(record->version, 1u);
        EXPECT_EQ(record->hostValue, host.hostValue());
        // The record is embedded in its object: the object word names the
        // instance that holds this very record, at the same place in each.
        const auto offset =
            reinterpret_cast<const char*>(record) - reinterpret_cast<const char*>(record->object);
        EXPECT_EQ(offset, reinterpret_cast<const char*>(first) -
                              reinterpret_cast<const char*>(first->object));
        EXPECT_GT(offset, 0);
        EXPECT_LT(offset, 64);
        EXPECT_EQ(record->reserved1, 0u);
        for (std::uint32_t word : record->reserved2) EXPECT_EQ(word, 0u);
    }
    EXPECT_EQ(guiRecord->magic, 0x5345504Du);
    EXPECT_EQ(guiRecord->version, 1u);
    EXPECT_EQ(guiRecord->hostValue, host.hostValue());
    EXPECT_NE(guiRecord->object, nullptr);
    for (std::uint32_t word : guiRecord->reserved) EXPECT_EQ(word, 0u);
#if defined(__i386__)
    // The host's view: exactly these 32-bit words.
    std::uint32_t words[12];
    std::memcpy(words, first, sizeof words);
    EXPECT_EQ(words[0], 0x5345504Cu);
    EXPECT_EQ(words[1], 1u);
    EXPECT_EQ(words[2], static_cast<std::uint32_t>(host.hostValue()));
    EXPECT_EQ(words[3], reinterpret_cast<std::uintptr_t>(first->object));
    EXPECT_EQ(words[4], 0u);
    EXPECT_EQ(words[5], reinterpret_cast<std::uintptr_t>(first->dispatcherEntry));
    EXPECT_EQ(words[6], reinterpret_cast<std::uintptr_t>(first->processEntry));
    EXPECT_EQ(words[7], reinterpret_cast<std::uintptr_t>(first->eventEntry));
    for (int i = 8; i < 12; ++i) EXPECT_EQ(words[i], 0u);
    std::uint32_t guiWords[10];
    std::memcpy(guiWords, guiRecord, sizeof guiWords);
    EXPECT_EQ(guiWords[0], 0x5345504Du);
    EXPECT_EQ(guiWords[1], 1u);
    EXPECT_EQ(guiWords[2], reinterpret_cast<std::uintptr_t>(guiRecord->dispatcherEntry));
    EXPECT_EQ(guiWords[3], static_cast<std::uint32_t>(host.hostValue()));
    EXPECT_EQ(guiWords[4], reinterpret_cast<std::uintptr_t>(guiRecord->object));
    for (int i = 5; i < 10; ++i) EXPECT_EQ(guiWords[i], 0u);
#endif
    EXPECT_EQ(dsp(first, 1), 1);
    EXPECT_EQ(dsp(second, 1), 1);
    EXPECT_EQ(gui(guiRecord, 1), 1);
    EXPECT_TRUE(host.calls().empty()) << "creation and close send nothing";
}

TEST_P(PluginTest, PinTableThroughDescribePinWritesOnlyItsFields) {
    DspInstanceRecord* record = makeDsp();
    for (std::int32_t index = 0; index < 3; ++index) {
        const ExpectedPin& pin = GetParam().pins[static_cast<std::size_t>(index)];
        PinDescription description;
        std::memset(&description, kPattern, sizeof description);
        const PinDescription untouched = description;
        ASSERT_EQ(dsp(record, 6, index, &description), 1) << index;
        EXPECT_STREQ(description.name, pin.name);
        EXPECT_EQ(description.direction, pin.direction);
        EXPECT_EQ(description.datatype, pin.datatype);
        EXPECT_EQ(description.flags, 1024u);
        if (pin.listText != nullptr) {
            EXPECT_STREQ(description.listText, pin.listText);
        } else {
            EXPECT_EQ(description.listText, untouched.listText)
                << pin.name << ": list text left alone";
        }
        EXPECT_EQ(description.valuePointer, untouched.valuePointer);
        EXPECT_EQ(description.reserved1, untouched.reserved1);
        EXPECT_EQ(description.reserved2, untouched.reserved2);
    }
    for (std::int32_t index : {3, -1, 100, INT32_MIN}) {
        PinDescription description;
        std::memset(&description, kPattern, sizeof description);
        ASSERT_EQ(dsp(record, 6, index, &description), 0) << index;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(&description);
        for (std::size_t i = 0; i < sizeof description; ++i) EXPECT_EQ(bytes[i], kPattern) << index;
    }
    dsp(record, 1);
}

TEST_P(PluginTest, OpenAsksForThePinCountThenReportsOpened) {
    for (ResultWord count : {ResultWord{3}, ResultWord{0}, ResultWord{-4}, ResultWord{200}}) {
        pinCount = count;
        host.clearCalls();
        DspInstanceRecord* record = makeDsp();
        EXPECT_EQ(dsp(record, 0), 0);
        ASSERT_EQ(host.opcodes(), (std::vector<std::int32_t>{14, 10})) << "pin count " << count;
        for (const HostCall& call : host.calls()) {
            EXPECT_EQ(call.record, record);
            EXPECT_EQ(call.index, 0);
            EXPECT_EQ(call.value, 0);
            EXPECT_EQ(call.pointer, nullptr);
            EXPECT_EQ(call.floatBits, 0u);
        }
        EXPECT_EQ(dsp(record, 1), 1);
    }
}

TEST_P(PluginTest, AConversionSessionThroughTheGuiRecord) {
    host.setEcho(RecordingHost::Echo::OnChange);
    GuiInstanceRecord* record = makeGui();
    struct Step {
        const char* what;
        std::int32_t pin, value;         // the user's change
        std::int32_t mode, invert, out;  // the values after it settles
    };
    const Step steps[] = {
        {"Mode ON", 0, 1, 1, 0, 1},    {"Invert on", 1, 1, 1, 1, 0},
        {"Mode OFF", 0, 0, 0, 1, 1},   {"Out OFF carried back to Mode", 2, 0, 1, 1, 0},
        {"Invert off", 1, 0, 1, 0, 1}, {"Out OFF copied to Mode", 2, 0, 0, 0, 0},
    };
    for (const Step& step : steps) {
        host.setPin(step.pin, step.value);
        EXPECT_EQ(gui(record, 7, step.pin), 0);
        EXPECT_EQ(host.pin(0), step.mode) << step.what;
        EXPECT_EQ(host.pin(1), step.invert) << step.what;
        EXPECT_EQ(host.pin(2), step.out) << step.what;
        EXPECT_FALSE(host.depthExceeded()) << step.what;
    }
    EXPECT_EQ(gui(record, 1), 1);
}

TEST_P(PluginTest, ManyInstancesCreatedAndClosed) {
    std::vector<DspInstanceRecord*> dspRecords;
    std::vector<GuiInstanceRecord*> guiRecords;
    for (int i = 0; i < 500; ++i) {
        dspRecords.push_back(makeDsp());
        guiRecords.push_back(makeGui());
        ASSERT_NE(dspRecords.back(), nullptr);
        ASSERT_NE(guiRecords.back(), nullptr);
        EXPECT_EQ(dsp(dspRecords.back(), 0), 0);
    }
    for (DspInstanceRecord* record : dspRecords) EXPECT_EQ(dsp(record, 1), 1);
    for (GuiInstanceRecord* record : guiRecords) EXPECT_EQ(gui(record, 1), 1);
    EXPECT_EQ(host.calls().size(), 1000u) << "two requests per open, nothing else";
}

INSTANTIATE_TEST_SUITE_P(Plugins, PluginTest, ::testing::ValuesIn(pluginFiles()),
                         [](const auto& param) { return param.param.testName(); });

}  // namespace
