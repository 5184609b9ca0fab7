#include "ui/widgets/GroupBar.h"

#include <QHelpEvent>
#include <QLinearGradient>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QToolTip>

#include <algorithm>
#include <climits>
#include <utility>

namespace korvel
{

namespace
{
constexpr int spacing = 1;        // between a caption band and its items, and between groups
constexpr int verticalMargin = 2; // above the first row and below the last of a group
constexpr int iconLeft = 10;
constexpr int iconSize = DeviceImages::smallSize;
constexpr int textLeft = iconLeft + iconSize + 6;
const QColor background(120, 126, 136);
constexpr int alarmBadge = 14;

// The alarm mark: a red disc with a white "!" at the right end of the row, readable at a glance and in
// any caption colour.
void paintAlarmBadge(QPainter &p, const QRect &row)
{
    const QRect disc(row.right() - alarmBadge - 4, row.top() + (row.height() - alarmBadge) / 2, alarmBadge,
                     alarmBadge);
    p.save();
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(120, 0, 0), 1));
    p.setBrush(QColor(220, 0, 0));
    p.drawEllipse(disc);
    QFont bold = p.font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    p.drawText(disc, Qt::AlignCenter, QStringLiteral("!"));
    p.restore();
}
} // namespace

GroupBar::GroupBar(QWidget *parent) : QAbstractScrollArea(parent)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setFrameShape(QFrame::StyledPanel);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
}

GroupBar::~GroupBar() = default;

const GroupBar::Group *GroupBar::find(int group) const
{
    return group >= 0 && group < groupCount() ? &m_groups[size_t(group)] : nullptr;
}

const GroupBar::Item *GroupBar::findItem(int group, int item) const
{
    const Group *g = find(group);
    return g && item >= 0 && item < int(g->items.size()) ? &g->items[size_t(item)] : nullptr;
}

int GroupBar::addGroup(const QString &caption)
{
    const int index = groupCount();
    m_groups.push_back(Group{caption, true, {}});
    changed(index);
    return index;
}

QString GroupBar::groupCaption(int group) const
{
    const Group *g = find(group);
    return g ? g->caption : QString();
}

bool GroupBar::isGroupExpanded(int group) const
{
    const Group *g = find(group);
    return g && g->expanded;
}

void GroupBar::setGroupExpanded(int group, bool expanded)
{
    if (group < 0 || group >= groupCount() || m_groups[size_t(group)].expanded == expanded)
        return;
    m_groups[size_t(group)].expanded = expanded;
    changed(group);
}

void GroupBar::insertItem(int group, int position, const QString &caption, int imageIndex)
{
    if (group < 0 || group >= groupCount())
        return;
    QList<Item> &items = m_groups[size_t(group)].items;
    position = std::clamp(position, 0, int(items.size()));
    items.insert(position, Item{caption, imageIndex, std::nullopt});
    changed(group);
}

int GroupBar::itemCount(int group) const
{
    const Group *g = find(group);
    return g ? int(g->items.size()) : 0;
}

QString GroupBar::itemCaption(int group, int item) const
{
    const Item *i = findItem(group, item);
    return i ? i->caption : QString();
}

int GroupBar::itemImageIndex(int group, int item) const
{
    const Item *i = findItem(group, item);
    return i ? i->imageIndex : -1;
}

Colour GroupBar::itemColour(int group, int item) const
{
    const Item *i = findItem(group, item);
    if (i && i->offLine)
        return offLineColour;
    if (i && i->colour)
        return *i->colour;
    return palette().color(QPalette::WindowText).rgb() & 0xFFFFFF;
}

void GroupBar::updateItem(int group, int item)
{
    // Rows off screen cost nothing; while a relayout is pending it repaints everything anyway.
    if (!m_relayoutPending) {
        const QRect row = itemRect(group, item);
        if (row.intersects(viewport()->rect()))
            viewport()->update(row);
    }
}

void GroupBar::setItemColour(int group, int item, Colour colour)
{
    if (!findItem(group, item))
        return;
    colour &= 0xFFFFFF;
    std::optional<Colour> &stored = m_groups[size_t(group)].items[size_t(item)].colour;
    if (stored == colour)
        return;
    stored = colour;
    updateItem(group, item);
}

bool GroupBar::isItemMarked(int group, int item) const
{
    const Item *i = findItem(group, item);
    return i && i->marked;
}

