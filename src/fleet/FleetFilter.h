#pragma once

#include <QSortFilterProxyModel>

namespace korvel::fleet
{

class FleetModel;

// The overview as the table shows it: sorted by any column, the rows of one group or only those that
// need attention. Comparisons read the devices directly instead of their texts, so a sort of ten
// thousand rows costs what comparing numbers and names costs.
class FleetFilter final : public QSortFilterProxyModel
{
    Q_OBJECT
public:
    explicit FleetFilter(FleetModel &model, QObject *parent = nullptr);

    // Empty: every group.
    void setGroup(const QString &group);
    void setAttentionOnly(bool only);
    // Sorted and filtered again: updates do not move rows by themselves, and the attention filter
    // depends on the age of the data.
    void refilter() { invalidate(); }

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex &sourceParent) const override;
    bool lessThan(const QModelIndex &left, const QModelIndex &right) const override;

private:
    FleetModel &m_model;
    QString m_group;
    bool m_attentionOnly = false;
};

} // namespace korvel::fleet
