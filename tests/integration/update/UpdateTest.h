#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <functional>

#include "ReleaseKit.h"
#include "update/AppUpdater.h"

namespace corvane {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs the event loop until `done` holds or `time` has passed.
inline void runEventsUntil(const std::function<bool()>& done, std::chrono::milliseconds time) {
    QElapsedTimer elapsed;
    elapsed.start();
    while (!done() && elapsed.elapsed() < time.count()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    }
}

// An installed Corvane 1.0 (build 57) in a temporary folder, with its
// working folders and two local feed folders beside it. Its replacement
// tool reports how it was started to report().
class UpdateTest : public ::testing::Test {
  protected:
    UpdateTest() {
        kit::makeInstalledBundle(installed());
        qputenv("CORVANE_TEST_REPORT", QByteArray::fromStdString(report().string()));
        qputenv("CORVANE_TEST_LINGER_MS", "0");
    }

    fs::path path(const char* name) const { return folder_.path() / name; }
    fs::path installed() const { return path("Applications/Corvane.app"); }
    fs::path support() const { return path("Support"); }
    fs::path report() const { return path("tool-report"); }

    AppUpdater::Parameters parameters() const {
        AppUpdater::Parameters p;
        p.appBundleURL = QUrl::fromLocalFile(QString::fromStdString(installed().string()));
        p.currentBuild = 57;
        p.updateDirectories = QList<QUrl>{QUrl::fromLocalFile(path("Local1").c_str()),
                                          QUrl::fromLocalFile(path("Local2").c_str())};
        p.applicationSupportDirectory = QUrl::fromLocalFile(support().c_str());
        return p;
    }

    harness::TemporaryFolder folder_;
};

}  // namespace corvane
