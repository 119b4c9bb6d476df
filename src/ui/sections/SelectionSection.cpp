#include "ui/sections/SelectionSection.h"

#include <QVBoxLayout>

#include "ui/PopoverValues.h"
#include "ui/TextStyle.h"
#include "ui/components/Invoke.h"
#include "ui/components/PullDownMenu.h"
#include "ui/components/QuietButtonRow.h"
#include "ui/components/QuietNavigationRow.h"
#include "ui/components/QuietSwatchButton.h"
#include "ui/components/QuietText.h"

namespace corvane {

SelectionSection::SelectionSection(QWidget* parent) : QWidget(parent) {
    static_assert(kAllColorModes.size() == std::tuple_size_v<decltype(swatches_)>);

    auto* stack = new QVBoxLayout(this);
    stack->setContentsMargins(0, 0, 0, 0);
    stack->setSpacing(9);

    const QString colorCaption = QStringLiteral("메뉴막대 색상");
    auto* caption =
        new QuietText(systemFont(12, FontWeight::semibold), ColorRole::secondaryLabel, this);
    caption->setText(colorCaption);
    stack->addWidget(caption);

    swatchRow_ = new QuietButtonRow(5, this);
    swatchRow_->setAccessibleName(colorCaption);
    for (std::size_t i = 0; i < kAllColorModes.size(); ++i) {
        const MenuBarColorMode mode = kAllColorModes[i];
        auto* swatch = new QuietSwatchButton(mode, swatchRow_);
        swatches_[i] = swatch;
        swatchRow_->addButton(swatch);
        connect(swatch, &QAbstractButton::clicked, this,
                [this, mode] { invokeCallback(onSetColorMode_, mode); });
    }
    stack->addWidget(swatchRow_);

    displayPicker_ = new QuietNavigationRow(this);
    displayPicker_->setObjectName(QStringLiteral("displayPicker"));
    displayMenu_ = new PullDownMenu(displayPicker_);
    displayMenu_->setObjectName(QStringLiteral("displayMenu"));
    stack->addWidget(displayPicker_);

    modePicker_ = new QuietNavigationRow(this);
    modePicker_->setObjectName(QStringLiteral("modePicker"));
    modeMenu_ = new PullDownMenu(modePicker_);
    modeMenu_->setObjectName(QStringLiteral("modeMenu"));
    stack->addWidget(modePicker_);

    connect(displayPicker_, &QAbstractButton::clicked, this,
            [this] { displayMenu_->popUp(PullDownMenu::Edge::leading); });
    connect(modePicker_, &QAbstractButton::clicked, this,
            [this] { modeMenu_->popUp(PullDownMenu::Edge::leading); });
}

void SelectionSection::setView(const DisplayPopoverView& view) {
    onSetColorMode_ = view.onSetColorMode;
    for (QuietSwatchButton* swatch : swatches_) {
        swatch->setSelected(PopoverValues::isSwatchSelected(view, swatch->mode()));
    }
    swatchRow_->updateTabStop();

    displayPicker_->setContent(QStringLiteral("display.2"), QStringLiteral("디스플레이 선택"),
                               PopoverValues::displayRowValue(view));
    const std::vector<PopoverValues::DisplayEntry> displays = PopoverValues::displayEntries(view);
    std::vector<MenuEntry> displayLines;
    if (displays.empty()) {
        displayLines.push_back(MenuEntry::line(QStringLiteral("디스플레이를 찾는 중…")));
    }
    for (const PopoverValues::DisplayEntry& entry : displays) {
        displayLines.push_back(MenuEntry::button(entry.title));
    }
    displayMenu_->setEntries(std::move(displayLines),
                             [displays, onSelect = view.onSelectDisplay](std::size_t index) {
                                 if (index < displays.size()) {
                                     invokeCallback(onSelect, displays[index].id);
                                 }
                             });

    modePicker_->setContent(QStringLiteral("slider.horizontal.3"),
                            QStringLiteral("해상도 및 주사율"), PopoverValues::modeRowValue(view));
    std::vector<MenuEntry> modeLines;
    std::vector<PopoverValues::ModeEntry> modes;
    DisplayId displayId = 0;
    if (view.display) {
        displayId = view.display->id;
        modes = PopoverValues::modeEntries(view);
        for (const PopoverValues::ModeEntry& entry : modes) {
            modeLines.push_back(MenuEntry::button(entry.title));
        }
    } else {
        modeLines.push_back(MenuEntry::line(QStringLiteral("디스플레이를 선택해 주세요")));
    }
    modeMenu_->setEntries(std::move(modeLines), [modes = std::move(modes), displayId,
                                                 onSelect = view.onSelectMode](std::size_t index) {
        if (index < modes.size()) {
            const DisplayModeInfo mode = modes[index].mode;
            invokeCallback(onSelect, mode, displayId);
        }
    });
}

}  // namespace corvane
