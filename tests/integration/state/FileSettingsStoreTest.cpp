#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <limits>

#include "platform/linux/settings/FileSettingsStore.h"
#include "support/Files.h"

namespace corvane {
namespace {

using testing::readAll;
using testing::writeAll;

const QByteArray kWellFormed = R"(<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE plist PUBLIC "-//Apple//DTD PLIST 1.0//EN" "http://www.apple.com/DTDs/PropertyList-1.0.dtd">
<plist version="1.0">
<dict>
	<key>iconStyle</key>
	<string>ring</string>
	<key>selectedDisplayID</key>
	<integer>3</integer>
</dict>
</plist>
)";

class FileSettingsStoreTest : public ::testing::Test {
  protected:
    void SetUp() override { ASSERT_TRUE(home.isValid()); }

    QString folder() const { return home.path() + "/Corvane"; }
    QString file() const { return folder() + "/settings.plist"; }

    QTemporaryDir home;
};

// Read back from disk, every value is exactly what was stored, of its own
// type: an integer never turns into a boolean, a string never into data.
TEST_F(FileSettingsStoreTest, ValuesSurviveReopeningExactlyAndOfTheirType) {
    const std::vector<std::pair<QString, SettingValue>> values = {
        {"max", std::numeric_limits<std::int64_t>::max()},
        {"min", std::numeric_limits<std::int64_t>::min()},
        {"display", std::int64_t{4294967295}},
        {"off", false},
        {"markup", QString("<key>&amp; ]]> \"'\t\n 한글")},
        {"emptyString", QString()},
        {"bytes", QByteArray("\0\x01\xff<>&", 6)},
        {"emptyData", QByteArray()},
        {"키 with spaces & <marks>", true},
        {"replaced", QString("one")},
    };
    {
        FileSettingsStore store(file());
        EXPECT_FALSE(QFileInfo::exists(folder()));
        ASSERT_FALSE(store.setValue("replaced", std::int64_t{1}).has_value());
        for (const auto& [key, value] : values) {
            ASSERT_FALSE(store.setValue(key, value).has_value()) << key.toStdString();
        }
        ASSERT_FALSE(store.setValue("gone", true).has_value());
        ASSERT_FALSE(store.remove("gone").has_value());
        EXPECT_FALSE(store.remove("gone").has_value());
    }
    // An XML property list with typed entries, as other tools read it.
    const QByteArray text = readAll(file());
    EXPECT_TRUE(text.startsWith("<?xml")) << text.toStdString();
    for (const char* tag :
         {"<integer>4294967295</integer>", "<false/>", "<string>one</string>", "<data>"}) {
        EXPECT_TRUE(text.contains(tag)) << tag;
    }
    FileSettingsStore reopened(file());
    EXPECT_FALSE(reopened.setAsidePath().has_value());
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reopened.value(key), value) << key.toStdString();
    }
    EXPECT_FALSE(reopened.value("gone").has_value());
}

struct DamagedCase : NamedCase {
    QByteArray bytes;  // what lies at the path; a null array puts a folder there
};

class DamagedSettingsFileTest : public FileSettingsStoreTest,
                                public ::testing::WithParamInterface<DamagedCase> {};

TEST_P(DamagedSettingsFileTest, ReadsAsEmptyAndIsMovedAsideUntouched) {
    if (GetParam().bytes.isNull()) {
        ASSERT_TRUE(QDir().mkpath(file()));
        writeAll(file() + "/inside", "kept");
    } else {
        writeAll(file(), GetParam().bytes);
    }

    FileSettingsStore store(file());
    EXPECT_FALSE(store.value("iconStyle").has_value());
    EXPECT_FALSE(store.value("selectedDisplayID").has_value());
    ASSERT_TRUE(store.setAsidePath().has_value());
    const QString aside = *store.setAsidePath();
    EXPECT_TRUE(
        QRegularExpression(R"(/settings\.plist\.corrupt-\d{8}-\d{6}$)").match(aside).hasMatch())
        << aside.toStdString();
    if (GetParam().bytes.isNull()) {
        EXPECT_EQ(readAll(aside + "/inside"), "kept");
    } else {
        EXPECT_EQ(readAll(aside), GetParam().bytes);
    }

    // A fresh file takes the old one's place; the damaged copy stays.
    ASSERT_FALSE(store.setValue("colorMode", QString("blue")).has_value());
    FileSettingsStore reopened(file());
    EXPECT_FALSE(reopened.setAsidePath().has_value());
    EXPECT_EQ(reopened.string("colorMode"), QStringLiteral("blue"));
    EXPECT_TRUE(QFileInfo::exists(aside));
}

INSTANTIATE_TEST_SUITE_P(
    Damage, DamagedSettingsFileTest,
    ::testing::Values(DamagedCase{"garbage", "this is not a property list"},
                      DamagedCase{"truncated", kWellFormed.left(kWellFormed.size() / 2)},
                      DamagedCase{"arrayAtTheTop",
                                  "<?xml version=\"1.0\"?><plist version=\"1.0\"><array>"
                                  "<string>x</string></array></plist>"},
                      DamagedCase{"empty", QByteArray("")},
                      DamagedCase{"binaryNoise", QByteArray("bplist00\xff\xfe\x00\x13", 12)},
                      // {"iconStyle\u0000": 1}, its key in UTF-16: a name no key matches.
                      DamagedCase{
                          "binaryKeyWithNul",
                          QByteArray("bplist00\xd1\x01\x02\x6a\0i\0c\0o\0n\0S\0t\0y\0l\0e\0\0"
                                     "\x10\x01\x08\x0b\x20\0\0\0\0\0\0\x01\x01\0\0\0\0\0\0\0"
                                     "\x03\0\0\0\0\0\0\0\0\0\0\0\0\0\0\0\x22",
                                     69)},
                      DamagedCase{"folderInItsPlace", QByteArray()}),
    CaseName());

