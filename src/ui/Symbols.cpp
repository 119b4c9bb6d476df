#include "ui/Symbols.h"

#include <QPainter>
#include <QPainterPath>
#include <QTransform>
#include <cmath>
#include <numbers>

namespace corvane::Symbols {

namespace {

// A symbol in units of its point size, centred near the origin, y down.
// Outlines are stroked at the weight's width; solids are filled.
struct Shape {
    QPainterPath outline;
    QPainterPath solid;
};

QPointF polar(double radius, double degreesClockwiseFromTop) {
    const double radians = degreesClockwiseFromTop * std::numbers::pi / 180.0;
    return {radius * std::sin(radians), -radius * std::cos(radians)};
}

void addMonitor(QPainterPath& path, const QRectF& body) {
    path.addRoundedRect(body, 0.09, 0.09);
}

void addStand(QPainterPath& path, const QRectF& body) {
    const double x = body.center().x();
    const double neckTop = body.bottom();
    path.moveTo(x, neckTop);
    path.lineTo(x, neckTop + 0.12);
    path.moveTo(x - 0.2, neckTop + 0.14);
    path.lineTo(x + 0.2, neckTop + 0.14);
}

Shape display() {
    Shape shape;
    const QRectF body(QPointF(-0.56, -0.40), QPointF(0.56, 0.26));
    addMonitor(shape.outline, body);
    addStand(shape.outline, body);
    return shape;
}

Shape display2() {
    Shape shape;
    // The rear screen shows only the edges that the front one leaves free.
    shape.outline.moveTo(-0.30, -0.26);
    shape.outline.lineTo(-0.30, -0.44);
    shape.outline.quadTo(-0.30, -0.52, -0.22, -0.52);
    shape.outline.lineTo(0.52, -0.52);
    shape.outline.quadTo(0.60, -0.52, 0.60, -0.44);
    shape.outline.lineTo(0.60, 0.04);
    shape.outline.quadTo(0.60, 0.12, 0.52, 0.12);
    shape.outline.lineTo(0.38, 0.12);
    const QRectF front(QPointF(-0.60, -0.24), QPointF(0.36, 0.32));
    addMonitor(shape.outline, front);
    addStand(shape.outline, front);
    return shape;
}

Shape gearshape() {
    Shape shape;
    constexpr int kTeeth = 8;
    constexpr double kRoot = 0.37;
    constexpr double kTip = 0.50;
    const double step = 360.0 / kTeeth;
    for (int tooth = 0; tooth < kTeeth; ++tooth) {
        const double middle = tooth * step;
        const QPointF points[] = {polar(kRoot, middle - 12), polar(kTip, middle - 7),
                                  polar(kTip, middle + 7), polar(kRoot, middle + 12)};
        if (tooth == 0) {
            shape.outline.moveTo(points[0]);
        } else {
            shape.outline.lineTo(points[0]);
        }
        for (int i = 1; i < 4; ++i) {
            shape.outline.lineTo(points[i]);
        }
    }
    shape.outline.closeSubpath();
    shape.outline.addEllipse(QPointF(0, 0), 0.15, 0.15);
    return shape;
}

Shape arrowClockwise() {
    Shape shape;
    constexpr double kRadius = 0.38;
    // The circle opens just right of the top; the head sits at the top and
    // points the way the arrow turns.
    constexpr double kStart = 40;
    constexpr double kEnd = 355;
    const int steps = 64;
    for (int i = 0; i <= steps; ++i) {
        const double angle = kStart + (kEnd - kStart) * i / steps;
        if (i == 0) {
            shape.outline.moveTo(polar(kRadius, angle));
        } else {
            shape.outline.lineTo(polar(kRadius, angle));
        }
    }
    const QPointF end = polar(kRadius, kEnd);
    shape.solid.moveTo(end + QPointF(0.22, 0.0));
    shape.solid.lineTo(end + QPointF(-0.01, -0.15));
    shape.solid.lineTo(end + QPointF(-0.01, 0.15));
    shape.solid.closeSubpath();
    return shape;
}

Shape ellipsisCircle() {
    Shape shape;
    shape.outline.addEllipse(QPointF(0, 0), 0.46, 0.46);
    for (double x : {-0.22, 0.0, 0.22}) {
        shape.solid.addEllipse(QPointF(x, 0), 0.062, 0.062);
    }
    return shape;
}

Shape sliderHorizontal3() {
    Shape shape;
    constexpr double kKnob = 0.095;
    const struct {
        double y;
        double knobX;
    } rows[] = {{-0.32, 0.20}, {0.0, -0.18}, {0.32, 0.08}};
    for (const auto& row : rows) {
        shape.outline.moveTo(-0.48, row.y);
        shape.outline.lineTo(row.knobX - kKnob - 0.06, row.y);
        shape.outline.moveTo(row.knobX + kKnob + 0.06, row.y);
        shape.outline.lineTo(0.48, row.y);
        shape.outline.addEllipse(QPointF(row.knobX, row.y), kKnob, kKnob);
    }
    return shape;
}

Shape chevronUpChevronDown() {
    Shape shape;
    shape.outline.moveTo(-0.22, -0.12);
    shape.outline.lineTo(0.0, -0.36);
    shape.outline.lineTo(0.22, -0.12);
    shape.outline.moveTo(-0.22, 0.12);
    shape.outline.lineTo(0.0, 0.36);
    shape.outline.lineTo(0.22, 0.12);
    return shape;
}

Shape checkmark() {
    Shape shape;
    shape.outline.moveTo(-0.36, 0.02);
    shape.outline.lineTo(-0.12, 0.30);
    shape.outline.lineTo(0.38, -0.34);
    return shape;
}

struct Entry {
    const char16_t* name;
    Shape (*make)();
};

constexpr Entry kSymbols[] = {
    {u"display", display},
    {u"display.2", display2},
    {u"gearshape", gearshape},
    {u"arrow.clockwise", arrowClockwise},
    {u"ellipsis.circle", ellipsisCircle},
    {u"slider.horizontal.3", sliderHorizontal3},
    {u"chevron.up.chevron.down", chevronUpChevronDown},
    {u"checkmark", checkmark},
};

const Entry* find(QStringView name) {
    for (const Entry& entry : kSymbols) {
        if (name == QStringView(entry.name)) {
            return &entry;
        }
    }
    return nullptr;
}

// Stroke width as a fraction of the point size; close to the stem width of
// a text face at the same weight.
double strokeFraction(FontWeight weight) {
    switch (weight) {
        case FontWeight::regular:
            return 0.072;
        case FontWeight::medium:
            return 0.082;
        case FontWeight::semibold:
            return 0.096;
        case FontWeight::bold:
            return 0.118;
    }
    return 0.072;
}

QRectF inkBounds(const Shape& shape, qreal pointSize, FontWeight weight) {
    const double half = strokeFraction(weight) * pointSize / 2.0;
    const QTransform scale = QTransform::fromScale(pointSize, pointSize);
    QRectF bounds = scale.map(shape.outline).boundingRect().adjusted(-half, -half, half, half);
    if (!shape.solid.isEmpty()) {
        bounds = bounds.united(scale.map(shape.solid).boundingRect());
    }
    return bounds;
}

}  // namespace

QStringList names() {
    QStringList result;
    for (const Entry& entry : kSymbols) {
        result.append(QString::fromUtf16(entry.name));
    }
    return result;
}

bool contains(QStringView name) {
    return find(name) != nullptr;
}

QSizeF size(QStringView name, qreal pointSize, FontWeight weight) {
    const Entry* entry = find(name);
    if (entry == nullptr) {
        return {};
    }
    return inkBounds(entry->make(), pointSize, weight).size();
}

void draw(QPainter& painter, QStringView name, QPointF center, qreal pointSize, FontWeight weight,
          const QColor& color) {
    const Entry* entry = find(name);
    if (entry == nullptr) {
        return;
    }
    const Shape shape = entry->make();
    const QRectF bounds = inkBounds(shape, pointSize, weight);

    // One fill for the whole symbol, so a translucent colour does not
    // darken where strokes and solids overlap.
    const QTransform place = QTransform::fromScale(pointSize, pointSize) *
                             QTransform::fromTranslate(center.x() - bounds.center().x(),
                                                       center.y() - bounds.center().y());
    QPainterPathStroker stroker;
    stroker.setWidth(strokeFraction(weight) * pointSize);
    stroker.setCapStyle(Qt::RoundCap);
    stroker.setJoinStyle(Qt::RoundJoin);
    QPainterPath ink = stroker.createStroke(place.map(shape.outline));
    if (!shape.solid.isEmpty()) {
        ink = ink.united(place.map(shape.solid));
    }
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.fillPath(ink, color);
    painter.restore();
}

}  // namespace corvane::Symbols
