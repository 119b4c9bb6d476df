#pragma once

#include <QAbstractButton>
#include <QApplication>
#include <QString>
#include <QStringList>
#include <QTest>
#include <memory>

#include "ui/DisplayPopoverView.h"
#include "ui/DisplayPopoverWidget.h"
#include "ui/components/PullDownMenu.h"

namespace corvane::testing {

inline QString describe(const DisplayModeInfo& m) {
    return QStringLiteral("%1:%2x%3(%4x%5)@%6/%7")
        .arg(m.id)
        .arg(m.width)
        .arg(m.height)
        .arg(m.pixelWidth)
        .arg(m.pixelHeight)
        .arg(m.refreshRate, 0, 'g', 17)
        .arg(m.ioFlags);
}

// Records every callback the panel fires, with its arguments.
struct CallbackLog {
    QStringList calls;

    DisplayPopoverView wire(DisplayPopoverView view) {
        view.onSelectDisplay = [this](DisplayId id) {
            calls << QStringLiteral("onSelectDisplay(%1)").arg(id);
        };
        view.onSelectMode = [this](const DisplayModeInfo& m, DisplayId id) {
            calls << QStringLiteral("onSelectMode(%1, %2)").arg(describe(m)).arg(id);
        };
        view.onSelectIconStyle = [this](MenuBarIconStyle style) {
            calls << QStringLiteral("onSelectIconStyle(%1)").arg(persistedWord(style));
        };
        view.onSetColorMode = [this](MenuBarColorMode mode) {
            calls << QStringLiteral("onSetColorMode(%1)").arg(persistedWord(mode));
        };
        view.onSetAnimateOnChange = [this](bool on) {
            calls << QStringLiteral("onSetAnimateOnChange(%1)").arg(on);
        };
        view.onSetAutoApply = [this](bool on) {
            calls << QStringLiteral("onSetAutoApply(%1)").arg(on);
        };
        view.onSetLoginItem = [this](bool on) {
            calls << QStringLiteral("onSetLoginItem(%1)").arg(on);
        };
        view.onRefresh = [this] { calls << QStringLiteral("onRefresh"); };
        view.onOpenSettings = [this] { calls << QStringLiteral("onOpenSettings"); };
        view.onCheckForUpdate = [this] { calls << QStringLiteral("onCheckForUpdate"); };
        view.onQuit = [this] { calls << QStringLiteral("onQuit"); };
        return view;
    }
};

// A panel shown on the offscreen screen, so that clicks and menus work.
inline std::unique_ptr<DisplayPopoverWidget> showPanel(const DisplayPopoverView& view,
                                                       Appearance appearance = Appearance::light) {
    auto panel = std::make_unique<DisplayPopoverWidget>(appearance);
    panel->setView(view);
    panel->move(40, 20);
    panel->show();
    (void)QTest::qWaitForWindowExposed(panel.get());
    return panel;
}

template <typename Widget = QWidget>
Widget* child(const QWidget& root, const char* name) {
    return root.findChild<Widget*>(QString::fromLatin1(name));
}

inline void clickCentre(QWidget* widget) {
    QTest::mouseClick(widget, Qt::LeftButton, {}, widget->rect().center());
}

// Opens a pull-down menu the way a user does, by clicking its face, and
// returns it while it is open.
inline PullDownMenu* openMenu(const QWidget& root, const char* face, const char* menu) {
    clickCentre(child(root, face));
    PullDownMenu* opened = child<PullDownMenu>(root, menu);
    return opened != nullptr && opened->isVisible() ? opened : nullptr;
}

// Clicks the menu's n-th entry with the mouse.
inline void clickEntry(PullDownMenu* menu, std::size_t index) {
    QAction* action = menu->actionAt(index);
    QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(action).center());
}

}  // namespace corvane::testing