void GroupBar::setItemMarked(int group, int item, bool marked)
{
    if (!findItem(group, item) ||
        std::exchange(m_groups[size_t(group)].items[size_t(item)].marked, marked) == marked)
        return;
    updateItem(group, item);
}

bool GroupBar::itemAlarm(int group, int item) const
{
    const Item *i = findItem(group, item);
    return i && i->alarm;
}

void GroupBar::setItemAlarm(int group, int item, bool alarm)
{
    if (!findItem(group, item) ||
        std::exchange(m_groups[size_t(group)].items[size_t(item)].alarm, alarm) == alarm)
        return;
    updateItem(group, item);
}

bool GroupBar::isItemOffLine(int group, int item) const
{
    const Item *i = findItem(group, item);
    return i && i->offLine;
}

void GroupBar::setItemOffLine(int group, int item, bool offLine)
{
    if (!findItem(group, item) ||
        std::exchange(m_groups[size_t(group)].items[size_t(item)].offLine, offLine) == offLine)
        return;
    updateItem(group, item);
}

void GroupBar::clearItems()
{
    for (int g = 0; g < groupCount(); ++g) {
        if (!m_groups[size_t(g)].items.empty()) {
            m_groups[size_t(g)].items.clear();
            changed(g);
        }
    }
}

int GroupBar::headerHeight() const
{
    QFont f = font();
    f.setBold(true);
    return QFontMetrics(f).height() + 10;
}

int GroupBar::rowHeight() const
{
    return qMax(iconSize + 6, fontMetrics().height() + 6);
}

int GroupBar::groupHeight(const Group &group) const
{
    int height = headerHeight() + spacing;
    if (group.expanded)
        height += 2 * verticalMargin + int(group.items.size()) * rowHeight() + spacing;
    return height;
}

void GroupBar::refreshTops() const
{
    const size_t count = m_groups.size();
    if (size_t(m_validTops) == count + 1)
        return;
    m_tops.resize(count + 1);
    for (size_t g = size_t(m_validTops); g <= count; ++g)
        m_tops[g] = m_tops[g - 1] + groupHeight(m_groups[g - 1]);
    m_validTops = int(count + 1);
}

qint64 GroupBar::groupTop(int group) const
{
    refreshTops();
    return m_tops[size_t(group)];
}

void GroupBar::changed(int group)
{
    m_validTops = std::min(m_validTops, group + 1);
    m_pressed = {};
    m_hovered = {};
    // However many groups or items one chunk of replies adds, the bar is laid out and drawn once.
    if (!m_relayoutPending) {
        m_relayoutPending = true;
        QMetaObject::invokeMethod(this, &GroupBar::relayout, Qt::QueuedConnection);
    }
}

void GroupBar::relayout()
{
    m_relayoutPending = false;
    refreshTops();
    const int height = viewport()->height();
    const qint64 total = m_tops.back();
    verticalScrollBar()->setRange(0, int(std::clamp<qint64>(total - height, 0, INT_MAX)));
    verticalScrollBar()->setPageStep(height);
    verticalScrollBar()->setSingleStep(rowHeight());
    viewport()->update();
}

QRect GroupBar::toViewport(qint64 top, int height) const
{
    const qint64 y = top - verticalScrollBar()->value();
    if (y > INT_MAX / 2 || y < INT_MIN / 2)
        return {};
    return {0, int(y), viewport()->width(), height};
}

QRect GroupBar::contentHeader(int group) const
{
    if (!find(group))
        return {};
    return toViewport(groupTop(group), headerHeight());
}

QRect GroupBar::contentItem(int group, int item) const
{
    const Group *g = find(group);
    if (!findItem(group, item) || !g->expanded)
        return {};
    return toViewport(groupTop(group) + headerHeight() + spacing + verticalMargin +
                          qint64(item) * rowHeight(),
                      rowHeight());
}

QRect GroupBar::headerRect(int group) const
{
    return contentHeader(group);
}

QRect GroupBar::itemRect(int group, int item) const
{
    return contentItem(group, item);
}

void GroupBar::ensureItemVisible(int group, int item)
{
    if (m_relayoutPending)
        relayout();
    const QRect row = itemRect(group, item);
    if (row.isNull())
        return;
    QScrollBar *bar = verticalScrollBar();
    if (row.top() < 0)
        bar->setValue(bar->value() + row.top());
    else if (row.bottom() >= viewport()->height())
        bar->setValue(bar->value() + row.bottom() + 1 - viewport()->height());
}

