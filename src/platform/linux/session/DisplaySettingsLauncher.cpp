#include "platform/linux/session/DisplaySettingsLauncher.h"

#include <QProcess>
#include <QStandardPaths>

namespace corvane {

DisplaySettingsLauncher::DisplaySettingsLauncher()
    : DisplaySettingsLauncher(
          [](const QString& program) { return QStandardPaths::findExecutable(program); },
          [](const QString& program, const QStringList& arguments) {
              return QProcess::startDetached(program, arguments);
          }) {}

DisplaySettingsLauncher::DisplaySettingsLauncher(Finder finder, Starter starter)
    : finder_(std::move(finder)), starter_(std::move(starter)) {}

const std::vector<DisplaySettingsLauncher::Candidate>& DisplaySettingsLauncher::candidates() {
    static const std::vector<Candidate> list{
        {QStringLiteral("gnome-control-center"), {QStringLiteral("display")}},
        {QStringLiteral("systemsettings"), {QStringLiteral("kcm_kscreen")}},
        {QStringLiteral("xfce4-display-settings"), {}},
        {QStringLiteral("arandr"), {}},
    };
    return list;
}

QString DisplaySettingsLauncher::open() const {
    for (const Candidate& candidate : candidates()) {
        const QString path = finder_(candidate.program);
        if (!path.isEmpty() && starter_(path, candidate.arguments)) {
            return path;
        }
    }
    return {};
}

}  // namespace corvane
