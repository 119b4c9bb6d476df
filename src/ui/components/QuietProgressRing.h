#pragma once

#include <QWidget>

#include "ui/MenuBarAppearance.h"

namespace corvane {

// A 48-point ring gauge: a faint track and an arc from twelve o'clock,
// clockwise, over the filled fraction. The widget is a little larger than
// the ring so that the outer half of the 5-point stroke is not clipped.
class QuietProgressRing : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kRingDiameter = 48;
    static constexpr int kLineWidth = 5;

    explicit QuietProgressRing(QWidget* parent = nullptr);

    void setContent(double progress, ColorRole tint);
    double progress() const { return progress_; }

    // The drawn fraction: 0 for no or negative progress, at most a full ring.
    static double clampedProgress(double progress);

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    double progress_ = 0;
    ColorRole tint_ = ColorRole::systemBlue;
};

}  // namespace corvane
