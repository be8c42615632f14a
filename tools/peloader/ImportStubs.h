#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace pe {

// Code for the imports that have no shim. Each stub passes the import's
// name to a handler that prints it and aborts, so that a call of an import
// the loader does not provide stops the process with the import named
// instead of running on silently or crashing somewhere else.
class ImportStubs {
public:
    ImportStubs() = default;
    ~ImportStubs();
    ImportStubs(const ImportStubs&) = delete;
    ImportStubs& operator=(const ImportStubs&) = delete;

    // Adds a stub for the import ("KERNEL32.dll!Foo"). Stubs become callable
    // with seal(); their addresses stay valid until destruction.
    void add(std::string displayName);
    void seal();

    std::size_t size() const { return names_.size(); }
    const std::string& name(std::size_t index) const { return names_[index]; }
    void* address(std::size_t index) const;

private:
    std::deque<std::string> names_;  // stable addresses: the stubs point at them
    std::uint8_t* code_ = nullptr;
    std::size_t codeBytes_ = 0;
};

}  // namespace pe
