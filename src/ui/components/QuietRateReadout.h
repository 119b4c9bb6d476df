#pragma once

#include <QString>
#include <QWidget>

namespace corvane {

// The large rate number with a small "Hz" after it, on one baseline.
class QuietRateReadout : public QWidget {
    Q_OBJECT

  public:
    explicit QuietRateReadout(QWidget* parent = nullptr);

    // `spoken` is what assistive technology reads instead of the digits.
    void setNumber(const QString& number, const QString& spoken);
    const QString& number() const { return number_; }

    QSize sizeHint() const override;

  protected:
    void paintEvent(QPaintEvent* event) override;

  private:
    QString number_;
};

}  // namespace corvane
