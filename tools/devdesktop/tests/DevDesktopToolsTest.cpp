#include <gtest/gtest.h>
#include <signal.h>
#include <sys/types.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <map>

namespace {

using Children = std::map<pid_t, QString>;  // process identifier → command name

QString readProcFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QString::fromLatin1(file.readAll()).trimmed();
}

Children childrenOf(pid_t pid) {
    Children children;
    const QString list = readProcFile(QStringLiteral("/proc/%1/task/%1/children").arg(pid));
    for (const QString& word : list.split(' ', Qt::SkipEmptyParts)) {
        const pid_t child = word.toInt();
        children[child] = readProcFile(QStringLiteral("/proc/%1/comm").arg(child));
    }
    return children;
}

// Gone, or a zombie that nobody will reap any more because its parent
// (the tool) has ended too and init takes care of it.
bool processGone(pid_t pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH) {
        return true;
    }
    return readProcFile(QStringLiteral("/proc/%1/stat").arg(pid)).contains(QLatin1String(") Z "));
}

// The folder of the server's configuration file, from its command line.
QString serverWorkFolder(pid_t server) {
    QFile file(QStringLiteral("/proc/%1/cmdline").arg(server));
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    const QList<QByteArray> arguments = file.readAll().split('\0');
    const qsizetype config = arguments.indexOf("-config");
    if (config < 0 || config + 1 >= arguments.size()) {
        return {};
    }
    return QFileInfo(QFile::decodeName(arguments[config + 1])).absolutePath();
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    QElapsedTimer clock;
    clock.start();
    while (!condition()) {
        if (clock.elapsed() > milliseconds) {
            return false;
        }
        QThread::msleep(20);
    }
    return true;
}

struct CommandResult {
    int exitCode = -1;
    QString standardOutput;
    QString standardError;
};

CommandResult runCommand(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    CommandResult result;
    if (!process.waitForStarted(10000) || !process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
        result.standardError = QStringLiteral("did not run: ") + process.errorString();
        return result;
    }
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    result.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    return result;
}

// One corvane-virtual-desktop, stopped by its process identifier when the
// test is done with it.
class Desktop {
  public:
    // `ignoreInterrupt`: start it as a shell starts a background job, with
    // SIGINT ignored.
    explicit Desktop(bool ignoreInterrupt = false) {
        if (ignoreInterrupt) {
            process_.setChildProcessModifier([] { signal(SIGINT, SIG_IGN); });
        }
        process_.setProcessChannelMode(QProcess::SeparateChannels);
        process_.start(QStringLiteral(CORVANE_VIRTUAL_DESKTOP), {});
    }
    ~Desktop() {
        if (process_.state() != QProcess::NotRunning) {
            process_.terminate();
            if (!process_.waitForFinished(30000)) {
                process_.kill();
                process_.waitForFinished(5000);
            }
        }
    }

    // Waits for the `DISPLAY=:N` line; empty when it did not come.
    QString waitForDisplay() {
        QElapsedTimer clock;
        clock.start();
        while (!output_.contains('\n') && clock.elapsed() < 60000) {
            if (!process_.waitForReadyRead(500) && process_.state() == QProcess::NotRunning) {
                break;
            }
            output_ += process_.readAllStandardOutput();
        }
        const QRegularExpressionMatch match =
            QRegularExpression(QStringLiteral("^DISPLAY=(:\\d+)\n$"))
                .match(QString::fromLatin1(output_));
        return match.hasMatch() ? match.captured(1) : QString();
    }

    QProcessEnvironment environment(const QString& display) const {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), display);
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }

    QProcess& process() { return process_; }
    pid_t pid() const { return static_cast<pid_t>(process_.processId()); }
    QString errors() { return QString::fromLocal8Bit(process_.readAllStandardError()); }

  private:
    QProcess process_;
    QByteArray output_;
};

class DevDesktopTools : public ::testing::Test {
  protected:
    void SetUp() override {
        display_ = desktop_.waitForDisplay();
        ASSERT_FALSE(display_.isEmpty()) << desktop_.errors().toStdString();
        environment_ = desktop_.environment(display_);
    }

    CommandResult screenshot(const QStringList& arguments) {
        return runCommand(QStringLiteral(CORVANE_SCREENSHOT), arguments, environment_);
    }

