#include "metering/PeriodReports.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/ReplyText.h"
#include "metering/ReactiveRatios.h"
#include "values/NumberFormat.h"

#include <QLocale>

namespace korvel
{

namespace
{
QString name(const char *control)
{
    return QString::fromLatin1(control);
}

// The long time format of the user's locale, without a time zone.
QString timeOfDay(const QDateTime &now)
{
    QString format = QLocale().timeFormat(QLocale::LongFormat);
    format.remove(QStringLiteral(" t")).remove(QLatin1Char('t'));
    return QLocale().toString(now.time(), format.trimmed());
}

const char16_t *const twoDecimals = u"0.00";
} // namespace

const PeriodReports::View PeriodReports::analyzerView = {
    u"reaktifenerji", "Edit4",   "Edit222",  "Edit333",  {"ak1", "ak2", "in1", "in2", "kap1", "kap2"},
    "indoran",        "kaporan", "inddurum", "Kapdurum", RatioRounding::asComputed};

const PeriodReports::View PeriodReports::meterView = {
    u"tedassycal",
    "Edit6",
    "Edit2",
    "Edit3",
    {"RzLEDak1", "RzLEDak2", "RzLEDin1", "RzLEDin2", "RzLEDkap1", "RzLEDkap2"},
    "RzLEDsycinoran",
    "RzLEDsyckaporan",
    "lblsycindurum",
    "lblsyckapdurum",
    RatioRounding::nearestWhole};

PeriodReports::PeriodReports(Screen &screen, Environment &environment, ClientState &state, QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state)
{
}

void PeriodReports::handleReport(ReplyText &text, const View &view)
{
    text.drop(QStringView(view.tag).size() + 1);
    QString fields[9];
    for (QString &field : fields)
        field = text.takeField();
    text.drop(1);
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        fields[0] + QStringLiteral(" Cihazının ") + fields[1] + QStringLiteral(" ve ") +
                            fields[2] + QStringLiteral(" tarihleri arası Enerji bilgileri alınıyor. "));
    // A value that is not a number ends the report quietly; the reply is consumed either way.
    show(view, fields);
}

bool PeriodReports::show(const View &view, const QString (&fields)[9])
{
    const QChar separator = m_state.decimalSeparator;
    m_screen.setCaption(name(view.arrivalTime), timeOfDay(m_environment.now()));
    m_screen.setCaption(name(view.firstDate), fields[1]);
    m_screen.setCaption(name(view.secondDate), fields[2]);

    QString values[6];
    for (int i = 0; i < 6; ++i) {
        values[i] = fields[3 + i];
        const std::optional<double> total = parseDecimal(values[i], separator);
        if (!total)
            return false;
        m_screen.setCaption(name(view.totals[i]), formatMask(*total, twoDecimals, separator));
    }
    for (QString &value : values)
        value.replace(QLatin1Char(','), separator);

    PeriodTotals totals;
    long double *const order[6] = {&totals.activeFirst,     &totals.activeSecond,
                                   &totals.inductiveFirst,  &totals.inductiveSecond,
                                   &totals.capacitiveFirst, &totals.capacitiveSecond};
    for (int i = 0; i < 6; ++i) {
        const std::optional<long double> total = parseExtended(values[i], separator);
        if (!total)
            return false;
        *order[i] = *total;
    }
    const std::optional<ReactiveRatios> ratios = ReactiveRatios::compute(totals);
    if (!ratios)
        return false;
    m_screen.setCaption(name(view.inductiveRatio), formatMask(ratios->inductive, twoDecimals, separator));
    m_screen.setCaption(name(view.capacitiveRatio), formatMask(ratios->capacitive, twoDecimals, separator));
    return showClass(view.inductiveStatus, ratios->inductive, inductiveLimits, view.rounding) &&
           showClass(view.capacitiveStatus, ratios->capacitive, capacitiveLimits, view.rounding);
}

bool PeriodReports::showClass(const char *label, double ratio, const PenaltyLimits &limits,
                              RatioRounding rounding)
{
    const std::optional<PenaltyClass> penalty = classifyRatio(ratio, limits, rounding);
    if (!penalty)
        return false;
    m_screen.setCaption(name(label), penaltyText(*penalty));
    m_screen.setColour(name(label), penaltyColour(*penalty));
    return true;
}

void PeriodReports::handleMeterTotals(ReplyText &text)
{
    text.drop(QStringLiteral("Sycdegerleri").size() + 1);
    for (const char *display : {"SayacAktif", "Sayacind", "SayacKap"})
        m_screen.setCaption(name(display), text.takeField());
}

void PeriodReports::clear(Screen &screen, const View &view)
{
    for (const char *total : view.totals)
        screen.setCaption(name(total), QString());
    for (const char *control :
         {view.inductiveRatio, view.capacitiveRatio, view.inductiveStatus, view.capacitiveStatus})
        screen.setCaption(name(control), QString());
}

} // namespace korvel
