#include "ui/sections/AppearanceSection.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/PopoverValues.h"
#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"
#include "ui/components/QuietIconStyleSelector.h"
#include "ui/components/QuietSwitch.h"
#include "ui/components/QuietText.h"

namespace corvane {

AppearanceSection::AppearanceSection(QWidget* parent) : QWidget(parent) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(10);

    const QString title = QStringLiteral("Appearance");
    auto* caption =
        new QuietText(systemFont(13, FontWeight::semibold), ColorRole::secondaryLabel, this);
    caption->setText(title);
    stack->addWidget(caption);

    selector_ = new QuietIconStyleSelector(this);
    selector_->setObjectName(QStringLiteral("iconStyleSelector"));
    selector_->setAccessibleName(title);
    selector_->setOnSelect(
        [this](MenuBarIconStyle style) { invokeCallback(onSelectIconStyle_, style); });
    stack->addWidget(selector_);

    auto* toggleRow = new QHBoxLayout;
    toggleRow->setContentsMargins(0, 0, 0, 0);
    toggleRow->setSpacing(8);
    auto* labels = new QVBoxLayout;
    labels->setContentsMargins(0, 0, 0, 0);
    labels->setSpacing(2);
    auto* switchTitle = new QuietText(systemFont(13, FontWeight::semibold), ColorRole::label, this);
    switchTitle->setText(QStringLiteral("Animate on change"));
    pulseDescription_ =
        new QuietText(systemFont(11, FontWeight::regular), ColorRole::secondaryLabel, this);
    pulseDescription_->setObjectName(QStringLiteral("pulseDescription"));
    labels->addWidget(switchTitle);
    labels->addWidget(pulseDescription_);
    toggleRow->addLayout(labels);
    toggleRow->addStretch(1);
    animateSwitch_ = new QuietSwitch(this);
    animateSwitch_->setObjectName(QStringLiteral("animateSwitch"));
    animateSwitch_->setAccessibleName(QStringLiteral("Animate on change"));
    toggleRow->addWidget(animateSwitch_, 0, Qt::AlignVCenter);
    stack->addLayout(toggleRow);

    connect(animateSwitch_, &QAbstractButton::clicked, this,
            [this] { invokeCallback(onSetAnimateOnChange_, !animateOnChange_); });
}

void AppearanceSection::setView(const DisplayPopoverView& view) {
    onSelectIconStyle_ = view.onSelectIconStyle;
    onSetAnimateOnChange_ = view.onSetAnimateOnChange;
    animateOnChange_ = view.animateOnChange;
    selector_->setContent(view.iconStyle, PopoverValues::numberPreview(view),
                          QStringLiteral("display"));
    animateSwitch_->setOn(view.animateOnChange);
    pulseDescription_->setText(PopoverValues::pulseDescription(view));
}

}  // namespace corvane
