#pragma once

#include <QObject>

namespace korvel
{

class Connection;
class DeviceValueTable;
class Environment;
class MeterReadout;
class Screen;
struct ClientState;

// The requests for meter data: a meter reading (plain, or for the utility, recorded or only
// evaluated) and the period reports of the meter and of the analyzer between two dates.
class MeterRequests final : public QObject
{
    Q_OBJECT
public:
    MeterRequests(Screen &screen, Environment &environment, ClientState &state, DeviceValueTable &table,
                  Connection &connection, MeterReadout &readout, QObject *parent = nullptr);

    // "Sayaç Oku".
    void readMeter();
    // "Tedaş Okuma": "Evet" records the utility's reading, any other answer only reads and evaluates.
    void utilityReading();
    // "Tarih Arası Oranları Hesapla".
    void meterPeriodReport();
    // "İki Tarih Arası Oranları Hesapla".
    void analyzerPeriodReport();

private:
    void read(const QString &utility, const QString &record);
    // False, after telling the user, when the first date of a range lies after the last.
    bool datesInOrder(const char *firstPicker, const char *secondPicker);
    void sendPeriodRequest(const QString &verb, const char *firstPicker, const char *secondPicker);

    Screen &m_screen;
    Environment &m_environment;
    ClientState &m_state;
    DeviceValueTable &m_table;
    Connection &m_connection;
    MeterReadout &m_readout;
};

} // namespace korvel
