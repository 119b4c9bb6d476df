#include <gtest/gtest.h>

#include <QPainter>
#include <QScreen>

#include "PopoverFixtures.h"
#include "ui/TextStyle.h"
#include "ui/components/QuietText.h"
#include "unit/ui/support/Glyphs.h"
#include "unit/ui/support/Renders.h"

namespace corvane {
namespace {

using namespace corvane::testing;

QImage renderPanel(DisplayPopoverWidget& panel, qreal ratio) {
    QImage image((panel.size() * ratio), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    panel.render(&image);
    return image;
}

struct RenderCase {
    const char* file;
    DisplayPopoverView (*view)();
    Appearance appearance;
};

void PrintTo(const RenderCase& value, std::ostream* out) {
    *out << value.file;
}

class PopoverRenders : public ::testing::TestWithParam<RenderCase> {};

TEST_P(PopoverRenders, WritesThePanelAtOneAndTwoTimes) {
    const RenderCase& c = GetParam();
    auto panel = showPanel(c.view(), c.appearance);
    for (qreal ratio : {1.0, 2.0}) {
        const QImage image = renderPanel(*panel, ratio);
        ASSERT_EQ(image.size(), panel->size() * ratio);
        // The window background fills the whole panel, edge to edge.
        const QColor corner = image.pixelColor(0, 0);
        EXPECT_EQ(corner, namedColor(ColorRole::windowBackground, c.appearance));
        EXPECT_EQ(image.pixelColor(image.width() - 1, image.height() - 1), corner);
        const QString file = QStringLiteral("%1@%2x.png").arg(c.file).arg(ratio);
        EXPECT_TRUE(saveRender(image, file)) << file.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Panels, PopoverRenders,
    ::testing::Values(RenderCase{"popover-no-display-light", noDisplayView, Appearance::light},
                      RenderCase{"popover-no-current-mode-light", noCurrentModeView,
                                 Appearance::light},
                      RenderCase{"popover-display-light", normalView, Appearance::light},
                      RenderCase{"popover-display-dark", normalView, Appearance::dark},
                      RenderCase{"popover-no-display-dark", noDisplayView, Appearance::dark}),
    [](const auto& info) {
        return QString::fromLatin1(info.param.file).remove('-').toStdString();
    });

TEST(PopoverRenders, WritesTheOpenMenus) {
    for (Appearance appearance : {Appearance::light, Appearance::dark}) {
        auto panel = showPanel(normalView(), appearance);
        const QString suffix = appearance == Appearance::dark ? "dark" : "light";
        for (const auto& [face, menu, file] :
             {std::tuple{"displayPicker", "displayMenu", "menu-displays"},
              std::tuple{"modePicker", "modeMenu", "menu-modes"},
              std::tuple{"moreButton", "moreMenu", "menu-more"}}) {
            PullDownMenu* opened = openMenu(*panel, face, menu);
            ASSERT_NE(opened, nullptr) << face;
            const QImage image = opened->grab().toImage();
            EXPECT_TRUE(saveRender(image, QStringLiteral("%1-%2.png").arg(file, suffix)));
            opened->close();
        }
    }
}

// A window's pixel as the screen shows it, from what the window last painted.
QColor shownColor(const QWidget& window, QPoint at) {
    return QGuiApplication::primaryScreen()->grabWindow(window.winId()).toImage().pixelColor(at);
}

bool hasRedInk(const QImage& image, const QRect& area) {
    for (int y = area.top(); y <= area.bottom(); ++y) {
        for (int x = area.left(); x <= area.right(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            if (pixel.red() > 200 && pixel.green() < 110 && pixel.blue() < 110) {
                return true;
            }
        }
    }
    return false;
}

TEST(PopoverPalette, PanelAndMenusFollowTheDesktopWhileOpenAndHidden) {
    const QPalette light = QApplication::palette();
    QPalette dark = light;
    dark.setColor(QPalette::Window, QColor(40, 40, 40));
    DisplayPopoverWidget panel;
    panel.setView(normalView());
    panel.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&panel));
    PullDownMenu* menu = openMenu(panel, "moreButton", "moreMenu");
    ASSERT_NE(menu, nullptr);
    const auto showsAppearance = [&](Appearance appearance) {
        return QTest::qWaitFor([&] {
            return shownColor(panel, {1, 1}) ==
                       namedColor(ColorRole::windowBackground, appearance) &&
                   (!menu->isVisible() || shownColor(*menu, {10, 2}) ==
                                              namedColor(ColorRole::menuBackground, appearance));
        });
    };
    for (const QPalette& palette : {dark, light}) {
        QApplication::setPalette(palette);
        EXPECT_TRUE(showsAppearance(appearanceFromPalette(palette)));
        // "종료" reads as an action that cannot be undone.
        EXPECT_TRUE(hasRedInk(menu->grab().toImage(), menu->actionGeometry(menu->actionAt(7))));
    }
    menu->close();
    panel.hide();
    QApplication::setPalette(dark);
    panel.show();
    EXPECT_TRUE(showsAppearance(Appearance::dark));
    QApplication::setPalette(light);
}

}  // namespace
}  // namespace corvane