    CommandResult xdotool(const QStringList& arguments) {
        return runCommand(QStringLiteral("xdotool"), arguments, environment_);
    }

    // The geometry xdotool reports for trayer's window: x, y, width, height.
    QRect trayGeometry(QString* windowId) {
        const CommandResult search = xdotool({"search", "--onlyvisible", "--class", "trayer"});
        *windowId = search.standardOutput.split('\n', Qt::SkipEmptyParts).value(0);
        const CommandResult shell = xdotool({"getwindowgeometry", "--shell", *windowId});
        std::map<QString, int> values;
        for (const QString& line : shell.standardOutput.split('\n', Qt::SkipEmptyParts)) {
            values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
        }
        return {values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]};
    }

    Desktop desktop_;
    QString display_;
    QProcessEnvironment environment_;
    QTemporaryDir folder_;
};

TEST_F(DevDesktopTools, DesktopHasTwoNamedMonitorsWithTheRatesToSwitchBetween) {
    const CommandResult query =
        runCommand(QStringLiteral("xrandr"), {"--query", "--props"}, environment_);
    ASSERT_EQ(query.exitCode, 0) << query.standardError.toStdString();

    const QStringList blocks =
        query.standardOutput.split(QRegularExpression(QStringLiteral("\n(?=\\S)")));
    const struct {
        const char* output;
        const char* geometry;
        const char* monitorName;
        const char* currentMode;
    } expected[] = {{"DUMMY0", "connected primary 1920x1080+0+0", "Studio 24", "1920x1080_60"},
                    {"DUMMY1", "connected 2560x1440+1920+0", "Wide 27", "2560x1440_144"}};
    for (const auto& monitor : expected) {
        SCOPED_TRACE(monitor.output);
        const QString block =
            blocks.filter(QRegularExpression(QStringLiteral("^%1 ").arg(monitor.output))).value(0);
        ASSERT_FALSE(block.isEmpty());
        EXPECT_TRUE(block.startsWith(QStringLiteral("%1 %2").arg(monitor.output, monitor.geometry)))
            << block.section('\n', 0, 0).toStdString();

        QString edidHex;
        const QStringList lines = block.split('\n');
        const qsizetype edidLine = lines.indexOf(QRegularExpression(QStringLiteral("\\s*EDID:.*")));
        ASSERT_GE(edidLine, 0) << "no EDID on the output";
        for (qsizetype i = edidLine + 1; i < lines.size() && i <= edidLine + 8; ++i) {
            edidHex += lines[i].trimmed();
        }
        const QByteArray edid = QByteArray::fromHex(edidHex.toLatin1());
        EXPECT_EQ(edid.size(), 128);
        EXPECT_TRUE(edid.contains(monitor.monitorName));

        for (const char* size : {"1920x1080", "2560x1440"}) {
            for (const char* rate : {"60", "59.94", "120", "144"}) {
                const QString mode = QStringLiteral("%1_%2").arg(size, rate);
                // xrandr prints a mode's name and then one rate per mode of
                // that name (marked * when current, + when preferred): a
                // second rate would be a duplicate entry.
                const QString line =
                    lines
                        .filter(QRegularExpression(
                            QStringLiteral("^\\s+%1\\s").arg(QRegularExpression::escape(mode))))
                        .value(0);
                QStringList rates = line.split(' ', Qt::SkipEmptyParts).mid(1);
                rates.removeAll(QStringLiteral("+"));
                rates.replaceInStrings(QRegularExpression(QStringLiteral("[*+]+$")), QString());
                EXPECT_EQ(rates, QStringList{QString::number(QString(rate).toDouble(), 'f', 2)})
                    << "mode " << mode.toStdString() << ": " << line.toStdString();
            }
        }
        // The current mode carries xrandr's asterisk.
        EXPECT_TRUE(block.contains(
            QRegularExpression(QStringLiteral("\n\\s+%1 .*\\*")
                                   .arg(QRegularExpression::escape(monitor.currentMode)))));
    }
}

