#pragma once

#include <QWidget>

class QLabel;

namespace korvel
{

// A status line with a simple text and two panels. Both kinds of text stay readable whole: the simple
// text has the full width on a row of its own, the two panels share the row below it.
class StatusLine final : public QWidget
{
    Q_OBJECT
public:
    explicit StatusLine(QWidget *parent = nullptr);

    QString simpleText() const;
    void setSimpleText(const QString &text);
    QString panelText(int panel) const;
    void setPanelText(int panel, const QString &text);

private:
    QLabel *m_simple;
    QLabel *m_panels[2];
};

} // namespace korvel
