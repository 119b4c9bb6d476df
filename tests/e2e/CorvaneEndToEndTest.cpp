#include <gtest/gtest.h>
#include <signal.h>

#include <QApplication>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QMap>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>
#include <algorithm>

#include "platform/linux/bundle/BundleInfo.h"
#include "support/https/HttpsServer.h"
#include "testbed/TrayHost.h"
#include "testbed/XorgServer.h"
#include "ui/DisplayPopoverWidget.h"
#include "ui/components/PullDownMenu.h"

namespace corvane {
namespace {

using namespace corvane::testing;

// Waits, keeping no event loop busy, until `condition` holds.
template <typename Condition>
bool waitFor(Condition condition, int milliseconds) {
    for (const QDeadlineTimer deadline(milliseconds); !deadline.hasExpired(); QThread::msleep(50)) {
        if (condition()) {
            return true;
        }
    }
    return condition();
}

// The processes whose program lies inside `folder`, with that program.
QMap<qint64, QString> processesIn(const QString& folder) {
    QMap<qint64, QString> found;
    for (const QString& entry : QDir(QStringLiteral("/proc")).entryList(QDir::Dirs)) {
        // Not a process, "self" is this test's own program.
        const QString program = QFileInfo("/proc/" + entry + "/exe").symLinkTarget();
        if (program.startsWith(folder + u'/')) {
            found.insert(entry.toLongLong(), program);
        }
    }
    return found;
}

// Kills, by process id, whatever still runs from `folder` as a test ends:
// the updated Corvane runs detached from the test.
struct ProcessesInFolder {
    QString folder;
    ~ProcessesInFolder() {
        for (const qint64 pid : processesIn(folder).keys()) {
            ::kill(static_cast<pid_t>(pid), SIGKILL);
        }
        waitFor([this] { return processesIn(folder).isEmpty(); }, 5000);
    }
};

std::string buildOf(const QString& app) {
    return bundle::infoString(app.toStdString(), "CFBundleVersion").value_or("");
}

// The footer's menu as Corvane draws it with `status` as its update line,
// and where that line is in it.
std::pair<QImage, QRect> footerMenu(const QString& status) {
    DisplayPopoverWidget panel;
    DisplayPopoverView view;
    view.updateStatusMessage = status;
    view.isCheckingForUpdate = false;
    panel.setView(view);
    auto* menu = panel.findChild<PullDownMenu*>(QStringLiteral("moreMenu"));
    menu->resize(menu->sizeHint());
    return {menu->grab().toImage().convertToFormat(QImage::Format_RGB32),
            menu->actionGeometry(menu->actionAt(3))};
}

void run(const QString& program, const QStringList& arguments) {
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(program, arguments);
    ASSERT_TRUE(process.waitForFinished(120000)) << program.toStdString();
    ASSERT_EQ(process.exitCode(), 0) << process.readAll().toStdString();
}

// A private X server with a tray, on which the test clicks as a user does.
class CorvaneEndToEnd : public ::testing::Test {
  protected:
    void start(QProcess& process, const QString& program, const QString& homePath) {
        QProcessEnvironment environment = server.environment();
        environment.insert(QStringLiteral("HOME"), homePath);
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), homePath + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(program, {});
        ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
    }

    QRect windowGeometry(const QString& window) const {
        QMap<QString, int> values;
        for (const QString& line :
             xdotool(server, {"getwindowgeometry", "--shell", window}).split(u'\n')) {
            values[line.section(u'=', 0, 0)] = line.section(u'=', 1).toInt();
        }
        return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
    }

    // The visible popover window, or an empty string.
    QString popoverWindow() const {
        try {
            return xdotool(server, {"search", "--onlyvisible", "--name", "^Corvane$"})
                .section(u'\n', 0, 0);
        } catch (const XorgError&) {
            return {};
        }
    }

    // The tray icon's window: Corvane's visible window inside the tray.
    QRect iconGeometry() const {
        try {
            for (const QString& window :
                 xdotool(server, {"search", "--onlyvisible", "--class", "Corvane"}).split(u'\n')) {
                if (trayHost.geometry().contains(windowGeometry(window).center())) {
                    return windowGeometry(window);
                }
            }
        } catch (const XorgError&) {
        }
        return {};
    }

    void click(QPoint at, int button) {
        xdotool(server, {"mousemove", QString::number(at.x()), QString::number(at.y()), "click",
                         QString::number(button)});
    }

    // Left-clicks the icon; true once the popover has opened (and painted).
    bool openPopover() {
        click(iconGeometry().center(), 1);
        const bool done = waitFor([&] { return !popoverWindow().isEmpty(); }, 5000);
        QThread::msleep(300);
        return done;
    }

    // The "more" button sits at the panel's bottom right corner.
    void clickMore() {
        const QRect popover = windowGeometry(popoverWindow());
        click(QPoint(popover.right() - 29, popover.bottom() - 28), 1);
    }

