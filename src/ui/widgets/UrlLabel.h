#pragma once

#include "core/Screen.h"

#include <QAbstractButton>

namespace korvel
{

// A link drawn as underlined text: in its unvisited colour until it is clicked, in its visited colour
// from then on.
class UrlLabel final : public QAbstractButton
{
    Q_OBJECT
public:
    explicit UrlLabel(const QString &text, QWidget *parent = nullptr);

    Colour unvisitedColour() const { return m_unvisited; }
    void setUnvisitedColour(Colour colour);
    Colour visitedColour() const { return m_visited; }
    void setVisitedColour(Colour colour);
    bool isVisited() const { return m_isVisited; }
    // The colour the text is drawn in now.
    Colour shownColour() const { return m_isVisited ? m_visited : m_unvisited; }

    QSize sizeHint() const override;
    // A caption wider than the strip wraps onto more lines.
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Colour m_unvisited = colours::lime;
    Colour m_visited = colours::red;
    bool m_isVisited = false;
};

} // namespace korvel
