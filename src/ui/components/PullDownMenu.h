#pragma once

#include <QMenu>
#include <QString>
#include <cstddef>
#include <functional>
#include <utility>
#include <vector>

namespace corvane {

// One line of a pull-down menu.
struct MenuEntry {
    enum class Kind { button, toggle, line, separator };
    Kind kind = Kind::button;
    QString title;
    bool enabled = true;
    bool checked = false;      // toggles only
    bool destructive = false;  // shown in red, as an action that cannot be undone

    static MenuEntry button(QString title, bool enabled = true) {
        return {Kind::button, std::move(title), enabled, false};
    }
    static MenuEntry destructiveButton(QString title) {
        return {Kind::button, std::move(title), true, false, true};
    }
    static MenuEntry toggle(QString title, bool checked) {
        return {Kind::toggle, std::move(title), true, checked};
    }
    // A line that cannot be chosen.
    static MenuEntry line(QString title) { return {Kind::line, std::move(title), false, false}; }
    static MenuEntry separator() { return {Kind::separator, QString(), false, false}; }

    bool operator==(const MenuEntry&) const = default;
};

// A pull-down menu whose entries are identified by position. New entries
// replace the actions only when they differ from the shown ones, so a menu
// that is open while the panel refreshes does not flicker or lose the
// highlighted entry. Choosing an entry calls `onChoose` with its position;
// a toggle keeps showing its old state until new entries say otherwise.
// It is drawn in the named colours of the appearance its anchor paints
// with, read at every paint, so an open menu follows a change of it.
class PullDownMenu : public QMenu {
    Q_OBJECT

  public:
    enum class Edge { leading, trailing };

    explicit PullDownMenu(QWidget* anchor);

    void setEntries(std::vector<MenuEntry> entries, std::function<void(std::size_t)> onChoose);
    const std::vector<MenuEntry>& entries() const { return entries_; }
    // The action showing entry `index`, or null.
    QAction* actionAt(std::size_t index) const;

    // Opens the menu under its anchor, lined up with the anchor's leading or
    // trailing edge.
    void popUp(Edge edge);

  private:
    void rebuild();
    void choose(std::size_t index);

    QWidget* anchor_;
    std::vector<MenuEntry> entries_;
    std::vector<QAction*> actions_;
    std::function<void(std::size_t)> onChoose_;
};

}  // namespace corvane
