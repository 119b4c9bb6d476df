#include "updater/Failure.h"

#include <cstdio>
#include <system_error>

namespace corvane::updater {

namespace {

std::string escapeControlCharacters(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            char code[5];
            std::snprintf(code, sizeof code, "\\x%02X", byte);
            escaped += code;
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace

std::string Failure::description() const {
    if (const auto* own = std::get_if<UpdaterError>(&cause_)) {
        return name(*own);
    }
    const auto& system = std::get<SystemError>(cause_);
    return escapeControlCharacters(system.action + ": " +
                                   std::generic_category().message(system.code));
}

}  // namespace corvane::updater
