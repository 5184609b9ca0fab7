#include "fleet/FleetFilter.h"

#include "fleet/FleetModel.h"

namespace korvel::fleet
{

FleetFilter::FleetFilter(FleetModel &model, QObject *parent) : QSortFilterProxyModel(parent), m_model(model)
{
    // An update re-sorts nothing at once: with ten thousand devices reporting, rows would jump about and
    // each move costs the view a new layout. The overview's tick sorts and filters again instead.
    setDynamicSortFilter(false);
    setSourceModel(&model);
}

void FleetFilter::setGroup(const QString &group)
{
    m_group = group;
    invalidateFilter();
}

void FleetFilter::setAttentionOnly(bool only)
{
    m_attentionOnly = only;
    invalidateFilter();
}

bool FleetFilter::filterAcceptsRow(int sourceRow, const QModelIndex &) const
{
    if (!m_group.isEmpty() && m_model.device(sourceRow).group != m_group)
        return false;
    return !m_attentionOnly || m_model.needsAttention(sourceRow);
}

bool FleetFilter::lessThan(const QModelIndex &left, const QModelIndex &right) const
{
    return m_model.lessThan(left.column(), left.row(), right.row());
}

} // namespace korvel::fleet
