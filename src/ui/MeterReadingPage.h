#pragma once

#include <QWidget>

class QGroupBox;

namespace korvel
{

// The page "Sayaç Okuma": the meter reader's number, the reading buttons, the meter's index totals and
// tariff registers, the meter's period report and the readout text as it arrived.
class MeterReadingPage final : public QWidget
{
    Q_OBJECT
public:
    explicit MeterReadingPage(QWidget *parent = nullptr);

    // "Okunan Veriler": a readout memo, lime on black. Both meter pages show one.
    static QGroupBox *readoutPanel(QWidget *parent, const QString &memo);
    // A group of captioned displays on black, one row each: caption, display, unit.
    struct Display {
        const char *caption;
        const char *name;
        const char *unit;
        int digits;
    };
    static QGroupBox *displayGroup(QWidget *parent, const QString &caption,
                                   std::initializer_list<Display> displays, const QString &initial);
};

} // namespace korvel
