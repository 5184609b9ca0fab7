#pragma once

#include <QStyledItemDelegate>

namespace korvel
{

// Draws the lines of a list that begin with "//" as group headers: bold on a shaded band, without the
// "//". Other lines are drawn as usual.
class GroupHeaderDelegate final : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static bool isHeader(const QString &line) { return line.startsWith(QLatin1String("//")); }
    // The line as a person reads it.
    static QString shownText(const QString &line) { return isHeader(line) ? line.mid(2) : line; }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override;
};

} // namespace korvel
