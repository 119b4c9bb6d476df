#include "updater/Failure.h"

#include <system_error>

#include "platform/linux/files/OneLine.h"

namespace corvane::updater {

std::string Failure::description() const {
    if (const auto* own = std::get_if<UpdaterError>(&cause_)) {
        return name(*own);
    }
    const auto& system = std::get<SystemError>(cause_);
    return files::oneLine(system.action + ": " + std::generic_category().message(system.code));
}

}  // namespace corvane::updater
