#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;

namespace korvel
{

namespace history
{
class HistoryStore;
}

// "Geçmiş ayarları": how long the history is kept (days) and how large it may grow (GiB), whichever
// limit comes first; kept in the history file itself.
class RetentionDialog final : public QDialog
{
    Q_OBJECT
public:
    static constexpr int maxDays = 36500;
    static constexpr double maxGiB = 1024;

    explicit RetentionDialog(history::HistoryStore &store, QWidget *parent = nullptr);

    // Checks and stores the two texts as typed (in the user's decimal mark); returns the error text
    // shown under them, empty when they were stored.
    QString apply(const QString &daysText, const QString &gibText);

private:
    history::HistoryStore &m_store;
    QLineEdit *m_days;
    QLineEdit *m_size;
    QLabel *m_error;
};

} // namespace korvel
