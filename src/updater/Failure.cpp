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
    std::string text;
    if (const auto* own = std::get_if<UpdaterError>(&cause_)) {
        text = name(*own);
    } else {
        const auto& system = std::get<SystemError>(cause_);
        text = system.action + ": " + std::generic_category().message(system.code);
    }
    for (const auto& note : notes_) {
        text += "; " + note;
    }
    return escapeControlCharacters(text);
}

}  // namespace corvane::updater
