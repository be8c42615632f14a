#include "GuiPin.h"

#include <algorithm>
#include <cstdint>
#include <memory>
#include <new>

#include "SEGUI_base.h"

std::string GuiPin::readText() const {
    const ResultWord address = owner_->callHost(GuiHostOpcode::ReadText, index_, 0, nullptr, 0.0f);
    const auto* text = reinterpret_cast<const char*>(address);
    return text == nullptr ? std::string() : std::string(text);
}

void GuiPin::writeText(const std::string& text) const {
    owner_->callHost(GuiHostOpcode::WriteText, index_, 0, const_cast<char*>(text.c_str()), 0.0f);
}

WideString GuiPin::readWideText() const {
    // Index and owner are taken once: a notice the host delivers between the
    // two requests may rebind the shared accessor, but not this read.
    SEGUI_base* const owner = owner_;
    const std::int32_t index = index_;
    const ResultWord reported =
        owner->callHost(GuiHostOpcode::ReadWideText, index, 0, nullptr, 0.0f);
    if (reported < 0) throw std::bad_alloc();  // an impossible size, refused before asking again
    const auto length = static_cast<std::int32_t>(std::min<ResultWord>(reported, INT32_MAX));
    if (length == 0) return WideString();  // no room even for the terminator
    // Zero-filled, so units the host leaves unwritten read as the end of text.
    const std::unique_ptr<WideChar[]> buffer(new WideChar[static_cast<std::size_t>(length)]());
    owner->callHost(GuiHostOpcode::ReadWideText, index, length, buffer.get(), 0.0f);
    const WideChar* begin = buffer.get();
    const WideChar* end = std::find(begin, begin + length, WideChar{0});
    return WideString(begin, end);
}
