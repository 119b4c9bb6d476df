#pragma once

#include <QList>
#include <QUrl>

namespace corvane {

// `urls` without repetitions, in their order. Two URLs repeat each other when
// their paths are equal after removing "." components, resolvable ".."
// components, repeated and trailing separators; symbolic links are not
// resolved. The first of each group is kept exactly as it was given.
QList<QUrl> unique(const QList<QUrl>& urls);

}  // namespace corvane
