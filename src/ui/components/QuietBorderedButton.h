#pragma once

#include <QString>

#include "ui/components/QuietButton.h"

namespace corvane {

// A small bordered push button with a symbol before its title.
class QuietBorderedButton : public QuietButton {
    Q_OBJECT

  public:
    QuietBorderedButton(const QString& systemName, const QString& title, QWidget* parent = nullptr);

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString systemName_;
};

}  // namespace corvane
