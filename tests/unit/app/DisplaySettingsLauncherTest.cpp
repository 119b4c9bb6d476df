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

TEST(DisplaySettingsLauncher, StartsTheFirstInstalledPanel) {
    Recorder recorder{{"arandr", "systemsettings"}, {}, {}};
    EXPECT_EQ(recorder.launcher().open(), QStringLiteral("/usr/bin/systemsettings"));
    EXPECT_EQ(recorder.started, QStringList({"/usr/bin/systemsettings kcm_kscreen"}));
}

TEST(DisplaySettingsLauncher, FallsThroughToNextWhenOneFailsToStart) {
    Recorder recorder{{"gnome-control-center", "arandr"}, {"gnome-control-center"}, {}};
    EXPECT_EQ(recorder.launcher().open(), QStringLiteral("/usr/bin/arandr"));
    EXPECT_EQ(recorder.started,
              QStringList({"/usr/bin/gnome-control-center display", "/usr/bin/arandr"}));
}

TEST(DisplaySettingsLauncher, NothingInstalledStartsNothing) {
    Recorder recorder;
    EXPECT_TRUE(recorder.launcher().open().isEmpty());
    EXPECT_TRUE(recorder.started.isEmpty());
}

}  // namespace
}  // namespace corvane
