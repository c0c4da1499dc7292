#include "app/lintra_app.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMenu>
#include <QMessageBox>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <new>

#include "app/about_dialog.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/param_dialog.h"
#include "app/printing.h"
#include "app/qt_platform.h"
#include "app/recent_files.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"

namespace lintra {

CLintraApp::CLintraApp(QSettings& settings, QObject* parent) : QObject(parent), settings_(settings) {}

CLintraApp::~CLintraApp() {
    // The dialogs and the frame hold callbacks into the view: close them first.
    qDeleteAll(paramDialogs_);
    paramDialogs_.clear();
    delete frame_;
}

bool CLintraApp::InitInstance(const StartOptions& options) {
    // Settings and the recent-file list of 4.
    recent_ = std::make_unique<RecentFiles>(settings_);

    // The document, the frame and the view, joined as one document template.
    platform_ = std::make_unique<QtPlatform>();
    if (!options.programDirectory.isEmpty()) platform_->SetProgramDirectory(options.programDirectory);
    doc_ = std::make_unique<CLintraDoc>(*platform_);
    view_ = std::make_unique<CLintraView>(*doc_, *platform_);

    frame_ = new CMainFrame;
    platform_->SetWindow(frame_);
    scrollArea_ = new QScrollArea(frame_);
    scrollArea_->setObjectName(QStringLiteral("viewScrollArea"));
    scrollArea_->setBackgroundRole(QPalette::Base);
    scrollArea_->setFrameShape(QFrame::NoFrame);
    // The widget fills the window when the picture is smaller and keeps the
    // picture's size when it is larger, so scroll bars appear only then.
    scrollArea_->setWidgetResizable(true);
    viewWidget_ = new LintraViewWidget(*doc_, *view_, scrollArea_);
    scrollArea_->setWidget(viewWidget_);
    frame_->setCentralWidget(scrollArea_);

    PrintSource source;
    source.draw = [this](Canvas& canvas) { view_->OnDraw(canvas); };
    source.contentSize = [this] { return viewWidget_->ContentSize(); };
    printing_ = new PrintController(source, this);

    platform_->onInvalidate = [this] { viewWidget_->RequestRefresh(); };
    platform_->onTitle = [this](const QString& title) {
        frame_->SetDocumentTitle(title);
        // Only a successful Open names the document after its file.
        if (opening_) {
            openedPath_ = true;
            recent_->Add(title);
            frame_->SetRecentFiles(recent_->Paths());
        }
    };
    platform_->onOpenParamDialog = [this] { OpenParamDialog(); };
    // An unattended run (a screenshot for the documentation or a test)
    // cannot wait for someone to close a message box: say it on stderr.
    if (!options.screenshot.isEmpty())
        platform_->onMessage = [](const QString& text, const QString& caption) {
            qWarning("%s: %s", qPrintable(caption), qPrintable(text));
        };

    connect(frame_, &CMainFrame::commandTriggered, this, &CLintraApp::Dispatch);
    connect(frame_, &CMainFrame::recentFileTriggered, this, &CLintraApp::OpenFile);
    connect(viewWidget_, &LintraViewWidget::contextMenuRequested, this, &CLintraApp::ShowContextMenu);
    frame_->SetRecentFiles(recent_->Paths());

    // Show the window, then open the command line's file: a message about
    // it then has the window as its owner.
    frame_->resize(900, 700);
    frame_->show();
    QTimer::singleShot(0, this, [this, options] { RunStartupSteps(options); });
    return true;
}

void CLintraApp::RunStartupSteps(const StartOptions& options) {
    if (!options.file.isEmpty()) {
        OpenFile(options.file);
        viewWidget_->Refresh();
    }
    for (const QString& step : options.steps) {
        const CommandInfo* info = FindCommand(std::string_view(step.toStdString()));
        if (info == nullptr) {
            ShowError(QStringLiteral("未知的命令：%1").arg(step));
            break;
        }
        Dispatch(info->id);
        viewWidget_->Refresh();
    }
    emit startupStepsDone();
    if (!options.screenshot.isEmpty()) {
        // Let the window and the view repaint, then grab what the screen shows.
        QTimer::singleShot(300, this, [this, path = options.screenshot] {
            QApplication::processEvents();
            QScreen* screen = frame_->screen();
            QPixmap shot = screen ? screen->grabWindow(0) : QPixmap();
            if (shot.isNull() || shot.size().isEmpty() || !shot.save(path)) {
                qWarning("cannot save the screenshot to %s", qPrintable(path));
                QApplication::exit(1);
                return;
            }
            QApplication::exit(0);
        });
    }
}

void CLintraApp::Dispatch(int id) {
    try {
        DispatchChecked(id);
    } catch (const FileError& error) {
        platform_->ReportFileError(error);
    } catch (const std::bad_alloc&) {
        ShowError(QStringLiteral("内存不足，操作未完成。"));
    } catch (const std::exception& error) {
        ShowError(QStringLiteral("操作未完成：%1").arg(QString::fromLocal8Bit(error.what())));
    }
}

void CLintraApp::DispatchChecked(int id) {
    switch (id) {
        case cmd::kAppExit:
            frame_->close();
            return;
        case cmd::kAppAbout: {
            CAboutDlg about(frame_);
            about.exec();
            return;
        }
        case cmd::kFileNew:
            // A new, empty document of the single-document frame: the title
            // goes back to "无标题"; the view keeps what it shows.
            frame_->SetDocumentTitle(QStringLiteral("无标题"));
            return;
        case cmd::kFilePrint:
            printing_->Print(frame_, true);
            return;
        case cmd::kFilePrintDirect:
            printing_->Print(frame_, false);
            return;
        case cmd::kFilePrintPreview:
            printing_->Preview(frame_);
            return;
        case cmd::kFilePrintSetup:
            printing_->PageSetup(frame_);
            return;
        case cmd::kFileOpen: {
            opening_ = true;
            openedPath_ = false;
            struct Reset {
                bool& flag;
                ~Reset() { flag = false; }
            } reset{opening_};
            doc_->OnFileOpen();
            return;
        }
        default:
            // The view's commands; keys with no handler (Undo, Cut, Copy,
            // Paste, the pane keys) end here and do nothing.
            view_->OnCommand(id);
            return;
    }
}

void CLintraApp::OpenFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        ShowError(QStringLiteral("无法打开文件 %1：文件不存在。").arg(QDir::toNativeSeparators(path)));
        recent_->Remove(path);
        frame_->SetRecentFiles(recent_->Paths());
        return;
    }
    platform_->PresetOpenFile(path);
    Dispatch(cmd::kFileOpen);
    platform_->PresetOpenFile(QString());
}

