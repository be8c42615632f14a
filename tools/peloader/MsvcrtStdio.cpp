// msvcrt's standard streams. A DLL can open no file (there is no shim for
// fopen or _open), so its streams are the three of _iob, which stand for the
// host's stdin, stdout and stderr; text goes out as UTF-8.
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <string>

#include "MsvcrtFormat.h"
#include "Shim.h"
#include "Utf16.h"

namespace pe::msvcrt {
namespace {

// FILE of 32-bit msvcrt. DLL code only passes their addresses around; the
// fields are set as msvcrt sets them for unbuffered standard streams.
struct MsvcrtFile {
    char* pointer;       // next character in the buffer
    int count;           // characters left in the buffer
    char* base;          // the buffer
    int flags;           // kStreamRead or kStreamWrite
    int descriptor;      // 0, 1 or 2
    int charBuffer;      // unused
    int bufferSize;      // unused
    char* tempFileName;  // unused
};
static_assert(sizeof(MsvcrtFile) == 32);

constexpr int kStreamRead = 0x0001;
constexpr int kStreamWrite = 0x0002;
constexpr int kWideEndOfFile = 0xFFFF;

// The data import _iob: the standard streams.
MsvcrtFile iob[3] = {
    {nullptr, 0, nullptr, kStreamRead, 0, 0, 0, nullptr},
    {nullptr, 0, nullptr, kStreamWrite, 1, 0, 0, nullptr},
    {nullptr, 0, nullptr, kStreamWrite, 2, 0, 0, nullptr},
};

// The host stream for a DLL stream; null (with EINVAL) for any other address.
std::FILE* hostStream(const MsvcrtFile* stream) {
    if (stream == &iob[0]) return stdin;
    if (stream == &iob[1]) return stdout;
    if (stream == &iob[2]) return stderr;
    errno = EINVAL;
    return nullptr;
}

int writeText(const MsvcrtFile* stream, const std::string& text) {
    std::FILE* host = hostStream(stream);
    if (host == nullptr) return -1;
    return std::fwrite(text.data(), 1, text.size(), host) == text.size() ? 0 : -1;
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] int fputc(int c, MsvcrtFile* stream) {
    std::FILE* host = hostStream(stream);
    return host == nullptr ? EOF : std::fputc(c, host);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] int fputs(const char* text, MsvcrtFile* stream) {
    std::FILE* host = hostStream(stream);
    return host == nullptr ? EOF : std::fputs(text, host);
}

// A lone surrogate has no UTF-8 form: EILSEQ, as msvcrt answers a character
// the locale cannot write.
[[gnu::cdecl, gnu::force_align_arg_pointer]] int fputwc(char16_t unit, MsvcrtFile* stream) {
    if (unit >= 0xD800 && unit <= 0xDFFF) {
        errno = EILSEQ;
        return kWideEndOfFile;
    }
    std::string encoded;
    utf16::appendUtf8(encoded, unit);
    return writeText(stream, encoded) == 0 ? unit : kWideEndOfFile;
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] std::size_t fwrite(const void* data, std::size_t size,
                                                                std::size_t count,
                                                                MsvcrtFile* stream) {
    std::FILE* host = hostStream(stream);
    return host == nullptr ? 0 : std::fwrite(data, size, count, host);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] int vfprintf(MsvcrtFile* stream, const char* format,
                                                          va_list args) {
    const std::string text = formatNarrow(format, args);
    return writeText(stream, text) == 0 ? static_cast<int>(text.size()) : -1;
}

// The count is of 16-bit units, as the wide functions count.
[[gnu::cdecl, gnu::force_align_arg_pointer]] int fwprintf(MsvcrtFile* stream,
                                                          const char16_t* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = formatWide(format, args);
    va_end(args);
    return writeText(stream, text) == 0 ? static_cast<int>(utf16::unitsForUtf8(text)) : -1;
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] int _read(int descriptor, void* buffer,
                                                       unsigned count) {
    if (descriptor < 0 || descriptor > 2) {
        errno = EBADF;
        return -1;
    }
    return static_cast<int>(::read(descriptor, buffer, count));
}

// The only descriptors a DLL can have are the host's standard ones, which
// stay open: closing them would take the host's output away.
[[gnu::cdecl, gnu::force_align_arg_pointer]] int _close(int /*descriptor*/) {
    errno = EBADF;
    return -1;
}

const Shim kShims[] = {
    {"msvcrt.dll", "_close", shimAddress(_close)},
    {"msvcrt.dll", "_iob", shimAddress(iob)},
    {"msvcrt.dll", "_read", shimAddress(_read)},
    {"msvcrt.dll", "fputc", shimAddress(fputc)},
    {"msvcrt.dll", "fputs", shimAddress(fputs)},
    {"msvcrt.dll", "fputwc", shimAddress(fputwc)},
    {"msvcrt.dll", "fwprintf", shimAddress(fwprintf)},
    {"msvcrt.dll", "fwrite", shimAddress(fwrite)},
    {"msvcrt.dll", "vfprintf", shimAddress(vfprintf)},
};

}  // namespace
}  // namespace pe::msvcrt

std::span<const pe::Shim> pe::msvcrtStdioShims() {
    return msvcrt::kShims;
}
