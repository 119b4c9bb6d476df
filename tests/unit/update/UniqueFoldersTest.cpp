#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "update/UniqueFolders.h"

namespace corvane {
namespace {

QList<QUrl> files(const QStringList& paths) {
    QList<QUrl> urls;
    for (const QString& path : paths) {
        urls.append(QUrl::fromLocalFile(path));
    }
    return urls;
}

TEST(UniqueFoldersTest, KeepsTheFirstOfEquivalentFormsExactlyAsGiven) {
    EXPECT_EQ(unique(files({"/a/b", "/a/./b", "/a/c/../b/", "/a//b", "/a/d"})),
              files({"/a/b", "/a/d"}));
    const QList<QUrl> untidyFirst = files({"/a/c/../b/", "/a/d", "/a/b"});
    EXPECT_EQ(unique(untidyFirst), (QList<QUrl>{untidyFirst[0], untidyFirst[1]}));
    const QList<QUrl> encoded{QUrl("file:///a/My%20Folder"), QUrl::fromLocalFile("/a/My Folder/")};
    EXPECT_EQ(unique(encoded), QList<QUrl>{encoded[0]});
    EXPECT_TRUE(unique({}).isEmpty());
}

TEST(UniqueFoldersTest, AFolderAndASymbolicLinkToItStayTwo) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString real = root.filePath("real");
    const QString link = root.filePath("link");
    ASSERT_TRUE(QDir().mkpath(real));
    ASSERT_TRUE(QFile::link(real, link));
    EXPECT_EQ(unique(files({link, real, link + "/"})), files({link, real}));
}

}  // namespace
}  // namespace corvane
