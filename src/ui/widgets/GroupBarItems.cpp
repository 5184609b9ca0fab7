#include "ui/widgets/GroupBarItems.h"

#include "ui/widgets/DeviceImages.h"

#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QToolTip>

namespace korvel
{

namespace
{
constexpr int iconLeft = 10;
constexpr int iconSize = DeviceImages::smallSize;
constexpr int textLeft = iconLeft + iconSize + 6;
constexpr int verticalMargin = 2; // above the first row and below the last
} // namespace

GroupBarItems::GroupBarItems(const DeviceImages &images, Colour background, QWidget *parent)
    : QWidget(parent), m_images(images), m_background(background & 0xFFFFFF)
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
}

void GroupBarItems::insert(int position, const QString &caption, int imageIndex)
{
    position = qBound(0, position, count());
    m_items.insert(m_items.begin() + position, Item{caption, imageIndex, std::nullopt});
    m_pressed = -1;
    m_hovered = -1;
    updateGeometry();
    update();
}

void GroupBarItems::clear()
{
    if (m_items.empty())
        return;
    m_items.clear();
    m_pressed = -1;
    m_hovered = -1;
    updateGeometry();
    update();
}

QString GroupBarItems::caption(int item) const
{
    return valid(item) ? m_items[size_t(item)].caption : QString();
}

int GroupBarItems::imageIndex(int item) const
{
    return valid(item) ? m_items[size_t(item)].imageIndex : -1;
}

std::optional<Colour> GroupBarItems::colour(int item) const
{
    return valid(item) ? m_items[size_t(item)].colour : std::nullopt;
}

void GroupBarItems::setColour(int item, Colour colour)
{
    if (!valid(item))
        return;
    colour &= 0xFFFFFF;
    std::optional<Colour> &stored = m_items[size_t(item)].colour;
    if (stored == colour)
        return;
    stored = colour;
    update(itemRect(item));
}

int GroupBarItems::rowHeight() const
{
    return qMax(iconSize + 6, fontMetrics().height() + 6);
}

QRect GroupBarItems::itemRect(int item) const
{
    if (!valid(item))
        return {};
    return {0, verticalMargin + item * rowHeight(), width(), rowHeight()};
}

int GroupBarItems::itemAt(QPoint point) const
{
    if (point.x() < 0 || point.x() >= width() || point.y() < verticalMargin)
        return -1;
    const int item = (point.y() - verticalMargin) / rowHeight();
    return valid(item) ? item : -1;
}

QSize GroupBarItems::sizeHint() const
{
    return {120, 2 * verticalMargin + count() * rowHeight()};
}

QSize GroupBarItems::minimumSizeHint() const
{
    return {40, sizeHint().height()};
}

void GroupBarItems::paintEvent(QPaintEvent *event)
{
    QPainter p(this);
    const QRect dirty = event->rect();
    p.fillRect(dirty, QColor::fromRgb(m_background));
    if (m_items.empty())
        return;

    // Only the rows inside the dirty rectangle: a long list repaints a screenful, not all of it.
    const int h = rowHeight();
    const int first = qMax(0, (dirty.top() - verticalMargin) / h);
    const int last = qMin(count() - 1, (dirty.bottom() - verticalMargin) / h);
    const QColor defaultText = palette().color(QPalette::WindowText);
    const QFontMetrics fm = fontMetrics();
    for (int i = first; i <= last; ++i) {
        const Item &item = m_items[size_t(i)];
        const QRect row = itemRect(i);
        if (i == m_hovered)
            p.fillRect(row.adjusted(2, 1, -2, -1), QColor(0, 0, 0, 22));
        const QPixmap picture = m_images.devicePicture(item.imageIndex, iconSize);
        if (!picture.isNull())
            p.drawPixmap(iconLeft, row.top() + (h - iconSize) / 2, picture);
        p.setPen(item.colour ? QColor::fromRgb(*item.colour) : defaultText);
        const QRect text = textRect(i);
        p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                   fm.elidedText(item.caption, Qt::ElideRight, text.width()));
    }
}

QRect GroupBarItems::textRect(int item) const
{
    return itemRect(item).adjusted(textLeft, 0, -4, 0);
}

QString GroupBarItems::toolTipAt(QPoint point) const
{
    const int item = itemAt(point);
    if (!valid(item))
        return {};
    const QString &caption = m_items[size_t(item)].caption;
    return fontMetrics().horizontalAdvance(caption) > textRect(item).width() ? caption : QString();
}

bool GroupBarItems::event(QEvent *event)
{
    if (event->type() != QEvent::ToolTip)
        return QWidget::event(event);
    const auto *help = static_cast<QHelpEvent *>(event);
    const QString tip = toolTipAt(help->pos());
    if (tip.isEmpty())
        QToolTip::hideText();
    else
        QToolTip::showText(help->globalPos(), tip, this, itemRect(itemAt(help->pos())));
    return true;
}

void GroupBarItems::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? itemAt(event->position().toPoint()) : -1;
    event->accept();
}

void GroupBarItems::mouseReleaseEvent(QMouseEvent *event)
{
    const int item = itemAt(event->position().toPoint());
    const bool click = event->button() == Qt::LeftButton && item >= 0 && item == m_pressed;
    m_pressed = -1;
    event->accept();
    if (click)
        Q_EMIT itemClicked(item);
}

void GroupBarItems::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(itemAt(event->position().toPoint()));
}

void GroupBarItems::leaveEvent(QEvent *)
{
    setHovered(-1);
}

void GroupBarItems::setHovered(int item)
{
    if (item == m_hovered)
        return;
    if (valid(m_hovered))
        update(itemRect(m_hovered));
    m_hovered = item;
    if (valid(m_hovered))
        update(itemRect(m_hovered));
    setCursor(valid(m_hovered) ? Qt::PointingHandCursor : Qt::ArrowCursor);
}

} // namespace korvel
