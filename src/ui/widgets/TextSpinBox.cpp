#include "ui/widgets/TextSpinBox.h"

#include <QLineEdit>
#include <algorithm>
#include <cmath>

namespace korvel
{

TextSpinBox::TextSpinBox(QWidget *parent) : QAbstractSpinBox(parent)
{
    connect(lineEdit(), &QLineEdit::textChanged, this, &TextSpinBox::textChanged);
    setValue(m_minimum);
}

void TextSpinBox::setRange(double minimum, double maximum)
{
    m_minimum = minimum;
    m_maximum = std::max(minimum, maximum);
}

void TextSpinBox::setText(const QString &text)
{
    lineEdit()->setText(text);
}

void TextSpinBox::setValue(double value)
{
    setText(QString::number(value, 'f', m_decimals));
}

double TextSpinBox::current() const
{
    bool ok = false;
    const double value = text().trimmed().toDouble(&ok);
    return ok && std::isfinite(value) ? value : m_minimum;
}

void TextSpinBox::stepBy(int steps)
{
    setValue(std::clamp(current() + steps * m_step, m_minimum, m_maximum));
    selectAll();
}

QValidator::State TextSpinBox::validate(QString &, int &) const
{
    return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled TextSpinBox::stepEnabled() const
{
    const double value = current();
    StepEnabled enabled = StepNone;
    if (value < m_maximum)
        enabled |= StepUpEnabled;
    if (value > m_minimum)
        enabled |= StepDownEnabled;
    return enabled;
}

} // namespace korvel
