// The main window against the command table: the menu tree, the shortcuts,
// the toolbar, the title and the status bar.
#include "app/main_frame.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QStatusBar>
#include <QTest>
#include <QTimer>
#include <QToolBar>

#include "app/file_dialogs.h"
#include "app/menus.h"
#include "app/message_box.h"
#include "docview/commands.h"

using namespace lintra;

namespace {
QString Q(std::string_view s) {
    return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size()));
}
}  // namespace

class TestMainFrame : public QObject {
    Q_OBJECT
private slots:
    void labelConversion();
    void menuTreeMatchesTable();
    void altLetterOpensStepMenus();
    void messageBoxIcons();
    void acceleratorsMatchTable();
    void everyMenuItemSendsItsIdentifier();
    void toolbarFollowsTable();
    void titleAndStatusBar();
    void recentFilesSitAboveExit();
};

void TestMainFrame::labelConversion() {
    QtMenuText open = ToQtMenuText("打开...\tCtrl+O(&O)");
    QCOMPARE(open.text, QStringLiteral("打开...(&O)"));
    QCOMPARE(open.keyHint, QStringLiteral("Ctrl+O"));
    QtMenuText plain = ToQtMenuText("处理第二步(S&)");
    QCOMPARE(plain.text, QStringLiteral("处理第二步(S&)"));
    QVERIFY(plain.keyHint.isEmpty());
    // Menu-bar titles: a marker after its letter moves before it.
    QCOMPARE(ToQtMenuTitle("处理第二步(S&)"), QStringLiteral("处理第二步(&S)"));
    QCOMPARE(ToQtMenuTitle("文件(&F)"), QStringLiteral("文件(&F)"));
    QCOMPARE(ToQtMenuTitle("A(&&)"), QStringLiteral("A(&&)"));
    QtMenuText noMnemonic = ToQtMenuText("全部\tF5");
    QCOMPARE(noMnemonic.text, QStringLiteral("全部"));
    QCOMPARE(noMnemonic.keyHint, QStringLiteral("F5"));
    // File-dialog filters match either case; an entry with no description
    // or no pattern is left out.
    QStringList filters =
        ToQtNameFilters({{"位图文件(*.BMP)", {"*.BMP"}}, {"图片", {"*.Bmp", "*.dib"}}, {"", {"*.x"}}});
    QCOMPARE(filters, QStringList({QStringLiteral("位图文件(*.BMP) (*.BMP *.bmp)"),
                                   QStringLiteral("图片 (*.Bmp *.BMP *.bmp *.dib *.DIB)")}));
}

void TestMainFrame::menuTreeMatchesTable() {
    CMainFrame frame;
    QList<QAction*> top = frame.menuBar()->actions();
    auto menus = MainMenu();
    QCOMPARE(top.size(), static_cast<qsizetype>(menus.size()));
    for (std::size_t m = 0; m < menus.size(); ++m) {
        QCOMPARE(top[m]->text(), ToQtMenuTitle(menus[m].title));
        QMenu* menu = top[m]->menu();
        QVERIFY(menu != nullptr);
        // The File menu holds the hidden separator of the recent files.
        QList<QAction*> items;
        for (QAction* a : menu->actions())
            if (a->isVisible()) items.append(a);
        QCOMPARE(items.size(), static_cast<qsizetype>(menus[m].ids.size()));
        for (std::size_t i = 0; i < menus[m].ids.size(); ++i) {
            const int id = menus[m].ids[i];
            QAction* item = items[i];
            if (id == kMenuSeparator) {
                QVERIFY2(item->isSeparator(), qPrintable(Q(menus[m].title)));
                continue;
            }
            QVERIFY(!item->isSeparator());
            QCOMPARE(item->data().toInt(), id);
            QCOMPARE(item->text(), ToQtMenuText(FindCommand(id)->menuLabel).text);
            QCOMPARE(frame.ActionFor(id), item);
        }
    }
    // The labels Qt shows keep the Chinese text and the mnemonic.
    QCOMPARE(frame.ActionFor(cmd::kFileOpen)->text(), QStringLiteral("打开...(&O)"));
    QCOMPARE(frame.ActionFor(cmd::kAppExit)->text(), QStringLiteral("退出(&X)"));
    QCOMPARE(top[4]->text(), QStringLiteral("处理第二步(&S)"));
    QCOMPARE(top[5]->text(), QStringLiteral("处理第三步(&T)"));
}

