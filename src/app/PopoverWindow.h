#pragma once

#include <QWidget>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class DisplayPopoverWidget;

// The frameless popup that holds the popover panel under the tray icon. It
// grabs the pointer while shown, so that a press anywhere reaches the
// application and the dismissal monitor can decide about it.
class PopoverWindow : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 362;
    static constexpr int kMaxHeight = 650;

    explicit PopoverWindow(QWidget* parent = nullptr);

    // Hands the panel a new view; the panel is created with the first one.
    void setView(DisplayPopoverView view);
    DisplayPopoverWidget* panel() const { return panel_; }

    // Shows the popover next to the tray icon at `anchor` (global
    // coordinates); an empty anchor stands for the pointer's position.
    void showAnchored(const QRect& anchor);
    bool isShown() const { return isVisible(); }

  signals:
    void shownChanged(bool shown);

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    DisplayPopoverWidget* panel_ = nullptr;
};

}  // namespace corvane
