#include "ui/DisplayPopoverWidget.h"

#include <QEvent>
#include <QPainter>
#include <QVBoxLayout>
#include <utility>

#include "ui/Accessibility.h"
#include "ui/components/PullDownMenu.h"
#include "ui/components/QuietDivider.h"
#include "ui/sections/AppearanceSection.h"
#include "ui/sections/PopoverFooter.h"
#include "ui/sections/PopoverHeader.h"
#include "ui/sections/SelectionSection.h"
#include "ui/sections/StatusCard.h"

namespace corvane {

namespace {

constexpr int kPaddingH = 18;
constexpr int kPaddingV = 16;
constexpr int kDividerPadding = 14;
constexpr int kFooterDividerPadding = 13;

void addDivider(QVBoxLayout* stack, QWidget* owner, int padding) {
    stack->addSpacing(padding);
    stack->addWidget(new QuietDivider(owner));
    stack->addSpacing(padding);
}

}  // namespace

DisplayPopoverWidget::DisplayPopoverWidget(QWidget* parent)
    : DisplayPopoverWidget(desktopAppearance(), true, parent) {}

DisplayPopoverWidget::DisplayPopoverWidget(Appearance appearance, QWidget* parent)
    : DisplayPopoverWidget(appearance, false, parent) {}

DisplayPopoverWidget::DisplayPopoverWidget(Appearance appearance, bool followsDesktop,
                                           QWidget* parent)
    : QWidget(parent), appearance_(appearance), followsDesktop_(followsDesktop) {
    installPanelAccessibility();
    setAppearanceOf(this, appearance);
    setFixedWidth(kWidth);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(kPaddingH, kPaddingV, kPaddingH, kPaddingV);
    stack->setSpacing(0);

    header_ = new PopoverHeader(this);
    stack->addWidget(header_);
    addDivider(stack, this, kDividerPadding);
    statusCard_ = new StatusCard(this);
    stack->addWidget(statusCard_);
    addDivider(stack, this, kDividerPadding);
    appearanceSection_ = new AppearanceSection(this);
    stack->addWidget(appearanceSection_);
    addDivider(stack, this, kDividerPadding);
    selectionSection_ = new SelectionSection(this);
    stack->addWidget(selectionSection_);
    addDivider(stack, this, kFooterDividerPadding);
    footer_ = new PopoverFooter(this);
    stack->addWidget(footer_);

    setView(DisplayPopoverView{});
}

void DisplayPopoverWidget::setView(DisplayPopoverView view) {
    // Keep the previous value alive until every section has switched over:
    // this may run from inside one of its callbacks.
    const DisplayPopoverView previous = std::exchange(view_, std::move(view));
    header_->setView(view_);
    statusCard_->setView(view_);
    appearanceSection_->setView(view_);
    selectionSection_->setView(view_);
    footer_->setView(view_);
    updateGeometry();
    if (isWindow()) {
        resize(sizeHint());
    }
}

void DisplayPopoverWidget::setAppearance(Appearance appearance) {
    if (appearance == appearance_) {
        return;
    }
    appearance_ = appearance;
    setAppearanceOf(this, appearance);
    update();
    // The menus are windows of their own and repaint separately.
    for (PullDownMenu* menu : findChildren<PullDownMenu*>()) {
        menu->update();
    }
}

bool DisplayPopoverWidget::event(QEvent* event) {
    // Every widget without a palette of its own hears of a new application
    // palette, whether it is a window or not, shown or hidden.
    if (event->type() == QEvent::PaletteChange && followsDesktop_) {
        setAppearance(desktopAppearance());
    }
    return QWidget::event(event);
}

QSize DisplayPopoverWidget::sizeHint() const {
    return {kWidth, layout()->sizeHint().height()};
}

void DisplayPopoverWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), namedColor(ColorRole::windowBackground, appearance_));
}

}  // namespace corvane
