#include "ui/StatusLine.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

namespace korvel
{

namespace
{
QLabel *sunkenLabel(QWidget *parent)
{
    auto *label = new QLabel(parent);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    return label;
}
} // namespace

StatusLine::StatusLine(QWidget *parent) : QWidget(parent), m_simple(sunkenLabel(this))
{
    auto *rows = new QVBoxLayout(this);
    rows->setContentsMargins(2, 1, 2, 1);
    rows->setSpacing(1);
    rows->addWidget(m_simple);
    auto *panels = new QHBoxLayout;
    panels->setSpacing(2);
    rows->addLayout(panels);
    // The first panel keeps its designed width of 120; the second, designed 50 wide, takes the rest of
    // the row, so that a text longer than 50 pixels ("Bağlantı Hatası") is still read whole.
    m_panels[0] = sunkenLabel(this);
    m_panels[0]->setMinimumWidth(120);
    panels->addWidget(m_panels[0]);
    m_panels[1] = sunkenLabel(this);
    panels->addWidget(m_panels[1], 1);
}

QString StatusLine::simpleText() const
{
    return m_simple->text();
}

void StatusLine::setSimpleText(const QString &text)
{
    m_simple->setText(text);
}

QString StatusLine::panelText(int panel) const
{
    return panel >= 1 && panel <= 2 ? m_panels[panel - 1]->text() : QString();
}

void StatusLine::setPanelText(int panel, const QString &text)
{
    if (panel >= 1 && panel <= 2)
        m_panels[panel - 1]->setText(text);
}

} // namespace korvel
