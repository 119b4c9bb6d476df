#include "platform/linux/elf/ElfArchitecture.h"

#include <elf.h>
#include <unistd.h>

#include <cstdint>

#include "platform/linux/files/RegularFile.h"

namespace corvane::elf {

std::variant<std::string, ElfFault> elfArchitecture(const std::filesystem::path& path) {
    auto opened = files::openRegularFile(path);
    if (std::holds_alternative<std::error_code>(opened)) {
        return ElfFault::unreadable;
    }
    // e_ident (16 bytes), e_type (2), e_machine (2): the same place in 32-
    // and 64-bit headers.
    unsigned char header[20];
    const ssize_t got = ::pread(std::get<files::UniqueFd>(opened).get(), header, sizeof header, 0);
    if (got < 0) {
        return ElfFault::unreadable;
    }
    if (got < static_cast<ssize_t>(sizeof header) || header[EI_MAG0] != ELFMAG0 ||
        header[EI_MAG1] != ELFMAG1 || header[EI_MAG2] != ELFMAG2 || header[EI_MAG3] != ELFMAG3 ||
        (header[EI_CLASS] != ELFCLASS32 && header[EI_CLASS] != ELFCLASS64) ||
        (header[EI_DATA] != ELFDATA2LSB && header[EI_DATA] != ELFDATA2MSB)) {
        return ElfFault::notElf;
    }
    const std::uint16_t machine = header[EI_DATA] == ELFDATA2LSB
                                      ? static_cast<std::uint16_t>(header[18] | header[19] << 8)
                                      : static_cast<std::uint16_t>(header[18] << 8 | header[19]);
    switch (machine) {
        case EM_X86_64:
            return std::string("x86_64");
        case EM_AARCH64:
            return std::string("arm64");
        case EM_386:
            return std::string("i386");
        case EM_ARM:
            return std::string("arm");
        case EM_RISCV:
            return std::string("riscv");
        default:
            return "machine-" + std::to_string(machine);
    }
}

std::string hostArchitecture() {
#if defined(__x86_64__)
    return "x86_64";
#elif defined(__aarch64__)
    return "arm64";
#else
#error "no architecture word for this processor"
#endif
}

}  // namespace corvane::elf
