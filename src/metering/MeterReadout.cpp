#include "metering/MeterReadout.h"

#include "core/AbortChunk.h"
#include "core/ClientState.h"
#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/ReplyText.h"
#include "metering/PeriodReports.h"
#include "metering/ReadoutCodes.h"

#include <utility>

namespace korvel
{

namespace
{
const QString meterMemo = QStringLiteral("Memo3");
const QString detailMemo = QStringLiteral("Memo5");
const QString untouchedIndex = QStringLiteral("00000000");
const QStringView tag = u"sayacal";
// The tag and the three characters after it.
constexpr qsizetype headerSize = 10;

const char *const indexDisplays[] = {"Rzsycakttop", "Rzsycindtop", "Rzsyckaptop",
                                     "RzsycT1",     "RzsycT2",     "RzsycT3"};
// The totals whose first "." becomes ",", in this order; the first three are then read as numbers.
const char *const totalDisplays[] = {"Rzsycakttop", "Rzsycindtop", "Rzsyckaptop",
                                     "tplaktif",    "tplinduktif", "tplkapasitif"};

QString name(const char *control)
{
    return QString::fromLatin1(control);
}
} // namespace

MeterReadout::MeterReadout(Screen &screen, ClientState &state, QObject *parent)
    : QObject(parent), m_screen(screen), m_state(state)
{
}

void MeterReadout::handleReadout(ReplyText &text)
{
    const QString device = m_screen.caption(QStringLiteral("Edit111"));
    m_screen.setCaption(QStringLiteral("LblMesaj"),
                        device + QStringLiteral(" Seri Nolu sayaç değerleri alınıyor. "));
    text.drop(headerSize);
    // A second header in the same chunk is cut out once; a third stays for the dispatcher.
    if (const qsizetype second = text.rest().indexOf(tag); second >= 0)
        text.removeAhead(second, headerSize);
    m_screen.setCaption(QStringLiteral("Label2"), device + QStringLiteral(" Nolu Sayaç Değerleri"));
    if (std::exchange(m_replaceText, false)) {
        m_screen.setCaption(meterMemo, QString());
        m_screen.setCaption(detailMemo, QString());
    }
    // The readout stays in the remaining text: a reply behind it is still found by the dispatcher.
    append(meterMemo, text.rest());
    append(detailMemo, text.rest());

    const QString meterText = m_screen.caption(meterMemo);
    const QString detailText = m_screen.caption(detailMemo);
    const bool complete =
        ReadoutCodes::extract(meterText, detailText, [this](const char *target, const QString &value) {
            m_screen.setCaption(name(target), value);
        });
    if (!complete)
        throw AbortChunk();
    commaStep();
}

void MeterReadout::append(const QString &memo, QStringView text)
{
    const QString current = m_screen.caption(memo);
    const qsizetype room = std::max<qsizetype>(0, memoLimit - current.size());
    if (room == 0 || text.isEmpty())
        return;
    QString grown = current;
    grown.append(text.left(room));
    m_screen.setCaption(memo, grown);
}

void MeterReadout::commaStep()
{
    // Until a capacitive total arrives the totals stay as the meter wrote them.
    if (m_screen.caption(QStringLiteral("Rzsyckaptop")) == untouchedIndex)
        return;
    for (const char *display : totalDisplays) {
        QString value = m_screen.caption(name(display));
        if (const qsizetype dot = value.indexOf(QLatin1Char('.')); dot >= 0) {
            value[dot] = QLatin1Char(',');
            m_screen.setCaption(name(display), value);
        }
    }
    const QChar separator = m_state.decimalSeparator;
    double totals[3] = {};
    for (int i = 0; i < 3; ++i) {
        const std::optional<double> total = parseDecimal(m_screen.caption(name(totalDisplays[i])), separator);
        if (!total)
            return;
        totals[i] = *total;
    }
    if (totals[0] == 0)
        return;
    m_screen.setCaption(QStringLiteral("indyuzde"), m_screen.caption(QStringLiteral("RzLEDsycinoran")));
    m_screen.setCaption(QStringLiteral("kapyuzde"), m_screen.caption(QStringLiteral("RzLEDsyckaporan")));
}

void MeterReadout::readoutRequested()
{
    m_replaceText = true;
}

void MeterReadout::reset()
{
    m_screen.setCaption(meterMemo, QString());
    m_screen.setCaption(detailMemo, QString());
    // The index displays go back to the marker that the comma step tests, every other display to empty.
    for (const ReadoutCodes::Row &row : ReadoutCodes::table)
        m_screen.setCaption(name(row.target), QString());
    for (const char *display : indexDisplays)
        m_screen.setCaption(name(display), untouchedIndex);
    m_screen.setCaption(QStringLiteral("indyuzde"), QString());
    m_screen.setCaption(QStringLiteral("kapyuzde"), QString());
    PeriodReports::clear(m_screen, PeriodReports::meterView);
}

} // namespace korvel
