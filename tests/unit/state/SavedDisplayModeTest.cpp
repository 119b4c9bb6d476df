#include <gtest/gtest.h>

#include <QJsonDocument>
#include <QJsonObject>
#include <limits>

#include "state/SavedDisplayMode.h"

namespace corvane {
namespace {

using Kind = SavedModeDecodingError::Kind;

constexpr const char* kValid =
    R"({"id":7,"width":2560,"height":1440,"pixelWidth":5120,"pixelHeight":2880,)"
    R"("refreshRate":59.94,"ioFlags":3})";

const SavedDisplayMode kValidMode{7, 2560, 1440, 5120, 2880, 59.94, 3};

// The valid record with one member's value text replaced (or the member
// dropped when `value` is null).
QByteArray withMember(const char* key, const char* value) {
    QJsonObject object = QJsonDocument::fromJson(kValid).object();
    object.remove(QLatin1String(key));
    QByteArray json = QJsonDocument(object).toJson(QJsonDocument::Compact);
    if (value != nullptr) {
        json.chop(1);
        json += QByteArray(",\"") + key + "\":" + value + "}";
    }
    return json;
}

SavedDisplayMode validWith(void (*change)(SavedDisplayMode&)) {
    SavedDisplayMode mode = kValidMode;
    change(mode);
    return mode;
}

// A failure to decode, at `key`.
SavedModeDecodingError fault(Kind kind, const char* key = "") {
    return SavedModeDecodingError(kind, QString::fromLatin1(key));
}

struct DecodingCase {
    const char* name;
    QByteArray json;
    SavedModeDecoding expected;
};

void PrintTo(const DecodingCase& c, std::ostream* out) {
    *out << c.name << ": " << c.json.toStdString();
}

class SavedModeDecodingTest : public ::testing::TestWithParam<DecodingCase> {};

TEST_P(SavedModeDecodingTest, DecodesOrFailsAsExpected) {
    const SavedModeDecoding result = decodeSavedDisplayMode(GetParam().json);
    EXPECT_EQ(result, GetParam().expected)
        << (std::holds_alternative<SavedModeDecodingError>(result)
                ? std::get<SavedModeDecodingError>(result).description().toStdString()
                : std::string("a record"));
}

// How a number's digits are read is ExactJsonNumbers' (and its tests');
// here: that the fields are read through it, each field's own range, and
// which fault is reported.
// clang-format off
INSTANTIATE_TEST_SUITE_P(
    Records, SavedModeDecodingTest,
    ::testing::Values(
        DecodingCase{"valid", kValid, kValidMode},
        DecodingCase{"extraKeysOrderAndWhiteSpace",
            "\n{ \"ioFlags\" : 3 ,\t\"refreshRate\": 59.94, \"pixelHeight\":2880,\r\n"
            R"("futureField":{"a":"}\",[","b":[1,{"c":2}]}, "pixelWidth":5120, "height":1440,)"
            "\"width\" :2560, \"id\":7, \"z\":null }\n",
            kValidMode},
        DecodingCase{"missingIoFlags", withMember("ioFlags", nullptr),
            fault(Kind::missingKey, "ioFlags")},
        DecodingCase{"stringHeight", withMember("height", "\"1440\""),
            fault(Kind::notANumber, "height")},
        DecodingCase{"nullRate", withMember("refreshRate", "null"),
            fault(Kind::notANumber, "refreshRate")},
        DecodingCase{"idJustAboveInt32", withMember("id", "2147483648"),
            fault(Kind::outOfRange, "id")},
        DecodingCase{"idAtInt32Limits", withMember("id", "-2147483648"),
            validWith([](SavedDisplayMode& m) { m.id = std::numeric_limits<std::int32_t>::min(); })},
        DecodingCase{"ioFlagsNegative", withMember("ioFlags", "-1"),
            fault(Kind::outOfRange, "ioFlags")},
        DecodingCase{"ioFlagsAboveUint32", withMember("ioFlags", "4294967296"),
            fault(Kind::outOfRange, "ioFlags")},
        DecodingCase{"ioFlagsAtUint32Limit", withMember("ioFlags", "4294967295"),
            validWith([](SavedDisplayMode& m) { m.ioFlags = 4294967295u; })},
        DecodingCase{"sizeAboveInt64", withMember("pixelWidth", "9223372036854775808"),
            fault(Kind::outOfRange, "pixelWidth")},
        DecodingCase{"sizeWithFraction", withMember("width", "2560.5"),
            fault(Kind::notWhole, "width")},
        // Qt and the digit reader must agree on which duplicate counts: the
        // first is not even a number.
        DecodingCase{"duplicateKeyLastWins",
            withMember("width", "\"wide\"").replace("}", ",\"width\":800}"),
            validWith([](SavedDisplayMode& m) { m.width = 800; })},
        DecodingCase{"firstFaultyKeyInFieldOrderIsReported",
            withMember("ioFlags", "-1").replace("\"id\":7", "\"id\":4294967295"),
            fault(Kind::outOfRange, "id")},
        DecodingCase{"topLevelArray", "[1,2,3]", fault(Kind::notAnObject)},
        DecodingCase{"truncated", QByteArray(kValid).left(40), fault(Kind::notAnObject)}),
    CaseName());
// clang-format on

class SavedModeRoundTripTest : public ::testing::TestWithParam<SavedDisplayMode> {};

TEST_P(SavedModeRoundTripTest, DecodingTheEncodingGivesTheSameRecord) {
    const auto encoded = encodeSavedDisplayMode(GetParam());
    ASSERT_TRUE(encoded.has_value());
    const SavedModeDecoding decoded = decodeSavedDisplayMode(*encoded);
    ASSERT_TRUE(std::holds_alternative<SavedDisplayMode>(decoded)) << encoded->toStdString();
    EXPECT_EQ(std::get<SavedDisplayMode>(decoded), GetParam());
}

INSTANTIATE_TEST_SUITE_P(
    Records, SavedModeRoundTripTest,
    ::testing::Values(kValidMode, SavedDisplayMode{-1, 1, 2, 3, 4, 23.976023976023978, 0},
                      SavedDisplayMode{std::numeric_limits<std::int32_t>::max(),
                                       std::numeric_limits<std::int64_t>::max(),
                                       std::numeric_limits<std::int64_t>::min(), 9007199254740993,
                                       -9007199254740993, 1e-300,
                                       std::numeric_limits<std::uint32_t>::max()}));

TEST(SavedModeEncodingTest, WritesTheSevenKeysAsNumbersAndNoRateJsonCannotHold) {
    EXPECT_EQ(encodeSavedDisplayMode(kValidMode),
              QByteArray(R"({"height":1440,"id":7,"ioFlags":3,"pixelHeight":2880,)"
                         R"("pixelWidth":5120,"refreshRate":59.94,"width":2560})"));
    for (double rate : {std::nan(""), std::numeric_limits<double>::infinity()}) {
        EXPECT_EQ(encodeSavedDisplayMode({7, 2560, 1440, 5120, 2880, rate, 3}), std::nullopt);
    }
}

}  // namespace
}  // namespace corvane
