#include "testbed/XorgServer.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTextStream>
#include <QThread>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace corvane::testing {

namespace {

using Clock = std::chrono::steady_clock;

const char* const kDefaultModeName = "1920x1080_60";

struct FreeDeleter {
    void operator()(void* pointer) const { std::free(pointer); }
};
template <typename T>
using XcbReply = std::unique_ptr<T, FreeDeleter>;

struct XcbDisconnect {
    void operator()(xcb_connection_t* connection) const { xcb_disconnect(connection); }
};

// Waits for the child without blocking longer than `timeout`; true when it
// has been reaped.
bool reapWithin(pid_t pid, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (true) {
        const pid_t reaped = waitpid(pid, nullptr, WNOHANG);
        if (reaped == pid || (reaped < 0 && errno == ECHILD)) {
            return true;
        }
        if (Clock::now() >= deadline) {
            return false;
        }
        QThread::msleep(5);
    }
}

// A socket file whose server is gone refuses connections.
bool socketIsStale(const QString& path) {
    const QByteArray native = QFile::encodeName(path);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (native.size() >= static_cast<qsizetype>(sizeof(address.sun_path))) {
        return false;
    }
    std::copy(native.begin(), native.end(), address.sun_path);
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        return false;
    }
    const bool refused = connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 &&
                         errno == ECONNREFUSED;
    close(fd);
    return refused;
}

}  // namespace

XorgServer::XorgServer() : XorgServer(Options{}) {}

XorgServer::XorgServer(Options options) : workDir_(QDir::tempPath() + "/corvane-xorg-XXXXXX") {
    if (!workDir_.isValid()) {
        throw XorgError("cannot create a temporary folder for Xorg: " +
                        workDir_.errorString().toStdString());
    }
    start(options);
}

XorgServer::~XorgServer() {
    try {
        stop();
    } catch (const XorgError& error) {
        std::fprintf(stderr, "XorgServer: %s\n", error.what());
    }
}

QString XorgServer::logFile() const {
    return workDir_.filePath("xorg.log");
}

QString XorgServer::logTail(int lines) const {
    QFile file(logFile());
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        return QStringLiteral("(no log at %1)").arg(logFile());
    }
    QStringList all = QString::fromLocal8Bit(file.readAll()).split('\n');
    QFile output(workDir_.filePath("xorg.out"));
    if (output.open(QIODevice::ReadOnly | QIODevice::Text)) {
        all += QString::fromLocal8Bit(output.readAll()).split('\n');
    }
    return all.mid(std::max<qsizetype>(0, all.size() - lines)).join('\n');
}

