#include "DateText.h"

#include <QRegularExpression>

namespace korvel::server::DateText
{

namespace
{

int monthFromName(const QString &name)
{
    static const char16_t *const english[] = {u"jan", u"feb", u"mar", u"apr", u"may", u"jun",
                                              u"jul", u"aug", u"sep", u"oct", u"nov", u"dec"};
    static const char16_t *const turkish[] = {u"oca", u"şub", u"mar", u"nis", u"may", u"haz",
                                              u"tem", u"ağu", u"eyl", u"eki", u"kas", u"ara"};
    // Turkish upper case has dotted and dotless I; try the Turkish folding and the plain one.
    QString turkishKey = name.left(3);
    turkishKey.replace(u'İ', u'i');
    turkishKey.replace(u'I', u'ı');
    const QString keys[] = {turkishKey.toLower(), name.left(3).toLower()};
    for (const QString &key : keys) {
        for (int m = 0; m < 12; ++m) {
            if (key == QStringView(english[m]) || key == QStringView(turkish[m]))
                return m + 1;
        }
        if (key == u"agu")
            return 8;
        if (key == u"sub")
            return 2;
    }
    return 0;
}

int fullYear(const QString &digits)
{
    const int year = digits.toInt();
    if (digits.size() == 4)
        return year;
    return year < 70 ? 2000 + year : 1900 + year;
}

} // namespace

QDate parse(const QString &input)
{
    const QString text = input.trimmed();
    if (text.size() > 40)
        return {};
    static const QRegularExpression iso(QStringLiteral("^(\\d{4})-(\\d{1,2})-(\\d{1,2})$"));
    static const QRegularExpression dotted(QStringLiteral("^(\\d{1,2})\\.(\\d{1,2})\\.(\\d{2}|\\d{4})\\.?$"));
    static const QRegularExpression slashed(QStringLiteral("^(\\d{1,2})/(\\d{1,2})/(\\d{2}|\\d{4})$"));
    static const QRegularExpression named(
        QStringLiteral("^(\\d{1,2})[ .-]+(\\w{3,})\\.?[ .-]+(\\d{2}|\\d{4})$"),
        QRegularExpression::UseUnicodePropertiesOption);

    QRegularExpressionMatch m;
    if ((m = iso.match(text)).hasMatch())
        return QDate(m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt());
    if ((m = dotted.match(text)).hasMatch())
        return QDate(fullYear(m.captured(3)), m.captured(2).toInt(), m.captured(1).toInt());
    if ((m = slashed.match(text)).hasMatch()) {
        // A two-digit year is the American short form, month first; a four-digit one is day first.
        const int a = m.captured(1).toInt(), b = m.captured(2).toInt();
        const int year = fullYear(m.captured(3));
        return m.captured(3).size() == 2 ? QDate(year, a, b) : QDate(year, b, a);
    }
    if ((m = named.match(text)).hasMatch()) {
        const int month = monthFromName(m.captured(2));
        if (month == 0)
            return {};
        return QDate(fullYear(m.captured(3)), month, m.captured(1).toInt());
    }
    return {};
}

QDateTime startOfDay(QDate date, const QDateTime &like)
{
    QDateTime at = like;
    at.setDate(date);
    at.setTime(QTime(0, 0));
    return at;
}

} // namespace korvel::server::DateText
