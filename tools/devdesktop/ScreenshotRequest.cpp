#include "ScreenshotRequest.h"

#include <QCommandLineParser>

namespace corvane::devdesktop {

namespace {

ParsedScreenshotRequest failure(const QString& error) {
    return {std::nullopt, error};
}

std::optional<ScreenshotRequest::WindowId> parseWindow(const QString& text) {
    bool ok = false;
    const QString trimmed = text.trimmed();
    const qulonglong value = trimmed.startsWith(QLatin1String("0x"), Qt::CaseInsensitive)
                                 ? trimmed.mid(2).toULongLong(&ok, 16)
                                 : trimmed.toULongLong(&ok, 10);
    // X resource identifiers are 29-bit and never 0.
    if (!ok || value == 0 || value > 0x1FFFFFFFULL) {
        return std::nullopt;
    }
    return static_cast<ScreenshotRequest::WindowId>(value);
}

std::optional<QRect> parseRect(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4) {
        return std::nullopt;
    }
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = parts[i].trimmed().toInt(&ok);
        if (!ok) {
            return std::nullopt;
        }
    }
    if (values[0] < 0 || values[1] < 0 || values[2] <= 0 || values[3] <= 0) {
        return std::nullopt;
    }
    return QRect(values[0], values[1], values[2], values[3]);
}

}  // namespace

ParsedScreenshotRequest parseScreenshotArguments(const QStringList& arguments) {
    QCommandLineParser parser;
    const QCommandLineOption output(
        QStringLiteral("output"), QStringLiteral("The PNG file to write."), QStringLiteral("FILE"));
    const QCommandLineOption window(QStringLiteral("window"),
                                    QStringLiteral("Grab only this window (decimal or 0x…)."),
                                    QStringLiteral("XID"));
    const QCommandLineOption rect(QStringLiteral("rect"),
                                  QStringLiteral("Grab only this rectangle of the screen."),
                                  QStringLiteral("X,Y,W,H"));
    parser.addOptions({output, window, rect});
    if (!parser.parse(arguments)) {
        return failure(parser.errorText());
    }
    if (!parser.positionalArguments().isEmpty()) {
        return failure(QStringLiteral("unexpected argument: %1")
                           .arg(parser.positionalArguments().constFirst()));
    }
    for (const QCommandLineOption* option : {&output, &window, &rect}) {
        if (parser.values(*option).size() > 1) {
            return failure(QStringLiteral("--%1 given twice").arg(option->names().constFirst()));
        }
    }

    ScreenshotRequest request;
    request.outputFile = parser.value(output);
    if (request.outputFile.isEmpty()) {
        return failure(QStringLiteral("--output FILE is required"));
    }
    if (parser.isSet(window) && parser.isSet(rect)) {
        return failure(QStringLiteral("--window and --rect exclude each other"));
    }
    if (parser.isSet(window)) {
        const std::optional<ScreenshotRequest::WindowId> id = parseWindow(parser.value(window));
        if (!id) {
            return failure(QStringLiteral("not a window identifier: %1").arg(parser.value(window)));
        }
        request.target = *id;
    } else if (parser.isSet(rect)) {
        const std::optional<QRect> area = parseRect(parser.value(rect));
        if (!area) {
            return failure(QStringLiteral("not a rectangle X,Y,W,H with W and H above 0: %1")
                               .arg(parser.value(rect)));
        }
        request.target = *area;
    }
    return {request, {}};
}

}  // namespace corvane::devdesktop
