#include "ui/widgets/TextSpinBox.h"

#include <QLineEdit>
#include <QLocale>
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

QChar TextSpinBox::decimalMark() const
{
    return QLocale().decimalPoint().at(0);
}

void TextSpinBox::setValue(double value)
{
    setText(QString::number(value, 'f', m_decimals).replace(u'.', decimalMark()));
}

double TextSpinBox::current() const
{
    QString shown = text().trimmed();
    // Read in the user's mark only: a '.' where the mark is ',' is no number here.
    if (decimalMark() != u'.') {
        if (shown.contains(u'.'))
            return m_minimum;
        shown.replace(decimalMark(), u'.');
    }
    bool ok = false;
    const double value = shown.toDouble(&ok);
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
