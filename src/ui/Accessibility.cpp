#include "ui/Accessibility.h"

#include <QAccessibleWidget>

#include "ui/components/QuietButton.h"
#include "ui/components/QuietButtonRow.h"
#include "ui/components/QuietDivider.h"
#include "ui/components/QuietProgressRing.h"
#include "ui/components/QuietRateReadout.h"
#include "ui/components/QuietStatusIcon.h"
#include "ui/components/QuietText.h"

namespace corvane {

namespace {

// A button in the role it announces itself in, with the state and the one
// action that role implies.
class ButtonInterface : public QAccessibleWidget {
  public:
    explicit ButtonInterface(QuietButton* button) : QAccessibleWidget(button) {}

    QAccessible::Role role() const override { return button()->accessibleRole(); }

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        if (button()->isCheckable()) {
            state.checkable = true;
            state.checked = button()->isChecked();
        }
        state.hasPopup = role() == QAccessible::ButtonMenu;
        return state;
    }

    QStringList actionNames() const override {
        QStringList names = QAccessibleWidget::actionNames();
        if (button()->isEnabled()) {
            names.prepend(mainAction());
        }
        return names;
    }

    void doAction(const QString& name) override {
        if (name == mainAction()) {
            button()->click();
        } else {
            QAccessibleWidget::doAction(name);
        }
    }

  private:
    QuietButton* button() const { return static_cast<QuietButton*>(widget()); }

    QString mainAction() const {
        if (role() == QAccessible::ButtonMenu) {
            return showMenuAction();
        }
        return button()->isCheckable() ? toggleAction() : pressAction();
    }
};

// Drawn only for the eye; what it shows is read elsewhere.
class DecorationInterface : public QAccessibleWidget {
  public:
    explicit DecorationInterface(QWidget* widget)
        : QAccessibleWidget(widget, QAccessible::Graphic) {}

    QAccessible::State state() const override {
        QAccessible::State state = QAccessibleWidget::state();
        state.invisible = true;
        return state;
    }
};

QAccessibleInterface* panelInterface(const QString&, QObject* object) {
    if (auto* button = qobject_cast<QuietButton*>(object)) {
        return new ButtonInterface(button);
    }
    if (qobject_cast<QuietText*>(object) || qobject_cast<QuietRateReadout*>(object)) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::StaticText);
    }
    if (auto* row = qobject_cast<QuietButtonRow*>(object)) {
        return new QAccessibleWidget(row, QAccessible::Grouping);
    }
    if (qobject_cast<QuietStatusIcon*>(object) || qobject_cast<QuietProgressRing*>(object) ||
        qobject_cast<QuietDivider*>(object)) {
        return new DecorationInterface(static_cast<QWidget*>(object));
    }
    return nullptr;
}

}  // namespace

void installPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(panelInterface);
        return true;
    }();
    (void)installed;
}

}  // namespace corvane
