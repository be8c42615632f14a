#include "PeModule.h"

#include <sys/mman.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "LoadedImages.h"
#include "PeError.h"
#include "Shim.h"
#include "ThreadEnvironment.h"
#include "Win32.h"

namespace pe {
namespace {

constexpr std::uint32_t kProcessDetach = 0;
constexpr std::uint32_t kProcessAttach = 1;

// DllMain and the TLS callbacks: (module, reason, reserved), stdcall.
using EntryFunction = std::int32_t(__attribute__((stdcall)) *)(void* module, std::uint32_t reason,
                                                               void* reserved);

std::vector<std::uint8_t> readFile(const std::string& path) {
    std::ifstream stream(path, std::ios::binary);
    if (!stream) throw PeError(std::string("cannot open: ") + std::strerror(errno));
    stream.seekg(0, std::ios::end);
    const std::streamoff size = stream.tellg();
    if (size < 0) throw PeError("cannot read the file");
    if (size > std::streamoff{kMaxImageSize}) {
        throw PeError("file of " + std::to_string(size) + " bytes is larger than " +
                      std::to_string(kMaxImageSize));
    }
    stream.seekg(0, std::ios::beg);
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(size));
    if (!stream.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(size))) {
        throw PeError("cannot read the file");
    }
    return bytes;
}

std::string baseName(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

win32::PageProtection sectionProtection(const PeSection& section) {
    using win32::PageProtection;
    const bool write = section.writable();
    const bool read = (section.characteristics & kSectionRead) != 0;
    if (section.executable()) {
        if (write) return PageProtection::ExecuteReadWrite;
        return read ? PageProtection::ExecuteRead : PageProtection::Execute;
    }
    if (write) return PageProtection::ReadWrite;
    return read ? PageProtection::ReadOnly : PageProtection::NoAccess;
}

}  // namespace

std::unique_ptr<PeModule> PeModule::load(const std::string& path) {
    return load(readFile(path), baseName(path));
}

std::unique_ptr<PeModule> PeModule::load(std::span<const std::uint8_t> file, std::string fileName) {
    std::unique_ptr<PeModule> module(new PeModule(std::move(fileName)));
    module->headers_ = parsePeHeaders(file);
    module->map(file);
    module->tables_ = parsePeTables(
        module->headers_,
        {reinterpret_cast<const std::uint8_t*>(module->base_), module->headers_.sizeOfImage});
    module->relocate();
    module->bindImports();
    module->prepareTls();
    LoadedImages::add(module->base_, module->headers_.sizeOfImage, module->fileName_,
                      &module->tables_);
    module->registered_ = true;
    module->protectSections();
    module->attach();
    return module;
}

PeModule::~PeModule() {
    // Windows runs the TLS callbacks before the entry point for detach too.
    if (attached_) {
        callTlsCallbacks(kProcessDetach);
        if (headers_.entryPoint != 0) {
            reinterpret_cast<EntryFunction>(address(headers_.entryPoint))(
                reinterpret_cast<void*>(base_), kProcessDetach, nullptr);
        }
    }
    if (registered_) LoadedImages::remove(base_);
    if (hasTlsSlot_) ThreadEnvironment::removeTlsBlock(tlsSlot_);
    if (base_ != 0) munmap(reinterpret_cast<void*>(base_), headers_.sizeOfImage);
}

// The image goes to its preferred base when that is free, elsewhere if not.
void PeModule::map(std::span<const std::uint8_t> file) {
    void* memory =
        mmap(reinterpret_cast<void*>(std::uintptr_t{headers_.imageBase}), headers_.sizeOfImage,
             PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) {
        throw PeError("cannot map " + std::to_string(headers_.sizeOfImage) +
                      " bytes: " + std::strerror(errno));
    }
    base_ = reinterpret_cast<std::uintptr_t>(memory);
    layOutImage(headers_, file, {static_cast<std::uint8_t*>(memory), headers_.sizeOfImage});
}

