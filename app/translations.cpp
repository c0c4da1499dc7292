#include "app/translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QTranslator>

namespace lintra {
namespace {

// The catalogues installed now, owned by the application object;
// replaced by the next InstallTranslations.
QPointer<QTranslator>& Installed(int slot) {
    static QPointer<QTranslator> translators[2];
    return translators[slot];
}

void Remove(int slot) {
    QPointer<QTranslator>& current = Installed(slot);
    if (current) {
        QCoreApplication::removeTranslator(current);
        delete current.data();
    }
}

bool Install(int slot, const QString& name, const QString& folder) {
    Remove(slot);
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(name, folder)) {
        delete translator;
        return false;
    }
    QCoreApplication::installTranslator(translator);
    Installed(slot) = translator;
    return true;
}

}  // namespace

QString Tr(std::string_view text) {
    // translate() wants a zero-terminated source text.
    const std::string source(text);
    return QCoreApplication::translate(kTranslationContext, source.c_str());
}

Language LanguageForLocale(const QLocale& locale) {
    for (const QString& language : locale.uiLanguages()) {
        if (language.startsWith(QLatin1String("en"), Qt::CaseInsensitive)) return Language::English;
        if (language.startsWith(QLatin1String("zh"), Qt::CaseInsensitive)) return Language::Chinese;
    }
    return Language::Chinese;
}

std::optional<Language> ParseLanguage(const QString& name) {
    if (name.compare(QLatin1String("zh"), Qt::CaseInsensitive) == 0) return Language::Chinese;
    if (name.compare(QLatin1String("en"), Qt::CaseInsensitive) == 0) return Language::English;
    return std::nullopt;
}

bool InstallTranslations(Language language) {
    enum { kProgram, kQt };
    if (language == Language::English) {
        Remove(kQt);
        return Install(kProgram, QStringLiteral("lintra_en"), QStringLiteral(":/i18n"));
    }
    Remove(kProgram);
    return Install(kQt, QStringLiteral("qtbase_zh_CN"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
}

}  // namespace lintra
