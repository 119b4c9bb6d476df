#include "display/MenuBarStyle.h"

namespace corvane {

namespace {

template <typename Value, std::size_t N>
std::optional<Value> fromWord(const std::array<Value, N>& all, QStringView word) {
    for (Value value : all) {
        if (persistedWord(value) == word) {
            return value;
        }
    }
    return std::nullopt;
}

}  // namespace

QString persistedWord(MenuBarIconStyle style) {
    switch (style) {
        case MenuBarIconStyle::glyph:
            return QStringLiteral("glyph");
        case MenuBarIconStyle::number:
            return QStringLiteral("number");
        case MenuBarIconStyle::ring:
            return QStringLiteral("ring");
    }
    return {};
}

QString persistedWord(MenuBarColorMode mode) {
    switch (mode) {
        case MenuBarColorMode::system:
            return QStringLiteral("system");
        case MenuBarColorMode::blue:
            return QStringLiteral("blue");
        case MenuBarColorMode::green:
            return QStringLiteral("green");
        case MenuBarColorMode::orange:
            return QStringLiteral("orange");
        case MenuBarColorMode::purple:
            return QStringLiteral("purple");
        case MenuBarColorMode::adaptive:
            return QStringLiteral("adaptive");
    }
    return {};
}

std::optional<MenuBarIconStyle> iconStyleFromWord(QStringView word) {
    return fromWord(kAllIconStyles, word);
}

std::optional<MenuBarColorMode> colorModeFromWord(QStringView word) {
    return fromWord(kAllColorModes, word);
}

}  // namespace corvane
