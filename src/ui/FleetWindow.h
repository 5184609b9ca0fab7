#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLabel;
class QTableView;

namespace korvel
{

class ClientWindows;
class Environment;

namespace fleet
{
class FleetFilter;
class FleetOverview;
} // namespace fleet

// "Genel Bakış": every device of the user in one table, sortable by any column, filtered by group and
// by "only what needs attention". A double click on a row selects its device as a click on its item does.
class FleetWindow final : public QWidget
{
    Q_OBJECT
public:
    FleetWindow(fleet::FleetOverview &overview, QWidget *parent = nullptr);

    // Adds "Genel Bakış" and "Aylık rapor" to the "Cihaz" menu; the window is built when first opened.
    static void install(ClientWindows &windows, fleet::FleetOverview &overview, QString historyFile,
                        Environment &environment);

    QTableView *table() const { return m_table; }
    fleet::FleetFilter &filter() const { return *m_filter; }

private:
    void addGroup(const QString &group);
    void showCount();

    fleet::FleetOverview &m_overview;
    fleet::FleetFilter *m_filter;
    QComboBox *m_group;
    QCheckBox *m_attention;
    QTableView *m_table;
    QLabel *m_count;
};

} // namespace korvel
