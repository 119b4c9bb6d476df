#include "update/UpdateCheckReport.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <utility>
#include <variant>

namespace corvane {

namespace {

const char* const kScheduled = "scheduled";

// The results that carry nothing but their name.
const std::pair<const char*, UpdateCheckResult> kPlainResults[] = {
    {"latest", UpdateCheckResult::latest()},
    {"unavailable", UpdateCheckResult::unavailable()},
    {"failed", UpdateCheckResult::failed()}};

}  // namespace

QByteArray UpdateCheckReport::toLine() const {
    QJsonObject report;
    for (const auto& [name, plain] : kPlainResults) {
        if (plain == result) {
            report[QStringLiteral("result")] = QLatin1String(name);
        }
    }
    if (result.manifest()) {
        report[QStringLiteral("result")] = QLatin1String(kScheduled);
        // As its own text: JSON numbers read through QJsonDocument become
        // doubles, which cannot hold every build number.
        report[QStringLiteral("manifest")] = QString::fromUtf8(result.manifest()->toJson());
    }
    report[QStringLiteral("handedOff")] = handedOff;
    return QJsonDocument(report).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<UpdateCheckReport> UpdateCheckReport::fromLine(const QByteArray& line) {
    const QJsonObject report = QJsonDocument::fromJson(line).object();
    const QString name = report.value(QStringLiteral("result")).toString();
    const QJsonValue handedOff = report.value(QStringLiteral("handedOff"));
    const QJsonValue manifest = report.value(QStringLiteral("manifest"));
    if (!handedOff.isBool()) {
        return std::nullopt;
    }
    if (name == QLatin1String(kScheduled)) {
        if (!manifest.isString()) {
            return std::nullopt;
        }
        auto decoded = UpdateManifest::fromJson(manifest.toString().toUtf8());
        if (auto* scheduled = std::get_if<UpdateManifest>(&decoded)) {
            return UpdateCheckReport{UpdateCheckResult::scheduled(std::move(*scheduled)),
                                     handedOff.toBool()};
        }
        return std::nullopt;
    }
    for (const auto& [known, result] : kPlainResults) {
        if (name == QLatin1String(known) && manifest.isUndefined()) {
            return UpdateCheckReport{result, handedOff.toBool()};
        }
    }
    return std::nullopt;
}

}  // namespace corvane
