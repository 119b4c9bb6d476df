#include "platform/linux/seal/Ed25519.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>

#include <climits>

namespace corvane::seal {

namespace {

struct BioDeleter {
    void operator()(BIO* bio) const { BIO_free(bio); }
};
using Bio = std::unique_ptr<BIO, BioDeleter>;

struct ContextDeleter {
    void operator()(EVP_MD_CTX* context) const { EVP_MD_CTX_free(context); }
};
using DigestContext = std::unique_ptr<EVP_MD_CTX, ContextDeleter>;

Bio readableBio(std::string_view text) {
    if (text.size() > INT_MAX) {
        return nullptr;
    }
    return Bio(BIO_new_mem_buf(text.data(), static_cast<int>(text.size())));
}

std::optional<std::string> bioText(BIO* bio) {
    char* data = nullptr;
    const long length = BIO_get_mem_data(bio, &data);
    if (length <= 0 || data == nullptr) {
        return std::nullopt;
    }
    return std::string(data, static_cast<std::size_t>(length));
}

Key onlyEd25519(EVP_PKEY* key) {
    Key owned(key);
    if (!owned || EVP_PKEY_get_base_id(owned.get()) != EVP_PKEY_ED25519) {
        return nullptr;
    }
    return owned;
}

}  // namespace

void KeyDeleter::operator()(EVP_PKEY* key) const {
    EVP_PKEY_free(key);
}

Key generateKey() {
    return Key(EVP_PKEY_Q_keygen(nullptr, nullptr, "ED25519"));
}

std::optional<std::string> privateKeyPem(const Key& key) {
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!key || !bio ||
        PEM_write_bio_PrivateKey(bio.get(), key.get(), nullptr, nullptr, 0, nullptr, nullptr) !=
            1) {
        return std::nullopt;
    }
    return bioText(bio.get());
}

std::optional<std::string> publicKeyPem(const Key& key) {
    const Bio bio(BIO_new(BIO_s_mem()));
    if (!key || !bio || PEM_write_bio_PUBKEY(bio.get(), key.get()) != 1) {
        return std::nullopt;
    }
    return bioText(bio.get());
}

Key readPrivateKey(std::string_view pem) {
    const Bio bio = readableBio(pem);
    if (!bio) {
        return nullptr;
    }
    // An empty passphrase callback: an encrypted key fails instead of
    // prompting on the terminal.
    pem_password_cb* noPassphrase = [](char*, int, int, void*) { return 0; };
    return onlyEd25519(PEM_read_bio_PrivateKey(bio.get(), nullptr, noPassphrase, nullptr));
}

Key readPublicKey(std::string_view pem) {
    const Bio bio = readableBio(pem);
    if (!bio) {
        return nullptr;
    }
    return onlyEd25519(PEM_read_bio_PUBKEY(bio.get(), nullptr, nullptr, nullptr));
}

std::optional<std::string> sign(const Key& privateKey, std::string_view message) {
    const DigestContext context(EVP_MD_CTX_new());
    std::string signature(64, '\0');
    std::size_t length = signature.size();
    // Ed25519 hashes internally, so no digest is named.
    if (!privateKey || !context ||
        EVP_DigestSignInit(context.get(), nullptr, nullptr, nullptr, privateKey.get()) != 1 ||
        EVP_DigestSign(context.get(), reinterpret_cast<unsigned char*>(signature.data()), &length,
                       reinterpret_cast<const unsigned char*>(message.data()),
                       message.size()) != 1 ||
        length != signature.size()) {
        return std::nullopt;
    }
    return signature;
}

bool verify(const Key& publicKey, std::string_view message, std::string_view signature) {
    const DigestContext context(EVP_MD_CTX_new());
    return publicKey && context && signature.size() == 64 &&
           EVP_DigestVerifyInit(context.get(), nullptr, nullptr, nullptr, publicKey.get()) == 1 &&
           EVP_DigestVerify(context.get(), reinterpret_cast<const unsigned char*>(signature.data()),
                            signature.size(),
                            reinterpret_cast<const unsigned char*>(message.data()),
                            message.size()) == 1;
}

}  // namespace corvane::seal
