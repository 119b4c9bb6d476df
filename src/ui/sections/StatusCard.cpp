#include "ui/sections/StatusCard.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/PopoverValues.h"
#include "ui/TextStyle.h"
#include "ui/components/QuietProgressRing.h"
#include "ui/components/QuietRateReadout.h"
#include "ui/components/QuietStatusIcon.h"
#include "ui/components/QuietText.h"

namespace corvane {

namespace {

constexpr int kSpacing = 12;
constexpr int kTextSpacing = 4;
constexpr int kMinimumGap = 8;
// The ring widget carries half its stroke as margin, which the gap under the
// rate already provides.
constexpr int kRateToGauge = 4 - QuietProgressRing::kLineWidth / 2;

QHBoxLayout* bareRow(QWidget* owner) {
    auto* row = new QHBoxLayout(owner);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(0);
    return row;
}

QVBoxLayout* column(int spacing) {
    auto* column = new QVBoxLayout;
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(spacing);
    return column;
}

}  // namespace

StatusCard::StatusCard(QWidget* parent) : QWidget(parent) {
    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(0);

    present_ = new QWidget(this);
    present_->setObjectName(QStringLiteral("statusCard.display"));
    {
        auto* row = bareRow(present_);
        presentIcon_ = new QuietStatusIcon(present_);
        presentIcon_->setContent(QStringLiteral("display"), ColorRole::systemBlue);
        row->addWidget(presentIcon_, 0, Qt::AlignVCenter);
        row->addSpacing(kSpacing);

        auto* texts = column(kTextSpacing);
        name_ = new QuietText(systemFont(14, FontWeight::bold), ColorRole::label, present_);
        name_->setObjectName(QStringLiteral("displayName"));
        name_->setTruncating(true);
        sizeLine_ =
            new QuietText(systemFont(12, FontWeight::medium), ColorRole::secondaryLabel, present_);
        sizeLine_->setTruncating(true);
        auto* caption =
            new QuietText(systemFont(11, FontWeight::regular), ColorRole::tertiaryLabel, present_);
        caption->setText(QStringLiteral("현재 선택된 디스플레이"));
        caption->setTruncating(true);
        texts->addWidget(name_);
        texts->addWidget(sizeLine_);
        texts->addWidget(caption);
        row->addLayout(texts, 1);
        row->setAlignment(texts, Qt::AlignVCenter);

        // The text column takes all free width, so the gap to the readings
        // is the spacer's minimum with the row spacing on both sides.
        row->addSpacing(kSpacing + kMinimumGap + kSpacing);

        auto* readings = column(kRateToGauge);
        rate_ = new QuietRateReadout(present_);
        gauge_ = new QuietProgressRing(present_);
        gauge_->setObjectName(QStringLiteral("gauge"));
        readings->addWidget(rate_, 0, Qt::AlignRight);
        readings->addWidget(gauge_, 0, Qt::AlignRight);
        row->addLayout(readings);
        row->setAlignment(readings, Qt::AlignVCenter);
    }
    stack->addWidget(present_);

    absent_ = new QWidget(this);
    absent_->setObjectName(QStringLiteral("statusCard.none"));
    {
        auto* row = bareRow(absent_);
        auto* icon = new QuietStatusIcon(absent_);
        icon->setContent(QStringLiteral("display"), ColorRole::secondaryLabel);
        row->addWidget(icon, 0, Qt::AlignVCenter);
        row->addSpacing(kSpacing);
        auto* texts = column(kTextSpacing);
        auto* headline =
            new QuietText(systemFont(14, FontWeight::semibold), ColorRole::label, absent_);
        headline->setText(QStringLiteral("디스플레이 확인 중…"));
        auto* detail =
            new QuietText(systemFont(12, FontWeight::regular), ColorRole::secondaryLabel, absent_);
        detail->setText(QStringLiteral("연결된 화면을 찾고 있습니다"));
        texts->addWidget(headline);
        texts->addWidget(detail);
        row->addLayout(texts);
        row->setAlignment(texts, Qt::AlignVCenter);
        row->addStretch(1);
    }
    stack->addWidget(absent_);
}

void StatusCard::setView(const DisplayPopoverView& view) {
    const bool hasDisplay = view.display.has_value();
    if (hasDisplay) {
        name_->setText(view.display->name);
        sizeLine_->setText(PopoverValues::sizeLine(view));
        rate_->setNumber(PopoverValues::rateNumber(view), PopoverValues::rateAccessibleName(view));
        gauge_->setContent(PopoverValues::gaugeValue(view), ColorRole::systemBlue);
    }
    // Hide before show, so the card never holds both forms at once.
    (hasDisplay ? absent_ : present_)->setVisible(false);
    (hasDisplay ? present_ : absent_)->setVisible(true);
}

}  // namespace corvane
