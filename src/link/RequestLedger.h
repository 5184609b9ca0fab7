#pragma once

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <deque>
#include <optional>

namespace korvel
{

// The kinds of data a device sends, asked for or not.
enum class DataKind {
    Instantaneous, // "enertum", "cosfi": the register dump of the instantaneous values
    Consumption,   // "enerharcanan"
    Capacitors,    // "kondasatordurum"
    Settings,      // "sabitiste"
    Harmonics,     // "harmonikbir", "harmonikiki", "harmonikuc"
    RelayValues,   // "AARdegerlerioku", answered by "akimdegerleri"
    MeterReadout,  // "sayac", answered by "sayacal"
    PeriodReport,  // "reaktifener", "sycreaktfener"
    ValueRecord,   // "cihazenerji", sent unasked
    OffLine,       // "Hattayok"
    InputNotice,   // "input"
};
inline constexpr int dataKindCount = int(DataKind::InputNotice) + 1;

// Data of one device that was read: of which kind, for which serial number, when, and where in the
// value table it landed (row 0: not in the table; slots firstSlot up to, not including, endSlot).
struct Arrival {
    DataKind kind = DataKind::Instantaneous;
    QString serial;
    QDateTime time;
    int row = 0;
    int firstSlot = 0;
    int endSlot = 0;
    // It answers a request the client made by itself to keep a view fresh (after a reconnect, or the
    // automatic refresh), not one the user made: what the user typed or toggled meanwhile stays.
    bool refill = false;
    // Requests of this kind were awaited for more than one device when it came: a reply that does not
    // name its device cannot be told apart. It is shown as the pending kind reads it, and filed nowhere.
    bool ambiguous = false;
    // The reply named its device itself (a relay's serial field, a value record): never ambiguous.
    bool named = false;
};

// The one record of what was asked of whom and what came back. Every request that expects data is
// noted as it goes out (its kind, the serial number it carries, the time); the reply handlers announce
// each arrival once. Whatever needs to know which device a reply belongs to (history, the age of the
// data, dimming, the restore after a reconnect, the questions before a command, alarms, the overview)
// reads it here instead of working it out from the screen.
//
// A reply answers the newest request of its kind: the server answers one request of a device after the
// other, and the views read a reply by the one kind that is pending. While requests of one kind are
// awaited for two devices (a click on another device before the first one's answer came), the next
// reply of that kind may be either's: it is announced as ambiguous, and answers the oldest.
class RequestLedger final : public QObject
{
    Q_OBJECT
public:
    struct Request {
        DataKind kind = DataKind::Instantaneous;
        QString serial;
        QDateTime time;
        bool refill = false;
        // The data bytes of the register dump that answers it; 0 for replies of their own tag.
        int dumpBytes = 0;
    };
    // How long a request waits for its answer before it counts as unanswered.
    static constexpr int answerMs = 15000;

    explicit RequestLedger(QObject *parent = nullptr);

    // The kind of data a request verb asks for; none for commands, writes, pings and logins.
    static std::optional<DataKind> kindOfRequest(QStringView verb);

    // A message went out on the link; a request for data is noted.
    void noteSent(const QString &message, const QDateTime &time);
    // The requests sent until setRefilling(false) are the client's own refills.
    void setRefilling(bool refilling) { m_refilling = refilling; }
    // The newest request of a kind, if any was made.
    std::optional<Request> lastRequest(DataKind kind) const;
    // The serial number the newest request of a kind was sent for; `fallback` when none was (a reply
    // to a request of an earlier link, or one that came unasked).
    QString serialAsked(DataKind kind, const QString &fallback = {}) const;
    // A request of this kind went out less than answerMs before `now` and nothing of its kind came
    // back for its serial since.
    bool isAwaited(DataKind kind, const QDateTime &now) const;

    // A register dump of `byteCount` data bytes came while `pending` is the kind that reads it. It is
    // the answer to another awaited request, not to the pending one, when its size is that other
    // request's and not the pending one's (a click on another view or device before the first reply
    // came): that request is answered, and true tells the caller not to read the dump as `pending`.
    bool answersAnotherRequest(int byteCount, DataKind pending, const QDateTime &now);

    // Data was read; every watcher hears of it once.
    void announce(const Arrival &arrival);
    // When data of this kind last arrived for this serial number; invalid when it never did.
    QDateTime lastArrival(DataKind kind, const QString &serial) const;
    // Forgets the requests (a new link starts with none outstanding); arrivals stay.
    void forgetRequests();

Q_SIGNALS:
    void requested(const korvel::RequestLedger::Request &request);
    void arrived(const korvel::Arrival &arrival);

private:
    std::optional<Request> m_last[dataKindCount];
    // Whether the newest request of each kind was answered.
    bool m_answered[dataKindCount] = {};
    // The requests of each kind still awaited, oldest first.
    std::deque<Request> m_awaited[dataKindCount];
    bool m_refilling = false;
    QHash<QString, QDateTime> m_arrivals[dataKindCount];
};

} // namespace korvel