void TestMainFrame::altLetterOpensStepMenus() {
    CMainFrame frame;
    frame.show();
    frame.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&frame));
    QList<QAction*> top = frame.menuBar()->actions();
    // Alt+S opens step two, Alt+T step three; the text shown is "处理第二步(S)".
    for (auto [key, index] : {std::pair{Qt::Key_S, 4}, std::pair{Qt::Key_T, 5}}) {
        QMenu* menu = top[index]->menu();
        QVERIFY(!menu->isVisible());
        QTest::keyClick(&frame, key, Qt::AltModifier);
        QTRY_VERIFY2(menu->isVisible(), qPrintable(top[index]->text()));
        QCOMPARE(frame.menuBar()->activeAction(), top[index]);
        QCOMPARE(QString(top[index]->text()).remove(u'&'), Q(MainMenu()[index].title).remove(u'&'));
        QTest::keyClick(menu, Qt::Key_Escape);
        QTRY_VERIFY(!menu->isVisible());
        QTest::keyClick(frame.menuBar(), Qt::Key_Escape);
    }
}

void TestMainFrame::messageBoxIcons() {
    QWidget owner;
    struct Seen {
        QMessageBox::Icon icon;
        QString caption;
        QString text;
    };
    QList<Seen> seen;
    auto answerNextBox = [&seen] {
        QTimer::singleShot(0, [&seen] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            QVERIFY(box != nullptr);
            seen.append({box->icon(), box->windowTitle(), box->text()});
            QCOMPARE(box->buttons().size(), 1);
            box->button(QMessageBox::Ok)->click();
        });
    };
    answerNextBox();
    ShowMessageBox(&owner, "This isn't a bitmap file!", "Contourix");
    answerNextBox();
    ShowMessageBox(&owner, "打开失败,程序只支持8位或24位位图!", "Contourix");
    QCOMPARE(seen.size(), 2);
    // The reader's refusal has no icon; a failed operation a warning sign.
    QCOMPARE(seen[0].icon, QMessageBox::NoIcon);
    QCOMPARE(seen[0].caption, QStringLiteral("Contourix"));
    QCOMPARE(seen[0].text, QStringLiteral("This isn't a bitmap file!"));
    QCOMPARE(seen[1].icon, QMessageBox::Warning);
}

