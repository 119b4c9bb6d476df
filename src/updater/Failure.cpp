#include "updater/Failure.h"

#include <system_error>

#include "platform/linux/files/OneLine.h"

namespace corvane::updater {

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
    return files::oneLine(text);
}

}  // namespace corvane::updater
