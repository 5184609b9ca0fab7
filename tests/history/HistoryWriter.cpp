// Records one sample per flush into the history file it is given, and prints the number of samples
// committed after each flush, until it is killed.
#include "history/HistoryStore.h"
#include "history/Quantities.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2)
        return 2;
    korvel::history::HistoryStore store(QString::fromLocal8Bit(argv[1]));
    const QDateTime start(QDate(2026, 1, 15), QTime(10, 30));
    for (qint64 n = 1;; ++n) {
        std::vector<double> values(korvel::history::quantities().size(), double(n));
        store.addSample({start.addSecs(n).toMSecsSinceEpoch(), QStringLiteral("12001"), std::move(values)});
        store.flush(start.addSecs(n));
        if (store.state() != korvel::history::HistoryStore::State::Recording)
            return 1;
        std::printf("%lld\n", static_cast<long long>(n));
        std::fflush(stdout);
    }
}
