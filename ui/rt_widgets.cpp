#include "rt_widgets.h"

#include <QLocale>
#include <QPainter>
#include <QRegularExpression>

#include <algorithm>
#include <cmath>

namespace uirt
{

QString NumericBox::textFromValue(double value) const
{
    return locale().toString(value, 'f', shownDecimals);
}

bool NumericBox::parse(const QString &text, double *value) const
{
    const QString t = text.trimmed();
    bool ok = false;
    double v = locale().toDouble(t, &ok);
    if (!ok)
        v = t.toDouble(&ok);
    if (ok && std::isfinite(v)) {
        *value = v;
        return true;
    }
    return false;
}

double NumericBox::valueFromText(const QString &text) const
{
    double v = 0.0;
    return parse(text, &v) ? std::clamp(v, minimum(), maximum()) : value();
}

QValidator::State NumericBox::validate(QString &text, int &) const
{
    double v = 0.0;
    if (parse(text, &v))
        return (v >= minimum() && v <= maximum()) ? QValidator::Acceptable : QValidator::Intermediate;
    static const QRegularExpression partial("^\\s*[-+]?[0-9]*[.,]?[0-9]*([eE][-+]?[0-9]*)?\\s*$");
    return partial.match(text).hasMatch() ? QValidator::Intermediate : QValidator::Invalid;
}

// A typed number outside the limits is brought to the nearest limit.
void NumericBox::fixup(QString &text) const
{
    double v = 0.0;
    if (parse(text, &v))
        text = textFromValue(std::clamp(v, minimum(), maximum()));
    else
        text = textFromValue(value());
}

void LedWidget::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const int d = std::max(4, std::min(width(), height()) - 4);
    const QRect circle(2, (height() - d) / 2, d, d);
    QColor fill = on ? onColor : offColor;
    if (!isEnabled())
        fill = fill.lighter(150);
    p.setPen(QPen(Qt::black, 1));
    p.setBrush(fill);
    p.drawEllipse(circle);
    if (!caption.isEmpty() && width() > d + 12) {
        p.setPen(palette().color(QPalette::WindowText));
        p.drawText(QRect(d + 8, 0, width() - d - 8, height()), Qt::AlignVCenter | Qt::AlignLeft, caption);
    }
}

} // namespace uirt
