#include "ui/components/QuietSwatchButton.h"

#include <QConicalGradient>
#include <QFontMetricsF>
#include <QPainter>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/PopoverValues.h"
#include "ui/Symbols.h"
#include "ui/TextStyle.h"
#include "ui/components/Painting.h"

namespace corvane {

namespace {

constexpr qreal kPaddingV = 5;
constexpr qreal kSwatchDiameter = 22;
constexpr qreal kStackSpacing = 4;
constexpr qreal kCornerRadius = 8;
constexpr qreal kCheckSize = 10;

QFont captionFont() {
    return systemFont(9, FontWeight::medium);
}

QBrush swatchFill(MenuBarColorMode mode, Appearance appearance, const QPointF& center) {
    switch (mode) {
        case MenuBarColorMode::system:
            return namedColor(ColorRole::label, appearance);
        case MenuBarColorMode::blue:
            return namedColor(ColorRole::systemBlue, appearance);
        case MenuBarColorMode::green:
            return namedColor(ColorRole::systemGreen, appearance);
        case MenuBarColorMode::orange:
            return namedColor(ColorRole::systemOrange, appearance);
        case MenuBarColorMode::purple:
            return namedColor(ColorRole::systemPurple, appearance);
        case MenuBarColorMode::adaptive: {
            // Orange, yellow, blue and back to orange, clockwise from three
            // o'clock. Qt's conical gradient runs anticlockwise, so the stops
            // are laid down mirrored.
            QConicalGradient gradient(center, 0);
            const QColor orange = namedColor(ColorRole::systemOrange, appearance);
            gradient.setColorAt(0.0, orange);
            gradient.setColorAt(1.0 / 3.0, namedColor(ColorRole::systemBlue, appearance));
            gradient.setColorAt(2.0 / 3.0, namedColor(ColorRole::systemYellow, appearance));
            gradient.setColorAt(1.0, orange);
            return gradient;
        }
    }
    return Qt::NoBrush;
}

}  // namespace

QuietSwatchButton::QuietSwatchButton(MenuBarColorMode mode, QWidget* parent)
    : QuietButton(parent), mode_(mode) {
    setCheckable(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setObjectName(QStringLiteral("swatch.") + persistedWord(mode));
    setToolTip(PopoverValues::colorModeShortTitle(mode));
    setAccessibleName(PopoverValues::swatchAccessibleName(mode));
    setAccessibleRole(QAccessible::RadioButton);
}

qreal QuietSwatchButton::focusRingRadius() const {
    return kCornerRadius;
}

void QuietSwatchButton::setSelected(bool selected) {
    if (selected != isChecked()) {
        setChecked(selected);
    }
}

QSize QuietSwatchButton::sizeHint() const {
    const qreal height =
        2 * kPaddingV + kSwatchDiameter + kStackSpacing + QFontMetricsF(captionFont()).height();
    return {40, static_cast<int>(std::ceil(height))};
}

QSize QuietSwatchButton::minimumSizeHint() const {
    return {0, sizeHint().height()};
}

void QuietSwatchButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    const Appearance appearance = appearanceOf(this);
    const bool selected = isChecked();
    const QColor accent = namedColor(ColorRole::accent, appearance);
    const QRectF bounds(rect());

    if (selected) {
        fillRoundedRect(painter, bounds, kCornerRadius, withOpacity(accent, 0.1));
        strokeRoundedRect(painter, bounds, kCornerRadius, accent, 1.5);
    } else {
        strokeRoundedRect(painter, bounds, kCornerRadius,
                          withOpacity(namedColor(ColorRole::label, appearance), 0.07), 1.0);
    }

    painter.setOpacity(faceOpacity());
    const QPointF center(bounds.center().x(), kPaddingV + kSwatchDiameter / 2);
    painter.setPen(Qt::NoPen);
    painter.setBrush(swatchFill(mode_, appearance, center));
    painter.drawEllipse(center, kSwatchDiameter / 2, kSwatchDiameter / 2);
    if (selected) {
        Symbols::draw(painter, u"checkmark", center, kCheckSize, FontWeight::bold, Qt::white);
    }

    const QFontMetricsF metrics(captionFont());
    const QString caption = metrics.elidedText(PopoverValues::colorModeShortTitle(mode_),
                                               Qt::ElideRight, bounds.width());
    painter.setFont(captionFont());
    painter.setPen(selected ? accent : namedColor(ColorRole::secondaryLabel, appearance));
    painter.drawText(QPointF((bounds.width() - metrics.horizontalAdvance(caption)) / 2,
                             kPaddingV + kSwatchDiameter + kStackSpacing + metrics.ascent()),
                     caption);
}

}  // namespace corvane
