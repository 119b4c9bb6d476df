#pragma once

#include <ctime>
#include <string>

namespace corvane::updater {

// `moment` in local time as "yyyyMMdd-HHmmss", e.g. "20240229-235959".
std::string timestamp(std::time_t moment);

// A new random (version 4) UUID in its canonical upper-case form,
// "0F1E2D3C-4B5A-4978-8796-A5B4C3D2E1F0". Throws Failure when the system
// has no randomness to give.
std::string newUuidText();

// "Corvane.app." + `timestamp` + "-" + the first 8 characters of `uuidText`.
std::string backupName(const std::string& timestamp, const std::string& uuidText);

}  // namespace corvane::updater
