#pragma once

#include <QString>
#include <array>

namespace korvel
{

class ReplyText;
class Screen;

// Applies the user's rights as they arrive: "haklar" shows or hides the relay panel and the
// instantaneous view, "tblhaklar" enables each command control whose bit is set.
class UserRights final
{
public:
    explicit UserRights(Screen &screen) : m_screen(screen) {}

    // A new received chunk begins: a "haklar" field that is not a number counts as 0 again.
    void beginChunk() { m_viewRights = {0, 0}; }
    void handleViewRights(ReplyText &text);
    void handleCommandRights(ReplyText &text);

private:
    Screen &m_screen;
    std::array<qint32, 2> m_viewRights{};
};

} // namespace korvel
