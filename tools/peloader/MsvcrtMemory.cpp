// msvcrt's heap and 8-bit string functions: the same functions as the
// host's C library with the same 32-bit cdecl interface, reached through
// wrappers that realign the stack (DLL code keeps only 4-byte alignment).
#include <cstddef>
#include <cstdlib>
#include <cstring>

#include "Shim.h"

namespace pe::msvcrt {
namespace {

[[gnu::cdecl, gnu::force_align_arg_pointer]] void* malloc(std::size_t size) {
    return std::malloc(size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void* calloc(std::size_t count, std::size_t size) {
    return std::calloc(count, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void* realloc(void* block, std::size_t size) {
    return std::realloc(block, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void free(void* block) {
    std::free(block);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] const void* memchr(const void* block, int value,
                                                                std::size_t size) {
    return std::memchr(block, value, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] int memcmp(const void* a, const void* b,
                                                        std::size_t size) {
    return std::memcmp(a, b, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void* memcpy(void* to, const void* from,
                                                          std::size_t size) {
    return std::memcpy(to, from, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void* memmove(void* to, const void* from,
                                                           std::size_t size) {
    return std::memmove(to, from, size);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] void* memset(void* block, int value,
                                                          std::size_t size) {
    return std::memset(block, value, size);
}

[[gnu::cdecl, gnu::force_align_arg_pointer]] const char* strchr(const char* text, int c) {
    return std::strchr(text, c);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] int strcmp(const char* a, const char* b) {
    return std::strcmp(a, b);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] std::size_t strlen(const char* text) {
    return std::strlen(text);
}
[[gnu::cdecl, gnu::force_align_arg_pointer]] int strncmp(const char* a, const char* b,
                                                         std::size_t count) {
    return std::strncmp(a, b, count);
}

const Shim kShims[] = {
    {"msvcrt.dll", "calloc", shimAddress(calloc)},   {"msvcrt.dll", "free", shimAddress(free)},
    {"msvcrt.dll", "malloc", shimAddress(malloc)},   {"msvcrt.dll", "memchr", shimAddress(memchr)},
    {"msvcrt.dll", "memcmp", shimAddress(memcmp)},   {"msvcrt.dll", "memcpy", shimAddress(memcpy)},
    {"msvcrt.dll", "memmove", shimAddress(memmove)}, {"msvcrt.dll", "memset", shimAddress(memset)},
    {"msvcrt.dll", "realloc", shimAddress(realloc)}, {"msvcrt.dll", "strchr", shimAddress(strchr)},
    {"msvcrt.dll", "strcmp", shimAddress(strcmp)},   {"msvcrt.dll", "strlen", shimAddress(strlen)},
    {"msvcrt.dll", "strncmp", shimAddress(strncmp)},
};

}  // namespace
}  // namespace pe::msvcrt

std::span<const pe::Shim> pe::msvcrtMemoryShims() {
    return msvcrt::kShims;
}
