#include <gtest/gtest.h>
#include <signal.h>

#include <QFile>
#include <QRegularExpression>

#include "testbed/EdidBlob.h"
#include "testbed/XorgServer.h"

namespace corvane::testing {
namespace {

bool processExists(pid_t pid) {
    return kill(pid, 0) == 0 || errno != ESRCH;
}

TEST(XorgServerTest, StartsOnItsOwnNumberAndLeavesNothingBehind) {
    pid_t firstPid = -1;
    int firstNumber = -1;
    {
        XorgServer first;
        XorgServer second;
        firstPid = first.pid();
        firstNumber = first.displayNumber();
        EXPECT_NE(first.displayNumber(), second.displayNumber());
        EXPECT_TRUE(first.isRunning());
        const QString query = first.xrandrOrThrow({"--current"});
        EXPECT_TRUE(query.contains("DUMMY0 connected primary 1920x1080+0+0"))
            << query.toStdString();
        EXPECT_EQ(first.environment().value("DISPLAY"), first.displayName());
    }
    EXPECT_FALSE(processExists(firstPid));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(firstNumber)));
    EXPECT_FALSE(QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(firstNumber)));
}

TEST(XorgServerTest, PlugsUnplugsAndSwitchesOutputs) {
    XorgServer::Options options;
    options.modelines = {Modeline::withRefresh("A60", 1600, 1000, 60),
                         Modeline::withRefresh("B75", 1280, 800, 75)};
    XorgServer server(options);
    server.plug("DUMMY1", "B75");
    QString query = server.xrandrOrThrow({"--current"});
    EXPECT_TRUE(query.contains("DUMMY0 connected primary 1600x1000+0+0")) << query.toStdString();
    EXPECT_TRUE(query.contains("DUMMY1 connected 1280x800+1600+0")) << query.toStdString();

    server.setMode("DUMMY1", "A60");
    query = server.xrandrOrThrow({"--current"});
    EXPECT_TRUE(query.contains("DUMMY1 connected 1600x1000+1600+0")) << query.toStdString();

    server.unplug("DUMMY1");
    query = server.xrandrOrThrow({"--current"});
    // Connected, but without a position: no CRTC drives it any more.
    EXPECT_TRUE(query.contains(
        QRegularExpression("^DUMMY1 connected$", QRegularExpression::MultilineOption)))
        << query.toStdString();
    EXPECT_THROW(server.setMode("DUMMY1", "NoSuchMode"), XorgError);
}

TEST(XorgServerTest, AttachesAnEdidThatSurvivesAProbe) {
    XorgServer server;
    EdidFields fields;
    fields.serialNumber = 77;
    fields.monitorName = "Studio";
    const QByteArray edid = makeEdid(fields);
    ASSERT_EQ(edid.size(), 128);
    server.attachEdid("DUMMY0", edid);
    server.xrandrOrThrow({"--query"});
    const QString verbose = server.xrandrOrThrow({"--current", "--verbose"});
    EXPECT_TRUE(verbose.contains(QString::fromLatin1(edid.left(16).toHex())))
        << verbose.toStdString();

    server.attachEdid("DUMMY0", {});
    EXPECT_FALSE(server.xrandrOrThrow({"--current", "--verbose"}).contains("EDID:"));
    EXPECT_THROW(server.attachEdid("HDMI-9", edid), XorgError);
}

TEST(XorgServerTest, StopIsFinalAndReportsNoLeftovers) {
    XorgServer server;
    const pid_t pid = server.pid();
    server.stop();
    EXPECT_FALSE(server.isRunning());
    EXPECT_FALSE(processExists(pid));
    EXPECT_NO_THROW(server.stop());
    EXPECT_FALSE(server.xrandr({"--current"}).ok());
}

}  // namespace
}  // namespace corvane::testing
