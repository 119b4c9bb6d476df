// Writes to a settings file without pause until it is killed, for the test
// that kills a writer at random moments. Each round stores a large value
// whose content is derived from its round number, so that a reader can
// tell a complete value from a torn one. Once the first round is on disk
// it prints "ready" and how long that round took in microseconds.

#include <chrono>
#include <cstdio>

#include "SettingsPayload.h"
#include "platform/linux/settings/FileSettingsStore.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: settings_writer FILE\n");
        return 2;
    }
    corvane::FileSettingsStore store(QString::fromLocal8Bit(argv[1]));
    const auto start = std::chrono::steady_clock::now();
    for (std::int64_t round = 1;; ++round) {
        using Entry = std::pair<QString, corvane::SettingValue>;
        for (const Entry& entry :
             {Entry{corvane::testing::kPayloadKey, corvane::testing::payload(round)},
              Entry{corvane::testing::kRoundKey, round}}) {
            if (const auto error = store.setValue(entry.first, entry.second)) {
                std::fprintf(stderr, "%s\n", qPrintable(error->description()));
                return 1;
            }
        }
        if (round == 1) {
            const auto took = std::chrono::duration_cast<std::chrono::microseconds>(
                std::chrono::steady_clock::now() - start);
            std::printf("ready %lld\n", static_cast<long long>(took.count()));
            std::fflush(stdout);
        }
    }
}
