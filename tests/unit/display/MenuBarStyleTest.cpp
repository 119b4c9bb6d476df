#include <gtest/gtest.h>

#include <QStringList>

#include "display/MenuBarStyle.h"

namespace corvane {
namespace {

TEST(MenuBarStyle, IconStylesRoundTripInOrder) {
    QStringList words;
    for (MenuBarIconStyle style : kAllIconStyles) {
        words << persistedWord(style);
        EXPECT_EQ(iconStyleFromWord(persistedWord(style)), style);
    }
    EXPECT_EQ(words, QStringList({"glyph", "number", "ring"}));
}

TEST(MenuBarStyle, ColorModesRoundTripInOrder) {
    QStringList words;
    for (MenuBarColorMode mode : kAllColorModes) {
        words << persistedWord(mode);
        EXPECT_EQ(colorModeFromWord(persistedWord(mode)), mode);
    }
    EXPECT_EQ(words, QStringList({"system", "blue", "green", "orange", "purple", "adaptive"}));
}

TEST(MenuBarStyle, ForeignWordsHaveNoValue) {
    for (const char* word : {"", "Glyph", "RING", "rings", " ring", "blue"}) {
        EXPECT_FALSE(iconStyleFromWord(QString::fromUtf8(word))) << word;
    }
    for (const char* word : {"", "System", "red", "glyph", "adaptive "}) {
        EXPECT_FALSE(colorModeFromWord(QString::fromUtf8(word))) << word;
    }
}

}  // namespace
}  // namespace corvane