TEST_F(DevDesktopTools, TrayHostSitsAtTheTopRightAndGrabsMatchTheirTargets) {
    // A known colour everywhere outside the tray tells a real grab from an
    // empty image.
    ASSERT_EQ(runCommand(QStringLiteral("xsetroot"), {"-solid", "#ff0000"}, environment_).exitCode,
              0);
    QString trayWindow;
    const QRect tray = trayGeometry(&trayWindow);
    ASSERT_FALSE(trayWindow.isEmpty());
    EXPECT_EQ(tray.y(), 0);
    EXPECT_EQ(tray.height(), 32);
    // trayer docks on the main monitor, DUMMY0.
    EXPECT_EQ(tray.right(), 1920 - 1);

    const QString whole = folder_.filePath("whole.png");
    const CommandResult wholeRun = screenshot({"--output", whole});
    ASSERT_EQ(wholeRun.exitCode, 0) << wholeRun.standardError.toStdString();
    const QImage screen(whole);
    ASSERT_EQ(screen.size(), QSize(1920 + 2560, 1440));
    EXPECT_EQ(screen.pixelColor(10, 500), QColor(255, 0, 0));
    EXPECT_EQ(screen.pixelColor(4000, 1400), QColor(255, 0, 0));
    EXPECT_NE(screen.pixelColor(tray.center()), QColor(255, 0, 0)) << "the tray is not in the grab";

    const QString window = folder_.filePath("tray.png");
    const CommandResult windowRun = screenshot({"--output", window, "--window", trayWindow});
    ASSERT_EQ(windowRun.exitCode, 0) << windowRun.standardError.toStdString();
    const QImage trayImage(window);
    EXPECT_EQ(trayImage.size(), tray.size());
    EXPECT_EQ(trayImage, screen.copy(tray));

    const QString rect = folder_.filePath("rect.png");
    const QRect area(tray.x() - 40, 0, 80, 64);
    const CommandResult rectRun = screenshot({"--output", rect, "--rect",
                                              QStringLiteral("%1,%2,%3,%4")
                                                  .arg(area.x())
                                                  .arg(area.y())
                                                  .arg(area.width())
                                                  .arg(area.height())});
    ASSERT_EQ(rectRun.exitCode, 0) << rectRun.standardError.toStdString();
    const QImage rectImage(rect);
    EXPECT_EQ(rectImage.size(), area.size());
    EXPECT_EQ(rectImage, screen.copy(area));
}

struct FailingGrab {
    const char* name;
    QStringList arguments;  // %1 stands for the output file
    const char* display;    // nullptr: the desktop's display; "": none
};

void PrintTo(const FailingGrab& grab, std::ostream* out) {
    *out << grab.name;
}

class ScreenshotFailures : public DevDesktopTools,
                           public ::testing::WithParamInterface<FailingGrab> {};

TEST_P(ScreenshotFailures, ExitNonZeroWithOneLineAndNoFile) {
    const QString file = folder_.filePath("out.png");
    QStringList arguments;
    for (const QString& argument : GetParam().arguments) {
        arguments << (argument == "%1" ? file : argument);
    }
    if (GetParam().display) {
        if (*GetParam().display) {
            environment_.insert(QStringLiteral("DISPLAY"), QLatin1String(GetParam().display));
        } else {
            environment_.remove(QStringLiteral("DISPLAY"));
        }
    }
    const CommandResult result = screenshot(arguments);
    EXPECT_NE(result.exitCode, 0);
    EXPECT_NE(result.exitCode, -1) << "crashed: " << result.standardError.toStdString();
    EXPECT_TRUE(result.standardError.startsWith(QLatin1String("corvane-screenshot: ")))
        << result.standardError.toStdString();
    EXPECT_EQ(result.standardError.count('\n'), 1) << result.standardError.toStdString();
    EXPECT_TRUE(result.standardOutput.isEmpty());
    EXPECT_FALSE(QFile::exists(file));
}

INSTANTIATE_TEST_SUITE_P(
    Screenshot, ScreenshotFailures,
    ::testing::Values(
        FailingGrab{"RectOutsideTheScreen", {"--output", "%1", "--rect", "4400,0,100,10"}, nullptr},
        FailingGrab{
            "WindowThatDoesNotExist", {"--output", "%1", "--window", "0x1ffffff0"}, nullptr},
        FailingGrab{"NoDisplay", {"--output", "%1"}, ""},
        FailingGrab{"UnwritableOutput", {"--output", "/nonexistent-folder/out.png"}, nullptr}),
    [](const auto& info) { return std::string(info.param.name); });

