#pragma once

#include <QObject>

namespace korvel
{

class ReplyText;
class Screen;
struct ClientState;

// The "sayacal" replies: the meter's readout text, accumulated in the two memos until the next reset,
// and the values its codes give on the meter reading and meter detail views.
class MeterReadout final : public QObject
{
    Q_OBJECT
public:
    // A memo keeps at most this many characters; a real readout is a few thousand. Text past the bound
    // is not appended: the values come from the first occurrence of each code, at the front.
    static constexpr qsizetype memoLimit = 512 * 1024;

    MeterReadout(Screen &screen, ClientState &state, QObject *parent = nullptr);

    void handleReadout(ReplyText &text);
    // Both meter views back to their empty state: a new readout begins.
    void reset();
    // A readout was asked for again without emptying the views (after a reconnect): what is shown
    // stays until the new readout's first reply replaces the text it was read from.
    void readoutRequested();

private:
    void append(const QString &memo, QStringView text);
    void commaStep();

    Screen &m_screen;
    ClientState &m_state;
    bool m_replaceText = false;
};

} // namespace korvel
