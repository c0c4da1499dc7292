// The program's language. Every text in the sources, the core's command
// table and messages included, is Chinese and is the source text; the
// English catalogue (translations/lintra_en.ts, compiled into the program)
// replaces it when the language is English. Qt's own texts (the buttons and
// labels of the standard dialogs) come from Qt's catalogue of the same
// language.
//
// A new text goes through Tr() and needs its <message> in lintra_en.ts
// (context "Lintra"); language_test fails for a command-table text or a
// message of the core that has none.
#pragma once

#include <QCoreApplication>
#include <QString>
#include <optional>
#include <string>
#include <string_view>

class QLocale;

namespace lintra {

enum class Language { Chinese, English };

// The one context of the program's catalogue.
inline constexpr const char* kTranslationContext = "Lintra";

// A text the core composed from one of its patterns (a message naming a
// size or a file, a filter naming a format, a title naming a page) in the
// current language: the pattern is translated and the same values filled
// in. A text with a translation of its own, or matching no pattern, goes
// through Tr as it is.
QString TrComposed(const std::string& text);

// A source text of the program in the current language.
inline QString Tr(const char* text) {
    return QCoreApplication::translate(kTranslationContext, text);
}
// The same for a text of the core (a menu label, a prompt, a message).
QString Tr(std::string_view text);

// The language a locale asks for: the first of its interface languages that
// is English or Chinese decides; a locale with neither gets Chinese.
Language LanguageForLocale(const QLocale& locale);
// "zh" or "en", in any case; nothing for any other text.
std::optional<Language> ParseLanguage(const QString& name);

// Installs the catalogues of language in the application, replacing those
// of an earlier call: the program's English catalogue, or Qt's Chinese one
// (qtbase_zh_CN from Qt's translations folder). Returns false when a
// catalogue could not be loaded; the texts it would have changed then stay
// as they are.
bool InstallTranslations(Language language);

}  // namespace lintra
