#include "ui/sections/PopoverHeader.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"
#include "ui/components/QuietSymbolButton.h"
#include "ui/components/QuietText.h"

namespace corvane {

PopoverHeader::PopoverHeader(QWidget* parent) : QWidget(parent) {
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(12);

    auto* titles = new QVBoxLayout;
    titles->setSpacing(3);
    auto* title = new QuietText(systemFont(18, FontWeight::bold),
                                ColorRole::label, this);
    title->setText(QStringLiteral("Corvane"));
    auto* tagline =
        new QuietText(systemFont(11, FontWeight::medium), ColorRole::secondaryLabel, this);
    tagline->setText(QStringLiteral("Vuzor Iravuved · 메뉴막대 유틸리티"));
    titles->addWidget(title);
    titles->addWidget(tagline);
    row->addLayout(titles);
    row->setAlignment(titles, Qt::AlignTop);

    row->addStretch(1);

    auto* gear = new QuietSymbolButton({.systemName = QStringLiteral("gearshape"),
                                        .pointSize = 16,
                                        .weight = FontWeight::medium,
                                        .color = ColorRole::secondaryLabel,
                                        .frame = QSize(30, 30),
                                        .circleOpacity = 0.06},
                                       this);
    gear->setObjectName(QStringLiteral("settingsButton"));
    gear->setToolTip(QStringLiteral("디스플레이 설정 열기"));
    gear->setAccessibleName(QStringLiteral("디스플레이 설정 열기"));
    row->addWidget(gear, 0, Qt::AlignTop);
    connect(gear, &QAbstractButton::clicked, this, [this] { invokeCallback(onOpenSettings_); });
}

void PopoverHeader::setView(const DisplayPopoverView& view) {
    onOpenSettings_ = view.onOpenSettings;
}

}  // namespace corvane
