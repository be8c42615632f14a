// Fuzzes the PE header and table parser: any bytes must give headers and
// tables or a PeError, never a crash, a sanitizer report or a hang.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "PeError.h"
#include "PeHeaders.h"
#include "PeTables.h"

namespace {

// Images are laid out in memory; bigger ones are not worth the fuzzer's time.
constexpr std::uint32_t kMaxFuzzedImage = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    try {
        const pe::PeHeaders headers = pe::parsePeHeaders(file);
        if (headers.sizeOfImage > kMaxFuzzedImage) return 0;
        std::vector<std::uint8_t> image(headers.sizeOfImage);
        pe::layOutImage(headers, file, image);
        const pe::PeTables tables = pe::parsePeTables(headers, image);
        for (const pe::PeExport& entry : tables.exports) {
            (void)pe::findExport(tables, entry.name);
            (void)pe::findExport(tables, entry.ordinal);
        }
    } catch (const pe::PeError&) {
    }
    return 0;
}
