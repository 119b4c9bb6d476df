#pragma once

#include <QString>

#include "ui/components/QuietButton.h"

namespace corvane {

// The face of a pull-down menu: a symbol, a caption over the current value,
// and an up-down chevron at the trailing edge. Clicking it reports
// `clicked`; the owner opens the menu.
class QuietNavigationRow : public QuietButton {
    Q_OBJECT

  public:
    explicit QuietNavigationRow(QWidget* parent = nullptr);

    void setContent(const QString& systemName, const QString& title, const QString& value);
    const QString& systemName() const { return systemName_; }
    const QString& title() const { return title_; }
    const QString& value() const { return value_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    qreal focusRingRadius() const override;
    void paintEvent(QPaintEvent* event) override;

  private:
    QString systemName_;
    QString title_;
    QString value_;
};

}  // namespace corvane
