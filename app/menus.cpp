#include "app/menus.h"

#include <QRegularExpression>

#include "app/translations.h"
#include "docview/commands.h"

namespace lintra {

QtMenuText ToQtMenuText(std::string_view label) {
    QString all = Tr(label);
    qsizetype tab = all.indexOf(u'\t');
    if (tab < 0) return {all, {}};
    QString before = all.left(tab);
    QString after = all.mid(tab + 1);
    static const QRegularExpression kMnemonic(QStringLiteral("\\(&[^)]\\)$"));
    QRegularExpressionMatch match = kMnemonic.match(after);
    if (!match.hasMatch()) return {before, after.trimmed()};
    return {before + match.captured(0), after.left(match.capturedStart()).trimmed()};
}

QString ToQtMenuTitle(std::string_view title) {
    QString text = Tr(title);
    static const QRegularExpression kLateMnemonic(QStringLiteral("\\(([^&)])&\\)$"));
    text.replace(kLateMnemonic, QStringLiteral("(&\\1)"));
    return text;
}

CommandPrompt PromptFor(int id) {
    const Command* command = FindCommand(id);
    if (command == nullptr || command->prompt.empty()) return {};
    QString text = Tr(command->prompt);
    qsizetype newline = text.indexOf(u'\n');
    if (newline < 0) return {text, {}};
    return {text.left(newline), text.mid(newline + 1)};
}

}  // namespace lintra
