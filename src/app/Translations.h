#pragma once

class QLocale;
class QTranslator;

namespace korvel
{

// Qt's own texts (standard buttons, file dialogs, context menus) in the user's language, from the
// translations Qt installs beside itself (Debian: qt6-translations-l10n).
class Translations final
{
public:
    // Installs the translation of Qt's base texts for the locale into the application and returns it
    // (owned by the application); null when there is none for it (Qt then speaks English, as before).
    static QTranslator *install(const QLocale &locale);
};

} // namespace korvel
