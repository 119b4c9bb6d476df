#pragma once

#include <QString>
#include <QStringView>
#include <array>
#include <optional>

namespace corvane {

// How the tray icon shows the selected display's refresh rate.
enum class MenuBarIconStyle { glyph, number, ring };

// The tray icon's colour; `adaptive` follows the refresh rate.
enum class MenuBarColorMode { system, blue, green, orange, purple, adaptive };

inline constexpr std::array kAllIconStyles{MenuBarIconStyle::glyph, MenuBarIconStyle::number,
                                           MenuBarIconStyle::ring};

inline constexpr std::array kAllColorModes{MenuBarColorMode::system, MenuBarColorMode::blue,
                                           MenuBarColorMode::green,  MenuBarColorMode::orange,
                                           MenuBarColorMode::purple, MenuBarColorMode::adaptive};

// The lower-case word a value is persisted as.
QString persistedWord(MenuBarIconStyle style);
QString persistedWord(MenuBarColorMode mode);

// Reads a persisted word back; any other word has no value, and the caller
// chooses the default.
std::optional<MenuBarIconStyle> iconStyleFromWord(QStringView word);
std::optional<MenuBarColorMode> colorModeFromWord(QStringView word);

}  // namespace corvane
