#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>

#include "platform/linux/autostart/DesktopEntry.h"
#include "platform/linux/autostart/XdgAutostartEntry.h"
#include "platform/linux/settings/FileSettingsStore.h"
#include "state/LoginItemManager.h"
#include "support/Files.h"

namespace corvane {
namespace {

using testing::readAll;
using testing::writeAll;

// desktop-file-validate's verdict: empty when the entry is valid.
QString validationProblems(const QString& path) {
    QProcess validator;
    validator.start(QStringLiteral("desktop-file-validate"), {path});
    if (!validator.waitForFinished(30'000)) {
        return QStringLiteral("desktop-file-validate did not run");
    }
    const QString output =
        QString::fromUtf8(validator.readAllStandardOutput() + validator.readAllStandardError());
    if (validator.exitCode() != 0 || output.contains(QLatin1String("error"))) {
        return output.isEmpty() ? QStringLiteral("exit code %1").arg(validator.exitCode()) : output;
    }
    return {};
}

class AutostartEntryTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    QString entry() const { return home.path() + "/autostart/corvane.desktop"; }
    QString program() const { return home.path() + "/Apps/Corvane.app/Contents/MacOS/Corvane"; }

    QTemporaryDir home;
};

// A disabled entry left by the desktop's settings is replaced.
TEST_F(AutostartEntryTest, RegisteringWritesAValidEntryAndUnregisteringRemovesIt) {
    writeAll(entry(), QStringLiteral("[Desktop Entry]\nType=Application\nExec=%1\nHidden=true\n")
                          .arg(program())
                          .toUtf8());
    XdgAutostartEntry registration(entry(), program());
    LoginItemManager manager(registration);
    EXPECT_FALSE(manager.isEnabled());

    ASSERT_FALSE(manager.setEnabled(true).has_value());
    EXPECT_TRUE(manager.isEnabled());
    EXPECT_EQ(validationProblems(entry()), QString());
    const auto group = desktopEntry::mainGroup(QString::fromUtf8(readAll(entry())));
    ASSERT_TRUE(group.has_value());
    EXPECT_EQ(group->value("Type"), QStringLiteral("Application"));
    EXPECT_EQ(desktopEntry::execArguments(group->value("Exec")), QStringList{program()});

    ASSERT_FALSE(manager.setEnabled(false).has_value());
    EXPECT_FALSE(QFileInfo::exists(entry()));
    EXPECT_FALSE(manager.isEnabled());
    // Nothing left to remove is no failure.
    EXPECT_FALSE(manager.setEnabled(false).has_value());
}

class AwkwardProgramPathTest : public AutostartEntryTest,
                               public ::testing::WithParamInterface<const char*> {};

TEST_P(AwkwardProgramPathTest, EntryStaysValidAndPointsAtTheProgram) {
    const QString awkward = home.path() + "/" + QString::fromUtf8(GetParam()) + "/Corvane";
    XdgAutostartEntry registration(entry(), awkward);
    ASSERT_FALSE(registration.registerItem().has_value());
    EXPECT_EQ(validationProblems(entry()), QString()) << readAll(entry()).toStdString();
    EXPECT_TRUE(registration.isRegistered());
    const auto group = desktopEntry::mainGroup(QString::fromUtf8(readAll(entry())));
    EXPECT_EQ(desktopEntry::execArguments(group->value("Exec")), QStringList{awkward});
    EXPECT_FALSE(XdgAutostartEntry(entry(), home.path() + "/Corvane").isRegistered());
}

INSTANTIATE_TEST_SUITE_P(Paths, AwkwardProgramPathTest,
                         ::testing::Values("My Apps", "quote\"d", "dollar$HOME", "back`tick`",
                                           "back\\slash", "100% sure", "%U", "semi;colon",
                                           "응용 프로그램", "'single'"));

TEST_F(AutostartEntryTest, ProgramPathWithControlCharactersIsRefused) {
    XdgAutostartEntry registration(entry(), home.path() + "/line\nbreak/Corvane");
    const auto error = registration.registerItem();
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), LoginItemError::Kind::registerFailed);
    EXPECT_FALSE(QFileInfo::exists(entry()));
}

struct ForeignEntryCase : NamedCase {
    const char* text;  // %1 stands for this installation's program
    bool enabled;
};

class ForeignEntryTest : public AutostartEntryTest,
                         public ::testing::WithParamInterface<ForeignEntryCase> {};

