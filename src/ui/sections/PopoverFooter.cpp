#include "ui/sections/PopoverFooter.h"

#include <QHBoxLayout>

#include "ui/PopoverValues.h"
#include "ui/components/Invoke.h"
#include "ui/components/PullDownMenu.h"
#include "ui/components/QuietBorderedButton.h"
#include "ui/components/QuietSymbolButton.h"

namespace corvane {

namespace {

// Positions of the footer menu's entries.
enum FooterEntry : std::size_t {
    loginItem,
    autoApply,
    firstSeparator,
    updateLine,
    checkForUpdate,
    openSettings,
    secondSeparator,
    quit,
};

}  // namespace

PopoverFooter::PopoverFooter(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);

    auto* refresh = new QuietBorderedButton(QStringLiteral("arrow.clockwise"),
                                            QStringLiteral("새로고침"), this);
    refresh->setObjectName(QStringLiteral("refreshButton"));
    row->addWidget(refresh, 0, Qt::AlignVCenter);
    row->addStretch(1);

    auto* more = new QuietSymbolButton({.systemName = QStringLiteral("ellipsis.circle"),
                                        .pointSize = 17,
                                        .weight = FontWeight::medium,
                                        .color = ColorRole::secondaryLabel,
                                        .frame = QSize(24, 24)},
                                       this);
    more->setObjectName(QStringLiteral("moreButton"));
    more->setToolTip(QStringLiteral("추가 설정"));
    more->setAccessibleName(QStringLiteral("추가 설정"));
    more->setAccessibleRole(QAccessible::ButtonMenu);
    row->addWidget(more, 0, Qt::AlignVCenter);

    menu_ = new PullDownMenu(more);
    menu_->setObjectName(QStringLiteral("moreMenu"));

    connect(refresh, &QAbstractButton::clicked, this, [this] { invokeCallback(onRefresh_); });
    connect(more, &QAbstractButton::clicked, this,
            [this] { menu_->popUp(PullDownMenu::Edge::trailing); });
}

void PopoverFooter::setView(const DisplayPopoverView& view) {
    onRefresh_ = view.onRefresh;
    std::vector<MenuEntry> entries{
        MenuEntry::toggle(QStringLiteral("로그인 시 자동 실행"), view.loginItemEnabled),
        MenuEntry::toggle(QStringLiteral("로그인 시 마지막 모드 적용"), view.autoApplyOnLaunch),
        MenuEntry::separator(),
        MenuEntry::line(PopoverValues::updateStatusLine(view)),
        MenuEntry::button(PopoverValues::updateButtonTitle(view), !view.isCheckingForUpdate),
        MenuEntry::button(QStringLiteral("디스플레이 설정 열기")),
        MenuEntry::separator(),
        MenuEntry::destructiveButton(QStringLiteral("종료")),
    };
    menu_->setEntries(std::move(entries), [view](std::size_t index) {
        switch (index) {
            case loginItem:
                invokeCallback(view.onSetLoginItem, !view.loginItemEnabled);
                break;
            case autoApply:
                invokeCallback(view.onSetAutoApply, !view.autoApplyOnLaunch);
                break;
            case checkForUpdate:
                if (!view.isCheckingForUpdate) {
                    invokeCallback(view.onCheckForUpdate);
                }
                break;
            case openSettings:
                invokeCallback(view.onOpenSettings);
                break;
            case quit:
                invokeCallback(view.onQuit);
                break;
            default:
                break;
        }
    });
}

}  // namespace corvane
