#include "app/translations.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QPointer>
#include <QRegularExpression>
#include <QTranslator>
#include <vector>

#include "docview/messages.h"
#include "image/bmp_messages.h"

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

// The core's patterns with placeholders, each with the expression that
// takes a composed text apart again ("%1" matches any run of characters).
struct ComposedPattern {
    const char* source;
    QRegularExpression parts;
};

const std::vector<ComposedPattern>& ComposedPatterns() {
    static const std::vector<ComposedPattern> patterns = [] {
        std::vector<ComposedPattern> list;
        for (const char* source : {kMsgOverPixelBudget, kMsgDamagedImage, kMsgUnsupportedImage,
                                   kMsgNoSuchPage, kMsgCadWriteFailed, kFilterFormatImages, kTitleWithPage}) {
            const QString text = QString::fromUtf8(source);
            static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
            QString expression = QStringLiteral("^");
            qsizetype from = 0;
            for (auto match = placeholder.globalMatch(text); match.hasNext();) {
                const QRegularExpressionMatch next = match.next();
                expression += QRegularExpression::escape(text.mid(from, next.capturedStart() - from));
                expression += QStringLiteral("(.*?)");
                from = next.capturedEnd();
            }
            expression += QRegularExpression::escape(text.mid(from)) + u'$';
            list.push_back(
                {source, QRegularExpression(expression, QRegularExpression::DotMatchesEverythingOption)});
        }
        return list;
    }();
    return patterns;
}

}  // namespace

QString TrComposed(const std::string& text) {
    const QString source = QString::fromStdString(text);
    const QString own = Tr(text);
    if (own != source) return own;
    for (const ComposedPattern& pattern : ComposedPatterns()) {
        const QRegularExpressionMatch match = pattern.parts.match(source);
        if (!match.hasMatch()) continue;
        // Filled in one pass, so a value holding "%2" is not filled again.
        QString translated = Tr(pattern.source);
        QString result;
        for (qsizetype i = 0; i < translated.size(); ++i) {
            const QChar next = i + 1 < translated.size() ? translated[i + 1] : QChar();
            const int n = next.digitValue();
            if (translated[i] == u'%' && n >= 1 && n <= match.lastCapturedIndex()) {
                result += match.captured(n);
                ++i;
            } else {
                result += translated[i];
            }
        }
        return result;
    }
    return own;
}

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
