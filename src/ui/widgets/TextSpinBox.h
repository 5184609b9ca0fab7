#pragma once

#include <QAbstractSpinBox>

namespace korvel
{

// A spin box whose text the user may type freely. The range, step and decimals bind the arrows and the
// arrow keys only: a typed value outside the range, or a text that is no number at all, stays as typed,
// and whoever reads the box decides what that text means. Numbers are shown and read with the decimal
// mark of the user's locale and no grouping, so the arrows step from the text as the user reads it.
class TextSpinBox final : public QAbstractSpinBox
{
    Q_OBJECT
public:
    explicit TextSpinBox(QWidget *parent = nullptr);

    void setRange(double minimum, double maximum);
    void setSingleStep(double step) { m_step = step; }
    void setDecimals(int decimals) { m_decimals = decimals; }
    double minimum() const { return m_minimum; }
    double maximum() const { return m_maximum; }
    double singleStep() const { return m_step; }

    // Replaces the text as if typed; textChanged follows.
    void setText(const QString &text);
    // Shows a number with the box's decimals.
    void setValue(double value);

    void stepBy(int steps) override;

Q_SIGNALS:
    void textChanged(const QString &text);

protected:
    QValidator::State validate(QString &input, int &pos) const override;
    StepEnabled stepEnabled() const override;

private:
    // The text as a number, or the minimum when it is none.
    double current() const;
    QChar decimalMark() const;

    double m_minimum = 0;
    double m_maximum = 99;
    double m_step = 1;
    int m_decimals = 0;
};

} // namespace korvel