GroupBar::Spot GroupBar::spotAt(QPoint point) const
{
    if (m_groups.empty() || point.x() < 0 || point.x() >= viewport()->width())
        return {};
    refreshTops();
    const qint64 y = qint64(point.y()) + verticalScrollBar()->value();
    // The last group whose top is at or above the point.
    const auto after = std::upper_bound(m_tops.begin(), m_tops.end() - 1, y);
    if (after == m_tops.begin())
        return {};
    const int group = int(after - m_tops.begin()) - 1;
    const Group &g = m_groups[size_t(group)];
    const qint64 inGroup = y - m_tops[size_t(group)];
    if (inGroup < headerHeight())
        return {group, -1};
    if (!g.expanded)
        return {};
    const qint64 inItems = inGroup - headerHeight() - spacing - verticalMargin;
    if (inItems < 0)
        return {};
    const qint64 item = inItems / rowHeight();
    return item < qint64(g.items.size()) ? Spot{group, int(item)} : Spot{};
}

QRect GroupBar::spotRect(Spot spot) const
{
    return spot.item < 0 ? headerRect(spot.group) : itemRect(spot.group, spot.item);
}

QString GroupBar::toolTipAt(QPoint point) const
{
    const Spot spot = spotAt(point);
    const Item *item = findItem(spot.group, spot.item);
    if (!item)
        return {};
    const int right = item->alarm ? -(alarmBadge + 6) : -4;
    const int room = itemRect(spot.group, spot.item).adjusted(textLeft, 0, right, 0).width();
    const QString caption = fontMetrics().horizontalAdvance(item->caption) > room ? item->caption : QString();
    if (!item->offLine)
        return caption;
    const QString offLine = QStringLiteral("Hatta değil");
    return caption.isEmpty() ? offLine : caption + u'\n' + offLine;
}

bool GroupBar::viewportEvent(QEvent *event)
{
    switch (event->type()) {
    case QEvent::ToolTip: {
        const auto *help = static_cast<QHelpEvent *>(event);
        const QString tip = toolTipAt(help->pos());
        if (tip.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), tip, viewport(), spotRect(spotAt(help->pos())));
        return true;
    }
    case QEvent::Leave:
        setHovered({});
        return true;
    default:
        return QAbstractScrollArea::viewportEvent(event);
    }
}

