#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QRegularExpression>
#include <QScreen>
#include <QSet>
#include <QTemporaryDir>
#include <QThread>

#include "testbed/TrayHost.h"
#include "testbed/XorgServer.h"

namespace corvane {
namespace {

using namespace corvane::testing;

// Waits, keeping no event loop busy, until `condition` holds.
template <typename Condition>
bool waitFor(Condition condition, int milliseconds) {
    const QDeadlineTimer deadline(milliseconds);
    while (!deadline.hasExpired()) {
        if (condition()) {
            return true;
        }
        QThread::msleep(50);
    }
    return condition();
}

QRect parseGeometry(const QString& text) {
    static const QRegularExpression pattern(
        QStringLiteral(R"(Position: (-?\d+),(-?\d+).*Geometry: (\d+)x(\d+))"),
        QRegularExpression::DotMatchesEverythingOption);
    const QRegularExpressionMatch match = pattern.match(text);
    return match.hasMatch() ? QRect(match.captured(1).toInt(), match.captured(2).toInt(),
                                    match.captured(3).toInt(), match.captured(4).toInt())
                            : QRect();
}

// Corvane installed the way a user installs it, started on a private X
// server with a tray, and driven with real pointer clicks.
class CorvaneEndToEnd : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_TRUE(home().isValid());
        QProcess install;
        install.setProcessChannelMode(QProcess::MergedChannels);
        install.start(QStringLiteral("cmake"),
                      {"--install", CORVANE_BUILD_DIR, "--prefix", home().filePath("prefix")});
        ASSERT_TRUE(install.waitForFinished(120000));
        ASSERT_EQ(install.exitCode(), 0) << install.readAll().toStdString();
    }

    static QTemporaryDir& home() {
        static QTemporaryDir dir;
        return dir;
    }

    static QString executable() {
        return home().filePath("prefix/lib/corvane/Corvane.app/Contents/MacOS/Corvane");
    }

    void start(QProcess& process) {
        QProcessEnvironment environment = server.environment();
        environment.insert(QStringLiteral("HOME"), home().path());
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home().filePath("config"));
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime.path());
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        process.setProcessEnvironment(environment);
        process.setProcessChannelMode(QProcess::ForwardedChannels);
        process.start(executable(), {});
        ASSERT_TRUE(process.waitForStarted(10000)) << process.errorString().toStdString();
    }

    QRect windowGeometry(const QString& window) const {
        return parseGeometry(xdotool(server, {"getwindowgeometry", window}));
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
        const QRect tray = trayHost.geometry();
        try {
            for (const QString& window :
                 xdotool(server, {"search", "--onlyvisible", "--class", "Corvane"}).split(u'\n')) {
                const QRect geometry = windowGeometry(window);
                if (tray.contains(geometry.center())) {
                    return geometry;
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

    void screenshot(const QString& name) {
        QDir().mkpath(CORVANE_SCREENSHOT_DIR);
        const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0);
        EXPECT_TRUE(shot.save(QStringLiteral(CORVANE_SCREENSHOT_DIR "/") + name));
        lastShot = shot.toImage();
    }

    static int grabberScreenRight() { return QGuiApplication::primaryScreen()->geometry().right(); }

    XorgServer server;
    TrayHost trayHost{server};
    QTemporaryDir runtime;
    QImage lastShot;
};

TEST_F(CorvaneEndToEnd, OpensBelowTheIconClosesOutsideAndQuitsFromItsMenu) {
    // This process draws nothing; it only grabs the screen.
    qputenv("DISPLAY", server.displayName().toLocal8Bit());
    qputenv("QT_QPA_PLATFORM", "xcb");
    int argc = 1;
    char name[] = "corvane_e2e";
    char* argv[] = {name, nullptr};
    QGuiApplication grabber(argc, argv);

    QProcess corvane;
    start(corvane);
    ASSERT_TRUE(waitFor([&] { return !iconGeometry().isEmpty(); }, 15000))
        << "no tray icon appeared";
    const QRect icon = iconGeometry();
    screenshot(QStringLiteral("tray.png"));

    // A second start leaves at once and leaves the first one running.
    QProcess second;
    start(second);
    ASSERT_TRUE(second.waitForFinished(10000));
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_EQ(corvane.state(), QProcess::Running);

    // Right and middle clicks open nothing.
    click(icon.center(), 3);
    click(icon.center(), 2);
    QThread::msleep(700);
    EXPECT_TRUE(popoverWindow().isEmpty());

    click(icon.center(), 1);
    ASSERT_TRUE(waitFor([&] { return !popoverWindow().isEmpty(); }, 5000))
        << "popover did not open";
    QThread::msleep(300);  // let it paint
    const QRect popover = windowGeometry(popoverWindow());
    EXPECT_EQ(popover.width(), 362);
    EXPECT_GE(popover.top(), icon.bottom());
    // Kept on the screen, so at the right edge it cannot centre on the icon.
    EXPECT_LE(popover.left(), icon.center().x());
    EXPECT_LE(popover.right(), grabberScreenRight());
    screenshot(QStringLiteral("popover.png"));
    // The panel drew its content: text and controls in many colours.
    const QImage panel = lastShot.copy(popover);
    QSet<QRgb> colours;
    for (int y = 0; y < panel.height(); y += 2) {
        for (int x = 0; x < panel.width(); x += 2) {
            colours.insert(panel.pixel(x, y));
        }
    }
    EXPECT_GT(colours.size(), 50) << "the panel looks empty";

    // A press elsewhere on the screen closes it.
    click(QPoint(40, popover.bottom() + 40), 1);
    EXPECT_TRUE(waitFor([&] { return popoverWindow().isEmpty(); }, 3000));

    // Open again, and a click on the icon closes it.
    click(icon.center(), 1);
    ASSERT_TRUE(waitFor([&] { return !popoverWindow().isEmpty(); }, 5000));
    click(icon.center(), 1);
    EXPECT_TRUE(waitFor([&] { return popoverWindow().isEmpty(); }, 3000));
    QThread::msleep(500);
    EXPECT_TRUE(popoverWindow().isEmpty()) << "the icon's click opened it again";

    // Quit through the footer's menu: the "more" button sits at the panel's
    // bottom right corner; the quit entry is the menu's last.
    click(icon.center(), 1);
    ASSERT_TRUE(waitFor([&] { return !popoverWindow().isEmpty(); }, 5000));
    const QRect shown = windowGeometry(popoverWindow());
    click(QPoint(shown.right() - 29, shown.bottom() - 28), 1);
    QThread::msleep(500);
    xdotool(server, {"key", "Up", "Return"});
    ASSERT_TRUE(corvane.waitForFinished(10000)) << "Corvane did not quit";
    EXPECT_EQ(corvane.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(corvane.exitCode(), 0);
}

}  // namespace
}  // namespace corvane
