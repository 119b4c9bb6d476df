#pragma once

#include <filesystem>
#include <stop_token>
#include <string>
#include <system_error>
#include <variant>

namespace corvane::seal {

// The SHA-256 digest of the regular file at `path` as 64 lower-case
// hexadecimal digits, read in large slices with OpenSSL's EVP interface and
// never held in memory whole. Anything but a regular file is refused
// without being opened for reading (files::FileFault::notRegularFile); a
// stop request ends the reading with std::errc::operation_canceled.
std::variant<std::string, std::error_code> sha256File(const std::filesystem::path& path,
                                                      std::stop_token stop = {});

}  // namespace corvane::seal
