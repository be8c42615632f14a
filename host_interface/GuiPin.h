#pragma once

#include <cstdint>
#include <string>

#include "WideText.h"

struct SEGUI_base;

// Accessor for one GUI pin of one instance: the host holds every GUI pin's
// value, and each operation here turns into one or two host requests by pin
// index. A plain value of two fields, set with bind.
class GuiPin {
public:
    constexpr GuiPin() = default;

    void bind(std::int32_t index, SEGUI_base* owner) {
        index_ = index;
        owner_ = owner;
    }
    std::int32_t index() const { return index_; }
    SEGUI_base* owner() const { return owner_; }

    // Integer and float pins (lists and booleans are integers). Defined
    // inline with SEGUI_base; a host that writes nothing into a read's cell
    // yields 0.
    std::int32_t readInt() const;
    float readFloat() const;
    void writeInt(std::int32_t value) const;
    void writeFloat(float floatValue) const;

    // 8-bit text: a copy of the host's text (empty when the host gives none).
    std::string readText() const;
    void writeText(const std::string& text) const;

    // 16-bit text: the host first reports the length n (terminator included),
    // then fills a buffer of n units. A negative n throws std::bad_alloc
    // before the second request; n = 0 gives an empty text.
    WideString readWideText() const;

private:
    std::int32_t index_ = 0;       // the pin's index in the module's pin table
    SEGUI_base* owner_ = nullptr;  // the instance whose callHost the requests use
};
