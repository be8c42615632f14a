#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "DspEvent.h"
#include "HostCallback.h"
#include "WideText.h"

// One request an instance sent to the host, as the host received it.
struct HostCall {
    void* record;             // the record passed as the first argument
    std::int32_t opcode;      // host opcode
    std::int32_t index;       // index argument
    std::int32_t value;       // value argument
    void* pointer;            // pointer argument
    std::uint32_t floatBits;  // the float argument's bit pattern, as received
};

// A host for tests. It records every request, holds GUI pin values as a host
// does and answers the GUI host opcodes 6, 7, 14, 15 and 17 from them; for
// DSP instances it answers host opcodes 3, 7, 8 and 14 from settable values
// and keeps a copy of every event sent with host opcode 19. Give instances
// `callback()` and `hostValue()`; the callback (InterfaceCalls.h) finds this
// host again through the hostValue word of the calling instance's record.
class RecordingHost {
public:
    RecordingHost();
    ~RecordingHost();
    RecordingHost(const RecordingHost&) = delete;
    RecordingHost& operator=(const RecordingHost&) = delete;

    static HostCallback callback();
    HostValue hostValue() const { return reinterpret_cast<HostValue>(this); }

    // What the host has received, in order.
    const std::vector<HostCall>& calls() const { return calls_; }
    std::vector<std::int32_t> opcodes() const;
    void clearCalls() {
        calls_.clear();
        events_.clear();
    }
    // Makes room for `count` requests, so that recording them allocates
    // nothing (for tests that count or fail allocations).
    void reserveCalls(std::size_t count) { calls_.reserve(count); }

    // GUI pin values, 32-bit words (integers, or float bits for float pins).
    void setPin(std::int32_t index, std::int32_t value) { pins_[index] = value; }
    void setPinFloat(std::int32_t index, float value);
    std::int32_t pin(std::int32_t index) const;
    // Marks a pin whose writes carry their value in the float argument.
    void markFloatPin(std::int32_t index) { floatPins_[index] = true; }
    // Opcode 14 writes nothing into the caller's cell.
    void setSilentReads(bool silent) { silentReads_ = silent; }

    // 8-bit text for opcode 7 (none: the host answers null) and from opcode 6.
    void setText(std::int32_t index, std::optional<std::string> text) {
        texts_[index] = std::move(text);
    }
    std::optional<std::string> text(std::int32_t index) const;
    // 16-bit text for opcode 17: the length the first request answers, and the
    // units the second request copies (at most the caller's n of them).
    void setWideText(std::int32_t index, std::int32_t reportedLength, WideString units);

    // Whether a GUI write is reported back at once, from inside the write, as
    // GUI opcode 7 for the pin written: never, only when the value changes, or
    // on every write. Nesting stops at `maxDepth`; `depthExceeded` tells.
    enum class Echo { Never, OnChange, Always };
    void setEcho(Echo echo, int maxDepth = 16) {
        echo_ = echo;
        maxEchoDepth_ = maxDepth;
    }
    bool depthExceeded() const { return depthExceeded_; }
    int deepestEcho() const { return deepestEcho_; }

    // DSP side: the pin count (opcode 14), each pin's initial word (opcode 7),
    // each pin's buffer position (opcode 8) and the current position
    // (opcode 3). Everything not set answers 0.
    void setPinCount(std::int32_t count) { pinCount_ = count; }
    void setInitialValue(std::int32_t index, std::int32_t value) { initialValues_[index] = value; }
    void setBufferPosition(std::int32_t index, std::int32_t position) {
        bufferPositions_[index] = position;
    }
    void setPosition(std::int32_t position) { position_ = position; }
    // Events received with DSP host opcode 19, copied during the call (the
    // sender's record lives only that long), in order.
    const std::vector<DspEvent>& events() const { return events_; }

    // Answers a request before the built-in answers; return nullopt to fall
    // through to them. The call is recorded either way.
    std::function<std::optional<ResultWord>(const HostCall&)> answer;

private:
    friend ResultWord QK_CDECL deliverHostRequest(void* record, std::int32_t opcode,
                                                  std::int32_t index, std::int32_t value,
                                                  void* pointer, float floatValue);
    ResultWord receive(const HostCall& call);
    ResultWord answerGui(const HostCall& call);
    ResultWord answerDsp(const HostCall& call) const;
    void echoWrite(const HostCall& call);

    struct WideReply {
        std::int32_t reportedLength;
        WideString units;
    };

    std::vector<HostCall> calls_;
    std::map<std::int32_t, std::int32_t> pins_;
    std::map<std::int32_t, bool> floatPins_;
    std::map<std::int32_t, std::optional<std::string>> texts_;
    std::map<std::int32_t, WideReply> wideTexts_;
    bool silentReads_ = false;
    Echo echo_ = Echo::Never;
    int maxEchoDepth_ = 16;
    int echoDepth_ = 0;
    int deepestEcho_ = 0;
    bool depthExceeded_ = false;
    std::int32_t pinCount_ = 0;
    std::int32_t position_ = 0;
    std::map<std::int32_t, std::int32_t> initialValues_;
    std::map<std::int32_t, std::int32_t> bufferPositions_;
    std::vector<DspEvent> events_;
};

// Which host a record belongs to: read from the record's hostValue word.
RecordingHost* hostOfRecord(void* record);
