#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QSemaphore>
#include <QThread>

#include "update/AppUpdater.h"
#include "update/UpdateEngineThread.h"
#include "update/UpdateFeed.h"

namespace corvane {
namespace {

QUrl folder(const char* path) {
    return QUrl::fromLocalFile(QString::fromUtf8(path));
}

AppUpdater::Parameters parameters() {
    AppUpdater::Parameters p;
    p.appBundleURL = folder("/opt/Corvane.app");
    p.currentBuild = 57;
    p.remoteFeedURL = QUrl("https://example.test/updates/display/latest.json");
    p.applicationSupportDirectory = folder("/home/u/Library/Application Support/Corvane");
    return p;
}

TEST(AppUpdaterTest, StoresWhatItIsGiven) {
    const AppUpdater engine(parameters());
    EXPECT_EQ(engine.appBundleURL(), folder("/opt/Corvane.app"));
    EXPECT_EQ(engine.currentBuild(), 57);
    EXPECT_EQ(engine.remoteFeedURL(), QUrl("https://example.test/updates/display/latest.json"));
    EXPECT_EQ(engine.applicationSupportDirectory(),
              folder("/home/u/Library/Application Support/Corvane"));
    EXPECT_FALSE(engine.scheduledBuild().has_value());
}

TEST(AppUpdaterTest, WithoutABuildItReadsTheRunningBundle) {
    auto p = parameters();
    p.currentBuild.reset();
    // This test program does not run from a bundle, so there is no build.
    EXPECT_EQ(AppUpdater(p).currentBuild(), 0);
    EXPECT_EQ(AppUpdater::bundleBuild(), 0);
}

TEST(AppUpdaterTest, WithoutARemoteFeedOnlyFoldersAreSearched) {
    auto p = parameters();
    p.remoteFeedURL.reset();
    EXPECT_FALSE(AppUpdater(p).remoteFeedURL().has_value());
}

TEST(AppUpdaterTest, FolderListIsDeduplicated) {
    auto p = parameters();
    p.updateDirectories = QList<QUrl>{folder("/a/b"), folder("/a/./b"), folder("/a/d")};
    EXPECT_EQ(AppUpdater(p).updateDirectories(), (QList<QUrl>{folder("/a/b"), folder("/a/d")}));
}

TEST(AppUpdaterTest, ASingleFolderBecomesTheList) {
    auto p = parameters();
    p.updatesDirectory = folder("/feed");
    EXPECT_EQ(AppUpdater(p).updateDirectories(), QList<QUrl>{folder("/feed")});
}

TEST(AppUpdaterTest, AGivenListWinsOverASingleFolder) {
    auto p = parameters();
    p.updatesDirectory = folder("/single");
    p.updateDirectories = QList<QUrl>{folder("/list")};
    EXPECT_EQ(AppUpdater(p).updateDirectories(), QList<QUrl>{folder("/list")});
}

TEST(AppUpdaterTest, WithoutFoldersTheFeedCandidatesAreUsed) {
    EXPECT_EQ(AppUpdater(parameters()).updateDirectories(), UpdateFeed::candidateDirectories());
}

TEST(UpdateEngineThreadTest, TheEngineLivesAndDiesOnItsOwnThread) {
    // Event loops on other threads need the application object, as in Corvane.
    int argc = 1;
    char name[] = "update_unit_tests";
    char* argv[] = {name, nullptr};
    const QCoreApplication application(argc, argv);

    QThread* engineThread = nullptr;
    QThread* destroyedOn = nullptr;
    {
        const UpdateEngineThread host(parameters());
        engineThread = host.engine()->thread();
        EXPECT_NE(engineThread, QThread::currentThread());
        EXPECT_TRUE(engineThread->isRunning());

        // Work posted to the engine runs on that thread.
        QThread* ranOn = nullptr;
        QSemaphore done;
        QMetaObject::invokeMethod(host.engine(), [&] {
            ranOn = QThread::currentThread();
            done.release();
        });
        ASSERT_TRUE(done.tryAcquire(1, 5000));
        EXPECT_EQ(ranOn, engineThread);

        QObject::connect(
            host.engine(), &QObject::destroyed, host.engine(),
            [&] { destroyedOn = QThread::currentThread(); }, Qt::DirectConnection);
    }
    EXPECT_EQ(destroyedOn, engineThread);
}

}  // namespace
}  // namespace corvane
