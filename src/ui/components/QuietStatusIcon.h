#pragma once

#include <QString>
#include <QWidget>

#include "ui/MenuBarAppearance.h"

namespace corvane {

// A symbol on a softly tinted rounded square, 46 × 46.
class QuietStatusIcon : public QWidget {
    Q_OBJECT

  public:
    explicit QuietStatusIcon(QWidget* parent = nullptr);

    void setContent(const QString& systemName, ColorRole tint);
    const QString& systemName() const { return systemName_; }
    ColorRole tint() const { return tint_; }

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString systemName_;
    ColorRole tint_ = ColorRole::systemBlue;
};

}  // namespace corvane