void XorgServer::writeConfig(const Options& options) const {
    std::vector<Modeline> modelines = options.modelines;
    if (modelines.empty()) {
        modelines.push_back(Modeline::withRefresh(kDefaultModeName, 1920, 1080, 60));
    }
    const QString initial =
        options.initialMode.isEmpty() ? modelines.front().name : options.initialMode;

    QFile file(workDir_.filePath("xorg.conf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text)) {
        throw XorgError("cannot write " + file.fileName().toStdString());
    }
    QTextStream out(&file);
    // DacSpeed lifts the dummy driver's 300 MHz dot-clock limit, which would
    // silently drop large or fast modes.
    out << "Section \"Device\"\n"
           "  Identifier \"corvane-dummy\"\n"
           "  Driver \"dummy\"\n"
           "  VideoRam 256000\n"
           "  DacSpeed 2000\n"
           "EndSection\n"
           "Section \"Monitor\"\n"
           "  Identifier \"corvane-monitor\"\n"
           "  HorizSync 5.0-1000.0\n"
           "  VertRefresh 5.0-1000.0\n";
    for (const Modeline& mode : modelines) {
        out << "  " << mode.configLine() << "\n";
    }
    out << "EndSection\n"
           "Section \"Screen\"\n"
           "  Identifier \"corvane-screen\"\n"
           "  Device \"corvane-dummy\"\n"
           "  Monitor \"corvane-monitor\"\n"
           "  DefaultDepth 24\n"
           "  SubSection \"Display\"\n"
           "    Depth 24\n"
           "    Virtual 5120 2880\n"
           "    Modes \""
        << initial
        << "\"\n"
           "  EndSubSection\n"
           "EndSection\n"
           "Section \"ServerFlags\"\n"
           "  Option \"AutoAddDevices\" \"false\"\n"
           "  Option \"AutoAddGPU\" \"false\"\n"
           "EndSection\n";
    if (out.status() != QTextStream::Ok || !file.flush()) {
        throw XorgError("cannot write " + file.fileName().toStdString());
    }
    if (!QDir(workDir_.path()).mkpath("empty-configdir")) {
        throw XorgError("cannot create the empty configuration folder");
    }
}

void XorgServer::start(const Options& options) {
    writeConfig(options);

    // Everything the child needs is prepared before fork(): after it, only
    // async-signal-safe calls are allowed.
    const QByteArray config = QFile::encodeName(workDir_.filePath("xorg.conf"));
    const QByteArray configDir = QFile::encodeName(workDir_.filePath("empty-configdir"));
    const QByteArray log = QFile::encodeName(logFile());
    const QByteArray output = QFile::encodeName(workDir_.filePath("xorg.out"));
    const char* const argv[] = {
        "Xorg",        "-config",       config.constData(), "-configdir", configDir.constData(),
        "-logfile",    log.constData(), "-noreset",         "-nolisten",  "tcp",
        "-novtswitch", "-sharevts",     "-keeptty",         "-displayfd", "3",
        nullptr};

    int ready[2];
    if (pipe2(ready, O_CLOEXEC) != 0) {
        throw XorgError("pipe2 failed");
    }
    const pid_t parent = getpid();
    const pid_t child = fork();
    if (child < 0) {
        close(ready[0]);
        close(ready[1]);
        throw XorgError("fork failed");
    }
    if (child == 0) {
        // The server must not outlive a test process that crashes or is
        // killed by a timeout.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) {
            _exit(1);
        }
        setpgid(0, 0);
        if (dup2(ready[1], 3) != 3) {
            _exit(1);
        }
        const int input = open("/dev/null", O_RDONLY);
        const int messages = open(output.constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (input < 0 || messages < 0 || dup2(input, 0) != 0 || dup2(messages, 1) != 1 ||
            dup2(messages, 2) != 2) {
            _exit(1);
        }
        close_range(4, ~0U, 0);
        execvp(argv[0], const_cast<char* const*>(argv));
        _exit(127);
    }
    close(ready[1]);
    pid_ = child;

    // The server writes its display number to fd 3 once it accepts clients.
    QByteArray number;
    const auto deadline = Clock::now() + options.startTimeout;
    bool closed = false;
    while (!number.endsWith('\n') && !closed) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) {
            break;
        }
        pollfd descriptor{ready[0], POLLIN, 0};
        const int polled = poll(&descriptor, 1, static_cast<int>(left.count()));
        if (polled < 0 && errno == EINTR) {
            continue;
        }
        if (polled <= 0) {
            break;
        }
        char buffer[32];
        const ssize_t got = read(ready[0], buffer, sizeof(buffer));
        if (got > 0) {
            number.append(buffer, got);
        } else if (got == 0 || errno != EINTR) {
            closed = true;
        }
    }
    close(ready[0]);

    bool parsed = false;
    displayNumber_ = number.trimmed().toInt(&parsed);
    if (!number.endsWith('\n') || !parsed) {
        kill(pid_, SIGKILL);
        reapWithin(pid_, std::chrono::seconds(5));
        pid_ = -1;
        displayNumber_ = -1;
        throw XorgError("Xorg did not become ready" +
                        std::string(closed ? " (it exited)" : " in time") + "; its log ends:\n" +
                        logTail().toStdString());
    }
}

QProcessEnvironment XorgServer::environment() const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), displayName());
    environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    return environment;
}

XrandrResult XorgServer::xrandr(const QStringList& arguments) const {
    XrandrResult result;
    QProcess process;
    process.setProcessEnvironment(environment());
    process.start(QStringLiteral("xrandr"), arguments);
    if (!process.waitForStarted(5000)) {
        result.standardError = process.errorString();
        return result;
    }
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished(1000);
        result.standardError = QStringLiteral("xrandr did not finish in time");
        return result;
    }
    result.standardOutput = QString::fromLocal8Bit(process.readAllStandardOutput());
    result.standardError = QString::fromLocal8Bit(process.readAllStandardError());
    result.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    return result;
}

QString XorgServer::xrandrOrThrow(const QStringList& arguments) const {
    const XrandrResult result = xrandr(arguments);
    if (!result.ok()) {
        throw XorgError(QStringLiteral("xrandr %1 failed (%2): %3")
                            .arg(arguments.join(' '))
                            .arg(result.exitCode)
                            .arg(result.standardError.trimmed())
                            .toStdString());
    }
    return result.standardOutput;
}

void XorgServer::newMode(const Modeline& mode) {
    xrandrOrThrow(QStringList{QStringLiteral("--newmode")} + mode.xrandrArguments());
}

void XorgServer::addMode(const QString& output, const QString& modeName) {
    xrandrOrThrow({QStringLiteral("--addmode"), output, modeName});
}

void XorgServer::deleteMode(const QString& output, const QString& modeName) {
    xrandrOrThrow({QStringLiteral("--delmode"), output, modeName});
}

void XorgServer::plug(const QString& output, const QString& modeName,
                      const QStringList& placement) {
    // An output that lists the mode already (from an earlier plug) refuses
    // to add it again; turning the output on below is the real check.
    xrandr({QStringLiteral("--addmode"), output, modeName});
    QStringList arguments = {QStringLiteral("--output"), output, QStringLiteral("--mode"),
                             modeName};
    arguments += placement.isEmpty()
                     ? QStringList{QStringLiteral("--right-of"), QStringLiteral("DUMMY0")}
                     : placement;
    xrandrOrThrow(arguments);
    // The dummy driver reports an output connected, with its monitor's
    // modes, only after a probe.
    xrandrOrThrow({QStringLiteral("--query")});
}

