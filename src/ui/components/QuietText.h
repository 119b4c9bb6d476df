#pragma once

#include <QFont>
#include <QString>
#include <QWidget>

#include "ui/MenuBarAppearance.h"

namespace corvane {

// One line of text in a fixed font and a named colour. Its size is the
// text's natural size; a truncating text may be narrowed by its layout and
// then ends in an ellipsis instead of wrapping.
class QuietText : public QWidget {
    Q_OBJECT

  public:
    QuietText(const QFont& font, ColorRole role, QWidget* parent = nullptr);

    void setText(const QString& text);
    const QString& text() const { return text_; }
    void setColor(ColorRole role, double opacity = 1.0);
    void setTruncating(bool truncating);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString text_;
    ColorRole role_;
    double opacity_ = 1.0;
    bool truncating_ = false;
};

}  // namespace corvane
