#include "ui/components/QuietIconStyleSelector.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <cmath>

#include "ui/MenuBarAppearance.h"
#include "ui/PopoverValues.h"
#include "ui/Symbols.h"
#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"
#include "ui/components/Painting.h"
#include "ui/components/QuietButton.h"

namespace corvane {

namespace {

constexpr int kButtonSpacing = 8;
constexpr qreal kPaddingV = 9;
constexpr qreal kStackSpacing = 5;
// The three previews are 22 to 24 high; one slot keeps the titles level.
constexpr qreal kPreviewHeight = 24;
constexpr qreal kCornerRadius = 10;
constexpr qreal kGlyphSize = 22;
constexpr qreal kRingFrame = 23;
constexpr qreal kRingLineWidth = 2.5;
constexpr double kMinimumNumberScale = 0.75;
// Keeps a shrunken number clear of the button's outline.
constexpr qreal kNumberInset = 4;

QFont titleFont() {
    return systemFont(11, FontWeight::medium);
}
QFont numberFont() {
    return systemFont(15, FontWeight::bold);
}

}  // namespace

class IconStyleButton : public QuietButton {
  public:
    IconStyleButton(MenuBarIconStyle style, QWidget* parent) : QuietButton(parent), style_(style) {
        setCheckable(true);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        setObjectName(QStringLiteral("iconStyle.") + persistedWord(style));
        setAccessibleName(PopoverValues::iconStyleTitle(style));
        setAccessibleRole(QAccessible::RadioButton);
    }

    void setContent(bool selected, MenuBarIconStyle selectedStyle, const QString& numberPreview,
                    const QString& glyphSystemName) {
        setChecked(selected);
        selectedStyle_ = selectedStyle;
        numberPreview_ = numberPreview;
        glyphSystemName_ = glyphSystemName;
        update();
    }

    MenuBarIconStyle style() const { return style_; }

    double numberScale() const {
        const qreal natural = QFontMetricsF(numberFont()).horizontalAdvance(numberPreview_);
        const qreal available = width() - 2 * kNumberInset;
        if (natural <= available || natural <= 0) {
            return 1.0;
        }
        return std::max(kMinimumNumberScale, available / natural);
    }

    QSize sizeHint() const override {
        const qreal height =
            2 * kPaddingV + kPreviewHeight + kStackSpacing + QFontMetricsF(titleFont()).height();
        return {60, static_cast<int>(std::ceil(height))};
    }
    QSize minimumSizeHint() const override { return {0, sizeHint().height()}; }

  protected:
    qreal focusRingRadius() const override { return kCornerRadius; }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setRenderHint(QPainter::TextAntialiasing, true);
        const Appearance appearance = appearanceOf(this);
        const bool selected = isChecked();
        const QColor accent = namedColor(ColorRole::accent, appearance);
        const QColor face = selected ? accent : namedColor(ColorRole::secondaryLabel, appearance);
        const QRectF bounds(rect());

        fillRoundedRect(painter, bounds, kCornerRadius,
                        selected ? withOpacity(accent, 0.1)
                                 : namedColor(ColorRole::controlBackground, appearance));
        if (selected) {
            strokeRoundedRect(painter, bounds, kCornerRadius, accent, 1.5);
        } else {
            strokeRoundedRect(painter, bounds, kCornerRadius,
                              withOpacity(namedColor(ColorRole::label, appearance), 0.07), 1.0);
        }

        painter.setOpacity(faceOpacity());
        const QRectF preview(0, kPaddingV, width(), kPreviewHeight);
        switch (style_) {
            case MenuBarIconStyle::glyph:
                Symbols::draw(painter, glyphSystemName_, preview.center(), kGlyphSize,
                              FontWeight::medium, face);
                break;
            case MenuBarIconStyle::number:
                paintNumber(painter, preview, face);
                break;
            case MenuBarIconStyle::ring: {
                // The ring preview has its own colour: accent only while the
                // ring style is the one in force.
                const QColor ringColor = selectedStyle_ == MenuBarIconStyle::ring
                                             ? accent
                                             : namedColor(ColorRole::secondaryLabel, appearance);
                paintRing(painter, preview, ringColor);
                break;
            }
        }

        const QFontMetricsF metrics(titleFont());
        const QString title = PopoverValues::iconStyleTitle(style_);
        painter.setFont(titleFont());
        painter.setPen(face);
        painter.drawText(QPointF((width() - metrics.horizontalAdvance(title)) / 2,
                                 preview.bottom() + kStackSpacing + metrics.ascent()),
                         title);
    }

  private:
    void paintNumber(QPainter& painter, const QRectF& frame, const QColor& color) const {
        const QFontMetricsF metrics(numberFont());
        const double scale = numberScale();
        const qreal available = (width() - 2 * kNumberInset) / scale;
        const QString shown = metrics.elidedText(numberPreview_, Qt::ElideRight, available);
        const qreal textWidth = metrics.horizontalAdvance(shown);
        painter.save();
        painter.translate(frame.center());
        painter.scale(scale, scale);
        painter.setFont(numberFont());
        painter.setPen(color);
        // Centred on the cap height so digits sit in the middle of the slot.
        painter.drawText(QPointF(-textWidth / 2, metrics.capHeight() / 2), shown);
        painter.restore();
    }

    static void paintRing(QPainter& painter, const QRectF& frame, const QColor& color) {
        const QRectF circle(frame.center() - QPointF(kRingFrame / 2, kRingFrame / 2),
                            QSizeF(kRingFrame, kRingFrame));
        painter.setPen(QPen(color, kRingLineWidth, Qt::SolidLine, Qt::RoundCap));
        painter.setBrush(Qt::NoBrush);
        // The outline from 8 % to 86 % of the circle, begun at three o'clock
        // and turned back by 45°, leaves its gap at the upper right.
        const double startClockwise = 0.08 * 360.0 - 45.0;
        const double sweepClockwise = (0.86 - 0.08) * 360.0;
        painter.drawArc(circle, static_cast<int>(std::lround(-startClockwise * 16)),
                        -static_cast<int>(std::lround(sweepClockwise * 16)));
    }

    MenuBarIconStyle style_;
    MenuBarIconStyle selectedStyle_ = MenuBarIconStyle::glyph;
    QString numberPreview_;
    QString glyphSystemName_;
};

QuietIconStyleSelector::QuietIconStyleSelector(QWidget* parent)
    : QuietButtonRow(kButtonSpacing, parent) {
    for (std::size_t i = 0; i < kAllIconStyles.size(); ++i) {
        const MenuBarIconStyle style = kAllIconStyles[i];
        auto* button = new IconStyleButton(style, this);
        addButton(button);
        buttons_[i] = button;
        connect(button, &QAbstractButton::clicked, this,
                [this, style] { invokeCallback(onSelect_, style); });
    }
}

void QuietIconStyleSelector::setContent(MenuBarIconStyle selectedStyle,
                                        const QString& numberPreview,
                                        const QString& glyphSystemName) {
    for (IconStyleButton* button : buttons_) {
        button->setContent(button->style() == selectedStyle, selectedStyle, numberPreview,
                           glyphSystemName);
    }
    updateTabStop();
}

void QuietIconStyleSelector::setOnSelect(std::function<void(MenuBarIconStyle)> onSelect) {
    onSelect_ = std::move(onSelect);
}

double QuietIconStyleSelector::numberPreviewScale() const {
    for (const IconStyleButton* button : buttons_) {
        if (button->style() == MenuBarIconStyle::number) {
            return button->numberScale();
        }
    }
    return 1.0;
}

}  // namespace corvane
