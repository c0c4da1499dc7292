#include "app/history_dock.h"

#include <QApplication>
#include <QClipboard>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "app/menus.h"
#include "app/translations.h"
#include "docview/commands.h"
#include "docview/history.h"

namespace lintra {
namespace {

// A menu label as a list shows it: no key hint, no mnemonic.
QString PlainLabel(std::string_view label) {
    QString text = ToQtMenuText(label).text;
    static const QRegularExpression kMnemonic(QStringLiteral("\\(&.\\)$"));
    text.remove(kMnemonic);
    return text.remove(u'&');
}

}  // namespace

HistoryDock::HistoryDock(QWidget* parent) : QDockWidget(Tr("历史记录"), parent) {
    setObjectName(QStringLiteral("historyDock"));
    auto* body = new QWidget(this);
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(2, 2, 2, 2);
    m_list = new QListWidget(body);
    m_list->setObjectName(QStringLiteral("historyList"));
    m_list->setSelectionMode(QAbstractItemView::SingleSelection);
    layout->addWidget(m_list);
    m_copy = new QPushButton(Tr("复制为lintra-batch命令行"), body);
    m_copy->setObjectName(QStringLiteral("copyCommandLine"));
    layout->addWidget(m_copy);
    setWidget(body);
    connect(m_list, &QListWidget::itemClicked, this,
            [this](QListWidgetItem* item) { emit positionChosen(m_list->row(item)); });
    connect(m_copy, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(m_commandLine); });
}

QString HistoryDock::StepText(int id, const std::vector<int>& values) {
    const Command* command = FindCommand(id);
    if (command == nullptr) return QString::number(id);
    // A trackbar position re-applies a processing command: name it by that
    // command, as two parameter items share one label.
    const Command* shown = command;
    if (command->kind == CommandKind::Parameter)
        for (const Command& row : CommandTable())
            if (row.kind == CommandKind::Processing && row.operation == command->operation) shown = &row;
    QString text = shown->menuLabel.empty() ? QString::fromUtf8(shown->name.data(), shown->name.size())
                                            : PlainLabel(shown->menuLabel);
    QStringList numbers;
    for (int value : values) numbers.append(QString::number(value));
    if (!numbers.isEmpty()) text += Tr("：") + numbers.join(u',');
    return text;
}

void HistoryDock::Show(const UndoHistory& history, const QString& picturePath, bool hasPicture) {
    m_list->clear();
    if (!hasPicture) {
        m_commandLine.clear();
        m_copy->setEnabled(false);
        return;
    }
    m_list->addItem(history.Dropped() == 0 ? Tr("打开的图像") : Tr("保留的最早状态"));
    for (std::size_t i = 0; i < history.Size(); ++i) {
        const HistoryStep& step = history.At(i).step;
        auto* item = new QListWidgetItem(StepText(step.id, step.values), m_list);
        // Steps that could be redone are shown, greyed, until a new step
        // replaces them.
        if (i >= history.Position()) item->setForeground(palette().brush(QPalette::Disabled, QPalette::Text));
    }
    m_list->setCurrentRow(static_cast<int>(history.Position()));
    m_list->scrollToItem(m_list->currentItem());
    m_commandLine = QString::fromStdString(BatchCommandLine(history, picturePath.toStdString()));
    m_copy->setEnabled(!m_commandLine.isEmpty());
    m_copy->setToolTip(m_commandLine.isEmpty() ? Tr("较早的步骤已不在历史记录中，无法写成命令行")
                                               : m_commandLine);
}

}  // namespace lintra
