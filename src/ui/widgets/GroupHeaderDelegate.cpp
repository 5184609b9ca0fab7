#include "ui/widgets/GroupHeaderDelegate.h"

namespace korvel
{

void GroupHeaderDelegate::initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    if (!isHeader(option->text))
        return;
    option->text = shownText(option->text);
    option->font.setBold(true);
    option->backgroundBrush = QColor(0xE4, 0xE9, 0xF2);
}

} // namespace korvel
