#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

namespace corvane {

// The build number a bundle's "CFBundleVersion" text stands for: the text
// must be a whole decimal number within the signed 64-bit range, with an
// optional leading "+" or "-" and nothing else (no spaces, no dots, no
// letters). Every other text, and no text at all, is build 0.
qint64 buildNumberFromBundleVersion(const std::optional<QString>& text);

}  // namespace corvane
