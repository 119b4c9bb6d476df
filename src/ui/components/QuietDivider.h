#pragma once

#include <QWidget>

namespace corvane {

// A one-pixel separator line across the full width.
class QuietDivider : public QWidget {
    Q_OBJECT

  public:
    explicit QuietDivider(QWidget* parent = nullptr);

  protected:
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace corvane
