// Median latency of a display snapshot with three displays on an Xorg
// dummy server, against the same snapshot built on RandR's probing call and
// against one run of `xrandr --current`; and, with the change monitor
// having seen nothing since the last read, of a snapshot and of the
// store's two-second refresh. Starts and stops its own server:
//
//     build/bench/display/display_snapshot_bench
//
// Prints Google Benchmark's table, then the three medians and the ratio of
// the snapshot to the xrandr run.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QByteArray>
#include <QCoreApplication>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "display/DisplayService.h"
#include "platform/x11/X11DisplayBackend.h"
#include "platform/x11/X11DisplayChangeMonitor.h"
#include "state/DisplayStore.h"
#include "state/InMemorySettingsStore.h"
#include "testbed/EdidBlob.h"
#include "testbed/XorgServer.h"

namespace {

using Clock = std::chrono::steady_clock;
using corvane::testing::EdidFields;
using corvane::testing::Modeline;
using corvane::testing::XorgServer;

QByteArray edid(const QString& name, std::uint32_t serial) {
    EdidFields fields;
    fields.monitorName = name;
    fields.serialNumber = serial;
    return corvane::testing::makeEdid(fields);
}

// Three displays with EDIDs, in a row.
std::unique_ptr<XorgServer> startServer() {
    XorgServer::Options options;
    options.modelines = {Modeline::withRefresh("B60", 1920, 1080, 60),
                         Modeline::withRefresh("B5994", 1920, 1080, 59.94),
                         Modeline::withRefresh("B144", 1920, 1080, 144),
                         Modeline::withRefresh("Q60", 2560, 1440, 60)};
    auto server = std::make_unique<XorgServer>(options);
    server->plug("DUMMY1", "Q60");
    server->plug("DUMMY2", "B144", {"--right-of", "DUMMY1"});
    server->attachEdid("DUMMY0", edid("Left", 1));
    server->attachEdid("DUMMY1", edid("Middle", 2));
    server->attachEdid("DUMMY2", edid("Right", 3));
    return server;
}

// Runs `xrandr --current` with its output discarded and waits for it.
void runXrandrCurrent(char** environment) {
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    char program[] = "xrandr";
    char current[] = "--current";
    char* argv[] = {program, current, nullptr};
    pid_t pid = 0;
    const int spawned = posix_spawnp(&pid, program, &actions, nullptr, argv, environment);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status) ||
        WEXITSTATUS(status) != 0) {
        throw std::runtime_error("xrandr --current failed");
    }
}

double medianMicroseconds(std::vector<Clock::duration> samples) {
    if (samples.empty()) {
        return 0;
    }
    std::nth_element(samples.begin(), samples.begin() + samples.size() / 2, samples.end());
    return std::chrono::duration<double, std::micro>(samples[samples.size() / 2]).count();
}

// Times every iteration, so the figure reported is a median, not a mean.
void measure(benchmark::State& state, double& median, const std::function<void()>& work) {
    std::vector<Clock::duration> samples;
    for (auto _ : state) {
        const auto start = Clock::now();
        work();
        samples.push_back(Clock::now() - start);
    }
    median = medianMicroseconds(std::move(samples));
    state.counters["median_us"] = median;
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    // The change monitor's socket notifier and timers need one.
    QCoreApplication application(argc, argv);
    std::unique_ptr<XorgServer> server = startServer();

    corvane::X11DisplayBackend::Options options;
    options.displayName = server->displayName();
    corvane::X11DisplayBackend backend(options);
    const corvane::DisplayService service(backend);
    if (service.snapshot().size() != 3) {
        std::fprintf(stderr, "expected three displays on %s\n",
                     server->displayName().toLocal8Bit().constData());
        return 1;
    }

    corvane::X11DisplayChangeMonitor monitor(server->displayName());
    corvane::X11DisplayBackend watched({server->displayName(), {}, &monitor});
    const corvane::DisplayService watchedService(watched);
    corvane::InMemorySettingsStore settings;
    corvane::DisplayStore store(watched, settings);

    std::vector<std::string> environmentStrings;
    for (const QString& entry : server->environment().toStringList()) {
        environmentStrings.push_back(entry.toStdString());
    }
    std::vector<char*> environment;
    for (std::string& entry : environmentStrings) {
        environment.push_back(entry.data());
    }
    environment.push_back(nullptr);

    std::map<std::string, double> medians;
    benchmark::RegisterBenchmark("snapshot/current_resources", [&](benchmark::State& state) {
        measure(state, medians["snapshot"], [&] { benchmark::DoNotOptimize(service.snapshot()); });
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("snapshot/probing_resources", [&](benchmark::State& state) {
        measure(state, medians["probing"], [&] {
            backend.requestProbe();
            benchmark::DoNotOptimize(service.snapshot());
        });
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("snapshot/unchanged_since_last_read",
                                 [&](benchmark::State& state) {
                                     measure(state, medians["unchanged"], [&] {
                                         benchmark::DoNotOptimize(watchedService.snapshot());
                                     });
                                 })
        ->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("store_refresh/unchanged", [&](benchmark::State& state) {
        measure(state, medians["refresh"], [&] { store.refresh(); });
    })->Unit(benchmark::kMicrosecond);
    benchmark::RegisterBenchmark("xrandr_current_process", [&](benchmark::State& state) {
        measure(state, medians["xrandr"], [&] { runXrandrCurrent(environment.data()); });
    })->Unit(benchmark::kMicrosecond);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    if (medians.count("snapshot") && medians.count("xrandr") && medians["snapshot"] > 0) {
        std::printf(
            "\nmedians: snapshot %.1f us, probing snapshot %.1f us, unchanged snapshot %.1f us, "
            "unchanged store refresh %.2f us, xrandr --current %.1f us\n"
            "snapshot is 1/%.0f of xrandr --current (goal: at least 1/20); "
            "unchanged snapshot is 1/%.0f\n",
            medians["snapshot"], medians["probing"], medians["unchanged"], medians["refresh"],
            medians["xrandr"], medians["xrandr"] / medians["snapshot"],
            medians["xrandr"] / medians["unchanged"]);
    }
    return 0;
}
