#include <gtest/gtest.h>

#include "platform/linux/session/DisplaySettingsLauncher.h"

namespace corvane {
namespace {

struct Recorder {
    QStringList installed;
    QStringList refusing;
    QStringList started;

    DisplaySettingsLauncher launcher() {
        return DisplaySettingsLauncher(
            [this](const QString& program) {
                return installed.contains(program) ? QStringLiteral("/usr/bin/") + program
                                                   : QString();
            },
            [this](const QString& path, const QStringList& arguments) {
                started << (path + u' ' + arguments.join(u' ')).trimmed();
                return !refusing.contains(path.section(u'/', -1));
            });
    }
};

// Installed panels, the ones that fail to start, and what is started.
TEST(DisplaySettingsLauncher, StartsTheFirstInstalledPanelThatStarts) {
    const std::tuple<Recorder, QString, QStringList> rows[] = {
        {{{"arandr", "systemsettings"}, {}, {}},
         "/usr/bin/systemsettings",
         {"/usr/bin/systemsettings kcm_kscreen"}},
        {{{"gnome-control-center", "arandr"}, {"gnome-control-center"}, {}},
         "/usr/bin/arandr",
         {"/usr/bin/gnome-control-center display", "/usr/bin/arandr"}},
        {Recorder{}, "", {}}};
    for (auto [recorder, opened, started] : rows) {
        EXPECT_EQ(recorder.launcher().open(), opened);
        EXPECT_EQ(recorder.started, started);
    }
}

}  // namespace
}  // namespace corvane