void XorgServer::unplug(const QString& output) {
    xrandrOrThrow({QStringLiteral("--output"), output, QStringLiteral("--off")});
}

void XorgServer::setMode(const QString& output, const QString& modeName) {
    xrandrOrThrow({QStringLiteral("--output"), output, QStringLiteral("--mode"), modeName});
}

void XorgServer::setPrimary(const QString& output) {
    xrandrOrThrow({QStringLiteral("--output"), output, QStringLiteral("--primary")});
}

QString XorgServer::activeMode(const QString& output) const {
    const QStringList lines = xrandrOrThrow({QStringLiteral("--current")}).split(u'\n');
    bool inOutput = false;
    for (const QString& line : lines) {
        if (!line.startsWith(u' ')) {
            inOutput = line.startsWith(output + u' ');
        } else if (inOutput && line.contains(u'*')) {
            return line.simplified().section(u' ', 0, 0);
        }
    }
    return {};
}

void XorgServer::attachEdid(const QString& output, const QByteArray& edid) {
    const QByteArray display = displayName().toLatin1();
    std::unique_ptr<xcb_connection_t, XcbDisconnect> connection(
        xcb_connect(display.constData(), nullptr));
    if (xcb_connection_has_error(connection.get())) {
        throw XorgError("cannot connect to " + display.toStdString());
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection.get())).data->root;

    const char name[] = "EDID";
    XcbReply<xcb_intern_atom_reply_t> atom(xcb_intern_atom_reply(
        connection.get(), xcb_intern_atom(connection.get(), 0, sizeof(name) - 1, name), nullptr));
    XcbReply<xcb_randr_get_screen_resources_current_reply_t> resources(
        xcb_randr_get_screen_resources_current_reply(
            connection.get(), xcb_randr_get_screen_resources_current(connection.get(), root),
            nullptr));
    if (!atom || !resources) {
        throw XorgError("cannot read the screen resources of " + display.toStdString());
    }

    const xcb_randr_output_t* outputs =
        xcb_randr_get_screen_resources_current_outputs(resources.get());
    const int count = xcb_randr_get_screen_resources_current_outputs_length(resources.get());
    for (int i = 0; i < count; ++i) {
        XcbReply<xcb_randr_get_output_info_reply_t> info(xcb_randr_get_output_info_reply(
            connection.get(),
            xcb_randr_get_output_info(connection.get(), outputs[i], resources->config_timestamp),
            nullptr));
        if (!info) {
            continue;
        }
        const QString infoName = QString::fromLatin1(
            reinterpret_cast<const char*>(xcb_randr_get_output_info_name(info.get())),
            xcb_randr_get_output_info_name_length(info.get()));
        if (infoName != output) {
            continue;
        }
        const xcb_void_cookie_t cookie =
            edid.isEmpty()
                ? xcb_randr_delete_output_property_checked(connection.get(), outputs[i], atom->atom)
                : xcb_randr_change_output_property_checked(
                      connection.get(), outputs[i], atom->atom, XCB_ATOM_INTEGER, 8,
                      XCB_PROP_MODE_REPLACE, static_cast<std::uint32_t>(edid.size()),
                      edid.constData());
        XcbReply<xcb_generic_error_t> error(xcb_request_check(connection.get(), cookie));
        if (error) {
            throw XorgError("the server refused the EDID of " + output.toStdString() +
                            " with X error " + std::to_string(error->error_code));
        }
        return;
    }
    throw XorgError("no output named " + output.toStdString());
}

bool XorgServer::isRunning() const {
    if (pid_ <= 0 || reaped_) {
        return false;
    }
    if (waitpid(pid_, nullptr, WNOHANG) == 0) {
        return true;
    }
    reaped_ = true;
    return false;
}

void XorgServer::stop() {
    if (pid_ <= 0) {
        return;
    }
    const pid_t pid = pid_;
    pid_ = -1;
    // A reaped process identifier may belong to someone else by now.
    if (!reaped_) {
        kill(pid, SIGTERM);
        if (!reapWithin(pid, std::chrono::seconds(10))) {
            kill(pid, SIGKILL);
            reapWithin(pid, std::chrono::seconds(10));
        }
    }
    removeLeftovers(pid);
}

void XorgServer::removeLeftovers(pid_t stopped) const {
    if (displayNumber_ < 0) {
        return;
    }
    // A server that ended cleanly removes both itself; one that was killed
    // leaves them for the next server on that number to stumble over.
    QStringList leftovers;
    const QString lock = QStringLiteral("/tmp/.X%1-lock").arg(displayNumber_);
    QFile lockFile(lock);
    if (lockFile.open(QIODevice::ReadOnly)) {
        const bool ours = lockFile.readAll().trimmed().toInt() == stopped;
        lockFile.close();
        if (ours && QFile::remove(lock)) {
            leftovers << lock;
        }
    }
    const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(displayNumber_);
    if (QFile::exists(socket) && socketIsStale(socket) && QFile::remove(socket)) {
        leftovers << socket;
    }
    if (!leftovers.isEmpty()) {
        throw XorgError("Xorg left " + leftovers.join(", ").toStdString() + " behind");
    }
}

}  // namespace corvane::testing
