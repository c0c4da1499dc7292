// The main window: menu bar, toolbar and accelerators built from the
// command table, the status bar with its idle text and lock indicators,
// the recent-file entries of the File menu, and the title.
#pragma once

#include <QHash>
#include <QList>
#include <QMainWindow>
#include <QStringList>
#include <functional>

class QAction;
class QLabel;
class QMenu;
class QToolBar;

namespace lintra {

class LockIndicators;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    // The action that sends command id from the menus and the toolbar, or
    // null for an identifier that has no menu item.
    QAction* ActionFor(int id) const { return m_actions.value(id); }
    // The hidden actions of the accelerators whose command has no menu item
    // (New, Print, Undo, Cut, Copy, Paste, the pane keys).
    const QList<QAction*>& AcceleratorOnlyActions() const { return m_acceleratorActions; }
    QToolBar* ToolBar() const { return m_toolBar; }
    QLabel* IdleLabel() const { return m_idleLabel; }

    // "<document title> - Contourix", as a single-document frame shows it.
    void SetDocumentTitle(const QString& title);

    // Shows paths as the numbered recent-file entries above Exit.
    void SetRecentFiles(const QStringList& paths);
    // Adds action at the end of the View menu (a dock's switch).
    void AddToViewMenu(QAction* action);

    // Asked before the window closes; false keeps it open.
    std::function<bool()> closeGuard;

signals:
    // A menu item, toolbar button or accelerator was used.
    void commandTriggered(int id);
    // A recent-file entry was chosen.
    void recentFileTriggered(const QString& path);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void BuildMenus();
    void BuildAccelerators();
    void BuildToolBar();
    void BuildStatusBar();
    QAction* MakeAction(int id, const QString& text);

    QHash<int, QAction*> m_actions;
    QList<QAction*> m_acceleratorActions;
    QList<QAction*> m_recentActions;
    QMenu* m_fileMenu = nullptr;
    QMenu* m_viewMenu = nullptr;
    QAction* m_recentSeparator = nullptr;
    QToolBar* m_toolBar = nullptr;
    QLabel* m_idleLabel = nullptr;
    LockIndicators* m_lockIndicators = nullptr;
};

}  // namespace lintra
