#pragma once

#include <QAbstractButton>
#include <QAccessible>

namespace corvane {

// Base of the panel's custom-drawn buttons. A button never changes its own
// checked state: it shows what the current view value says, and a click only
// reports the wish to the owner.
//
// Buttons are reached with Tab and Shift-Tab, never by a click, and press
// with Space or Enter. While the keyboard moves the focus the focused button
// wears a ring in the accent colour along its outline.
class QuietButton : public QAbstractButton {
    Q_OBJECT

  public:
    explicit QuietButton(QWidget* parent = nullptr);

    // What assistive technology calls the button: a plain button unless
    // set otherwise.
    QAccessible::Role accessibleRole() const { return accessibleRole_; }
    void setAccessibleRole(QAccessible::Role role) { accessibleRole_ = role; }

  protected:
    void nextCheckState() override {}
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // Opacity of the face: pressed buttons dim, as plain buttons do.
    double faceOpacity() const;
    // Corner radius of the outline the focus ring follows.
    virtual qreal focusRingRadius() const;

  private:
    bool showsFocusRing() const;

    QAccessible::Role accessibleRole_ = QAccessible::Button;
};

}  // namespace corvane
