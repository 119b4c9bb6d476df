#pragma once

#include <QWidget>
#include <functional>

#include "ui/DisplayPopoverView.h"

namespace corvane {

// The title, the tagline and the gear button that opens display settings.
class PopoverHeader : public QWidget {
    Q_OBJECT

  public:
    explicit PopoverHeader(QWidget* parent = nullptr);
    void setView(const DisplayPopoverView& view);

  private:
    std::function<void()> onOpenSettings_;
};

}  // namespace corvane
