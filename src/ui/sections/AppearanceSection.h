#pragma once

#include <QWidget>
#include <functional>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class QuietIconStyleSelector;
class QuietSwitch;
class QuietText;

// The tray icon's style picker and the pulse switch.
class AppearanceSection : public QWidget {
    Q_OBJECT

  public:
    explicit AppearanceSection(QWidget* parent = nullptr);
    void setView(const DisplayPopoverView& view);

  private:
    QuietIconStyleSelector* selector_;
    QuietSwitch* animateSwitch_;
    QuietText* pulseDescription_;
    bool animateOnChange_ = false;
    std::function<void(MenuBarIconStyle)> onSelectIconStyle_;
    std::function<void(bool)> onSetAnimateOnChange_;
};

}  // namespace corvane
