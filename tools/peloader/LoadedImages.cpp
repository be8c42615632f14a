#include "LoadedImages.h"

#include <sys/mman.h>

#include <algorithm>
#include <cctype>
#include <mutex>
#include <vector>

namespace pe {
namespace {

struct Image {
    std::uintptr_t base;
    std::uint32_t size;
    std::string fileName;
    const PeTables* tables;
    std::vector<win32::Dword> pageProtection;

    bool holds(std::uintptr_t address) const { return address - base < size; }
};

struct Registry {
    std::mutex mutex;
    std::vector<Image> images;

    Image* holding(std::uintptr_t address) {
        for (Image& image : images) {
            if (image.holds(address)) return &image;
        }
        return nullptr;
    }
    Image* at(std::uintptr_t base) {
        for (Image& image : images) {
            if (image.base == base) return &image;
        }
        return nullptr;
    }
};

Registry& registry() {
    static Registry instance;
    return instance;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// Windows appends ".dll" to a module name without an extension.
std::string moduleFileName(std::string_view name) {
    std::string lower = lowerCase(name);
    if (lower.find('.') == std::string::npos) lower += ".dll";
    return lower;
}

void* addressOf(const Image& image, const PeExport* entry) {
    if (entry == nullptr || entry->rva == 0) return nullptr;
    return reinterpret_cast<void*>(image.base + entry->rva);
}

}  // namespace

void LoadedImages::add(std::uintptr_t base, std::uint32_t size, std::string fileName,
                       const PeTables* tables) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    r.images.push_back(
        Image{base, size, lowerCase(fileName), tables,
              std::vector<win32::Dword>(
                  size / kPageSize, static_cast<win32::Dword>(win32::PageProtection::ReadWrite))});
}

void LoadedImages::remove(std::uintptr_t base) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::erase_if(r.images, [base](const Image& image) { return image.base == base; });
}

std::uintptr_t LoadedImages::findByName(std::string_view name) {
    const std::string wanted = moduleFileName(name);
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    for (const Image& image : r.images) {
        if (image.fileName == wanted) return image.base;
    }
    return 0;
}

bool LoadedImages::isImageBase(std::uintptr_t base) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return r.at(base) != nullptr;
}

void* LoadedImages::exportAddress(std::uintptr_t base, std::string_view name) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const Image* image = r.at(base);
    return image == nullptr ? nullptr : addressOf(*image, findExport(*image->tables, name));
}

void* LoadedImages::exportAddress(std::uintptr_t base, std::uint32_t ordinal) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const Image* image = r.at(base);
    return image == nullptr ? nullptr : addressOf(*image, findExport(*image->tables, ordinal));
}

std::optional<LoadedImages::Region> LoadedImages::query(std::uintptr_t address) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    const Image* image = r.holding(address);
    if (image == nullptr) return std::nullopt;
    const std::size_t first = (address - image->base) / kPageSize;
    std::size_t last = first + 1;
    while (last < image->pageProtection.size() &&
           image->pageProtection[last] == image->pageProtection[first]) {
        ++last;
    }
    return Region{image->base + first * kPageSize,
                  static_cast<std::uint32_t>((last - first) * kPageSize), image->base,
                  image->pageProtection[first]};
}

bool LoadedImages::protect(std::uintptr_t address, std::uint32_t size, win32::Dword protection,
                           win32::Dword& oldProtection) {
    const int flags = win32::posixProtection(protection);
    if (flags < 0 || size == 0) return false;
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    Image* image = r.holding(address);
    if (image == nullptr || size - 1 > image->size - 1 - (address - image->base)) return false;
    const std::size_t first = (address - image->base) / kPageSize;
    const std::size_t end = (address - image->base + size - 1) / kPageSize + 1;
    if (mprotect(reinterpret_cast<void*>(image->base + first * kPageSize),
                 (end - first) * kPageSize, flags) != 0) {
        return false;
    }
    oldProtection = image->pageProtection[first];
    std::fill(image->pageProtection.begin() + static_cast<std::ptrdiff_t>(first),
              image->pageProtection.begin() + static_cast<std::ptrdiff_t>(end), protection);
    return true;
}

}  // namespace pe
