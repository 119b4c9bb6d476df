// corvane-open -n BUNDLE
//
// Starts a new instance of the application in BUNDLE: the executable that
// Contents/Info.plist names under CFBundleExecutable, from Contents/MacOS.
// Exits 0 once it runs, 1 when it cannot be started, 2 on a wrong command
// line. Only ever starts a bundle's own executable; it never hands a path to
// another program.
#include <cstring>
#include <filesystem>
#include <iostream>
#include <string>

#include "platform/linux/bundle/BundleInfo.h"
#include "platform/linux/launcher/DetachedStart.h"

namespace {

// The executable must be a plain file name so that it stays in Contents/MacOS.
bool isPlainFileName(const std::string& name) {
    return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos &&
           name.find('\0') == std::string::npos;
}

int fail(const std::string& message) {
    std::cerr << "corvane-open: " << message << '\n';
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3 || std::strcmp(argv[1], "-n") != 0 || argv[2][0] == '\0') {
        std::cerr << "usage: corvane-open -n BUNDLE\n";
        return 2;
    }
    const std::filesystem::path bundle = argv[2];
    const auto name = corvane::bundle::infoString(bundle, "CFBundleExecutable");
    if (!name) {
        return fail(bundle.string() + ": no CFBundleExecutable in Contents/Info.plist");
    }
    if (!isPlainFileName(*name)) {
        return fail(bundle.string() + ": CFBundleExecutable is not a file name: " + *name);
    }
    const auto executable = bundle / "Contents" / "MacOS" / *name;
    if (const int error = corvane::launcher::startDetached(executable)) {
        return fail("cannot start " + executable.string() + ": " + std::strerror(error));
    }
    return 0;
}
