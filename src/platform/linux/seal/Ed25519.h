#pragma once

#include <openssl/types.h>

#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace corvane::seal {

struct KeyDeleter {
    void operator()(EVP_PKEY* key) const;
};
// An Ed25519 key, private (which includes its public half) or public only.
using Key = std::unique_ptr<EVP_PKEY, KeyDeleter>;

// A fresh private key; empty when OpenSSL cannot make one.
Key generateKey();

// The private key as unencrypted PKCS #8 PEM text, and the public half as
// SubjectPublicKeyInfo PEM text. Empty when OpenSSL fails.
std::optional<std::string> privateKeyPem(const Key& key);
std::optional<std::string> publicKeyPem(const Key& key);

// Keys read back from that PEM text; empty unless the text holds exactly an
// Ed25519 key of that kind (another algorithm's key is never accepted).
Key readPrivateKey(std::string_view pem);
Key readPublicKey(std::string_view pem);

// The 64-byte Ed25519 signature of `message`; empty when OpenSSL fails.
std::optional<std::string> sign(const Key& privateKey, std::string_view message);

// True only when `signature` is a valid Ed25519 signature of `message`
// under `publicKey`.
bool verify(const Key& publicKey, std::string_view message, std::string_view signature);

}  // namespace corvane::seal