    void screenshot(const QString& name) {
        QDir().mkpath(CORVANE_SCREENSHOT_DIR);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        EXPECT_TRUE(shot.save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/") + name));
        lastShot = shot.toImage();
    }

    // Opens the footer's menu and waits until its update line shows
    // `status`, pixel for pixel as Corvane draws it. Returns the menu, or an
    // empty rect when it never does.
    QRect openFooterMenu(const QString& status) {
        if (popoverWindow().isEmpty()) {
            EXPECT_TRUE(openPopover());
        }
        clickMore();
        const auto [image, line] = footerMenu(status);
        QRect menu;
        const auto shows = [&](const QString& window) {
            menu = windowGeometry(window);
            const QImage shown =
                QGuiApplication::primaryScreen()
                    ->grabWindow(0, menu.x(), menu.y(), menu.width(), menu.height())
                    .toImage()
                    .convertToFormat(QImage::Format_RGB32);
            return menu.size() == image.size() && shown.copy(line) == image.copy(line);
        };
        const bool found = waitFor(
            [&] {
                const QStringList windows =
                    xdotool(server, {"search", "--onlyvisible", "--class", "Corvane"}).split(u'\n');
                return std::any_of(windows.begin(), windows.end(), shows);
            },
            10000);
        return found ? menu : QRect();
    }

    // Chooses "업데이트 확인", the entry below the update line, in the footer
    // menu showing `status`.
    void checkFromFooter(const QString& status) {
        const QRect menu = openFooterMenu(status);
        ASSERT_FALSE(menu.isEmpty()) << "no footer menu showing " << status.toStdString();
        const QRect line = footerMenu(status).second;
        click(menu.topLeft() + line.center() + QPoint(0, line.height()), 1);
    }

    // This process shows nothing on the server: it grabs the screen and
    // draws, off screen, what Corvane is expected to show.
    std::unique_ptr<QApplication> screenGrabber() const {
        qputenv("DISPLAY", server.displayName().toLocal8Bit());
        qputenv("QT_QPA_PLATFORM", "xcb");
        static int argc = 1;
        static char name[] = "corvane_e2e";
        static char* argv[] = {name, nullptr};
        return std::make_unique<QApplication>(argc, argv);
    }

    XorgServer server;
    TrayHost trayHost{server};
    QTemporaryDir runtime;
    QImage lastShot;
};

// Corvane installed as a user installs it, with what its build options put
// into the bundle (the release server, the publisher's key and the server's
// authority): it opens its popover from its icon and quits from its menu; started
// again with 1.1 published, it replaces itself; a broken 1.2 found from its
// menu is rolled back, and the menu's next check finds nothing newer.
TEST_F(CorvaneEndToEnd, AnswersItsIconReplacesItselfAndRollsBackABrokenRelease) {
    const auto grabber = screenGrabber();
    HttpsServer nginx;
    QTemporaryDir work;
    const ProcessesInFolder leftOver{work.path()};
    const QString bundle = work.filePath("prefix/lib/corvane/Corvane.app");
    const QString program = bundle + "/Contents/MacOS/Corvane";
    const QString home = work.filePath("home");
    const QString support = home + "/Library/Application Support/Corvane";
    const QString feed = nginx.root() + "/updates/display";
    const QString origin = nginx.url(QString()).toString();
    const QString key = work.filePath("publisher");
    const QString release = work.filePath("release-%1");
    // The Info.plist of a bundle as the build renders it with this server.
    const auto writeInfoPlist = [&](const QString& to, const QString& version, int build) {
        run("cmake",
            {"-DCORVANE_VERSION=" + version, "-DCORVANE_BUILD_NUMBER=" + QString::number(build),
             "-DCORVANE_RELEASE_SERVER=" + origin,
             "-DCORVANE_INFO_PLIST=" + to + "/Contents/Info.plist", "-P",
             CORVANE_SOURCE_DIR "/src/app/bundle/InfoPlist.cmake"});
    };
    run(CORVANE_RELEASE_PATH, {"keygen", "--private", key + ".pem", "--public", key + ".pub"});
    run("cmake", {"--install", CORVANE_BUILD_DIR, "--prefix", work.filePath("prefix")});
    writeInfoPlist(bundle, "1.0", 100);
    ASSERT_TRUE(QFile::copy(key + ".pub", bundle + "/Contents/Resources/update-signing-key.pub"));
    ASSERT_TRUE(QFile::copy(nginx.authorityCertificate(),
                            bundle + "/Contents/Resources/release-server-ca.pem"));
    // Releases 1.1 (101) and a broken 1.2 (102) whose program ends at once.
    for (const int build : {101, 102}) {
        run("cp", {"-a", bundle, release.arg(build)});
        writeInfoPlist(release.arg(build), QStringLiteral("1.%1").arg(build - 100), build);
    }
    run("cp", {"/bin/false", release.arg(102) + "/Contents/MacOS/Corvane"});
    const auto publish = [&](int build) {
        run(CORVANE_RELEASE_PATH,
            {"publish", release.arg(build), "--key", key + ".pem", "--out", feed});
    };

    // Nothing published yet. A second start leaves at once, the first runs on.
    QProcess first;
    start(first, program, home);
    ASSERT_TRUE(waitFor([&] { return !iconGeometry().isEmpty(); }, 15000))
        << "no tray icon appeared";
    const QRect icon = iconGeometry();
    screenshot(QStringLiteral("tray.png"));
    QProcess second;
    start(second, program, home);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(first.state(), QProcess::Running);

    // Right and middle clicks open nothing; a left click opens the popover
    // below the icon, kept on the screen, so at the right edge it cannot
    // centre on the icon.
    click(icon.center(), 3);
    click(icon.center(), 2);
    QThread::msleep(700);
    EXPECT_TRUE(popoverWindow().isEmpty());
    ASSERT_TRUE(openPopover()) << "popover did not open";
    const QRect popover = windowGeometry(popoverWindow());
    EXPECT_EQ(popover.width(), 362);
    EXPECT_GE(popover.top(), icon.bottom());
    EXPECT_LE(popover.left(), icon.center().x());
    EXPECT_LE(popover.right(), QGuiApplication::primaryScreen()->geometry().right());
    screenshot(QStringLiteral("popover.png"));
    // The panel drew its content: text and controls in many colours.
    QSet<QRgb> colours;
    for (int i = 0; i < popover.width() * popover.height(); i += 7) {
        colours.insert(
            lastShot.pixel(popover.topLeft() + QPoint(i % popover.width(), i / popover.width())));
    }
    EXPECT_GT(colours.size(), 50) << "the panel looks empty";

    // The footer menu's last entry quits.
    clickMore();
    QThread::msleep(500);
    xdotool(server, {"key", "Up", "Return"});
    ASSERT_TRUE(first.waitForFinished(10000)) << "Corvane did not quit";
    EXPECT_EQ(first.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(first.exitCode(), 0);

    // 1.1 published: started again, 1.0 checks at once, hands 1.1 off and
    // is replaced by it.
    publish(101);
    run("cp", {feed + "/latest.json", work.filePath("latest-101.json")});
    QProcess again;
    start(again, program, home);
    qint64 running = 0;
    // The old process gone, 1.1 installed and running from the installed
    // bundle, its icon in the tray.
    const auto replaced = [&](qint64 old) {
        const QMap<qint64, QString> now = processesIn(work.path());
        running = now.keys(program).size() == 1 ? now.keys(program).front() : 0;
        return !now.contains(old) && running != 0 && buildOf(bundle) == "101" &&
               !iconGeometry().isEmpty();
    };
    // As a parent does, the test collects the old process once it ends.
    const qint64 againPid = again.processId();
    ASSERT_TRUE(waitFor(
        [&] {
            return (again.state() == QProcess::NotRunning || again.waitForFinished(10)) &&
                   replaced(againPid);
        },
        30000))
        << "not updated within 30 s";
    const QStringList backups =
        QDir(support + "/Backups").entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    ASSERT_EQ(backups.size(), 1);
    EXPECT_EQ(backups.filter(QRegularExpression(R"(^Corvane\.app\.\d{8}-\d{6}-[0-9A-F]{8}$)")),
              backups);
    EXPECT_EQ(buildOf(support + "/Backups/" + backups.front()), "100");
    EXPECT_TRUE(QDir(support + "/Downloads").isEmpty());

    // 1.2 found from the menu: while its hand-off is held, the menu says
    // so; released, 1.2 ends at once and 1.1 is back.
    const qint64 updated = running;
    publish(102);
    checkFromFooter("자동 업데이트: 최신 버전");
    qint64 tool = 0;
    ASSERT_TRUE(waitFor(
        [&] {
            tool = processesIn(work.path()).key(bundle + "/Contents/MacOS/CorvaneUpdater", 0);
            return tool != 0 && ::kill(static_cast<pid_t>(tool), SIGSTOP) == 0;
        },
        20000));
    EXPECT_FALSE(openFooterMenu("자동 업데이트: v1.2 적용 중…").isEmpty());
    screenshot(QStringLiteral("update-applying.png"));
    xdotool(server, {"key", "Escape"});
    ::kill(static_cast<pid_t>(tool), SIGCONT);
    ASSERT_TRUE(waitFor([&] { return replaced(updated); }, 30000)) << "1.1 did not come back";
    const qint64 restored = running;

    // Its launch check finds 1.2 recorded as failed and leaves it. Only once
    // that check has answered is 1.1 published again, or the launch check
    // itself could read 1.1; the menu's check then finds nothing newer.
    ASSERT_FALSE(openFooterMenu("자동 업데이트: 업데이트 피드 대기").isEmpty())
        << "the launch check did not answer";
    xdotool(server, {"key", "Escape"});
    run("cp", {work.filePath("latest-101.json"), feed + "/latest.json"});
    checkFromFooter("자동 업데이트: 업데이트 피드 대기");
    EXPECT_FALSE(openFooterMenu("자동 업데이트: 최신 버전").isEmpty());
    screenshot(QStringLiteral("update-latest.png"));
    EXPECT_EQ(processesIn(work.path()).keys(program), QList<qint64>{restored});
    EXPECT_EQ(nginx.accessLog().filter("Corvane-1.2-102.zip").size(), 1);
}

}  // namespace
}  // namespace corvane
