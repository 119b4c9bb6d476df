#pragma once

#include <QWidget>
#include <array>
#include <functional>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class PullDownMenu;
class QuietButtonRow;
class QuietNavigationRow;
class QuietSwatchButton;

// The menu bar colour swatches and the display and mode pickers.
class SelectionSection : public QWidget {
    Q_OBJECT

  public:
    explicit SelectionSection(QWidget* parent = nullptr);
    void setView(const DisplayPopoverView& view);

  private:
    QuietButtonRow* swatchRow_;
    std::array<QuietSwatchButton*, 6> swatches_{};
    QuietNavigationRow* displayPicker_;
    QuietNavigationRow* modePicker_;
    PullDownMenu* displayMenu_;
    PullDownMenu* modeMenu_;
    std::function<void(MenuBarColorMode)> onSetColorMode_;
};

}  // namespace corvane
