// Stands in for Corvane in the launcher's and the update engine's tests:
// started as a bundle's executable by the launcher, or as the replacement
// tool by the update engine, it writes what it was started with to the file
// named by CORVANE_TEST_REPORT, then stays for CORVANE_TEST_LINGER_MS
// milliseconds.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace {

std::string linkTarget(const std::string& path) {
    std::error_code error;
    return std::filesystem::read_symlink(path, error).string();
}

}  // namespace

int main(int argc, char** argv) {
    const char* target = std::getenv("CORVANE_TEST_REPORT");
    if (!target) {
        return 3;
    }
    char cwd[4096];
    std::string report =
        "pid=" + std::to_string(::getpid()) + "\nsid=" + std::to_string(::getsid(0)) +
        "\npgid=" + std::to_string(::getpgid(0)) + "\narguments=" + std::to_string(argc - 1) +
        "\ncwd=" + (::getcwd(cwd, sizeof cwd) ? cwd : "?") +
        "\nexe=" + linkTarget("/proc/self/exe") + "\n";
    for (int i = 1; i < argc; ++i) {
        report += "arg" + std::to_string(i) + "=" + argv[i] + "\n";
    }
    for (const auto& entry : std::filesystem::directory_iterator("/proc/self/fd")) {
        const std::string opened = linkTarget(entry.path());
        if (opened.rfind("/proc/", 0) != 0) {  // not the listing's own descriptor
            report += "fd" + entry.path().filename().string() + "=" + opened + "\n";
        }
    }
    // Written aside and renamed, so a reader never sees half a report.
    const std::string partial = std::string(target) + ".partial";
    std::ofstream(partial) << report;
    const bool renamed = std::rename(partial.c_str(), target) == 0;
    if (const char* linger = std::getenv("CORVANE_TEST_LINGER_MS")) {
        ::usleep(static_cast<useconds_t>(std::atoi(linger)) * 1000);
    }
    return renamed ? 0 : 5;
}
