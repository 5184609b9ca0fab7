#include "app/Translations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace korvel
{

QTranslator *Translations::install(const QLocale &locale)
{
    auto *translator = new QTranslator(QCoreApplication::instance());
    if (translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                         QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(translator))
        return translator;
    delete translator;
    return nullptr;
}

} // namespace korvel
