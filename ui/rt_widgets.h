// Small widgets of the runtime's controls: a numeric box that shows its
// precision without rounding the value it holds, and a LED.
#pragma once

#include <QColor>
#include <QDoubleSpinBox>
#include <QString>
#include <QWidget>

namespace uirt
{

class NumericBox : public QDoubleSpinBox
{
  public:
    explicit NumericBox(QWidget *parent = nullptr) : QDoubleSpinBox(parent) {}
    int shownDecimals = 2;

  protected:
    QString textFromValue(double value) const override;
    double valueFromText(const QString &text) const override;
    QValidator::State validate(QString &text, int &pos) const override;
    void fixup(QString &text) const override;

  private:
    bool parse(const QString &text, double *value) const;
};

class LedWidget : public QWidget
{
  public:
    explicit LedWidget(QWidget *parent = nullptr) : QWidget(parent) {}
    bool on = false;
    QColor onColor = QColor(0x00, 0xC0, 0x00);
    QColor offColor = QColor(0x40, 0x40, 0x40);
    QString caption;

  protected:
    void paintEvent(QPaintEvent *event) override;
};

} // namespace uirt