class DesktopStop : public ::testing::TestWithParam<int> {};

TEST_P(DesktopStop, EndsCleanlyOnTheSignalAndLeavesNothingBehind) {
    Desktop desktop;
    const QString display = desktop.waitForDisplay();
    ASSERT_FALSE(display.isEmpty()) << desktop.errors().toStdString();
    const Children children = childrenOf(desktop.pid());
    std::map<QString, pid_t> byName;
    for (const auto& [pid, name] : children) {
        byName[name] = pid;
    }
    ASSERT_TRUE(byName.count("Xorg")) << "no X server among the children";
    ASSERT_TRUE(byName.count("trayer")) << "no trayer among the children";
    const QString number = display.mid(1);

    ASSERT_EQ(kill(desktop.pid(), GetParam()), 0);
    ASSERT_TRUE(desktop.process().waitForFinished(30000));
    EXPECT_EQ(desktop.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desktop.process().exitCode(), 0) << desktop.errors().toStdString();
    for (const auto& [pid, name] : children) {
        EXPECT_TRUE(waitUntil([pid = pid] { return processGone(pid); }, 10000))
            << name.toStdString();
    }
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X11-unix/X") + number));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)));
}

INSTANTIATE_TEST_SUITE_P(Signals, DesktopStop, ::testing::Values(SIGINT, SIGTERM, SIGHUP),
                         [](const auto& info) { return std::string(sigabbrev_np(info.param)); });

TEST(DesktopInBackground, LeavesAnIgnoredInterruptToTheScriptAndStopsOnTerm) {
    Desktop desktop(/*ignoreInterrupt=*/true);
    ASSERT_FALSE(desktop.waitForDisplay().isEmpty()) << desktop.errors().toStdString();

    ASSERT_EQ(kill(desktop.pid(), SIGINT), 0);
    EXPECT_FALSE(desktop.process().waitForFinished(1000)) << "ended on an ignored SIGINT";

    ASSERT_EQ(kill(desktop.pid(), SIGTERM), 0);
    ASSERT_TRUE(desktop.process().waitForFinished(30000));
    EXPECT_EQ(desktop.process().exitCode(), 0) << desktop.errors().toStdString();
}

TEST(DesktopKilled, TakesItsServerAndTrayHostWithIt) {
    Desktop desktop;
    const QString display = desktop.waitForDisplay();
    ASSERT_FALSE(display.isEmpty()) << desktop.errors().toStdString();
    const Children children = childrenOf(desktop.pid());
    ASSERT_EQ(children.size(), 2u);
    // A killed tool cannot remove the server's work folder (configuration
    // and log); the test removes it once the server is gone.
    QString serverFolder;
    for (const auto& [pid, name] : children) {
        if (name == "Xorg") {
            serverFolder = serverWorkFolder(pid);
        }
    }
    ASSERT_TRUE(serverFolder.startsWith(QDir::tempPath() + "/corvane-xorg-"))
        << serverFolder.toStdString();

    desktop.process().kill();
    ASSERT_TRUE(desktop.process().waitForFinished(10000));
    for (const auto& [pid, name] : children) {
        EXPECT_TRUE(waitUntil([pid = pid] { return processGone(pid); }, 15000))
            << name.toStdString();
    }
    const QString number = display.mid(1);
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(number)));
    EXPECT_TRUE(QDir(serverFolder).removeRecursively());
}

TEST(DesktopInterrupted, WhileStartingStopsWhatItStarted) {
    Desktop desktop;
    // The X server is the first child; stop as soon as it exists, long
    // before the tray host is ready.
    Children started;
    ASSERT_TRUE(waitUntil(
        [&] {
            started = childrenOf(desktop.pid());
            for (const auto& [pid, name] : started) {
                if (name == "Xorg") {
                    return true;
                }
            }
            return false;
        },
        30000));
    ASSERT_EQ(kill(desktop.pid(), SIGTERM), 0);
    ASSERT_TRUE(desktop.process().waitForFinished(30000));
    EXPECT_EQ(desktop.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(desktop.process().exitCode(), 0) << desktop.errors().toStdString();
    for (const auto& [pid, name] : started) {
        EXPECT_TRUE(waitUntil([pid = pid] { return processGone(pid); }, 10000))
            << name.toStdString();
    }
}

}  // namespace
