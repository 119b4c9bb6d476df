#pragma once

#include <QHash>
#include <QString>
#include <QStringList>
#include <optional>

namespace corvane::desktopEntry {

// The keys of the "[Desktop Entry]" group with their values unescaped;
// absent when the text has no such group. Localised keys ("Name[ko]") are
// left out.
std::optional<QHash<QString, QString>> mainGroup(const QString& text);

// An Exec value that runs `program` with no arguments, quoted and escaped
// so that any path reads back unchanged. Absent for a path holding control
// characters, which an entry cannot carry.
std::optional<QString> execValue(const QString& program);

// The arguments of an unescaped Exec value, quotes removed and "%%" read
// as "%"; absent when a quote is left open.
std::optional<QStringList> execArguments(const QString& exec);

}  // namespace corvane::desktopEntry
