#pragma once

#include "metering/PenaltyClass.h"

#include <QObject>

namespace korvel
{

class Environment;
class ReplyText;
class Screen;
struct ClientState;

// The period reports ("reaktifenerji" of the analyzer for the consumption view, "tedassycal" of the
// meter for the meter reading view): the six totals, the inductive and capacitive ratios and their
// penalty classes. Also the meter's last totals ("Sycdegerleri") for the consumption view.
class PeriodReports final : public QObject
{
    Q_OBJECT
public:
    // The controls of one view's report and how it classifies.
    struct View {
        const char16_t *tag;
        const char *arrivalTime;
        const char *firstDate;
        const char *secondDate;
        // Active, inductive and capacitive totals: first date, second date each.
        const char *totals[6];
        const char *inductiveRatio;
        const char *capacitiveRatio;
        const char *inductiveStatus;
        const char *capacitiveStatus;
        RatioRounding rounding;
    };
    static const View analyzerView;
    static const View meterView;

    PeriodReports(Screen &screen, Environment &environment, ClientState &state, QObject *parent = nullptr);

    void handleReport(ReplyText &text, const View &view);
    void handleMeterTotals(ReplyText &text);

    // Empties a view's report: totals, ratios and status labels.
    static void clear(Screen &screen, const View &view);

private:
    // The steps that one value that is not a number ends; false when one did.
    bool show(const View &view, const QString (&fields)[9]);
    bool showClass(const char *label, double ratio, const PenaltyLimits &limits, RatioRounding rounding);

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
};

} // namespace korvel
