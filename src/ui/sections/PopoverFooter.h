#pragma once

#include <QWidget>
#include <functional>

#include "ui/DisplayPopoverView.h"

namespace corvane {

class PullDownMenu;

// The refresh button and the menu of further actions.
class PopoverFooter : public QWidget {
    Q_OBJECT

  public:
    explicit PopoverFooter(QWidget* parent = nullptr);
    void setView(const DisplayPopoverView& view);

  private:
    PullDownMenu* menu_;
    std::function<void()> onRefresh_;
};

}  // namespace corvane