void TestMainFrame::acceleratorsMatchTable() {
    CMainFrame frame;
    // Every accelerator key belongs to exactly one action, of its command.
    QHash<QString, int> byKey;
    QList<QAction*> all = frame.findChildren<QAction*>();
    for (QAction* action : all)
        for (const QKeySequence& keys : action->shortcuts()) {
            QString text = keys.toString(QKeySequence::PortableText);
            QVERIFY2(!byKey.contains(text), qPrintable(text));
            byKey.insert(text, action->data().toInt());
        }
    QCOMPARE(byKey.size(), static_cast<qsizetype>(Accelerators().size()));
    for (const AcceleratorEntry& entry : Accelerators()) {
        QString text =
            QKeySequence(Q(entry.keys), QKeySequence::PortableText).toString(QKeySequence::PortableText);
        QVERIFY2(byKey.contains(text), qPrintable(text));
        QCOMPARE(byKey.value(text), entry.id);
    }
    QCOMPARE(frame.ActionFor(cmd::kFileOpen)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QCOMPARE(frame.ActionFor(cmd::kFileSave)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    // Undo and Redo are items of the Edit menu, two keys each.
    QCOMPARE(frame.ActionFor(cmd::kEditUndo)->shortcuts(),
             (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Z")),
                                  QKeySequence(QStringLiteral("Alt+Backspace"))}));
    QCOMPARE(frame.ActionFor(cmd::kEditRedo)->shortcuts(),
             (QList<QKeySequence>{QKeySequence(QStringLiteral("Ctrl+Y")),
                                  QKeySequence(QStringLiteral("Ctrl+Shift+Z"))}));
    for (QAction* action : frame.AcceleratorOnlyActions())
        QVERIFY(action->data().toInt() != cmd::kEditUndo && action->data().toInt() != cmd::kEditRedo);
}

void TestMainFrame::everyMenuItemSendsItsIdentifier() {
    CMainFrame frame;
    QSignalSpy spy(&frame, &CMainFrame::commandTriggered);
    int expected = 0;
    for (const MenuDefinition& menu : MainMenu())
        for (int id : menu.ids) {
            if (id == kMenuSeparator || id == cmd::kViewToolbar || id == cmd::kViewStatusBar) continue;
            frame.ActionFor(id)->trigger();
            ++expected;
            QCOMPARE(spy.size(), expected);
            QCOMPARE(spy.last().at(0).toInt(), id);
        }
    // The accelerator-only keys send theirs too (and their handlers, where
    // there are none, do nothing).
    for (QAction* action : frame.AcceleratorOnlyActions()) {
        action->trigger();
        QCOMPARE(spy.last().at(0).toInt(), action->data().toInt());
    }
}

void TestMainFrame::toolbarFollowsTable() {
    CMainFrame frame;
    QToolBar* bar = frame.ToolBar();
    QCOMPARE(bar->iconSize(), QSize(20, 20));
    QList<QAction*> actions = bar->actions();
    auto buttons = ToolbarButtons();
    QCOMPARE(actions.size(), static_cast<qsizetype>(buttons.size()));
    for (std::size_t i = 0; i < buttons.size(); ++i) {
        if (buttons[i] == 0) {
            QVERIFY(actions[i]->isSeparator());
            continue;
        }
        QCOMPARE(actions[i], frame.ActionFor(buttons[i]));
        QVERIFY(!actions[i]->icon().isNull());
    }
    QCOMPARE(frame.ActionFor(cmd::kRestoreOriginal)->toolTip(), QStringLiteral("还原到未修改时"));
    QCOMPARE(frame.ActionFor(cmd::kRestorePrevious)->statusTip(), QStringLiteral("还原至上一幅图"));

    // The View menu's toggles hide and show the bars.
    frame.show();
    QVERIFY(QTest::qWaitForWindowExposed(&frame));
    frame.ActionFor(cmd::kViewToolbar)->trigger();
    QVERIFY(!bar->isVisible());
    QVERIFY(!frame.ActionFor(cmd::kViewToolbar)->isChecked());
    frame.ActionFor(cmd::kViewToolbar)->trigger();
    QVERIFY(bar->isVisible());
    frame.ActionFor(cmd::kViewStatusBar)->trigger();
    QVERIFY(!frame.statusBar()->isVisible());
}

void TestMainFrame::titleAndStatusBar() {
    CMainFrame frame;
    QCOMPARE(frame.windowTitle(), QStringLiteral("无标题 - Contourix"));
    frame.SetDocumentTitle(QStringLiteral("/home/user/图纸/plan.bmp"));
    QCOMPARE(frame.windowTitle(), QStringLiteral("/home/user/图纸/plan.bmp - Contourix"));
    QCOMPARE(frame.IdleLabel()->text(), QStringLiteral("就绪"));
    QStringList panes;
    for (QLabel* label : frame.statusBar()->findChildren<QLabel*>()) panes << label->objectName();
    QVERIFY(panes.contains(QStringLiteral("CAP")));
    QVERIFY(panes.contains(QStringLiteral("NUM")));
    QVERIFY(panes.contains(QStringLiteral("SCRL")));
}

void TestMainFrame::recentFilesSitAboveExit() {
    CMainFrame frame;
    QSignalSpy spy(&frame, &CMainFrame::recentFileTriggered);
    frame.SetRecentFiles({QStringLiteral("/a/one.bmp"), QStringLiteral("/b/R&D.bmp")});
    QMenu* file = frame.menuBar()->actions().first()->menu();
    QList<QAction*> visible;
    for (QAction* a : file->actions())
        if (a->isVisible()) visible.append(a);
    // Open, Save, separator, the two files, separator, Exit.
    QCOMPARE(visible.size(), 7);
    QCOMPARE(visible[3]->text(), QStringLiteral("&1 /a/one.bmp"));
    QCOMPARE(visible[4]->text(), QStringLiteral("&2 /b/R&&D.bmp"));
    QVERIFY(visible[5]->isSeparator());
    QCOMPARE(visible[6], frame.ActionFor(cmd::kAppExit));
    visible[4]->trigger();
    QCOMPARE(spy.size(), 1);
    QCOMPARE(spy.first().at(0).toString(), QStringLiteral("/b/R&D.bmp"));
    // Replacing the list leaves no stale entry behind.
    frame.SetRecentFiles({});
    int shown = 0;
    for (QAction* a : file->actions()) shown += a->isVisible() ? 1 : 0;
    QCOMPARE(shown, 4);
}

QTEST_MAIN(TestMainFrame)
#include "main_frame_test.moc"
