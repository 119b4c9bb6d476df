#pragma once

#include <QList>
#include <QWidget>

namespace corvane {

class QuietButton;

// A row of buttons that offer one choice among several (the icon styles,
// the colour swatches). Like a group of radio buttons it takes one Tab
// stop, on the selected button; the arrow keys move the focus along the
// row. Assistive technology reads it as one group under its accessible
// name.
class QuietButtonRow : public QWidget {
    Q_OBJECT

  public:
    QuietButtonRow(int spacing, QWidget* parent = nullptr);

    // Appends a button, sharing the row's width equally with the others.
    void addButton(QuietButton* button);
    const QList<QuietButton*>& buttons() const { return buttons_; }

    // Puts the Tab stop on the checked button (the first when none is);
    // to be called after the owner has changed which one is checked.
    void updateTabStop();

  protected:
    void keyPressEvent(QKeyEvent* event) override;

  private:
    QList<QuietButton*> buttons_;
};

}  // namespace corvane
