#include <gtest/gtest.h>

#include "update/UniqueFolders.h"

namespace corvane {
namespace {

QList<QUrl> files(std::initializer_list<const char*> paths) {
    QList<QUrl> urls;
    for (const char* path : paths) {
        urls.append(QUrl::fromLocalFile(QString::fromUtf8(path)));
    }
    return urls;
}

TEST(UniqueFoldersTest, KeepsTheFirstOfEquivalentFormsAsGiven) {
    const QList<QUrl> result = unique(files({"/a/b", "/a/./b", "/a/c/../b/", "/a/d"}));
    EXPECT_EQ(result, files({"/a/b", "/a/d"}));
}

TEST(UniqueFoldersTest, TheFirstFormStaysEvenWhenItIsTheUntidyOne) {
    const QList<QUrl> result = unique(files({"/a/c/../b/", "/a/d", "/a/b", "/a/./b"}));
    ASSERT_EQ(result.size(), 2);
    EXPECT_EQ(result[0].toString(), QStringLiteral("file:///a/c/../b/"));
    EXPECT_EQ(result[1], QUrl::fromLocalFile("/a/d"));
}

TEST(UniqueFoldersTest, SymbolicLinksAreNotResolved) {
    // Whatever /tmp/link points to, the two paths stay different folders.
    EXPECT_EQ(unique(files({"/tmp/link", "/tmp/real"})).size(), 2);
}

TEST(UniqueFoldersTest, PercentEncodedPathsCompareDecoded) {
    const QList<QUrl> urls{QUrl("file:///a/My%20Folder"), QUrl::fromLocalFile("/a/My Folder/")};
    EXPECT_EQ(unique(urls), QList<QUrl>{urls[0]});
}

TEST(UniqueFoldersTest, EmptyListStaysEmpty) {
    EXPECT_TRUE(unique({}).isEmpty());
}

}  // namespace
}  // namespace corvane
