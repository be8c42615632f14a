#include "SEPin.h"

#include <cstring>

#include "HostCallback.h"
#include "PinDescription.h"
#include "SEModule_base.h"

void SEPin::init(SEModule_base* owner, std::int32_t index, std::int32_t datatype,
                 void* valuePointer) {
    owner_ = owner;
    index_ = index;
    datatype_ = datatype;
    status_ = 0;
    valuePointer_ = valuePointer;
    if (valuePointer_ != nullptr) {
        std::memset(storage_, 0, sizeof storage_);
    } else {
        prepareStorage();
    }
}

void SEPin::prepareStorage() {
    // Only the bytes the datatype uses are written.
    switch (static_cast<PinDatatype>(datatype_)) {
        case PinDatatype::Enum16:
            std::memset(storage_, 0, sizeof(std::uint16_t));
            break;
        case PinDatatype::Bool8:
            storage_[0] = 0;
            break;
        case PinDatatype::HostWord32: {
            const auto initial = static_cast<std::uint32_t>(
                owner_->callHost(DspHostOpcode::PinInitialValue, index_, 0, nullptr, 0.0f));
            std::memcpy(storage_, &initial, sizeof initial);
            break;
        }
        case PinDatatype::Float32: {
            const float zero = 0.0f;
            std::memcpy(storage_, &zero, sizeof zero);
            break;
        }
        case PinDatatype::Int32:
            std::memset(storage_, 0, sizeof storage_);
            break;
        default:
            return;  // no storage: the value variable stays null
    }
    valuePointer_ = storage_;
}

void SEPin::setStatus(std::int32_t status) {
    status_ = status;
    owner_->onPinStatusChanged(this);
    // A status of 1 is a momentary signal, seen only by the notification.
    if (status == 1) status_ = 0;
}

std::int32_t SEPin::sendHostOp0(void* pointer, std::int32_t value) const {
    return static_cast<std::int32_t>(
        owner_->callHost(DspHostOpcode::PinRequest0, index_, value, pointer, 0.0f));
}

std::int32_t SEPin::sendHostOp4(void* pointer, std::int32_t value) const {
    return static_cast<std::int32_t>(
        owner_->callHost(DspHostOpcode::PinRequest4, index_, value, pointer, 0.0f));
}

bool SEPin::queryHostOp1() const {
    return owner_->callHost(DspHostOpcode::PinQuery1, index_, 0, nullptr, 0.0f) != 0;
}

float SEPin::readBufferFloat() const {
    const auto start = static_cast<std::uint32_t>(
        owner_->callHost(DspHostOpcode::PinBufferPosition, index_, 0, nullptr, 0.0f));
    const auto now = static_cast<std::uint32_t>(owner_->queryHostOp3());
    if (valuePointer_ == nullptr) return 0.0f;  // no value variable, no array
    // Positions are 32-bit words: their difference wraps instead of
    // overflowing, and is then a signed element index into the array.
    const auto element = static_cast<std::int32_t>(now - start);
    const auto offset = static_cast<std::uintptr_t>(static_cast<std::intptr_t>(element)) *
                        static_cast<std::uintptr_t>(sizeof(float));
    const auto* address = reinterpret_cast<const void*>(bufferAddress() + offset);
    float sample;
    std::memcpy(&sample, address, sizeof sample);
    return sample;
}

std::uintptr_t SEPin::bufferAddress() const {
    // On the 32-bit builds the value variable holds the array's address as
    // one 32-bit word. On the 64-bit build a module variable holds a whole
    // pointer, while the pin's 4-byte storage can only hold a 32-bit word.
    std::uintptr_t address = 0;
    const std::size_t width = valuePointer_ == storage_ ? sizeof storage_ : sizeof address;
    std::memcpy(&address, valuePointer_, width);  // little-endian: the low bytes first
    return address;
}
