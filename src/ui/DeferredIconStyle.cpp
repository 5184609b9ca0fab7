#include "ui/DeferredIconStyle.h"

#include <QIconEngine>
#include <QPainter>
#include <QPointer>

namespace korvel
{

namespace
{
// Stands for a standard icon of the style until something draws or measures it.
class DeferredIconEngine final : public QIconEngine
{
public:
    DeferredIconEngine(QStyle *style, QStyle::StandardPixmap which) : m_style(style), m_which(which) {}

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override
    {
        icon().paint(painter, rect, Qt::AlignCenter, mode, state);
    }
    QSize actualSize(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().actualSize(size, mode, state);
    }
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override
    {
        return icon().pixmap(size, mode, state);
    }
    QPixmap scaledPixmap(const QSize &size, QIcon::Mode mode, QIcon::State state, qreal scale) override
    {
        return icon().pixmap(size, scale, mode, state);
    }
    QList<QSize> availableSizes(QIcon::Mode mode, QIcon::State state) override
    {
        return icon().availableSizes(mode, state);
    }
    // Asked while widgets are laid out; answering it needs no file.
    bool isNull() override { return m_style.isNull(); }
    QString key() const override { return QStringLiteral("korvel-deferred"); }
    QIconEngine *clone() const override { return new DeferredIconEngine(*this); }

private:
    const QIcon &icon()
    {
        if (!m_loaded && m_style) {
            m_icon = m_style->standardIcon(m_which);
            m_loaded = true;
        }
        return m_icon;
    }

    QPointer<QStyle> m_style;
    QStyle::StandardPixmap m_which;
    QIcon m_icon;
    bool m_loaded = false;
};
} // namespace

QIcon DeferredIconStyle::standardIcon(StandardPixmap icon, const QStyleOption *option,
                                      const QWidget *widget) const
{
    // An icon that depends on the option is made now, as the base style would. The widget only tells
    // the direction of a few arrows, and the client's texts run left to right.
    if (option)
        return QProxyStyle::standardIcon(icon, option, widget);
    return QIcon(new DeferredIconEngine(baseStyle(), icon));
}

} // namespace korvel
