#pragma once

// Lets GoogleTest print Qt strings readably in failure messages and name
// parameterised cases. Every test executable includes this file through
// corvane_add_test().

#include <QRect>
#include <QString>
#include <QStringList>
#include <concepts>
#include <ostream>
#include <string>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* out) {
    *out << '[' << list.join(QStringLiteral(", ")).toStdString() << ']';
}

inline void PrintTo(const QRect& r, std::ostream* out) {
    *out << r.x() << ',' << r.y() << ' ' << r.width() << 'x' << r.height();
}

// A row of a parameterised test table. GoogleTest prints a row by its name
// in failure messages and in the test names CTest lists, instead of as raw
// bytes; CaseName, the last argument of INSTANTIATE_TEST_SUITE_P, names each
// case after it.
struct NamedCase {
    const char* name;
};

template <std::derived_from<NamedCase> Case>
void PrintTo(const Case& row, std::ostream* out) {
    *out << row.name;
}

struct CaseName {
    template <class Info>
    std::string operator()(const Info& info) const {
        return std::string(info.param.name);
    }
};
