#include "directory/UserRights.h"

#include "core/NumberText.h"
#include "core/Screen.h"
#include "link/ReplyText.h"

namespace korvel
{

namespace
{
// Which bit of which "tblhaklar" field enables which command controls.
struct CommandRight {
    int field; // 1..6
    int bit;
    std::initializer_list<const char *> controls;
};

const CommandRight commandRights[] = {
    {1, 1, {"VrShadowButton4", "VrShadowButton10"}},
    {2, 1, {"VrShadowButton8"}},
    {2, 2, {"VrShadowButton9"}},
    {3, 1, {"VrShadowButton5"}},
    {3, 2, {"VrShadowButton6"}},
    {3, 4, {"VrShadowButton7"}},
    {4, 1, {"BitBtn1"}},
    {4, 2, {"BitBtn2"}},
    {5, 1, {"Button17", "Button13"}},
    {5, 2, {"Button9"}},
    {5, 4, {"Button10"}},
    {5, 8, {"Button11"}},
    {5, 16, {"Button12", "Button14", "Button15", "Button16"}},
    {5, 32, {"konmodgonder"}},
    {5, 64, {"btnreset"}},
    {5, 128, {"sabitoku"}},
    {6, 1, {"VrShadowButton11"}},
    {6, 2, {"VrShadowButton13"}},
    {6, 4, {"VrShadowButton12"}},
};
} // namespace

void UserRights::handleViewRights(ReplyText &text)
{
    text.drop(QStringLiteral("haklar").size() + 1);
    for (qint32 &right : m_viewRights) {
        if (auto value = parseInt32(text.takeField()))
            right = *value;
    }
    const qint32 views = m_viewRights[0];
    m_screen.setVisible(QStringLiteral("Panel30"), views & 2);
    m_screen.setVisible(QStringLiteral("Panel7"), views & 1);
}

void UserRights::handleCommandRights(ReplyText &text)
{
    text.drop(QStringLiteral("tblhaklar").size() + 1);
    std::array<qint32, 6> fields{};
    for (qint32 &field : fields) {
        const auto value = parseInt32(text.peekField());
        // A bad field and what follows it stay for the skipping rule; no control changes.
        if (!value)
            return;
        field = *value;
        text.takeField();
    }
    for (const CommandRight &right : commandRights) {
        const bool enabled = fields[size_t(right.field - 1)] & right.bit;
        for (const char *control : right.controls)
            m_screen.setEnabled(QString::fromLatin1(control), enabled);
    }
}

} // namespace korvel
