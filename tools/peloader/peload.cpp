// peload: loads a PE32 DLL with the loader and reports what happened, for
// checking a DLL against the loader's shims by hand.
//
//   peload [--imports] [--exports] DLL
//
// Exit code 0: loaded, every import bound to a shim; 1: loaded, but some
// imports are bound to aborting stubs (listed); 2: usage error or the DLL
// cannot be loaded (one line on stderr).
#include <chrono>
#include <cstdio>
#include <cstring>
#include <string>

#include "PeError.h"
#include "PeModule.h"
#include "Shim.h"

namespace {

struct Options {
    bool imports = false;
    bool exports = false;
    const char* path = nullptr;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--imports") == 0) {
            options.imports = true;
        } else if (std::strcmp(argv[i], "--exports") == 0) {
            options.exports = true;
        } else if (argv[i][0] == '-' || options.path != nullptr) {
            return false;
        } else {
            options.path = argv[i];
        }
    }
    return options.path != nullptr;
}

void printImports(const pe::PeModule& module) {
    for (const pe::PeImport& import : module.tables().imports) {
        const bool shimmed = !import.name.empty() && pe::findShim(import.library, import.name);
        std::printf("  import %-40s %s\n", import.displayName().c_str(), shimmed ? "shim" : "STUB");
    }
}

void printExports(const pe::PeModule& module) {
    std::printf("  export table name: %s\n", module.tables().exportName.c_str());
    for (const pe::PeExport& entry : module.tables().exports) {
        std::printf("  export @%u %s %s\n", entry.ordinal,
                    entry.name.empty() ? "(no name)" : entry.name.c_str(),
                    entry.forwarder.empty() ? pe::hex(entry.rva).c_str()
                                            : ("-> " + entry.forwarder).c_str());
    }
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!parseOptions(argc, argv, options)) {
        std::fprintf(stderr, "usage: peload [--imports] [--exports] DLL\n");
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        auto module = pe::PeModule::load(options.path);
        const std::chrono::duration<double, std::milli> took =
            std::chrono::steady_clock::now() - start;
        const auto unbound = module->unboundImports();
        std::printf(
            "%s: loaded at %s in %.1f ms; %zu imports, %zu without a shim (%zu shims "
            "available)\n",
            options.path, pe::hex(module->base()).c_str(), took.count(),
            module->tables().imports.size(), unbound.size(), pe::shimCount());
        if (options.imports) printImports(*module);
        if (options.exports) printExports(*module);
        for (const std::string& name : unbound) std::printf("  no shim: %s\n", name.c_str());
        return unbound.empty() ? 0 : 1;
    } catch (const pe::PeError& error) {
        std::fprintf(stderr, "peload: %s: %s\n", options.path, error.what());
        return 2;
    }
}
