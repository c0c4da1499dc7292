#include "app/main_frame.h"

#include <QAction>
#include <QCloseEvent>
#include <QDir>
#include <QKeySequence>
#include <QLabel>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>

#include "app/app_title.h"
#include "app/icons.h"
#include "app/lock_indicators.h"
#include "app/menus.h"
#include "app/translations.h"
#include "docview/commands.h"

namespace lintra {
namespace {

QString FromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent) {
    setObjectName(QStringLiteral("mainFrame"));
    setWindowIcon(AppIcon());
    BuildMenus();
    BuildAccelerators();
    BuildToolBar();
    BuildStatusBar();
    SetDocumentTitle(Tr("无标题"));
}

CMainFrame::~CMainFrame() = default;

QAction* CMainFrame::MakeAction(int id, const QString& text) {
    auto* action = new QAction(text, this);
    action->setData(id);
    action->setObjectName(QStringLiteral("command%1").arg(id));
    CommandPrompt prompt = PromptFor(id);
    if (!prompt.statusTip.isEmpty()) action->setStatusTip(prompt.statusTip);
    if (!prompt.toolTip.isEmpty()) action->setToolTip(prompt.toolTip);
    QIcon icon = ToolbarIcon(id);
    if (!icon.isNull()) action->setIcon(icon);
    // Icons belong to the toolbar; the menus show the labels alone.
    action->setIconVisibleInMenu(false);
    return action;
}

void CMainFrame::BuildMenus() {
    for (const MenuDefinition& menuEntry : MainMenu()) {
        QMenu* menu = menuBar()->addMenu(ToQtMenuTitle(menuEntry.title));
        if (m_fileMenu == nullptr) m_fileMenu = menu;
        for (int id : menuEntry.ids) {
            if (id == cmd::kViewToolbar) m_viewMenu = menu;
            if (id == kMenuSeparator) {
                menu->addSeparator();
                continue;
            }
            const Command* command = FindCommand(id);
            if (command == nullptr) continue;
            QtMenuText text = ToQtMenuText(command->menuLabel);
            QAction* action = MakeAction(id, text.text);
            // The key hint shows beside the label even when the accelerator
            // table gives the command no key.
            if (!text.keyHint.isEmpty()) action->setProperty("keyHint", text.keyHint);
            menu->addAction(action);
            m_actions.insert(id, action);
            if (id == cmd::kViewToolbar || id == cmd::kViewStatusBar) {
                action->setCheckable(true);
                action->setChecked(true);
            } else {
                connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
            }
        }
    }
    // The recent files go between the separator after Save and Exit.
    if (QAction* exitAction = m_actions.value(cmd::kAppExit)) {
        m_recentSeparator = m_fileMenu->insertSeparator(exitAction);
        m_recentSeparator->setVisible(false);
    }
}

void CMainFrame::BuildAccelerators() {
    for (const AcceleratorEntry& accelerator : Accelerators()) {
        QKeySequence keys(FromView(accelerator.keys), QKeySequence::PortableText);
        if (QAction* action = m_actions.value(accelerator.id)) {
            QList<QKeySequence> shortcuts = action->shortcuts();
            shortcuts.append(keys);
            action->setShortcuts(shortcuts);
            continue;
        }
        // A key whose command has no menu item: one hidden action per
        // command, so that Ctrl+Z and Alt+Backspace share one.
        QAction* hidden = nullptr;
        for (QAction* candidate : m_acceleratorActions)
            if (candidate->data().toInt() == accelerator.id) hidden = candidate;
        if (hidden == nullptr) {
            hidden = MakeAction(accelerator.id, QString());
            connect(hidden, &QAction::triggered, this,
                    [this, id = accelerator.id] { emit commandTriggered(id); });
            addAction(hidden);
            m_acceleratorActions.append(hidden);
        }
        QList<QKeySequence> shortcuts = hidden->shortcuts();
        shortcuts.append(keys);
        hidden->setShortcuts(shortcuts);
    }
    // A hint with no matching accelerator still shows beside its label.
    for (QAction* action : std::as_const(m_actions)) {
        QString hint = action->property("keyHint").toString();
        if (!hint.isEmpty() && !action->shortcuts().contains(QKeySequence(hint, QKeySequence::PortableText)))
            action->setText(action->text() + u'\t' + hint);
    }
}

void CMainFrame::BuildToolBar() {
    m_toolBar = new QToolBar(Tr("工具栏"), this);
    m_toolBar->setObjectName(QStringLiteral("toolBar"));
    m_toolBar->setIconSize(QSize(20, 20));
    m_toolBar->setAllowedAreas(Qt::AllToolBarAreas);
    m_toolBar->setMovable(true);
    m_toolBar->setFloatable(true);
    for (int id : ToolbarButtons()) {
        if (id == 0) {
            m_toolBar->addSeparator();
            continue;
        }
        QAction* action = m_actions.value(id);
        if (action == nullptr) {
            action = MakeAction(id, QString());
            connect(action, &QAction::triggered, this, [this, id] { emit commandTriggered(id); });
            m_actions.insert(id, action);
        }
        m_toolBar->addAction(action);
    }
    addToolBar(Qt::TopToolBarArea, m_toolBar);
    if (QAction* toggle = m_actions.value(cmd::kViewToolbar)) {
        connect(toggle, &QAction::toggled, m_toolBar, &QToolBar::setVisible);
        connect(m_toolBar, &QToolBar::visibilityChanged, toggle, &QAction::setChecked);
    }
}

void CMainFrame::BuildStatusBar() {
    QStatusBar* bar = statusBar();
    bar->setObjectName(QStringLiteral("statusBar"));
    // A permanent "ready" text that prompts and tips cover while they show.
    m_idleLabel = new QLabel(Tr("就绪"), bar);
    m_idleLabel->setObjectName(QStringLiteral("idleText"));
    bar->addWidget(m_idleLabel, 1);
    m_lockIndicators = new LockIndicators(bar);
    if (QAction* toggle = m_actions.value(cmd::kViewStatusBar)) {
        connect(toggle, &QAction::toggled, bar, &QStatusBar::setVisible);
    }
}

void CMainFrame::AddToViewMenu(QAction* action) {
    if (m_viewMenu != nullptr) m_viewMenu->addAction(action);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    if (closeGuard && !closeGuard()) {
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

void CMainFrame::SetDocumentTitle(const QString& title) {
    setWindowTitle(title.isEmpty() ? AppTitle() : title + QStringLiteral(" - ") + AppTitle());
}

void CMainFrame::SetRecentFiles(const QStringList& paths) {
    for (QAction* action : std::as_const(m_recentActions)) {
        m_fileMenu->removeAction(action);
        action->deleteLater();
    }
    m_recentActions.clear();
    if (m_recentSeparator == nullptr) return;
    for (int i = 0; i < paths.size(); ++i) {
        QString shown = QDir::toNativeSeparators(paths[i]);
        shown.replace(u'&', QStringLiteral("&&"));
        auto* action = new QAction(QStringLiteral("&%1 %2").arg(i + 1).arg(shown), this);
        action->setData(paths[i]);
        action->setStatusTip(Tr("打开此文档"));
        connect(action, &QAction::triggered, this,
                [this, path = paths[i]] { emit recentFileTriggered(path); });
        m_fileMenu->insertAction(m_recentSeparator, action);
        m_recentActions.append(action);
    }
    m_recentSeparator->setVisible(!paths.isEmpty());
}

}  // namespace lintra
