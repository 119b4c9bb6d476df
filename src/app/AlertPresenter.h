#pragma once

#include <QString>

namespace corvane {

// Shows the user why an action of theirs failed and waits until they have
// read it.
class AlertPresenter {
  public:
    virtual ~AlertPresenter() = default;
    virtual void showWarning(const QString& title, const QString& text) = 0;
};

// A modal warning box with one "확인" button.
class MessageBoxAlertPresenter : public AlertPresenter {
  public:
    void showWarning(const QString& title, const QString& text) override;
};

}  // namespace corvane
