#pragma once

#include <QWidget>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class QuietProgressRing;
class QuietRateReadout;
class QuietStatusIcon;
class QuietText;

// The selected display at a glance: its name, size and rate with a gauge;
// or, with no display selected, a note that displays are being looked for.
class StatusCard : public QWidget {
    Q_OBJECT

  public:
    explicit StatusCard(QWidget* parent = nullptr);
    void setView(const DisplayPopoverView& view);

  private:
    QWidget* present_;
    QuietStatusIcon* presentIcon_;
    QuietText* name_;
    QuietText* sizeLine_;
    QuietRateReadout* rate_;
    QuietProgressRing* gauge_;
    QWidget* absent_;
};

}  // namespace corvane
