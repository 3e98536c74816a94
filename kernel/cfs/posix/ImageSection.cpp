// The image's sections, found in the ELF section table of /proc/self/exe. The sections the
// build adds are not loaded by the program loader, so the executable file is mapped
// read-only once and kept mapped for the life of the process.
#include "kernel/cfs/ImageSection.h"

#include <elf.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

struct Section {
    std::string name;
    const unsigned char* data;
    std::size_t size;
};

bool fits(std::size_t size, std::uint64_t offset, std::uint64_t length) {
    return offset <= size && length <= size - offset;
}

std::vector<Section> readSectionTable(const unsigned char* image, std::size_t size) {
    std::vector<Section> sections;
    Elf64_Ehdr header;
    if (!fits(size, 0, sizeof header)) {
        return sections;
    }
    std::memcpy(&header, image, sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 ||
        header.e_ident[EI_CLASS] != ELFCLASS64 || header.e_shentsize != sizeof(Elf64_Shdr) ||
        !fits(size, header.e_shoff, std::uint64_t{header.e_shnum} * sizeof(Elf64_Shdr)) ||
        header.e_shstrndx >= header.e_shnum) {
        return sections;
    }
    auto sectionHeader = [&](unsigned index) {
        Elf64_Shdr entry;
        std::memcpy(&entry, image + header.e_shoff + index * sizeof(Elf64_Shdr), sizeof entry);
        return entry;
    };
    const Elf64_Shdr names = sectionHeader(header.e_shstrndx);
    if (!fits(size, names.sh_offset, names.sh_size)) {
        return sections;
    }
    const char* nameTable = reinterpret_cast<const char*>(image + names.sh_offset);
    for (unsigned i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr entry = sectionHeader(i);
        if (entry.sh_type == SHT_NOBITS || entry.sh_name >= names.sh_size ||
            !fits(size, entry.sh_offset, entry.sh_size)) {
            continue;
        }
        std::string name(nameTable + entry.sh_name,
                         strnlen(nameTable + entry.sh_name, names.sh_size - entry.sh_name));
        sections.push_back({name, image + entry.sh_offset, std::size_t(entry.sh_size)});
    }
    return sections;
}

struct Mapping {
    void* base = nullptr;
    std::size_t length = 0;
};

Mapping& mapping() {
    static Mapping m;
    return m;
}

const std::vector<Section>& imageSections() {
    static const std::vector<Section> sections = [] {
        int fd = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            return std::vector<Section>();
        }
        struct stat status;
        void* image = MAP_FAILED;
        if (::fstat(fd, &status) == 0 && status.st_size > 0) {
            image = ::mmap(nullptr, std::size_t(status.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        }
        ::close(fd);
        if (image == MAP_FAILED) {
            return std::vector<Section>();
        }
        mapping() = {image, std::size_t(status.st_size)};
        return readSectionTable(static_cast<const unsigned char*>(image),
                                std::size_t(status.st_size));
    }();
    return sections;
}

}  // namespace

bool TovFindImageSection(const char* name, const unsigned char** data, std::size_t* size) {
    for (const Section& section : imageSections()) {
        if (section.name == name) {
            *data = section.data;
            *size = section.size;
            return true;
        }
    }
    return false;
}

bool TovFindImageSectionByPrefix(const char* prefix, char (&name)[9], const unsigned char** data,
                                 std::size_t* size) {
    const std::size_t length = std::strlen(prefix);
    for (const Section& section : imageSections()) {
        if (section.name.compare(0, length, prefix) == 0) {
            std::memset(name, 0, sizeof name);
            section.name.copy(name, 8);
            *data = section.data;
            *size = section.size;
            return true;
        }
    }
    return false;
}

void TovReleaseImageSectionPages() {
    imageSections();
    const Mapping& m = mapping();
    if (m.base != nullptr) {
        // A private mapping that was never written: dropped pages fault in from the file.
        ::madvise(m.base, m.length, MADV_DONTNEED);
    }
}
