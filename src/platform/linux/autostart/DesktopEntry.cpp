#include "platform/linux/autostart/DesktopEntry.h"

#include <QStringView>

namespace corvane::desktopEntry {

namespace {

// The escapes every string value may use.
QString unescapeValue(QStringView raw) {
    QString value;
    value.reserve(raw.size());
    for (qsizetype i = 0; i < raw.size(); ++i) {
        if (raw[i] != QLatin1Char('\\') || i + 1 == raw.size()) {
            value += raw[i];
            continue;
        }
        const QChar next = raw[++i];
        switch (next.unicode()) {
            case 's':
                value += QLatin1Char(' ');
                break;
            case 'n':
                value += QLatin1Char('\n');
                break;
            case 't':
                value += QLatin1Char('\t');
                break;
            case 'r':
                value += QLatin1Char('\r');
                break;
            case '\\':
                value += QLatin1Char('\\');
                break;
            default:
                value += QLatin1Char('\\');
                value += next;
        }
    }
    return value;
}

}  // namespace

std::optional<QHash<QString, QString>> mainGroup(const QString& text) {
    std::optional<QHash<QString, QString>> group;
    bool inMainGroup = false;
    for (QStringView line : QStringView(text).split(QLatin1Char('\n'))) {
        line = line.trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) {
            continue;
        }
        if (line.startsWith(QLatin1Char('[')) && line.endsWith(QLatin1Char(']'))) {
            inMainGroup = line == QLatin1String("[Desktop Entry]");
            if (inMainGroup && !group) {
                group.emplace();
            }
            continue;
        }
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (!inMainGroup || equals <= 0) {
            continue;
        }
        const QStringView key = line.left(equals).trimmed();
        if (key.contains(QLatin1Char('['))) {
            continue;
        }
        group->insert(key.toString(), unescapeValue(line.mid(equals + 1).trimmed()));
    }
    return group;
}

std::optional<QString> execValue(const QString& program) {
    QString quoted = QStringLiteral("\"");
    for (const QChar c : program) {
        if (c.category() == QChar::Other_Control) {
            return std::nullopt;
        }
        // Inside quotes these four keep their meaning only when escaped.
        if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
            c == QLatin1Char('\\')) {
            quoted += QLatin1Char('\\');
        }
        // A lone % would start a field code.
        if (c == QLatin1Char('%')) {
            quoted += QLatin1Char('%');
        }
        quoted += c;
    }
    quoted += QLatin1Char('"');
    // The value as a whole is a string, whose own escaping doubles the
    // backslashes once more.
    return quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
}

std::optional<QStringList> execArguments(const QString& exec) {
    QStringList arguments;
    QString current;
    bool inArgument = false;
    bool quoted = false;
    for (qsizetype i = 0; i < exec.size(); ++i) {
        const QChar c = exec[i];
        const bool hasNext = i + 1 < exec.size();
        if (c == QLatin1Char('%') && hasNext && exec[i + 1] == QLatin1Char('%')) {
            current += c;
            inArgument = true;
            ++i;
        } else if (quoted) {
            if (c == QLatin1Char('"')) {
                quoted = false;
            } else if (c == QLatin1Char('\\') && hasNext) {
                current += exec[++i];
            } else {
                current += c;
            }
        } else if (c == QLatin1Char(' ') || c == QLatin1Char('\t')) {
            if (inArgument) {
                arguments << current;
                current.clear();
                inArgument = false;
            }
        } else {
            inArgument = true;
            if (c == QLatin1Char('"')) {
                quoted = true;
            } else {
                current += c;
            }
        }
    }
    if (quoted) {
        return std::nullopt;
    }
    if (inArgument) {
        arguments << current;
    }
    return arguments;
}

}  // namespace corvane::desktopEntry
