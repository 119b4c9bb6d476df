#pragma once

#include <cstddef>
#include <filesystem>
#include <stop_token>
#include <string>
#include <system_error>
#include <type_traits>
#include <variant>

#include "platform/linux/files/UniqueFd.h"

namespace corvane::files {

// Why a file was refused before or while it was read, beside the errno
// values of failed system calls.
enum class FileFault {
    notRegularFile = 1,  // a folder, FIFO, device or socket
    tooLarge,            // more bytes than the caller allows
};

std::error_code make_error_code(FileFault fault);

}  // namespace corvane::files

template <>
struct std::is_error_code_enum<corvane::files::FileFault> : std::true_type {};

namespace corvane::files {

// Opens `path` (following symbolic links) for reading, but only when it is a
// regular file. Anything else is refused with FileFault::notRegularFile
// without ever being opened for reading: opening a FIFO would block, and
// opening a device can have effects of its own.
std::variant<UniqueFd, std::error_code> openRegularFile(const std::filesystem::path& path);

// The whole content of the regular file at `path`, refused with
// FileFault::tooLarge when it holds more than `maxBytes`.
std::variant<std::string, std::error_code> readRegularFile(const std::filesystem::path& path,
                                                           std::size_t maxBytes);

// Copies the regular file `from` to the new file `to` (never replacing
// anything there), with `to`'s permissions 0644 before the umask. Stops with
// std::errc::operation_canceled once `stop` is requested. On any failure
// the partial copy is removed.
std::error_code copyRegularFile(const std::filesystem::path& from, const std::filesystem::path& to,
                                std::stop_token stop = {});

}  // namespace corvane::files
