#include <gtest/gtest.h>

#include <QHBoxLayout>
#include <QTest>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/components/QuietIconStyleSelector.h"
#include "ui/components/QuietNavigationRow.h"
#include "ui/components/QuietProgressRing.h"
#include "ui/components/QuietStatusIcon.h"
#include "ui/components/QuietSwatchButton.h"
#include "unit/ui/support/ImageProbe.h"

namespace corvane {
namespace {

using testing::colorAt;
using testing::countPixels;
using testing::onCircle;
using testing::sameRgb;

const QColor kBlue = namedColor(ColorRole::systemBlue, Appearance::light);
const QColor kAccent = namedColor(ColorRole::accent, Appearance::light);

QImage grab(QWidget& widget, qreal ratio = 2) {
    setAppearanceOf(&widget, Appearance::light);
    QImage image(widget.size() * ratio, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    // Without the window background a lone component is drawn as it is.
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

struct RingCase : NamedCase {
    double progress;
    std::vector<double> filledAt;
    std::vector<double> emptyAt;
};

class ProgressRingArc : public ::testing::TestWithParam<RingCase> {};

TEST_P(ProgressRingArc, StartsAtTwelveAndRunsClockwise) {
    const RingCase& c = GetParam();
    QuietProgressRing ring;
    ring.setContent(c.progress, ColorRole::systemBlue);
    const QImage image = grab(ring);
    // A 48-point circle centred in the widget, stroked 5 wide on its outline.
    const QPointF center(ring.width() / 2.0, ring.height() / 2.0);
    for (double angle : c.filledAt) {
        const QColor pixel = colorAt(image, onCircle(center, 24, angle));
        EXPECT_TRUE(pixel.alpha() > 240 && sameRgb(pixel, kBlue)) << "no arc at " << angle;
    }
    for (double angle : c.emptyAt) {
        const QColor pixel = colorAt(image, onCircle(center, 24, angle));
        EXPECT_LT(pixel.alpha(), 40) << "arc at " << angle;
        EXPECT_GT(pixel.alpha(), 5) << "no track at " << angle;
    }
    EXPECT_EQ(colorAt(image, center).alpha(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Progress, ProgressRingArc,
    ::testing::Values(RingCase{"zero", 0.0, {}, {0, 90, 180, 270}},
                      RingCase{"quarter", 0.25, {10, 45, 80}, {110, 180, 270, 345}},
                      RingCase{"threeQuarters", 0.75, {10, 135, 260}, {290, 330}},
                      RingCase{"aboveFull", 1.7, {0, 60, 120, 180, 240, 300, 355}, {}}),
    CaseName());

TEST(StatusIconBadge, IsATintedSquareWithTheSymbol) {
    QuietStatusIcon icon;
    icon.setContent(QStringLiteral("display"), ColorRole::systemBlue);
    EXPECT_EQ(icon.size(), QSize(46, 46));
    const QImage image = grab(icon);
    // The fill is the tint at a tenth; the rounded corner leaves the very
    // corner empty.
    const QColor fill = colorAt(image, {23, 2});
    EXPECT_NEAR(fill.alphaF(), 0.1, 0.02);
    EXPECT_TRUE(sameRgb(fill, kBlue, 12));
    EXPECT_EQ(colorAt(image, {0.2, 0.2}).alpha(), 0);
    EXPECT_GT(countPixels(image, [](QColor p) { return p.alpha() == 255 && sameRgb(p, kBlue, 2); }),
              100);
}

// The selector in a row as wide as the panel's content.
struct Selector {
    QWidget host;
    QuietIconStyleSelector* selector = new QuietIconStyleSelector(&host);
    Selector() {
        auto* layout = new QHBoxLayout(&host);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(selector);
        host.setFixedWidth(326);
        host.show();
        (void)QTest::qWaitForWindowExposed(&host);
    }
    QAbstractButton* button(const char* name) const {
        return selector->findChild<QAbstractButton*>(QString::fromLatin1(name));
    }
    // A button's colour at a point, drawn on white.
    QColor colorOf(const char* name, QPointF at) const {
        QAbstractButton* target = button(name);
        QImage image(target->size() * 2, QImage::Format_ARGB32_Premultiplied);
        image.setDevicePixelRatio(2);
        image.fill(Qt::white);
        target->render(&image);
        return colorAt(image, at);
    }
    // The ring preview's arc at six o'clock.
    QColor ringPreview() const {
        return colorOf("iconStyle.ring", {button("iconStyle.ring")->width() / 2.0, 9 + 12 + 11.5});
    }
    QColor outline(const char* name) const {
        return colorOf(name, {0.6, button(name)->height() / 2.0});
    }
};

TEST(IconStyleSelector, SharesTheRowHighlightsTheSelectedStyleAndFitsTheNumber) {
    Selector s;
    s.selector->setContent(MenuBarIconStyle::number, QStringLiteral("60"),
                           QStringLiteral("display"));
    EXPECT_TRUE(s.button("iconStyle.number")->isChecked());
    EXPECT_FALSE(s.button("iconStyle.glyph")->isChecked());
    // The three share the row, 8 points apart.
    for (const char* name : {"iconStyle.glyph", "iconStyle.number", "iconStyle.ring"}) {
        EXPECT_NEAR(s.button(name)->width(), (326 - 2 * 8) / 3.0, 1.0) << name;
    }
    EXPECT_TRUE(sameRgb(s.outline("iconStyle.number"), kAccent, 10));
    EXPECT_FALSE(sameRgb(s.outline("iconStyle.glyph"), kAccent, 60));
    // Wide numbers shrink to three quarters, then are cut.
    EXPECT_EQ(s.selector->numberPreviewScale(), 1.0);
    s.selector->setContent(MenuBarIconStyle::number, QStringLiteral("12345678901"),
                           QStringLiteral("display"));
    const double some = s.selector->numberPreviewScale();
    EXPECT_GT(some, 0.75);
    EXPECT_LT(some, 1.0);
    s.selector->setContent(MenuBarIconStyle::number, QStringLiteral("12345678901234567890"),
                           QStringLiteral("display"));
    EXPECT_EQ(s.selector->numberPreviewScale(), 0.75);
    // The ring preview is grey until the ring style is the one in force.
    const QColor grey = s.ringPreview();
    EXPECT_EQ(grey.red(), grey.blue());
    s.selector->setContent(MenuBarIconStyle::ring, QStringLiteral("60"), QStringLiteral("display"));
    EXPECT_TRUE(sameRgb(s.ringPreview(), kAccent, 10));
}

TEST(NavigationRow, LongValuesStayOnOneLineBeforeTheChevron) {
    QuietNavigationRow row;
    row.setContent(QStringLiteral("slider.horizontal.3"), QStringLiteral("해상도 및 주사율"),
                   QStringLiteral("7680×4320 · 119.88Hz and a great deal more text than fits"));
    row.resize(326, row.sizeHint().height());
    EXPECT_EQ(row.minimumSizeHint().width(), 0);
    const QImage image = grab(row);
    const QColor background = colorAt(image, {row.width() / 2.0, 2});
    // The chevron sits 11 points from the trailing edge; between it and the
    // text lies the row's minimum gap, left empty.
    bool chevron = false;
    bool textInGap = false;
    for (qreal y = 4; y < row.height() - 4; y += 0.5) {
        for (qreal x = 326 - 11 - 7; x < 326 - 11; x += 0.5) {
            chevron |= colorAt(image, {x, y}) != background;
        }
        for (qreal x = 326 - 11 - 7 - 10 - 6; x < 326 - 11 - 7 - 10 - 1; x += 0.5) {
            textInGap |= colorAt(image, {x, y}) != background;
        }
    }
    EXPECT_TRUE(chevron);
    EXPECT_FALSE(textInGap);
    EXPECT_EQ(row.accessibleDescription(), row.value());
}

TEST(Swatch, SelectedSwatchCarriesAWhiteCheck) {
    for (MenuBarColorMode mode : kAllColorModes) {
        QuietSwatchButton swatch(mode);
        swatch.resize(50, swatch.sizeHint().height());
        const QPointF centre(25, 5 + 11);
        const QColor unselected = colorAt(grab(swatch), centre);
        swatch.setSelected(true);
        const QImage selected = grab(swatch);
        EXPECT_NE(unselected, QColor(Qt::white)) << persistedWord(mode).toStdString();
        bool white = false;
        for (qreal dx = -3; dx <= 3; dx += 0.5) {
            for (qreal dy = -3; dy <= 3; dy += 0.5) {
                const QColor pixel = colorAt(selected, centre + QPointF(dx, dy));
                white |= pixel.red() > 245 && pixel.green() > 245 && pixel.blue() > 245 &&
                         pixel.alpha() == 255;
            }
        }
        EXPECT_TRUE(white) << persistedWord(mode).toStdString();
        EXPECT_TRUE(sameRgb(colorAt(selected, {0.6, selected.height() / 4.0}), kAccent, 10));
    }
}

TEST(Swatch, AdaptiveSwatchTurnsFromOrangeThroughYellowAndBlue) {
    QuietSwatchButton swatch(MenuBarColorMode::adaptive);
    swatch.resize(50, swatch.sizeHint().height());
    const QImage image = grab(swatch, 4);
    const QPointF centre(25, 16);
    auto at = [&](double degreesClockwiseFromThree) {
        return colorAt(image, onCircle(centre, 8, degreesClockwiseFromThree + 90));
    };
    // Clockwise from three o'clock: orange, then yellow at a third, blue at
    // two thirds.
    EXPECT_TRUE(sameRgb(at(2), namedColor(ColorRole::systemOrange, Appearance::light), 24));
    EXPECT_TRUE(sameRgb(at(120), namedColor(ColorRole::systemYellow, Appearance::light), 24));
    EXPECT_TRUE(sameRgb(at(240), namedColor(ColorRole::systemBlue, Appearance::light), 24));
}

}  // namespace
}  // namespace corvane
