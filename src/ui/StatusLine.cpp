#include "ui/StatusLine.h"

#include <QHBoxLayout>
#include <QLabel>

namespace korvel
{

StatusLine::StatusLine(QWidget *parent) : QWidget(parent), m_simple(new QLabel(this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(2, 1, 2, 1);
    layout->setSpacing(2);
    layout->addWidget(m_simple, 1);
    const int widths[2] = {120, 50};
    for (int i = 0; i < 2; ++i) {
        m_panels[i] = new QLabel(this);
        m_panels[i]->setFrameShape(QFrame::StyledPanel);
        m_panels[i]->setFrameShadow(QFrame::Sunken);
        m_panels[i]->setMinimumWidth(widths[i]);
        layout->addWidget(m_panels[i]);
    }
    m_simple->setFrameShape(QFrame::StyledPanel);
    m_simple->setFrameShadow(QFrame::Sunken);
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
