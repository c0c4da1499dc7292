#include "app/lintra_app.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <cmath>
#include <new>

#include "app/about_dialog.h"
#include "app/app_title.h"
#include "app/busy_notice.h"
#include "app/cad_options_dialog.h"
#include "app/file_drop.h"
#include "app/history_dock.h"
#include "app/main_frame.h"
#include "app/menus.h"
#include "app/param_dialog.h"
#include "app/printing.h"
#include "app/recent_files.h"
#include "app/trace_dialog.h"
#include "app/translations.h"
#include "app/view_widget.h"
#include "docview/commands.h"
#include "docview/doc.h"
#include "docview/view.h"
#include "image/read_options.h"

namespace lintra {

std::uint64_t PixelBudget(const QSettings& settings) {
    bool ok = false;
    const qulonglong budget = settings.value(kPixelBudgetKey).toULongLong(&ok);
    return ok && budget > 0 ? budget : kDefaultMaxPixels;
}

CLintraApp::CLintraApp(QSettings& settings, QObject* parent) : QObject(parent), m_settings(settings) {}

CLintraApp::~CLintraApp() {
    // The dialogs and the frame hold callbacks into the view: close them first.
    delete m_traceDialog.data();
    qDeleteAll(m_paramDialogs);
    m_paramDialogs.clear();
    delete m_frame;
}

bool CLintraApp::InitInstance(const StartOptions& options) {
    // Settings and the recent-file list of 4.
    m_recent = std::make_unique<RecentFiles>(m_settings);

    // The document, the frame and the view, joined as one document template.
    m_converter.SetProgramDirectory(options.programDirectory.toStdString());
    m_doc = std::make_unique<CLintraDoc>(*this);
    m_doc->m_readOptions.maxPixels = PixelBudget(m_settings);
    m_view = std::make_unique<CLintraView>(*m_doc, *this, m_converter);

    m_frame = new CMainFrame;
    BuildViewArea();

    PrintSource source;
    source.draw = [this](Canvas& canvas) { m_view->OnDraw(canvas); };
    source.contentSize = [this] { return m_viewWidget->ContentSize(); };
    m_printing = new PrintController(source, this);

    m_view->SetCadSettings(LoadCadSettings(m_settings));
    m_view->SetCheckCadSource(true);
    // A run that leaves a screenshot is unattended: it says its messages
    // on stderr.
    if (!options.screenshot.isEmpty()) {
        SetUnattended(true);
        connect(this, &CLintraApp::messageShown, this, [](const QString& text, const QString& caption) {
            qWarning("%s: %s", qPrintable(caption), qPrintable(text));
        });
    }

    m_busy = std::make_unique<BusyNotice>(m_frame->statusBar());
    m_viewWidget->SetLoadRunner([this](const std::function<void()>& load) {
        const Dib& file = m_doc->m_dib;
        const qint64 pixels =
            file.IsEmpty() ? 0 : static_cast<qint64>(file.GetWidth()) * std::abs(file.GetHeight());
        m_busy->Run(kLoadKey - file.GetBitCount(), Tr("打开"), pixels, load);
    });
    BuildStatusPanes();
    // A file dropped on the window opens as Open opens it.
    auto* dropTarget = new FileDropTarget(m_frame);
    connect(dropTarget, &FileDropTarget::fileDropped, this, &CLintraApp::OpenFile);

    connect(m_frame, &CMainFrame::commandTriggered, this, &CLintraApp::Dispatch);
    connect(m_frame, &CMainFrame::recentFileTriggered, this, &CLintraApp::OpenFile);
    connect(m_viewWidget, &LintraViewWidget::contextMenuRequested, this, &CLintraApp::ShowContextMenu);
    m_frame->SetRecentFiles(m_recent->Paths());

    // Show the window, then open the command line's file: a message about
    // it then has the window as its owner.
    // The window as it was left, else a size of its own.
    const QByteArray geometry = m_settings.value(kWindowGeometryKey).toByteArray();
    if (geometry.isEmpty() || !m_frame->restoreGeometry(geometry)) m_frame->resize(900, 700);
    m_frame->restoreState(m_settings.value(kWindowStateKey).toByteArray());
    UpdateCommandStates();
    m_frame->show();
    m_viewWidget->setFocus();
    QTimer::singleShot(0, this, [this, options] { RunStartupSteps(options); });
    return true;
}

void CLintraApp::BuildViewArea() {
    m_scrollArea = new QScrollArea(m_frame);
    m_scrollArea->setObjectName(QStringLiteral("viewScrollArea"));
    m_scrollArea->setBackgroundRole(QPalette::Base);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // The widget fills the window when the picture is smaller and keeps the
    // picture's size when it is larger, so scroll bars appear only then.
    m_scrollArea->setWidgetResizable(true);
    m_viewWidget = new LintraViewWidget(*m_doc, *m_view, m_scrollArea);
    m_scrollArea->setWidget(m_viewWidget);
    m_frame->setCentralWidget(m_scrollArea);
    m_historyDock = new HistoryDock(m_frame);
    m_frame->addDockWidget(Qt::RightDockWidgetArea, m_historyDock);
    m_frame->AddToViewMenu(m_historyDock->toggleViewAction());
    connect(m_historyDock, &HistoryDock::positionChosen, this, [this](int position) {
        Guarded([this, position] { m_view->GoToStep(static_cast<std::size_t>(position)); });
        m_viewWidget->Refresh();
    });
    m_view->onHistoryChanged = [this] { UpdateCommandStates(); };
    m_frame->closeGuard = [this] {
        if (!MaybeSave()) return false;
        SaveLayout();
        return true;
    };
}

void CLintraApp::BuildStatusPanes() {
    // After the lock indicators: the picture's size and resolution, the
    // pointer's place on it, and the zoom.
    m_pictureLabel = new QLabel(m_frame->statusBar());
    m_pictureLabel->setObjectName(QStringLiteral("pictureText"));
    m_frame->statusBar()->addPermanentWidget(m_pictureLabel);
    m_pointerLabel = new QLabel(m_frame->statusBar());
    m_pointerLabel->setObjectName(QStringLiteral("pointerText"));
    m_frame->statusBar()->addPermanentWidget(m_pointerLabel);
    connect(m_viewWidget, &LintraViewWidget::pointerMoved, this, &CLintraApp::ShowPointer);
    m_zoomLabel = new QLabel(m_frame->statusBar());
    m_zoomLabel->setObjectName(QStringLiteral("zoomText"));
    m_zoomLabel->setToolTip(
        Tr("Ctrl++ 放大，Ctrl+- 缩小，Ctrl+0 原始大小，Ctrl+F 适合窗口；按住中键或空格拖动"));
    m_frame->statusBar()->addPermanentWidget(m_zoomLabel);
    connect(m_viewWidget, &LintraViewWidget::zoomChanged, this, [this](double zoom) {
        m_zoomLabel->setText(QString::number(std::round(zoom * 1000) / 10) + u'%');
    });
    m_viewWidget->SetZoom(1.0);
}

void CLintraApp::RunStartupSteps(const StartOptions& options) {
    if (!options.file.isEmpty()) {
        OpenFile(options.file);
        m_viewWidget->Refresh();
    }
    for (const QString& step : options.steps) {
        const Command* command = FindCommand(std::string_view(step.toStdString()));
        if (command == nullptr) {
            ShowError(Tr("未知的命令：%1").arg(step));
            break;
        }
        Dispatch(command->id);
        m_viewWidget->Refresh();
    }
    emit startupStepsDone();
    if (!options.screenshot.isEmpty()) {
        // Let the window and the view repaint, then grab what the screen shows.
        QTimer::singleShot(300, this, [this, path = options.screenshot] {
            QApplication::processEvents();
            QScreen* screen = m_frame->screen();
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
    Guarded([this, id] { DispatchChecked(id); });
    UpdateCommandStates();
}

void CLintraApp::Guarded(const std::function<void()>& run) {
    try {
        run();
    } catch (const FileError& error) {
        ReportFileError(error);
    } catch (const std::bad_alloc&) {
        ShowError(Tr("内存不足，操作未完成。"));
    } catch (const std::exception& error) {
        ShowError(Tr("操作未完成：%1").arg(QString::fromLocal8Bit(error.what())));
    }
}

CLintraApp::FrontEndHandler CLintraApp::FrontEndHandlerFor(int id) {
    // The commands the front end runs itself, each with its handler: the
    // rows of the command table that run no operation of the view, and the
    // trace, which asks for its settings first.
    static constexpr struct {
        int id;
        FrontEndHandler run;
    } kHandlers[] = {
        {cmd::kFileNew, &CLintraApp::OnFileNew},
        {cmd::kFilePrint, &CLintraApp::OnFilePrint},
        {cmd::kFilePrintDirect, &CLintraApp::OnFilePrintDirect},
        {cmd::kFilePrintPreview, &CLintraApp::OnFilePrintPreview},
        {cmd::kFilePrintSetup, &CLintraApp::OnFilePrintSetup},
        {cmd::kAppExit, &CLintraApp::OnAppExit},
        {cmd::kAppAbout, &CLintraApp::OnAppAbout},
        {cmd::kEditUndo, &CLintraApp::OnEditUndo},
        {cmd::kEditRedo, &CLintraApp::OnEditRedo},
        {cmd::kViewToolbar, &CLintraApp::OnViewToolbar},
        {cmd::kViewStatusBar, &CLintraApp::OnViewStatusBar},
        {cmd::kTrace, &CLintraApp::OpenTraceDialog},
        {cmd::kEditCut, &CLintraApp::OnUnusedKey},
        {cmd::kEditCopy, &CLintraApp::OnUnusedKey},
        {cmd::kEditPaste, &CLintraApp::OnUnusedKey},
        {cmd::kNextPane, &CLintraApp::OnUnusedKey},
        {cmd::kPrevPane, &CLintraApp::OnUnusedKey},
    };
    for (const auto& handler : kHandlers)
        if (handler.id == id) return handler.run;
    return nullptr;
}

bool CLintraApp::HasFrontEndHandler(int id) {
    return FrontEndHandlerFor(id) != nullptr;
}

void CLintraApp::OnFileNew() {
    // A new, empty document of the single-document frame: the title goes
    // back to "无标题"; the view keeps what it shows.
    m_frame->SetDocumentTitle(Tr("无标题"));
}

void CLintraApp::OnFilePrint() {
    m_printing->Print(m_frame, true);
}

void CLintraApp::OnFilePrintDirect() {
    m_printing->Print(m_frame, false);
}

void CLintraApp::OnFilePrintPreview() {
    m_printing->Preview(m_frame);
}

void CLintraApp::OnFilePrintSetup() {
    m_printing->PageSetup(m_frame);
}

void CLintraApp::OnAppExit() {
    m_frame->close();
}

void CLintraApp::OnAppAbout() {
    CAboutDlg about(m_frame);
    about.exec();
}

void CLintraApp::OnEditUndo() {
    m_view->OnEditUndo();
}

void CLintraApp::OnEditRedo() {
    m_view->OnEditRedo();
}

// The switches are checkable items of the View menu: running one flips it
// as a click does.
void CLintraApp::OnViewToolbar() {
    if (QAction* toggle = m_frame->ActionFor(cmd::kViewToolbar)) toggle->trigger();
}

void CLintraApp::OnViewStatusBar() {
    if (QAction* toggle = m_frame->ActionFor(cmd::kViewStatusBar)) toggle->trigger();
}

void CLintraApp::DispatchChecked(int id) {
    // Another command ends the trace dialog as its Cancel does: its preview
    // is of the picture as it stands now.
    if (m_traceDialog != nullptr && m_traceDialog->isVisible() && id != cmd::kTrace) m_traceDialog->reject();
    if (FrontEndHandler run = FrontEndHandlerFor(id)) {
        (this->*run)();
        return;
    }
    // The processed picture is offered for saving before another replaces it.
    if (id == cmd::kFileOpen && !MaybeSave()) return;
    // Only a successful Open adds its path to the recent files.
    m_opening = id == cmd::kFileOpen;
    m_openedPath = false;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{m_opening};
    // Operations on the picture say in the status bar that they run when
    // they are expected to take a while.
    const Command* command = FindCommand(id);
    if (command != nullptr &&
        (command->kind == CommandKind::Processing || command->kind == CommandKind::Vectorisation)) {
        m_busy->Run(id, Tr(command->menuLabel), PicturePixels(), [this, id] { m_view->OnCommand(id); });
        return;
    }
    m_view->OnCommand(id);
}

void CLintraApp::OpenFile(const QString& path) {
    if (!QFileInfo::exists(path)) {
        ShowError(Tr("无法打开文件 %1：文件不存在。").arg(QDir::toNativeSeparators(path)));
        m_recent->Remove(path);
        m_frame->SetRecentFiles(m_recent->Paths());
        return;
    }
    m_files.PresetOpenFile(path);
    Dispatch(cmd::kFileOpen);
    m_files.PresetOpenFile(QString());
}

qint64 CLintraApp::PicturePixels() const {
    const Dib& image = m_view->CurrentImage();
    return image.IsEmpty() ? 0 : static_cast<qint64>(image.GetWidth()) * std::abs(image.GetHeight());
}

TraceDialog* CLintraApp::TraceDialogOpen() const {
    return m_traceDialog != nullptr && m_traceDialog->isVisible() ? m_traceDialog.data() : nullptr;
}

void CLintraApp::OpenTraceDialog() {
    if (m_traceDialog != nullptr && m_traceDialog->isVisible()) {
        m_traceDialog->raise();
        m_traceDialog->activateWindow();
        return;
    }
    if (!m_view->HasImage()) return;
    TraceDialogHost host;
    host.visibleArea = [this] {
        const QRect shown = m_viewWidget->VisiblePictureRect();
        const int height = m_view->OriginalImage().GetHeight();
        // The picture's rows count from the bottom.
        return PixelRect{shown.x(), height - (shown.y() + shown.height()), shown.width(), shown.height()};
    };
    // The preview changes only what is drawn over the picture: a repaint,
    // with the reduced picture kept.
    host.repaint = [this] { m_viewWidget->update(); };
    host.runLong = [this](const std::function<void()>& run) {
        m_busy->Run(cmd::kTrace, Tr("一键矢量化"), PicturePixels(), run);
    };
    host.exportCad = [this] { Dispatch(cmd::kExportCad); };
    m_traceDialog = new TraceDialog(*m_view, m_settings, std::move(host), m_frame);
    // In the frame's lower right corner, where it hides the least of a
    // picture shown from the top left.
    m_traceDialog->adjustSize();
    const QRect frame = m_frame->geometry();
    m_traceDialog->move(frame.right() - m_traceDialog->width() - 20,
                        frame.bottom() - m_traceDialog->height() - 40);
    m_traceDialog->show();
    m_traceDialog->raise();
    m_traceDialog->activateWindow();
}

void CLintraApp::ShowContextMenu(const QPoint& globalPos) {
    if (m_contextMenu == nullptr) {
        // Printing has no item in the menu bar; the view offers it here.
        m_contextMenu = new QMenu(m_frame);
        for (int id : ContextMenu()) {
            const Command* command = FindCommand(id);
            if (command == nullptr) continue;
            QAction* action = m_contextMenu->addAction(Tr(command->menuLabel));
            action->setData(id);
            action->setObjectName(QStringLiteral("context%1").arg(id));
            action->setStatusTip(PromptFor(id).statusTip);
            // The key shows beside the item; the frame's own action answers it.
            for (const AcceleratorEntry& accelerator : Accelerators())
                if (accelerator.id == id)
                    action->setShortcut(
                        QKeySequence(QString::fromUtf8(accelerator.keys.data(),
                                                       static_cast<qsizetype>(accelerator.keys.size())),
                                     QKeySequence::PortableText));
            connect(action, &QAction::triggered, this, [this, id] { Dispatch(id); });
        }
    }
    m_contextMenu->popup(globalPos);
}

bool CLintraApp::MaybeSave() {
    if (!m_view->IsModified()) return true;
    QMessageBox box(QMessageBox::Question, AppTitle(), Tr("图像已处理，是否保存处理后的图像？"),
                    QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, m_frame);
    box.button(QMessageBox::Yes)->setText(Tr("是(&Y)"));
    box.button(QMessageBox::No)->setText(Tr("否(&N)"));
    box.button(QMessageBox::Cancel)->setText(Tr("取消"));
    box.setDefaultButton(QMessageBox::Yes);
    switch (box.exec()) {
        case QMessageBox::Yes:
            // A cancelled or failed save keeps the picture here.
            Dispatch(cmd::kFileSave);
            return !m_view->IsModified();
        case QMessageBox::No:
            return true;
        default:
            return false;
    }
}

void CLintraApp::SaveLayout() {
    m_settings.setValue(kWindowGeometryKey, m_frame->saveGeometry());
    m_settings.setValue(kWindowStateKey, m_frame->saveState());
}

void CLintraApp::UpdateCommandStates() {
    const bool picture = m_view->HasImage();
    const UndoHistory& history = m_view->History();
    if (QAction* undo = m_frame->ActionFor(cmd::kEditUndo)) undo->setEnabled(picture && history.CanUndo());
    if (QAction* redo = m_frame->ActionFor(cmd::kEditRedo)) redo->setEnabled(picture && history.CanRedo());
    for (int id : {cmd::kShowBitmap, cmd::kShowVector})
        if (QAction* show = m_frame->ActionFor(id)) {
            show->setCheckable(true);
            show->setChecked(picture && m_view->VectorMode() == (id == cmd::kShowVector));
        }
    m_historyDock->Show(history, QString::fromStdString(m_doc->m_strFilePath), picture);
    if (!picture) {
        m_pictureLabel->clear();
        return;
    }
    const PictureGeometry geometry = m_view->Geometry();
    QString text = Tr("%1 × %2 像素").arg(geometry.width).arg(std::abs(geometry.height));
    if (geometry.xPelsPerMeter > 0)
        text += Tr("，%1 dpi").arg(std::lround(geometry.xPelsPerMeter * 0.0254));
    else
        text += Tr("，未记录分辨率");
    m_pictureLabel->setText(text);
}

void CLintraApp::ShowPointer(std::optional<QPoint> pixel) {
    if (!pixel || !m_view->HasImage()) {
        m_pointerLabel->clear();
        return;
    }
    QString text = Tr("x %1，y %2 像素").arg(pixel->x()).arg(pixel->y());
    const PictureGeometry geometry = m_view->Geometry();
    if (geometry.xPelsPerMeter > 0 && geometry.yPelsPerMeter > 0)
        // Millimetres from the picture's lower left corner, as the CAD
        // export places the drawing.
        text += Tr("（%1，%2 毫米）")
                    .arg(pixel->x() * 1000.0 / geometry.xPelsPerMeter, 0, 'f', 1)
                    .arg(pixel->y() * 1000.0 / geometry.yPelsPerMeter, 0, 'f', 1);
    m_pointerLabel->setText(text);
}

void CLintraApp::ShowError(const QString& text) {
    ShowMessage(text.toStdString(), kAppTitle);
}

}  // namespace lintra
