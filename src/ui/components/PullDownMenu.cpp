#include "ui/components/PullDownMenu.h"

#include <QAction>
#include <QPainter>
#include <QProxyStyle>
#include <QStyleOptionMenuItem>

#include "ui/MenuBarAppearance.h"
#include "ui/Symbols.h"
#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"
#include "ui/components/Painting.h"

namespace corvane {

namespace {

constexpr int kGapUnderAnchor = 4;
constexpr char kDestructiveProperty[] = "corvaneDestructive";

// The menu's geometry, in points.
constexpr int kPanelPaddingV = 5;
constexpr int kItemMarginH = 5;  // between the panel's edge and an entry's highlight
constexpr int kItemPaddingV = 4;
constexpr int kTextLeft = 26;  // from the highlight's edge; the check mark sits before
constexpr int kTextRight = 22;
constexpr qreal kCheckCenter = 15;  // from the highlight's edge
constexpr qreal kCheckSize = 11;
constexpr qreal kHighlightRadius = 4;
constexpr int kSeparatorHeight = 11;
constexpr int kSeparatorInset = 10;

QColor textColor(const QStyleOption& option, bool destructive, Appearance appearance) {
    if (!(option.state & QStyle::State_Enabled)) {
        return namedColor(ColorRole::tertiaryLabel, appearance);
    }
    if (option.state & QStyle::State_Selected) {
        return Qt::white;
    }
    return namedColor(destructive ? ColorRole::systemRed : ColorRole::label, appearance);
}

// Draws the pull-down menus in the panel's named colours. A style sheet
// could colour the menu, but not a single entry of it.
class PullDownMenuStyle : public QProxyStyle {
  public:
    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override {
        if (element != PE_PanelMenu && element != PE_FrameMenu) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        const Appearance appearance = appearanceOf(widget);
        if (element == PE_PanelMenu) {
            painter->fillRect(option->rect, namedColor(ColorRole::menuBackground, appearance));
        }
        painter->save();
        painter->setPen(namedColor(ColorRole::separator, appearance));
        painter->setBrush(Qt::NoBrush);
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element == CE_MenuEmptyArea) {
            painter->fillRect(option->rect,
                              namedColor(ColorRole::menuBackground, appearanceOf(widget)));
            return;
        }
        if (element != CE_MenuItem || item == nullptr) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        drawItem(*item, painter, qobject_cast<const QMenu*>(widget));
    }

    QSize sizeFromContents(ContentsType type, const QStyleOption* option, const QSize& size,
                           const QWidget* widget) const override {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (type != CT_MenuItem || item == nullptr) {
            return QProxyStyle::sizeFromContents(type, option, size, widget);
        }
        if (item->menuItemType == QStyleOptionMenuItem::Separator) {
            return {size.width(), kSeparatorHeight};
        }
        const QFontMetrics metrics(item->font);
        const int text = metrics.horizontalAdvance(withoutMnemonic(item->text));
        return {2 * kItemMarginH + kTextLeft + text + kTextRight,
                metrics.height() + 2 * kItemPaddingV};
    }

    int pixelMetric(PixelMetric metric, const QStyleOption* option,
                    const QWidget* widget) const override {
        switch (metric) {
            case PM_MenuPanelWidth:
                return 1;
            case PM_MenuVMargin:
                return kPanelPaddingV;
            case PM_MenuHMargin:
            case PM_MenuDesktopFrameWidth:
                return 0;
            default:
                return QProxyStyle::pixelMetric(metric, option, widget);
        }
    }

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == SH_Menu_SpaceActivatesItem || hint == SH_Menu_MouseTracking) {
            return 1;
        }
        if (hint == SH_Menu_FlashTriggeredItem) {
            return 0;
        }
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

  private:
    static QString withoutMnemonic(QString text) {
        return text.replace(QStringLiteral("&&"), QStringLiteral("\x01"))
            .remove(u'&')
            .replace(QStringLiteral("\x01"), QStringLiteral("&"));
    }

    static void drawItem(const QStyleOptionMenuItem& item, QPainter* painter, const QMenu* menu) {
        const Appearance appearance = appearanceOf(menu);
        const QRect row = item.rect.adjusted(kItemMarginH, 0, -kItemMarginH, 0);
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, true);
        if (item.menuItemType == QStyleOptionMenuItem::Separator) {
            painter->fillRect(QRect(item.rect.left() + kSeparatorInset, item.rect.center().y(),
                                    item.rect.width() - 2 * kSeparatorInset, 1),
                              namedColor(ColorRole::separator, appearance));
            painter->restore();
            return;
        }
        if ((item.state & QStyle::State_Selected) && (item.state & QStyle::State_Enabled)) {
            fillRoundedRect(*painter, QRectF(row), kHighlightRadius,
                            namedColor(ColorRole::menuSelection, appearance));
        }
        const QAction* action = menu ? menu->actionAt(item.rect.center()) : nullptr;
        const bool destructive = action && action->property(kDestructiveProperty).toBool();
        const QColor color = textColor(item, destructive, appearance);
        if (item.checkType != QStyleOptionMenuItem::NotCheckable && item.checked) {
            Symbols::draw(*painter, u"checkmark",
                          QPointF(row.left() + kCheckCenter, QRectF(row).center().y()), kCheckSize,
                          FontWeight::semibold, color);
        }
        painter->setFont(item.font);
        painter->setPen(color);
        painter->drawText(
            row.adjusted(kTextLeft, 0, -kTextRight, 0),
            Qt::AlignLeft | Qt::AlignVCenter | Qt::TextHideMnemonic | Qt::TextSingleLine,
            item.text);
        painter->restore();
    }
};

}  // namespace

PullDownMenu::PullDownMenu(QWidget* anchor) : QMenu(anchor), anchor_(anchor) {
    setFont(systemFont(13, FontWeight::regular));
    setSeparatorsCollapsible(false);
    auto* style = new PullDownMenuStyle;
    style->setParent(this);
    setStyle(style);
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
                action->setProperty(kDestructiveProperty, entry.destructive);
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

void PullDownMenu::popUp(Edge edge) {
    QPoint position = anchor_->mapToGlobal(QPoint(0, anchor_->height() + kGapUnderAnchor));
    if (edge == Edge::leading) {
        setMinimumWidth(anchor_->width());
    } else {
        position.rx() += anchor_->width() - sizeHint().width();
    }
    popup(position);
}

}  // namespace corvane