void PeModule::relocate() {
    const std::uint32_t delta = static_cast<std::uint32_t>(base_) - headers_.imageBase;
    if (delta == 0) return;
    if (headers_.relocationsStripped) {
        throw PeError("the image has no relocations and its base " + hex(headers_.imageBase) +
                      " is taken");
    }
    for (const std::uint32_t rva : tables_.relocations) {
        std::uint32_t word;
        std::memcpy(&word, address(rva), sizeof word);
        word += delta;
        std::memcpy(address(rva), &word, sizeof word);
    }
}

void PeModule::bindImports() {
    std::vector<void*> targets;
    targets.reserve(tables_.imports.size());
    for (const PeImport& import : tables_.imports) {
        const Shim* shim = import.name.empty() ? nullptr : findShim(import.library, import.name);
        targets.push_back(shim == nullptr ? nullptr : shim->address);
        if (shim == nullptr) stubs_.add(import.displayName());
    }
    stubs_.seal();
    std::size_t nextStub = 0;
    for (std::size_t i = 0; i < targets.size(); ++i) {
        void* target = targets[i] != nullptr ? targets[i] : stubs_.address(nextStub++);
        const auto word = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(target));
        std::memcpy(address(tables_.imports[i].slotRva), &word, sizeof word);
    }
}

// The module's TLS block for the loading thread (the only block: threads
// share the environment block), and its slot number in the module's index.
void PeModule::prepareTls() {
    if (!tables_.tls) return;
    const PeTls& tls = *tables_.tls;
    tlsBlock_.assign(std::size_t{tls.templateSize} + tls.zeroFill + 1, 0);
    std::memcpy(tlsBlock_.data(), address(tls.templateRva), tls.templateSize);
    tlsSlot_ = ThreadEnvironment::addTlsBlock(tlsBlock_.data());
    hasTlsSlot_ = true;
    if (tls.indexRva != 0) std::memcpy(address(tls.indexRva), &tlsSlot_, sizeof tlsSlot_);
}

void PeModule::protectSections() {
    win32::Dword previous = 0;
    const auto protect = [&](std::uint32_t rva, std::uint32_t size, win32::PageProtection how) {
        if (!LoadedImages::protect(base_ + rva, size, static_cast<win32::Dword>(how), previous)) {
            throw PeError("cannot set the protection of RVA " + hex(rva) + ": " +
                          std::strerror(errno));
        }
    };
    protect(0, headers_.sizeOfImage, win32::PageProtection::ReadOnly);
    for (const PeSection& section : headers_.sections) {
        if (section.mappedSize != 0) {
            protect(section.rva, section.mappedSize, sectionProtection(section));
        }
    }
}

// TLS callbacks first, then the entry point, as Windows does. Once they
// have started, destruction owes them a detach, also when DllMain refuses.
void PeModule::attach() {
    ThreadEnvironment::enter();
    attached_ = true;
    callTlsCallbacks(kProcessAttach);
    if (headers_.entryPoint == 0) return;
    const auto entry = reinterpret_cast<EntryFunction>(address(headers_.entryPoint));
    if (entry(reinterpret_cast<void*>(base_), kProcessAttach, nullptr) == 0) {
        throw PeError("DllMain refused the process attach");
    }
}

void PeModule::callTlsCallbacks(std::uint32_t reason) {
    if (!tables_.tls) return;
    for (const std::uint32_t rva : tables_.tls->callbackRvas) {
        reinterpret_cast<EntryFunction>(address(rva))(reinterpret_cast<void*>(base_), reason,
                                                      nullptr);
    }
}

void* PeModule::exportAddress(const PeExport* entry) const {
    return entry == nullptr || entry->rva == 0 ? nullptr : address(entry->rva);
}

void* PeModule::findExport(std::string_view name) const {
    return exportAddress(pe::findExport(tables_, name));
}

void* PeModule::findExport(std::uint32_t ordinal) const {
    return exportAddress(pe::findExport(tables_, ordinal));
}

std::vector<std::string> PeModule::unboundImports() const {
    std::vector<std::string> names;
    for (std::size_t i = 0; i < stubs_.size(); ++i) names.push_back(stubs_.name(i));
    return names;
}

}  // namespace pe
