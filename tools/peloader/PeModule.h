#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "ImportStubs.h"
#include "PeHeaders.h"
#include "PeTables.h"

namespace pe {

// A PE32 i386 DLL loaded into this 32-bit Linux process, as Windows would
// load it: sections mapped with their protections, relocated, imports bound
// to the loader's shims of KERNEL32 and msvcrt, TLS callbacks and the entry
// point run for process attach, and for detach when the module is
// destroyed. The DLL's code runs on the threads that call it, with %fs
// selecting the process's fake thread environment block: loading sets %fs on
// the loading thread, and threads it starts afterwards inherit it; any other
// thread calls ThreadEnvironment::enter() before it calls DLL code.
//
// An import without a shim is bound to a stub that names it and aborts when
// called; unboundImports() lists them.
class PeModule {
public:
    // Loads the DLL from a file or from its bytes. Throws PeError with one
    // line naming the problem: unreadable, not PE, PE32+, not i386,
    // truncated or inconsistent, tables outside the image, DllMain refusing.
    static std::unique_ptr<PeModule> load(const std::string& path);
    static std::unique_ptr<PeModule> load(std::span<const std::uint8_t> file, std::string fileName);

    // Runs DllMain and the TLS callbacks for process detach and unmaps.
    ~PeModule();
    PeModule(const PeModule&) = delete;
    PeModule& operator=(const PeModule&) = delete;

    // An export's address; null when there is none or it is forwarded.
    void* findExport(std::string_view name) const;
    void* findExport(std::uint32_t ordinal) const;

    // "KERNEL32.dll!Foo" for every import bound to an aborting stub.
    std::vector<std::string> unboundImports() const;

    std::uintptr_t base() const { return base_; }
    const std::string& fileName() const { return fileName_; }
    const PeHeaders& headers() const { return headers_; }
    const PeTables& tables() const { return tables_; }

private:
    explicit PeModule(std::string fileName) : fileName_(std::move(fileName)) {}

    void map(std::span<const std::uint8_t> file);
    void relocate();
    void bindImports();
    void prepareTls();
    void protectSections();
    void attach();
    void callTlsCallbacks(std::uint32_t reason);
    void* address(std::uint32_t rva) const { return reinterpret_cast<void*>(base_ + rva); }
    void* exportAddress(const PeExport* entry) const;

    std::string fileName_;
    PeHeaders headers_{};
    PeTables tables_;
    std::uintptr_t base_ = 0;  // where the image is mapped; 0: not mapped
    ImportStubs stubs_;
    std::vector<std::uint8_t> tlsBlock_;
    std::uint32_t tlsSlot_ = 0;
    bool hasTlsSlot_ = false;
    bool registered_ = false;  // known to LoadedImages
    bool attached_ = false;    // detach is due on destruction
};

}  // namespace pe
