// Stands in for Corvane in the replacement tool's tests.
//
//   updater_test_app obey       prints "ready", then waits; SIGTERM ends it
//   updater_test_app stubborn   prints "ready", then waits; every SIGTERM it
//                               receives is written to standard output as "T"
//   updater_test_app [ARG…]     (as a bundle's executable, started by the
//                               launcher, or as the replacement tool, started
//                               by the update engine) writes what it was
//                               started with to the file named by
//                               CORVANE_TEST_REPORT, then stays for
//                               CORVANE_TEST_LINGER_MS milliseconds
#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

void onTerminate(int) {
    const char mark = 'T';
    [[maybe_unused]] const auto written = ::write(STDOUT_FILENO, &mark, 1);
}

std::string linkTarget(const std::string& path) {
    char buffer[4096];
    const ssize_t size = ::readlink(path.c_str(), buffer, sizeof buffer);
    return size < 0 ? std::string("?") : std::string(buffer, static_cast<std::size_t>(size));
}

int writeReport(int argc, char** argv) {
    const char* target = std::getenv("CORVANE_TEST_REPORT");
    if (!target) {
        return 3;
    }
    std::string report;
    report += "pid=" + std::to_string(::getpid()) + "\n";
    report += "sid=" + std::to_string(::getsid(0)) + "\n";
    report += "pgid=" + std::to_string(::getpgid(0)) + "\n";
    report += "arguments=" + std::to_string(argc - 1) + "\n";
    for (int i = 1; i < argc; ++i) {
        report += "arg" + std::to_string(i) + "=" + argv[i] + "\n";
    }
    char cwd[4096];
    report += std::string("cwd=") + (::getcwd(cwd, sizeof cwd) ? cwd : "?") + "\n";
    report += "exe=" + linkTarget("/proc/self/exe") + "\n";
    if (DIR* dir = ::opendir("/proc/self/fd")) {
        const int own = ::dirfd(dir);
        while (const dirent* entry = ::readdir(dir)) {
            if (entry->d_name[0] == '.' || std::atoi(entry->d_name) == own) {
                continue;
            }
            report += std::string("fd") + entry->d_name + "=" +
                      linkTarget(std::string("/proc/self/fd/") + entry->d_name) + "\n";
        }
        ::closedir(dir);
    }
    // Written aside and renamed, so a reader never sees half a report.
    const std::string partial = std::string(target) + ".partial";
    FILE* file = std::fopen(partial.c_str(), "w");
    if (!file) {
        return 4;
    }
    std::fputs(report.c_str(), file);
    std::fclose(file);
    const bool renamed = std::rename(partial.c_str(), target) == 0;
    if (const char* linger = std::getenv("CORVANE_TEST_LINGER_MS")) {
        ::usleep(static_cast<useconds_t>(std::atoi(linger)) * 1000);
    }
    return renamed ? 0 : 5;
}

[[noreturn]] void waitForever() {
    std::puts("ready");
    std::fflush(stdout);
    for (;;) {
        ::pause();
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "obey") == 0) {
        waitForever();
    }
    if (argc == 2 && std::strcmp(argv[1], "stubborn") == 0) {
        struct sigaction action {};
        action.sa_handler = onTerminate;
        sigemptyset(&action.sa_mask);
        ::sigaction(SIGTERM, &action, nullptr);
        waitForever();
    }
    return writeReport(argc, argv);
}
