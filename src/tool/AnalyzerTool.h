#pragma once

#include <QByteArray>
#include <QObject>
#include <deque>

namespace korvel
{

class DeviceValueTable;
class Environment;
class Screen;
class SerialPort;
class Ticker;
struct ClientState;

// The serial side of the tool window TVD1KAL: register read ("Oku") and write requests in Modbus RTU
// frames, and the bytes that come back, collected as dump text in the table's receiveText.
//
// After each send the tool pauses (800 ms after a read, 1000 ms after a write) on a timer instead of
// sleeping, so the rest of the client keeps running. The tool's own events that come meanwhile, its
// buttons and the port's receive notifications, wait for the pause and then run in their order; each
// notification then reads the bytes that had arrived by its time, as it would have after a sleep.
//
// A complete read reply (address and function as asked, byte count, data, CRC that checks) is decoded
// into row 1 from the register asked for, as a register dump would be; anything else is only
// collected.
class AnalyzerTool final : public QObject
{
    Q_OBJECT
public:
    AnalyzerTool(Screen &screen, Environment &environment, const ClientState &state, DeviceValueTable &table,
                 SerialPort &port, QObject *parent = nullptr);

    // Button1 "Oku": the read frame from Edit1, Edit2 and Edit3.
    void readClicked();
    // Button2: the write frame from Edit2 and b1 to b4.
    void writeClicked();

    bool isPausing() const;

    // Longest receiveText kept: far beyond any reply, so a line that never stops talking cannot fill the
    // memory. Bytes past it are still shown as received, but not collected.
    static constexpr qsizetype MaxReceiveText = 64 * 1024;

private:
    enum class Step { Read, Write, Receive };
    struct Deferred {
        Step step;
        qint64 count; // bytes of a receive notification
    };

    void run(const Deferred &deferred);
    void defer(Step step, qint64 count = 0);
    void onPauseEnded(Ticker *pause);
    void sendRead();
    void sendWrite();
    bool reopenPort();
    void send();
    void onReadyRead();
    void receive(qint64 count);
    void collectReply(const QByteArray &bytes);

    Screen &m_screen;
    const ClientState &m_state;
    DeviceValueTable &m_table;
    SerialPort &m_port;
    Ticker *m_readPause;
    Ticker *m_writePause;
    QByteArray m_frame;
    std::deque<Deferred> m_deferred;
    // Received bytes that deferred notifications have claimed.
    qint64 m_claimed = 0;

    // The reply to the last read request, while it may still come.
    bool m_awaitingReply = false;
    quint8 m_replyAddress = 0;
    quint8 m_replyStart = 0;
    int m_cursorAtSend = 0;
    QByteArray m_reply;
};

} // namespace korvel
