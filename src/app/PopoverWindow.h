#pragma once

#include <QWidget>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class DisplayPopoverWidget;

// The borderless window that holds the popover panel under the tray icon.
// It takes the keyboard focus but never grabs the pointer, so a click
// elsewhere reaches what it was aimed at; the dismissal monitor closes the
// popover beside it. Escape closes it.
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
    // Another window took the keyboard focus.
    void deactivated();

  protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    DisplayPopoverWidget* panel_ = nullptr;
};

}  // namespace corvane
