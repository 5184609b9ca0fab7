#pragma once

class QLocale;

namespace korvel
{

// Qt's own texts (standard buttons, file dialogs, context menus) in the user's language, from the
// translations Qt installs beside itself (Debian: qt6-translations-l10n).
class Translations final
{
public:
    // Installs the translation of Qt's base texts for the locale into the application; false when
    // there is none for it (Qt then speaks English, as before).
    static bool install(const QLocale &locale);
};

} // namespace korvel