void CLintraApp::OpenParamDialog() {
    // Each command opens a new dialog; the earlier ones stay open and keep
    // sending, and all of them live until the program ends.
    auto* dialog = new CGaiBian([this](int position) { view_->OnParamChanged(position); }, frame_);
    paramDialogs_.append(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void CLintraApp::ShowContextMenu(const QPoint& globalPos) {
    if (contextMenu_ == nullptr) {
        // Printing has no item in the menu bar; the view offers it here.
        contextMenu_ = new QMenu(frame_);
        struct Item {
            int id;
            const char* label;
        };
        const Item items[] = {{cmd::kFilePrint, "打印(&P)..."},
                              {cmd::kFilePrintPreview, "打印预览(&V)"},
                              {cmd::kFilePrintSetup, "打印设置(&R)..."}};
        for (const Item& item : items) {
            QAction* action = contextMenu_->addAction(QString::fromUtf8(item.label));
            action->setData(item.id);
            action->setObjectName(QStringLiteral("context%1").arg(item.id));
            action->setStatusTip(PromptFor(item.id).statusTip);
            if (item.id == cmd::kFilePrint) action->setShortcut(QKeySequence(QStringLiteral("Ctrl+P")));
            connect(action, &QAction::triggered, this, [this, id = item.id] { Dispatch(id); });
        }
    }
    contextMenu_->popup(globalPos);
}

void CLintraApp::ShowError(const QString& text) { platform_->ShowMessage(text.toStdString(), kAppTitle); }

}  // namespace lintra
