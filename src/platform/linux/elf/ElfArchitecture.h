#pragma once

#include <filesystem>
#include <string>
#include <variant>

namespace corvane::elf {

enum class ElfFault {
    unreadable,  // the file cannot be opened or read
    notElf,      // no ELF header
};

// The architecture word of the ELF executable at `path`, from its header's
// machine field: "x86_64", "arm64", "i386", "arm", "riscv", or
// "machine-<number>" for any other machine. Only regular files are read.
std::variant<std::string, ElfFault> elfArchitecture(const std::filesystem::path& path);

// The word for the processor this program was built for: "x86_64" on
// x86-64, "arm64" on AArch64.
std::string hostArchitecture();

}  // namespace corvane::elf
