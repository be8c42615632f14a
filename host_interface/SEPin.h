#pragma once

#include <cstdint>

class SEModule_base;

// A DSP-side pin: bound at open to one pin description, it knows its owner
// and index, where its value lives (a variable of the module's or its own
// storage) and the status the host last reported for it. It comes into being
// empty; only init fills it.
class SEPin {
public:
    SEPin() {}  // empty: no field is set until init
    virtual ~SEPin() = default;

    // Binds the pin. A null valuePointer makes the pin's own storage hold the
    // value, prepared by datatype (host opcode 7 for PinDatatype::HostWord32).
    void init(SEModule_base* owner, std::int32_t index, std::int32_t datatype, void* valuePointer);
    // Stores the status, tells the owner, and turns a status of 1 back into 0.
    void setStatus(std::int32_t status);

    SEModule_base* getOwner() const { return owner_; }
    std::int32_t getIndex() const { return index_; }
    std::int32_t getStatus() const { return status_; }
    std::int32_t getDatatype() const { return datatype_; }
    void* getValuePointer() const { return valuePointer_; }
    const unsigned char* getStorage() const { return storage_; }

    // Requests to the host on the pin's behalf, by the pin's index.
    std::int32_t sendHostOp0(void* pointer, std::int32_t value) const;
    std::int32_t sendHostOp4(void* pointer, std::int32_t value) const;
    // True for any non-zero answer of the host, negative ones included.
    bool queryHostOp1() const;
    // The value variable holds the address of a float array; answers its
    // element (host opcode 3's position - host opcode 8's position for this
    // pin), the difference taken on 32-bit words with wrap-around. A pin
    // without a value variable answers 0.0.
    float readBufferFloat() const;

private:
    // Points valuePointer_ at storage_ prepared for the datatype, or leaves
    // it null for a datatype that has no storage.
    void prepareStorage();
    // The address word the value variable holds, for readBufferFloat.
    std::uintptr_t bufferAddress() const;

    void* valuePointer_;        // where the value is held, or null
    SEModule_base* owner_;      // the instance that owns the pin
    std::int32_t index_;        // place in the owner's pin array
    std::int32_t status_;       // last status the host reported; 0 when bound
    std::int32_t datatype_;     // PinDatatype code of its description
    unsigned char storage_[4];  // the pin's own storage for its value
};
