#pragma once

#include <QLocale>

// Qt's own texts (the Yes and No buttons of message boxes, the file and folder
// dialogs) in the user's language, as the system's own dialogs show them.
namespace QtTranslations {

// Installs Qt's translations for locale into the running application, once; a
// later call with another locale replaces them. False when Qt has none for it
// (English needs none).
bool Install(const QLocale &locale = QLocale::system());

} // namespace QtTranslations
