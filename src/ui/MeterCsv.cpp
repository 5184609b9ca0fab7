#include "ui/MeterCsv.h"

#include "history/CsvExporter.h"
#include "ui/widgets/SevenSegmentDisplay.h"

#include <QBoxLayout>
#include <QDateTime>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>

#include <vector>

namespace korvel::MeterCsv
{

namespace
{

// A caption as one line: some span two.
QString captionOf(QLayoutItem *item)
{
    auto *label = item ? qobject_cast<QLabel *>(item->widget()) : nullptr;
    if (!label || qobject_cast<SevenSegmentDisplay *>(label))
        return QString();
    return label->text().simplified();
}

QString named(const QString &caption, const QString &unit)
{
    return unit.isEmpty() ? caption : caption + QStringLiteral(" (") + unit + u')';
}

// The name of a display in a grid: the caption at the start of its row, the heading of its column when
// the row holds several, the unit at the end of the row.
QString nameInGrid(QGridLayout &grid, int index)
{
    int row = 0, column = 0, rowSpan = 0, columnSpan = 0;
    grid.getItemPosition(index, &row, &column, &rowSpan, &columnSpan);
    QString caption = captionOf(grid.itemAtPosition(row, 0));
    if (row > 0) {
        if (const QString heading = captionOf(grid.itemAtPosition(0, column)); !heading.isEmpty())
            caption += u' ' + heading;
    }
    QString unit;
    for (int c = grid.columnCount() - 1; c > column && unit.isEmpty(); --c)
        unit = captionOf(grid.itemAtPosition(row, c));
    return named(caption, unit);
}

// The name of a display in a row of captions and displays: the caption before it, the unit after it.
QString nameInRow(QBoxLayout &row, int index)
{
    return named(captionOf(row.itemAt(index - 1)), captionOf(row.itemAt(index + 1)));
}

QString nameOf(QLayout &layout, QWidget *display)
{
    for (int i = 0; i < layout.count(); ++i) {
        QLayoutItem *item = layout.itemAt(i);
        if (item->widget() == display) {
            if (auto *grid = qobject_cast<QGridLayout *>(&layout))
                return nameInGrid(*grid, i);
            if (auto *row = qobject_cast<QBoxLayout *>(&layout))
                return nameInRow(*row, i);
            return QString();
        }
        if (QLayout *inner = item->layout()) {
            if (QString name = nameOf(*inner, display); !name.isNull())
                return name;
        }
    }
    return QString();
}

QString groupTitle(const QWidget *display)
{
    for (const QWidget *w = display->parentWidget(); w; w = w->parentWidget()) {
        if (auto *box = qobject_cast<const QGroupBox *>(w))
            return box->title().simplified();
    }
    return QString();
}

QString valueText(const QString &shown, QChar decimalMark)
{
    // The displays show the meter's decimal point as a comma or a point.
    static const QRegularExpression decimal(QStringLiteral("^[+-]?\\d+([.,]\\d+)?$"));
    QString text = shown.trimmed();
    if (decimal.match(text).hasMatch())
        return text.replace(u'.', decimalMark).replace(u',', decimalMark);
    return text;
}

} // namespace

QString save(const QWidget &page, const QString &device, const QDateTime &at, const QLocale &locale,
             const QString &path)
{
    const auto format = history::CsvExporter::formatFor(locale);
    QStringList header{QStringLiteral("Zaman"), QStringLiteral("Cihaz")};
    QStringList row{history::CsvExporter::time(at.toMSecsSinceEpoch()), device};
    for (SevenSegmentDisplay *display : page.findChildren<SevenSegmentDisplay *>()) {
        QLayout *layout = display->parentWidget() ? display->parentWidget()->layout() : nullptr;
        QString name = layout ? nameOf(*layout, display) : QString();
        if (name.isEmpty())
            name = display->objectName();
        // The same caption in two groups ("T1" of the active and of the reactive values) takes the
        // group's title in front.
        if (header.contains(name))
            name = groupTitle(display) + u' ' + name;
        header << name;
        row << valueText(display->text(), format.decimalMark);
    }
    return history::CsvExporter::save(
        path, [&](QIODevice &out) { return history::CsvExporter::writeTable(out, header, {row}, format); });
}

void addButton(QWidget *page, QBoxLayout *row, const QString &objectName)
{
    auto *button = new QPushButton(QStringLiteral("CSV olarak kaydet"), page);
    button->setObjectName(objectName);
    row->addWidget(button);
    QObject::connect(button, &QPushButton::clicked, page, [page] {
        const QString path =
            QFileDialog::getSaveFileName(page, QStringLiteral("CSV olarak kaydet"),
                                         QStringLiteral("sayac.csv"), QStringLiteral("CSV (*.csv)"));
        if (path.isEmpty())
            return;
        const auto *serial = page->window()->findChild<QLineEdit *>(QStringLiteral("Edit5"));
        const QString error = save(*page, serial ? serial->text().trimmed() : QString(),
                                   QDateTime::currentDateTime(), QLocale(), path);
        if (!error.isEmpty())
            QMessageBox::warning(page, QStringLiteral("CSV olarak kaydet"), error);
    });
}

} // namespace korvel::MeterCsv