TEST_P(ForeignEntryTest, IsEnabledOnlyWhenInForceForThisInstallation) {
    writeAll(entry(), QString::fromUtf8(GetParam().text).arg(program()).toUtf8());
    EXPECT_EQ(XdgAutostartEntry(entry(), program()).isRegistered(), GetParam().enabled);
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Entries, ForeignEntryTest,
    ::testing::Values(
        ForeignEntryCase{"plainPath", "[Desktop Entry]\nType=Application\nName=C\nExec=%1\n", true},
        ForeignEntryCase{"withArgumentsAndComments",
            "# written by hand\n[Desktop Entry]\nName=C\nType = Application\nExec=\"%1\" --quiet %U\n"
            "\n[Desktop Action x]\nExec=/elsewhere\n", true},
        ForeignEntryCase{"explicitlyEnabled",
            "[Desktop Entry]\nType=Application\nExec=%1\nHidden=false\nX-GNOME-Autostart-enabled=true\n", true},
        ForeignEntryCase{"hidden", "[Desktop Entry]\nType=Application\nExec=%1\nHidden=true\n", false},
        ForeignEntryCase{"gnomeDisabled",
            "[Desktop Entry]\nType=Application\nExec=%1\nX-GNOME-Autostart-enabled=false\n", false},
        ForeignEntryCase{"otherInstallation",
            "[Desktop Entry]\nType=Application\nExec=/opt/Corvane.app/Contents/MacOS/Corvane\n", false},
        ForeignEntryCase{"noExec", "[Desktop Entry]\nType=Application\nName=C\n", false},
        ForeignEntryCase{"notAnApplication", "[Desktop Entry]\nType=Link\nExec=%1\n", false},
        ForeignEntryCase{"otherGroupOnly", "[Desktop Action x]\nType=Application\nExec=%1\n", false},
        ForeignEntryCase{"openQuote", "[Desktop Entry]\nType=Application\nExec=\"%1\n", false},
        ForeignEntryCase{"localisedExecOnly", "[Desktop Entry]\nType=Application\nExec[ko]=%1\n", false}),
    CaseName());
// clang-format on

TEST_F(AutostartEntryTest, SameProgramReachedThroughASymlinkCounts) {
    writeAll(program(), "#!/bin/sh\n");
    const QString link = home.path() + "/Corvane-link";
    ASSERT_TRUE(QFile::link(program(), link));
    writeAll(entry(),
             QStringLiteral("[Desktop Entry]\nType=Application\nExec=%1\n").arg(link).toUtf8());
    EXPECT_TRUE(XdgAutostartEntry(entry(), program()).isRegistered());
}

TEST_F(AutostartEntryTest, EntryThatCannotBeWrittenOrRemovedFailsReadably) {
    writeAll(home.path() + "/autostart", "a file where the folder belongs");
    XdgAutostartEntry registration(entry(), program());
    LoginItemManager manager(registration);
    auto error = manager.setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), LoginItemError::Kind::registerFailed);
    EXPECT_EQ(error->path(), home.path() + "/autostart");
    EXPECT_FALSE(error->reason().isEmpty());
    EXPECT_TRUE(error->description().contains(error->path()));
    EXPECT_FALSE(manager.isEnabled());

    // A folder where the entry belongs cannot be replaced.
    ASSERT_TRUE(QFile::remove(home.path() + "/autostart"));
    ASSERT_TRUE(QDir().mkpath(entry()));
    error = manager.setEnabled(true);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->path(), entry());
    EXPECT_FALSE(error->reason().isEmpty());
    // Nor removed: unregistering fails.
    writeAll(entry() + "/inside", "x");
    error = manager.setEnabled(false);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), LoginItemError::Kind::unregisterFailed);
    EXPECT_EQ(error->path(), entry());
    EXPECT_EQ(error->reason(), QString::fromLocal8Bit(strerror(EISDIR)));
}

TEST(DefaultPathsTest, LieInTheUsersConfigFolder) {
    // An empty value reads as unset, as the variable is outside tests.
    const QByteArray before = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", "/tmp/corvane-config-test");
    EXPECT_EQ(XdgAutostartEntry::defaultEntryPath(),
              QStringLiteral("/tmp/corvane-config-test/autostart/corvane.desktop"));
    EXPECT_EQ(FileSettingsStore::defaultFilePath(),
              QStringLiteral("/tmp/corvane-config-test/Corvane/settings.plist"));
    qputenv("XDG_CONFIG_HOME", before);
}

}  // namespace
}  // namespace corvane
