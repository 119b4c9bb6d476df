#include "ui/components/QuietButtonRow.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>

#include "ui/components/QuietButton.h"

namespace corvane {

QuietButtonRow::QuietButtonRow(int spacing, QWidget* parent) : QWidget(parent) {
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

void QuietButtonRow::addButton(QuietButton* button) {
    static_cast<QHBoxLayout*>(layout())->addWidget(button, 1);
    buttons_.append(button);
    updateTabStop();
}

void QuietButtonRow::updateTabStop() {
    QuietButton* stop = buttons_.isEmpty() ? nullptr : buttons_.front();
    for (QuietButton* button : buttons_) {
        if (button->isChecked()) {
            stop = button;
            break;
        }
    }
    // Arrow keys still reach the others: setFocus() ignores the policy.
    for (QuietButton* button : buttons_) {
        button->setFocusPolicy(button == stop ? Qt::TabFocus : Qt::NoFocus);
    }
}

void QuietButtonRow::keyPressEvent(QKeyEvent* event) {
    const qsizetype current =
        buttons_.indexOf(qobject_cast<QuietButton*>(QApplication::focusWidget()));
    int step = 0;
    switch (event->key()) {
        case Qt::Key_Left:
        case Qt::Key_Up:
            step = -1;
            break;
        case Qt::Key_Right:
        case Qt::Key_Down:
            step = 1;
            break;
        default:
            QWidget::keyPressEvent(event);
            return;
    }
    const qsizetype next = current + step;
    if (current >= 0 && next >= 0 && next < buttons_.size()) {
        // The arrows move the focus as Tab does, ring and all.
        buttons_[next]->setFocus(Qt::TabFocusReason);
    }
}

}  // namespace corvane
