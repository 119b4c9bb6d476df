#include <gtest/gtest.h>

#include <QPainter>

#include "ui/Symbols.h"
#include "unit/ui/support/ImageProbe.h"

namespace corvane {
namespace {

using testing::inkBounds;

QImage drawn(const QString& name, qreal pointSize, FontWeight weight, QColor color = Qt::black,
             qreal ratio = 2) {
    QImage image(static_cast<int>(48 * ratio), static_cast<int>(48 * ratio),
                 QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    Symbols::draw(painter, name, QPointF(24, 24), pointSize, weight, color);
    return image;
}

TEST(Symbols, ShipEveryNameThePanelAndTrayUse) {
    EXPECT_EQ(Symbols::names(), (QStringList{"display", "display.2", "gearshape", "arrow.clockwise",
                                             "ellipsis.circle", "slider.horizontal.3",
                                             "chevron.up.chevron.down", "checkmark"}));
}

TEST(Symbols, DrawCentredWithinTheirStatedSize) {
    for (const QString& name : Symbols::names()) {
        const QSizeF size = Symbols::size(name, 22, FontWeight::medium);
        EXPECT_GT(size.width(), 4) << name.toStdString();
        EXPECT_LE(std::max(size.width(), size.height()), 22 * 1.3) << name.toStdString();
        const QRect ink = inkBounds(drawn(name, 22, FontWeight::medium), 20);
        ASSERT_FALSE(ink.isEmpty()) << name.toStdString();
        // Pixels at ratio 2; allow a pixel of antialiasing on each side.
        EXPECT_NEAR(ink.width() / 2.0, size.width(), 1.0) << name.toStdString();
        EXPECT_NEAR(ink.height() / 2.0, size.height(), 1.0) << name.toStdString();
        EXPECT_NEAR(ink.center().x() / 2.0, 24, 1.0) << name.toStdString();
        EXPECT_NEAR(ink.center().y() / 2.0, 24, 1.0) << name.toStdString();
    }
}

int inkCount(const QImage& image) {
    return testing::countPixels(image, [](QColor pixel) { return pixel.alpha() > 127; });
}

TEST(Symbols, HeavierWeightsDrawHeavierStrokes) {
    for (const QString& name : Symbols::names()) {
        EXPECT_LT(inkCount(drawn(name, 16, FontWeight::regular)),
                  inkCount(drawn(name, 16, FontWeight::bold)))
            << name.toStdString();
    }
}

TEST(Symbols, TranslucentColoursDoNotDarkenWhereStrokesMeet) {
    // The monitor's neck meets its frame; one fill keeps a single alpha.
    const QImage image =
        drawn(QStringLiteral("display"), 40, FontWeight::bold, QColor(0, 0, 0, 128));
    EXPECT_EQ(testing::countPixels(image, [](QColor pixel) { return pixel.alpha() > 129; }), 0);
}

TEST(Symbols, UnknownNamesDrawNothing) {
    EXPECT_FALSE(Symbols::contains(u"display.3"));
    EXPECT_TRUE(Symbols::size(u"display.3", 20, FontWeight::regular).isEmpty());
    EXPECT_TRUE(inkBounds(drawn(QStringLiteral("display.3"), 20, FontWeight::regular)).isEmpty());
}

}  // namespace
}  // namespace corvane
