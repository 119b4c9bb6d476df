#pragma once

#include <QWidget>

#include "ui/DisplayPopoverView.h"
#include "ui/MenuBarAppearance.h"

namespace corvane {

class AppearanceSection;
class PopoverFooter;
class PopoverHeader;
class SelectionSection;
class StatusCard;

// The popover panel: 362 wide, as tall as its content. It draws one
// DisplayPopoverView at a time; setView() hands it the next value, updating
// the existing controls in place so that an open menu or a hovered button
// survives the periodic refresh.
//
// A panel made without an appearance follows the desktop's: when the
// application palette changes it repaints itself and its open menus in the
// new one, shown or hidden.
class DisplayPopoverWidget : public QWidget {
    Q_OBJECT

  public:
    static constexpr int kWidth = 362;

    explicit DisplayPopoverWidget(QWidget* parent = nullptr);
    // A panel fixed to one appearance, whatever the desktop's.
    explicit DisplayPopoverWidget(Appearance appearance, QWidget* parent = nullptr);

    void setView(DisplayPopoverView view);
    const DisplayPopoverView& view() const { return view_; }

    void setAppearance(Appearance appearance);
    Appearance appearance() const { return appearance_; }

    QSize sizeHint() const override;

  protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    DisplayPopoverWidget(Appearance appearance, bool followsDesktop, QWidget* parent);

    Appearance appearance_;
    bool followsDesktop_;
    DisplayPopoverView view_;
    PopoverHeader* header_;
    StatusCard* statusCard_;
    AppearanceSection* appearanceSection_;
    SelectionSection* selectionSection_;
    PopoverFooter* footer_;
};

}  // namespace corvane
