#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QLocalSocket>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cerrno>
#include <map>

namespace {

using Children = std::map<pid_t, QString>;  // process identifier → command name

QByteArray readProc(const QString& path) {
    QFile file(QStringLiteral("/proc/") + path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

Children childrenOf(pid_t pid) {
    Children children;
    for (const QByteArray& word :
         readProc(QStringLiteral("%1/task/%1/children").arg(pid)).split(' ')) {
        if (!word.isEmpty()) {
            children[word.toInt()] = readProc(word + "/comm");
        }
    }
    return children;
}

// Gone, or a zombie that init reaps once its parent (the tool) has ended.
bool processGone(pid_t pid) {
    return (kill(pid, 0) != 0 && errno == ESRCH) ||
           readProc(QStringLiteral("%1/stat").arg(pid)).contains(") Z ");
}

bool serverListensOn(const QString& path) {
    QLocalSocket socket;
    socket.connectToServer(path);
    return socket.waitForConnected(1000);
}

bool waitUntil(const std::function<bool()>& condition, int milliseconds) {
    for (const QDeadlineTimer deadline(milliseconds); !condition(); QThread::msleep(20)) {
        if (deadline.hasExpired()) {
            return false;
        }
    }
    return true;
}

struct CommandResult {
    int exitCode = -1;  // -1: it crashed or did not run
    QString out;
    QString err;
};

CommandResult run(const QString& program, const QStringList& arguments,
                  const QProcessEnvironment& environment) {
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(program, arguments);
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished(5000);
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

// One corvane-virtual-desktop, stopped by its process identifier at the end.
class Desktop {
  public:
    // `inBackground`: started as a shell starts a background job, SIGINT ignored.
    explicit Desktop(bool inBackground = false) {
        if (inBackground) {
            process.setChildProcessModifier([] { signal(SIGINT, SIG_IGN); });
        }
        process.start(QStringLiteral(CORVANE_VIRTUAL_DESKTOP), {});
        process.waitForStarted();
    }
    ~Desktop() {
        process.terminate();
        if (!process.waitForFinished(30000)) {
            process.kill();
        }
        process.waitForFinished(5000);
    }

    // The display of the `DISPLAY=:N` line; empty when it did not come.
    QString waitForDisplay() {
        while (!output_.contains('\n') && process.waitForReadyRead(60000)) {
            output_ += process.readAllStandardOutput();
        }
        const auto match = QRegularExpression(QStringLiteral("^DISPLAY=(:\\d+)\n$")).match(output_);
        return match.captured(1);
    }

    QProcessEnvironment environment() {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("DISPLAY"), waitForDisplay());
        environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return environment;
    }

    pid_t pid() const { return static_cast<pid_t>(process.processId()); }
    std::string errors() { return process.readAllStandardError().toStdString(); }

    QProcess process;

  private:
    QString output_;
};

class DevDesktop : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_NE(environment_.value("DISPLAY"), "") << desktop_.errors(); }

    Desktop desktop_;
    QProcessEnvironment environment_ = desktop_.environment();
    QTemporaryDir folder_;
};

// Two monitors side by side with their EDID names, each listing every size
// at the four rates once (a repeated mode shows as a second rate on its
// line). The tray docks at the top right of the main monitor; the whole
// screen, a window (by the hexadecimal identifier xwininfo prints) and a
// rectangle grab what is there; every failing grab ends with one line and
// no file.
TEST_F(DevDesktop, HasNamedMonitorsATrayAndGrabsThatMatchTheirTargets) {
    const QString query = run("xrandr", {"--query", "--props"}, environment_).out;
    EXPECT_TRUE(query.contains("\nDUMMY0 connected primary 1920x1080+0+0 ")) << query.toStdString();
    EXPECT_TRUE(query.contains("\nDUMMY1 connected 2560x1440+1920+0 "));
    for (const char* name : {"Studio 24", "Wide 27"}) {
        EXPECT_TRUE(
            QString(query).remove(QRegularExpression("\\s")).contains(QByteArray(name).toHex()))
            << name;
    }
    for (const char* size : {"1920x1080", "2560x1440"}) {
        for (const char* rate : {"60", "59.94", "120", "144"}) {
            const QString line = QStringLiteral("\n +%1_%2 +%3[ *+]*\n")
                                     .arg(size, QRegularExpression::escape(rate))
                                     .arg(QString::number(QString(rate).toDouble(), 'f', 2));
            EXPECT_EQ(query.count(QRegularExpression(line)), 2) << line.toStdString();
        }
    }
    // The starting modes are the current ones.
    EXPECT_EQ(query.count(QRegularExpression("(1920x1080_60 +60.00|2560x1440_144 +144.00)\\*")), 2);

    // A known colour outside the tray tells a real grab from an empty one.
    ASSERT_EQ(run("xsetroot", {"-solid", "#ff0000"}, environment_).exitCode, 0);
    const QString trayWindow =
        run("xdotool", {"search", "--onlyvisible", "--class", "trayer"}, environment_)
            .out.section('\n', 0, 0);
    std::map<QString, int> values;
    for (const QString& line :
         run("xdotool", {"getwindowgeometry", "--shell", trayWindow}, environment_)
             .out.split('\n')) {
        values[line.section('=', 0, 0)] = line.section('=', 1).toInt();
    }
    const QRect tray(values["X"], values["Y"], values["WIDTH"], values["HEIGHT"]);
    EXPECT_EQ(tray, QRect(1920 - tray.width(), 0, tray.width(), 32));

    const QString file = folder_.filePath("grab.png");
    const auto grab = [&](const QStringList& target) {
        const CommandResult result =
            run(CORVANE_SCREENSHOT, QStringList{"--output", file} + target, environment_);
        EXPECT_EQ(result.exitCode, 0) << result.err.toStdString();
        return QImage(file);
    };
    const QImage screen = grab({});
    ASSERT_EQ(screen.size(), QSize(1920 + 2560, 1440));
    EXPECT_EQ(screen.pixelColor(10, 500), QColor(255, 0, 0));
    EXPECT_EQ(screen.pixelColor(4000, 1400), QColor(255, 0, 0));
    EXPECT_NE(screen.pixelColor(tray.center()), QColor(255, 0, 0)) << "the tray is not in the grab";
    EXPECT_EQ(grab({"--window", "0x" + QString::number(trayWindow.toUInt(), 16)}),
              screen.copy(tray));
    const QRect area(tray.x() - 40, 0, 80, 64);
    EXPECT_EQ(grab({"--rect", QStringLiteral(" %1, %2 ,80,64").arg(area.x()).arg(area.y())}),
              screen.copy(area));

    QFile::remove(file);
    const struct {
        QStringList arguments;
        bool noDisplay = false;
    } failures[] = {{{"--output", file, "--rect", "4400,0,100,10"}},
                    {{"--output", file, "--window", "0x1ffffff0"}},
                    {{"--output", file, "--window", trayWindow, "--rect", "0,0,1,1"}},
                    {{"--output", file, "--screen=1"}},
                    {{"--output", file}, true},
                    {{"--output", "/nonexistent-folder/out.png"}}};
    for (const auto& failure : failures) {
        QProcessEnvironment environment = environment_;
        if (failure.noDisplay) {
            environment.remove("DISPLAY");
        }
        const CommandResult result = run(CORVANE_SCREENSHOT, failure.arguments, environment);
        SCOPED_TRACE(failure.arguments.join(' ').toStdString() + "\n" + result.err.toStdString());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_TRUE(result.err.startsWith(QLatin1String("corvane-screenshot: ")));
        EXPECT_EQ(result.err.count('\n'), 1);
        EXPECT_EQ(result.out, "");
        EXPECT_FALSE(QFile::exists(file));
    }
}

struct Stop : NamedCase {
    bool inBackground;   // SIGINT, ignored, must not stop it
    bool whileStarting;  // the signal comes as soon as the X server exists
    int signal;
};

class DesktopStop : public ::testing::TestWithParam<Stop> {};

// Whichever way the desktop ends, its X server and tray host end with it
// and leave no socket or work folder behind (a killed desktop cannot
// remove its server's folder: the test does).
TEST_P(DesktopStop, LeavesNoProcessLockOrFolderBehind) {
    const Stop& stop = GetParam();
    Desktop desktop(stop.inBackground);
    Children children;
    QString serverFolder;
    // The server's command line, which an exec in progress may not show yet.
    const auto findServerFolder = [&] {
        for (const auto& [pid, name] : children) {
            const QList<QByteArray> arguments =
                readProc(QStringLiteral("%1/cmdline").arg(pid)).split('\0');
            if (name == "Xorg" && arguments.contains("-config")) {
                serverFolder =
                    QFileInfo(arguments.value(arguments.indexOf("-config") + 1)).absolutePath();
            }
        }
        return !serverFolder.isEmpty();
    };
    QString display;  // unknown while starting
    if (stop.whileStarting) {
        ASSERT_TRUE(waitUntil(
            [&] {
                children = childrenOf(desktop.pid());
                return findServerFolder();
            },
            30000));
    } else {
        display = desktop.waitForDisplay();
        ASSERT_NE(display, "") << desktop.errors();
        children = childrenOf(desktop.pid());
        ASSERT_EQ(children.size(), 2u);
        findServerFolder();
    }
    ASSERT_TRUE(serverFolder.startsWith(QDir::tempPath() + "/corvane-xorg-"))
        << serverFolder.toStdString();
    // A desktop that has ended has the process identifier 0, and kill(0, …)
    // would signal this test's whole process group.
    ASSERT_EQ(desktop.process.state(), QProcess::Running);
    if (stop.inBackground) {
        ASSERT_EQ(kill(desktop.pid(), SIGINT), 0);
        ASSERT_FALSE(desktop.process.waitForFinished(1000)) << "ended on an ignored SIGINT";
    }
    ASSERT_EQ(kill(desktop.pid(), stop.signal), 0);
    ASSERT_TRUE(desktop.process.waitForFinished(30000));
    if (stop.signal != SIGKILL) {
        EXPECT_EQ(desktop.process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(desktop.process.exitCode(), 0) << desktop.errors();
    }
    for (const auto& [pid, name] : children) {
        EXPECT_TRUE(waitUntil([pid = pid] { return processGone(pid); }, 15000))
            << name.toStdString();
    }
    // Another server may take the number at once; a socket nobody listens
    // on is one left behind.
    const QString socket = "/tmp/.X11-unix/X" + display.mid(1);
    EXPECT_TRUE(display.isEmpty() || !QFile::exists(socket) || serverListensOn(socket)) << "stale";
    if (stop.signal == SIGKILL) {
        QDir(serverFolder).removeRecursively();
    }
    EXPECT_FALSE(QFileInfo::exists(serverFolder));
}

INSTANTIATE_TEST_SUITE_P(Signals, DesktopStop,
                         ::testing::Values(Stop{"Interrupt", false, false, SIGINT},
                                           Stop{"HangUpInBackground", true, false, SIGHUP},
                                           Stop{"TermWhileStarting", false, true, SIGTERM},
                                           Stop{"Kill", false, false, SIGKILL}),
                         CaseName());

}  // namespace