void GroupBar::paintHeader(QPainter &p, const QRect &band, const Group &group) const
{
    p.save();
    p.translate(band.topLeft());
    const int w = band.width();
    const int h = band.height();
    // Silver lettering needs a dark band to be read; a light one would swallow it.
    QLinearGradient shade(0, 0, 0, h);
    shade.setColorAt(0, QColor(74, 84, 100));
    shade.setColorAt(1, QColor(40, 46, 58));
    p.fillRect(QRect(0, 0, w, h), shade);
    p.setPen(QColor(104, 116, 136));
    p.drawLine(0, 0, w - 1, 0);
    p.setPen(QColor(20, 24, 30));
    p.drawLine(0, h - 1, w - 1, h - 1);

    // Chevron: down when open, right when folded.
    p.setRenderHint(QPainter::Antialiasing);
    const double s = h * 0.16;
    const QPointF c(12, h / 2.0);
    QPainterPath chevron;
    if (group.expanded) {
        chevron.moveTo(c + QPointF(-s, -s * 0.5));
        chevron.lineTo(c + QPointF(0, s * 0.7));
        chevron.lineTo(c + QPointF(s, -s * 0.5));
    } else {
        chevron.moveTo(c + QPointF(-s * 0.5, -s));
        chevron.lineTo(c + QPointF(s * 0.7, 0));
        chevron.lineTo(c + QPointF(-s * 0.5, s));
    }
    p.setPen(
        QPen(QColor::fromRgb(captionColour & 0xFFFFFF), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(chevron);

    QFont f = font();
    f.setBold(true);
    p.setFont(f);
    const QRect text = QRect(0, 0, w, h).adjusted(24, 0, -6, 0);
    p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
               QFontMetrics(f).elidedText(group.caption, Qt::ElideRight, text.width()));
    p.restore();
}

void GroupBar::paintEvent(QPaintEvent *event)
{
    QPainter p(viewport());
    const QRect dirty = event->rect();
    p.fillRect(dirty, background);
    if (m_groups.empty())
        return;

    refreshTops();
    const qint64 scroll = verticalScrollBar()->value();
    const qint64 dirtyTop = scroll + dirty.top();
    const qint64 dirtyBottom = scroll + dirty.bottom();
    const int headerH = headerHeight();
    const int rowH = rowHeight();
    const QColor cream = QColor::fromRgb(groupColour & 0xFFFFFF);
    const QColor defaultText = palette().color(QPalette::WindowText);
    const QFontMetrics fm = fontMetrics();

    // Only the groups and rows inside the dirty rectangle: a long bar repaints a screenful.
    auto first = std::upper_bound(m_tops.begin(), m_tops.end() - 1, dirtyTop);
    for (int g = int(std::max<qint64>(first - m_tops.begin() - 1, 0)); g < groupCount(); ++g) {
        const qint64 top = m_tops[size_t(g)];
        if (top > dirtyBottom)
            break;
        const Group &group = m_groups[size_t(g)];
        paintHeader(p, toViewport(top, headerH), group);
        if (!group.expanded)
            continue;
        const qint64 itemsTop = top + headerH + spacing;
        const int count = int(group.items.size());
        p.fillRect(toViewport(itemsTop, 2 * verticalMargin + count * rowH).intersected(dirty), cream);
        if (count == 0)
            continue;
        const qint64 rowsTop = itemsTop + verticalMargin;
        const int from = int(std::clamp<qint64>((dirtyTop - rowsTop) / rowH, 0, count - 1));
        const int to = int(std::clamp<qint64>((dirtyBottom - rowsTop) / rowH, -1, count - 1));
        for (int i = from; i <= to; ++i) {
            const Item &item = group.items[size_t(i)];
            const QRect row = toViewport(rowsTop + qint64(i) * rowH, rowH);
            if (item.marked) {
                p.fillRect(row.adjusted(2, 1, -2, -1), QColor::fromRgb(markColour));
                p.fillRect(QRect(row.left() + 2, row.top() + 1, 3, row.height() - 2),
                           QColor::fromRgb(colours::red));
            }
            if (m_hovered == Spot{g, i})
                p.fillRect(row.adjusted(2, 1, -2, -1), QColor(0, 0, 0, 22));
            const QPixmap picture = m_images.devicePicture(item.imageIndex, iconSize);
            if (!picture.isNull())
                p.drawPixmap(iconLeft, row.top() + (rowH - iconSize) / 2, picture);
            p.setPen(item.offLine  ? QColor::fromRgb(offLineColour)
                     : item.colour ? QColor::fromRgb(*item.colour)
                                   : defaultText);
            const QRect text = row.adjusted(textLeft, 0, item.alarm ? -(alarmBadge + 6) : -4, 0);
            p.drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                       fm.elidedText(item.caption, Qt::ElideRight, text.width()));
            if (item.alarm)
                paintAlarmBadge(p, row);
        }
    }
}

void GroupBar::resizeEvent(QResizeEvent *event)
{
    QAbstractScrollArea::resizeEvent(event);
    relayout();
}

void GroupBar::scrollContentsBy(int, int)
{
    m_hovered = {};
    viewport()->update();
}

void GroupBar::mousePressEvent(QMouseEvent *event)
{
    m_pressed = event->button() == Qt::LeftButton ? spotAt(event->position().toPoint()) : Spot{};
    event->accept();
}

void GroupBar::mouseReleaseEvent(QMouseEvent *event)
{
    const Spot spot = spotAt(event->position().toPoint());
    const bool click = event->button() == Qt::LeftButton && spot.group >= 0 && spot == m_pressed;
    m_pressed = {};
    event->accept();
    if (!click)
        return;
    if (spot.item < 0)
        setGroupExpanded(spot.group, !isGroupExpanded(spot.group));
    else
        Q_EMIT itemClicked(spot.group, spot.item);
}

void GroupBar::mouseMoveEvent(QMouseEvent *event)
{
    setHovered(spotAt(event->position().toPoint()));
}

void GroupBar::leaveEvent(QEvent *)
{
    setHovered({});
}

void GroupBar::changeEvent(QEvent *event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        changed(0);
    }
}

void GroupBar::setHovered(Spot spot)
{
    viewport()->setCursor(spot.group >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
    // Only an item row shows that the pointer is over it.
    if (spot.item < 0)
        spot = {};
    if (spot == m_hovered)
        return;
    if (m_hovered.group >= 0)
        viewport()->update(spotRect(m_hovered));
    m_hovered = spot;
    if (m_hovered.group >= 0)
        viewport()->update(spotRect(m_hovered));
}

} // namespace korvel
