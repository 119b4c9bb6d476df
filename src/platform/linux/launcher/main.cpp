// corvane-open -n BUNDLE
// corvane-open --pid-fd FD -n BUNDLE
//
// Starts a new instance of the application in BUNDLE: the executable that
// Contents/Info.plist names under CFBundleExecutable, from Contents/MacOS.
// Exits 0 once it runs, 1 when it cannot be started, 2 on a wrong command
// line. Only ever starts a bundle's own executable; it never hands a path to
// another program.
//
// The second form is the replacement tool's: once the program runs, its
// process id is written to the inherited descriptor FD in decimal, followed
// by a line feed, so that the tool can watch the new version. FD is not
// passed on to the program.
#include <fcntl.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>

#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/failedbuilds/FailedBuilds.h"
#include "platform/linux/launcher/DetachedStart.h"

namespace {

int fail(const std::string& message) {
    std::cerr << "corvane-open: " << message << '\n';
    return 1;
}

// The descriptor given with --pid-fd: above the standard streams and open.
std::optional<int> reportDescriptor(const char* text) {
    const auto fd = corvane::failedbuilds::parseDecimal(text);
    if (!fd || *fd < 3 || *fd > 1'000'000 || ::fcntl(static_cast<int>(*fd), F_GETFD) < 0) {
        return std::nullopt;
    }
    return static_cast<int>(*fd);
}

}  // namespace

int main(int argc, char** argv) {
    std::optional<int> pidFd;
    if (argc == 5 && std::strcmp(argv[1], "--pid-fd") == 0) {
        pidFd = reportDescriptor(argv[2]);
        argv += 2;
        argc -= 2;
        if (!pidFd) {
            argc = 0;  // a usage error
        }
    }
    if (argc != 3 || std::strcmp(argv[1], "-n") != 0 || argv[2][0] == '\0') {
        std::cerr << "usage: corvane-open -n BUNDLE\n";
        return 2;
    }
    const std::filesystem::path bundle = argv[2];
    const auto executable = corvane::bundle::bundleExecutable(bundle);
    if (!executable) {
        return fail(bundle.string() + ": no usable CFBundleExecutable in Contents/Info.plist");
    }
    pid_t started = -1;
    if (const int error = corvane::launcher::startDetached(*executable, started)) {
        return fail("cannot start " + executable->string() + ": " + std::strerror(error));
    }
    if (pidFd) {
        const std::string line = std::to_string(started) + "\n";
        if (::write(*pidFd, line.data(), line.size()) != static_cast<ssize_t>(line.size())) {
            return fail("cannot report the process id: " + std::string(std::strerror(errno)));
        }
    }
    return 0;
}
