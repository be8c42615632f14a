#include "Plugin.h"

#include <sys/stat.h>

#include <array>
#include <cerrno>
#include <cstring>
#include <fstream>

#include "BadInput.h"
#include "PluginFile.h"
#include "SharedObjectPlugin.h"
#include "WindowsDllPlugin.h"

namespace {

constexpr std::size_t kHeaderBytes = 64;

// The first bytes of the file, or BadInput when it cannot be read.
std::array<unsigned char, kHeaderBytes> readHeader(const std::string& path, std::size_t& length) {
    struct stat status {};
    if (stat(path.c_str(), &status) != 0) {
        throw BadInput(path + ": cannot open: " + std::strerror(errno));
    }
    if (S_ISDIR(status.st_mode)) throw BadInput(path + ": is a directory, not a plug-in");
    std::ifstream file(path, std::ios::binary);
    if (!file) throw BadInput(path + ": cannot open: " + std::strerror(errno));
    std::array<unsigned char, kHeaderBytes> header{};
    file.read(reinterpret_cast<char*>(header.data()), header.size());
    length = static_cast<std::size_t>(file.gcount());
    return header;
}

}  // namespace

std::unique_ptr<Plugin> loadPlugin(const std::string& path) {
    std::size_t length = 0;
    const auto header = readHeader(path, length);
    const PluginFileKind kind = classifyPluginFile(std::span(header.data(), length));
    if (kind == PluginFileKind::WindowsImage) return loadWindowsDll(path);
    if (kind != PluginFileKind::SharedObject) {
        throw BadInput(path + ": " + describeUnloadable(kind));
    }
    return std::make_unique<SharedObjectPlugin>(path);
}

void requireExports(const Plugin& plugin) {
    const bool hasProperties = plugin.getModuleProperties() != nullptr;
    const bool hasMake = plugin.makeModule() != nullptr;
    if (hasProperties && hasMake) return;
    std::string missing;
    if (!hasProperties && !hasMake) {
        missing = std::string("exports neither ") + kGetModulePropertiesName + " nor " +
                  kMakeModuleName + ": not a plug-in of this format";
    } else {
        missing = std::string("does not export ") +
                  (hasProperties ? kMakeModuleName : kGetModulePropertiesName);
    }
    throw BadInput(plugin.path() + ": " + missing);
}
