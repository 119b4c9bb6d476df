#include "ui/components/PullDownMenu.h"

#include <QAction>

#include "ui/MenuBarAppearance.h"
#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"

namespace corvane {

namespace {

constexpr int kGapUnderAnchor = 4;

QString css(const QColor& color) {
    return QStringLiteral("rgba(%1, %2, %3, %4)")
        .arg(color.red())
        .arg(color.green())
        .arg(color.blue())
        .arg(color.alphaF(), 0, 'f', 3);
}

}  // namespace

PullDownMenu::PullDownMenu(QWidget* anchor) : QMenu(anchor), anchor_(anchor) {
    setFont(systemFont(13, FontWeight::regular));
    setSeparatorsCollapsible(false);
}

void PullDownMenu::setEntries(std::vector<MenuEntry> entries,
                              std::function<void(std::size_t)> onChoose) {
    onChoose_ = std::move(onChoose);
    if (entries == entries_ && actions_.size() == entries_.size()) {
        return;
    }
    entries_ = std::move(entries);
    rebuild();
}

QAction* PullDownMenu::actionAt(std::size_t index) const {
    return index < actions_.size() ? actions_[index] : nullptr;
}

void PullDownMenu::rebuild() {
    // The old actions may be the ones whose signal is being delivered right
    // now (choosing an entry can bring new entries), so they are released
    // later rather than deleted here.
    for (QAction* action : actions_) {
        removeAction(action);
        action->deleteLater();
    }
    actions_.clear();

    for (std::size_t index = 0; index < entries_.size(); ++index) {
        const MenuEntry& entry = entries_[index];
        auto* action = new QAction(entry.title, this);
        switch (entry.kind) {
            case MenuEntry::Kind::separator:
                action->setSeparator(true);
                break;
            case MenuEntry::Kind::line:
                action->setEnabled(false);
                break;
            case MenuEntry::Kind::toggle:
                action->setCheckable(true);
                action->setChecked(entry.checked);
                action->setEnabled(entry.enabled);
                break;
            case MenuEntry::Kind::button:
                action->setEnabled(entry.enabled);
                break;
        }
        if (entry.kind != MenuEntry::Kind::separator && entry.kind != MenuEntry::Kind::line) {
            connect(action, &QAction::triggered, this, [this, index] { choose(index); });
        }
        addAction(action);
        actions_.push_back(action);
    }
}

void PullDownMenu::choose(std::size_t index) {
    if (index >= entries_.size()) {
        return;
    }
    const MenuEntry& entry = entries_[index];
    if (entry.kind == MenuEntry::Kind::toggle) {
        // Qt has already flipped the check; the owner decides what it shows.
        actions_[index]->setChecked(entry.checked);
    }
    invokeCallback(onChoose_, index);
}

void PullDownMenu::applyAppearance() {
    const Appearance appearance = appearanceOf(anchor_);
    const QString sheet =
        QStringLiteral(
            "QMenu { background: %1; border: 1px solid %2; padding: 5px 0px; }"
            "QMenu::item { color: %3; padding: 4px 22px 4px 26px; margin: 0px 5px;"
            " border-radius: 4px; }"
            "QMenu::item:selected { background: %4; color: white; }"
            "QMenu::item:disabled { color: %5; background: transparent; }"
            "QMenu::separator { height: 1px; background: %2; margin: 5px 10px; }"
            "QMenu::indicator { width: 14px; height: 14px; left: 8px; }")
            .arg(css(namedColor(ColorRole::menuBackground, appearance)),
                 css(namedColor(ColorRole::separator, appearance)),
                 css(namedColor(ColorRole::label, appearance)),
                 css(namedColor(ColorRole::menuSelection, appearance)),
                 css(namedColor(ColorRole::tertiaryLabel, appearance)));
    if (sheet != styleSheet()) {
        setStyleSheet(sheet);
    }
}

void PullDownMenu::popUp(Edge edge) {
    applyAppearance();
    QPoint position = anchor_->mapToGlobal(QPoint(0, anchor_->height() + kGapUnderAnchor));
    if (edge == Edge::leading) {
        setMinimumWidth(anchor_->width());
    } else {
        position.rx() += anchor_->width() - sizeHint().width();
    }
    popup(position);
}

}  // namespace corvane
