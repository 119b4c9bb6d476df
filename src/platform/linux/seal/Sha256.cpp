#include "platform/linux/seal/Sha256.h"

#include <fcntl.h>
#include <openssl/evp.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <vector>

#include "platform/linux/files/RegularFile.h"

namespace corvane::seal {

namespace {

struct DigestContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};

std::error_code cryptoFailure() {
    return std::make_error_code(std::errc::io_error);
}

}  // namespace

std::variant<std::string, std::error_code> sha256File(const std::filesystem::path& path,
                                                      std::stop_token stop) {
    auto opened = files::openRegularFile(path);
    if (const auto* error = std::get_if<std::error_code>(&opened)) {
        return *error;
    }
    const int fd = std::get<files::UniqueFd>(opened).get();
    ::posix_fadvise(fd, 0, 0, POSIX_FADV_SEQUENTIAL);

    const std::unique_ptr<EVP_MD_CTX, DigestContextDeleter> context(EVP_MD_CTX_new());
    if (!context || EVP_DigestInit_ex(context.get(), EVP_sha256(), nullptr) != 1) {
        return cryptoFailure();
    }
    // Large enough that the system calls cost nothing beside the hashing,
    // small enough to stay in the processor's cache.
    std::vector<unsigned char> buffer(256 * 1024);
    while (true) {
        if (stop.stop_requested()) {
            return std::make_error_code(std::errc::operation_canceled);
        }
        const ssize_t got = ::read(fd, buffer.data(), buffer.size());
        if (got < 0) {
            if (errno == EINTR) {
                continue;
            }
            return std::error_code(errno, std::generic_category());
        }
        if (got == 0) {
            break;
        }
        if (EVP_DigestUpdate(context.get(), buffer.data(), static_cast<std::size_t>(got)) != 1) {
            return cryptoFailure();
        }
    }
    unsigned char digest[EVP_MAX_MD_SIZE];
    unsigned int length = 0;
    if (EVP_DigestFinal_ex(context.get(), digest, &length) != 1) {
        return cryptoFailure();
    }
    static const char kHex[] = "0123456789abcdef";
    std::string text;
    text.reserve(2 * length);
    for (unsigned int i = 0; i < length; ++i) {
        text += kHex[digest[i] >> 4];
        text += kHex[digest[i] & 0x0f];
    }
    return text;
}

}  // namespace corvane::seal
