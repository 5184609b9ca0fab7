#include "metering/MeterRequests.h"

#include "core/ClientState.h"
#include "core/Environment.h"
#include "core/Screen.h"
#include "link/Connection.h"
#include "link/MessageFramer.h"
#include "metering/MeterReadout.h"
#include "metering/PeriodReports.h"
#include "values/DeviceValueTable.h"

#include <QLocale>

namespace korvel
{

namespace
{
QString deviceNumber(const Screen &screen)
{
    return screen.caption(QStringLiteral("Edit111"));
}
} // namespace

MeterRequests::MeterRequests(Screen &screen, Environment &environment, ClientState &state,
                             DeviceValueTable &table, Connection &connection, MeterReadout &readout,
                             QObject *parent)
    : QObject(parent), m_screen(screen), m_environment(environment), m_state(state), m_table(table),
      m_connection(connection), m_readout(readout)
{
}

void MeterRequests::readMeter()
{
    read(QStringLiteral("tdshyr"), QStringLiteral("kythyr"));
}

void MeterRequests::utilityReading()
{
    // Nothing could be sent: no question.
    if (!m_connection.isLinkUp()) {
        m_screen.setCaption(QStringLiteral("LblGiden"), Connection::notConnectedText());
        return;
    }
    // The lines are separated by LF CR, in this order.
    const QString separator = QStringLiteral("\n\r");
    const QString question = QStringLiteral("DİKKAT") + separator + QStringLiteral("Tedaş Okuma Kaydı ?") +
                             separator + QStringLiteral("Evet tıklanırsa Kayıt işlemi gerçekleşir") +
                             separator +
                             QStringLiteral("Hayır tıklanırsa Sadece Okuma yapılır ve oranlar tespit edilir");
    // The question names the device that records, as every question before something is sent.
    const bool record =
        m_environment.ask(QStringLiteral("Cihaz: ") + deviceNumber(m_screen).trimmed() + u'\n' + question);
    read(QStringLiteral("tdsEvt"), record ? QStringLiteral("kytevt") : QStringLiteral("kythyr"));
}

void MeterRequests::read(const QString &utility, const QString &record)
{
    // No data reply reads this kind: an "enerjial" that arrives now is not taken for an earlier request's.
    m_state.pendingKind = QStringLiteral("sayac");
    m_table.setSlotCursor(0);
    m_connection.send(
        MessageFramer::request(QStringLiteral("sayac"), {deviceNumber(m_screen), utility, record}));
    m_screen.setCaption(QStringLiteral("LblGiden"),
                        QStringLiteral("Sayaç okuma isteği gönderildi.Lütfen bekleyin..."));
    m_screen.setCaption(QStringLiteral("LblMesaj"), QString());
    m_readout.reset();
}

bool MeterRequests::datesInOrder(const char *firstPicker, const char *secondPicker)
{
    // The pickers show the user's short date format; both are read the same way, so their order holds.
    const QLocale locale;
    const QDate first =
        locale.toDate(m_screen.caption(QString::fromLatin1(firstPicker)), QLocale::ShortFormat);
    const QDate last =
        locale.toDate(m_screen.caption(QString::fromLatin1(secondPicker)), QLocale::ShortFormat);
    if (!first.isValid() || !last.isValid() || first <= last)
        return true;
    m_environment.showError(
        QStringLiteral("İlk tarih son tarihten sonra olamaz. Hiçbir istek gönderilmedi."));
    return false;
}

void MeterRequests::sendPeriodRequest(const QString &verb, const char *firstPicker, const char *secondPicker)
{
    // A picker's caption is its date in the user's short date format.
    m_connection.send(MessageFramer::request(verb, {deviceNumber(m_screen),
                                                    m_screen.caption(QString::fromLatin1(firstPicker)),
                                                    m_screen.caption(QString::fromLatin1(secondPicker))}));
}

void MeterRequests::meterPeriodReport()
{
    if (!datesInOrder("dtsycilktarih", "dtsycsontarih"))
        return;
    if (!deviceNumber(m_screen).isEmpty())
        sendPeriodRequest(QStringLiteral("sycreaktfener"), "dtsycilktarih", "dtsycsontarih");
    PeriodReports::clear(m_screen, PeriodReports::meterView);
}

void MeterRequests::analyzerPeriodReport()
{
    if (!datesInOrder("DateTimePicker1", "DateTimePicker2"))
        return;
    if (!deviceNumber(m_screen).isEmpty())
        sendPeriodRequest(QStringLiteral("reaktifener"), "DateTimePicker1", "DateTimePicker2");
}

} // namespace korvel
