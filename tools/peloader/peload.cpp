// peload: loads a PE32 DLL with the loader and reports what happened, for
// checking a DLL against the loader's shims by hand.
//
//   peload [--imports] [--exports] [--repeat N] DLL
//
// --repeat loads and unloads the DLL N times more and reports the mean time
// of those loads (the first one also pays for translating the loader's code
// under an emulator).
//
// Exit code 0: loaded, every import bound to a shim; 1: loaded, but some
// imports are bound to aborting stubs (listed); 2: usage error or the DLL
// cannot be loaded (one line on stderr).
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "PeError.h"
#include "PeModule.h"
#include "Shim.h"

namespace {

struct Options {
    bool imports = false;
    bool exports = false;
    int repeat = 0;
    const char* path = nullptr;
};

bool parseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--imports") == 0) {
            options.imports = true;
        } else if (std::strcmp(argv[i], "--exports") == 0) {
            options.exports = true;
        } else if (std::strcmp(argv[i], "--repeat") == 0 && i + 1 < argc) {
            options.repeat = std::atoi(argv[++i]);
            if (options.repeat <= 0) return false;
        } else if (argv[i][0] == '-' || options.path != nullptr) {
            return false;
        } else {
            options.path = argv[i];
        }
    }
    return options.path != nullptr;
}

double millisecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

void printRepeatedLoads(const char* path, int times) {
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < times; ++i) pe::PeModule::load(path);
    std::printf("  %d more loads and unloads: %.1f ms each\n", times,
                millisecondsSince(start) / times);
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
        std::fprintf(stderr, "usage: peload [--imports] [--exports] [--repeat N] DLL\n");
        return 2;
    }
    try {
        const auto start = std::chrono::steady_clock::now();
        auto module = pe::PeModule::load(options.path);
        const double took = millisecondsSince(start);
        const auto unbound = module->unboundImports();
        std::printf(
            "%s: loaded at %s in %.1f ms; %zu imports, %zu without a shim (%zu shims "
            "available)\n",
            options.path, pe::hex(module->base()).c_str(), took, module->tables().imports.size(),
            unbound.size(), pe::shimCount());
        if (options.imports) printImports(*module);
        if (options.exports) printExports(*module);
        if (options.repeat > 0) printRepeatedLoads(options.path, options.repeat);
        for (const std::string& name : unbound) std::printf("  no shim: %s\n", name.c_str());
        return unbound.empty() ? 0 : 1;
    } catch (const pe::PeError& error) {
        std::fprintf(stderr, "peload: %s: %s\n", options.path, error.what());
        return 2;
    }
}