TEST_F(FileSettingsStoreTest, TwoDamagedFilesInOneSecondGetDistinctNames) {
    writeAll(file(), "first");
    const auto first = FileSettingsStore(file()).setAsidePath();
    writeAll(file(), "second");
    const auto second = FileSettingsStore(file()).setAsidePath();
    ASSERT_TRUE(first && second);
    EXPECT_NE(*first, *second);
    EXPECT_EQ(readAll(*first), "first");
    EXPECT_EQ(readAll(*second), "second");
}

TEST_F(FileSettingsStoreTest, DamagedFileThatCannotBeMovedIsNeverOverwritten) {
    // So long a name that the timestamped one exceeds the file system's limit.
    const QString longFile = folder() + "/" + QString(240, QLatin1Char('s'));
    writeAll(longFile, "damaged");
    FileSettingsStore store(longFile);
    EXPECT_FALSE(store.setAsidePath().has_value());
    const auto error = store.setValue("iconStyle", QString("ring"));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), SettingsError::Kind::damagedFileInTheWay);
    EXPECT_FALSE(error->reason().isEmpty());
    EXPECT_EQ(readAll(longFile), "damaged");
    // The value still holds for this run.
    EXPECT_EQ(store.string("iconStyle"), QStringLiteral("ring"));
}

TEST_F(FileSettingsStoreTest, WriteThatFailsIsReportedAndRetriedWithTheNextChange) {
    // A file where the settings folder should be.
    writeAll(folder(), "in the way");
    FileSettingsStore store(file());
    const auto error = store.setValue("animateOnChange", false);
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), SettingsError::Kind::folderUnavailable);
    EXPECT_EQ(error->path(), folder());
    EXPECT_EQ(error->reason(), QString::fromLocal8Bit(strerror(ENOTDIR)));
    EXPECT_TRUE(error->description().startsWith(QStringLiteral("설정 폴더를 만들 수 없습니다.")));
    EXPECT_EQ(store.boolean("animateOnChange"), false);
    // The same value again is written too: the file has not caught up.
    EXPECT_TRUE(store.setValue("animateOnChange", false).has_value());

    ASSERT_TRUE(QFile::remove(folder()));
    ASSERT_FALSE(store.setValue("iconStyle", QString("ring")).has_value());
    FileSettingsStore reopened(file());
    EXPECT_EQ(reopened.boolean("animateOnChange"), false);
    EXPECT_EQ(reopened.string("iconStyle"), QStringLiteral("ring"));

    // A folder where the file belongs cannot be written over.
    ASSERT_TRUE(QFile::remove(file()));
    ASSERT_TRUE(QDir().mkpath(file()));
    const auto inTheWay = store.setValue("iconStyle", QString("number"));
    ASSERT_TRUE(inTheWay.has_value());
    EXPECT_EQ(inTheWay->kind(), SettingsError::Kind::writeFailed);
    EXPECT_EQ(inTheWay->path(), file());
    EXPECT_FALSE(inTheWay->reason().isEmpty());
}

TEST_F(FileSettingsStoreTest, StringsWithNulCannotBeStored) {
    FileSettingsStore store(file());
    const auto error = store.setValue("s", QString::fromUtf8("a\0b", 3));
    ASSERT_TRUE(error.has_value());
    EXPECT_EQ(error->kind(), SettingsError::Kind::unsupportedValue);
    EXPECT_FALSE(store.value("s").has_value());
    EXPECT_FALSE(QFileInfo::exists(file()));
}

// A file written by hand is read; entries of other types read as absent and
// are kept. Only the temporary files of a writer that died are cleared.
TEST_F(FileSettingsStoreTest, OpeningReadsAHandWrittenFileAndClearsOnlyDeadTemporaryFiles) {
    QByteArray text = kWellFormed;
    text.replace("<dict>", "<dict>\n\t<key>scale</key>\n\t<real>1.5</real>");
    writeAll(file(), text);
    writeAll(file() + ".corvane-tmp-Ab3dE9", "half a write");
    for (const char* kept : {".corrupt-20240101-101010", ".backup", ".Ab3dE9"}) {
        writeAll(file() + kept, "kept");
    }
    FileSettingsStore store(file());
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files).size(), 4);
    EXPECT_FALSE(QFileInfo::exists(file() + ".corvane-tmp-Ab3dE9"));
    EXPECT_EQ(store.integer("selectedDisplayID"), 3);
    EXPECT_EQ(store.string("iconStyle"), QStringLiteral("ring"));
    EXPECT_FALSE(store.value("scale").has_value());
    ASSERT_FALSE(store.setValue("animateOnChange", false).has_value());
    EXPECT_TRUE(readAll(file()).contains("<real>"));
}

TEST_F(FileSettingsStoreTest, TwoInstancesKeepEachOthersChanges) {
    FileSettingsStore first(file());
    FileSettingsStore second(file());
    ASSERT_FALSE(first.setValue("colorMode", QString("blue")).has_value());
    ASSERT_FALSE(second.setValue("iconStyle", QString("ring")).has_value());
    ASSERT_FALSE(first.setValue("selectedDisplayID", std::int64_t{4}).has_value());
    FileSettingsStore reopened(file());
    EXPECT_EQ(reopened.string("iconStyle"), QStringLiteral("ring"));
    EXPECT_EQ(reopened.string("colorMode"), QStringLiteral("blue"));
    EXPECT_EQ(reopened.integer("selectedDisplayID"), 4);
}

}  // namespace
}  // namespace corvane
