#include "app/menus.h"

#include <QRegularExpression>

#include "docview/commands.h"

namespace lintra {

QtMenuText ToQtMenuText(std::string_view label) {
    QString all = QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size()));
    qsizetype tab = all.indexOf(u'\t');
    if (tab < 0) return {all, {}};
    QString before = all.left(tab);
    QString after = all.mid(tab + 1);
    static const QRegularExpression kMnemonic(QStringLiteral("\\(&[^)]\\)$"));
    QRegularExpressionMatch match = kMnemonic.match(after);
    if (!match.hasMatch()) return {before, after.trimmed()};
    return {before + match.captured(0), after.left(match.capturedStart()).trimmed()};
}

namespace {

struct PromptEntry {
    int id;
    const char* text;  // "long prompt\ntool tip"
};

// The program's own prompts, then the standard wording for the framework's
// commands that appear in the menus, the toolbar or the view's context menu.
constexpr PromptEntry kPrompts[] = {
    {cmd::kRestoreOriginal, "还原到未修改时\n还原到未修改时"},
    {cmd::kRestorePrevious, "还原至上一幅图\n还原至上一幅图"},
    {cmd::kFileNew, "建立新文档\n新建"},
    {cmd::kFileOpen, "打开一个现有文档\n打开"},
    {cmd::kFileSave, "保存活动文档\n保存"},
    {cmd::kFilePrintSetup, "改变打印机及打印选项\n页面设置"},
    {cmd::kFilePrint, "打印活动文档\n打印"},
    {cmd::kFilePrintDirect, "使用当前选项打印活动文档\n快速打印"},
    {cmd::kFilePrintPreview, "显示整页\n打印预览"},
    {cmd::kAppAbout, "显示程序信息、版本号和版权\n关于"},
    {cmd::kAppExit, "退出应用程序；提示保存文档\n退出"},
    {cmd::kViewToolbar, "显示或隐藏工具栏\n显隐工具栏"},
    {cmd::kViewStatusBar, "显示或隐藏状态栏\n显隐状态栏"},
};

}  // namespace

CommandPrompt PromptFor(int id) {
    for (const PromptEntry& entry : kPrompts) {
        if (entry.id != id) continue;
        QString text = QString::fromUtf8(entry.text);
        qsizetype newline = text.indexOf(u'\n');
        if (newline < 0) return {text, {}};
        return {text.left(newline), text.mid(newline + 1)};
    }
    return {};
}

}  // namespace lintra
