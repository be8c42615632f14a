#include "ImportStubs.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "PeError.h"

namespace pe {
namespace {

// push imm32 (the name); mov eax, imm32 (the handler); call eax.
constexpr std::size_t kStubBytes = 16;
constexpr std::size_t kPageBytes = 4096;

[[noreturn, gnu::cdecl, gnu::force_align_arg_pointer]] void unboundImportCalled(
    const std::string* name) {
    std::fprintf(stderr, "peloader: DLL code called %s, which the loader does not provide\n",
                 name->c_str());
    std::fflush(stderr);
    std::abort();
}

void putWord(std::uint8_t* at, std::uint32_t word) {
    std::memcpy(at, &word, sizeof word);
}

}  // namespace

ImportStubs::~ImportStubs() {
    if (code_ != nullptr) munmap(code_, codeBytes_);
}

void ImportStubs::add(std::string displayName) {
    if (code_ != nullptr) throw PeError("import stubs added after sealing");
    names_.push_back(std::move(displayName));
}

void ImportStubs::seal() {
    if (names_.empty() || code_ != nullptr) return;
    codeBytes_ = (names_.size() * kStubBytes + kPageBytes - 1) / kPageBytes * kPageBytes;
    void* memory =
        mmap(nullptr, codeBytes_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw PeError(std::string("cannot map import stubs: ") + std::strerror(errno));
    }
    code_ = static_cast<std::uint8_t*>(memory);
    const auto handler =
        static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&unboundImportCalled));
    for (std::size_t i = 0; i < names_.size(); ++i) {
        std::uint8_t* stub = code_ + i * kStubBytes;
        stub[0] = 0x68;  // push imm32
        putWord(stub + 1, static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(&names_[i])));
        stub[5] = 0xB8;  // mov eax, imm32
        putWord(stub + 6, handler);
        stub[10] = 0xFF;  // call eax
        stub[11] = 0xD0;
        std::memset(stub + 12, 0xCC, kStubBytes - 12);  // int3 padding
    }
    if (mprotect(code_, codeBytes_, PROT_READ | PROT_EXEC) != 0) {
        throw PeError(std::string("cannot protect import stubs: ") + std::strerror(errno));
    }
}

void* ImportStubs::address(std::size_t index) const {
    return code_ == nullptr ? nullptr : code_ + index * kStubBytes;
}

}  // namespace pe
