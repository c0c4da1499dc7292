// CLintraApp: starts the program in the order of a single-document
// application (settings and the recent-file list, the document, the frame
// and the view, the command line, showing the window), is the user
// interface the document and the view talk to, and routes every command:
// those the front end runs itself (About, Exit, New, the print commands,
// undo and redo) to its own handlers, every other one to the view by its
// row of the command table.
#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "app/file_dialogs.h"
#include "docview/converter.h"
#include "docview/user_interface.h"

class QLabel;
class QMenu;
class QScrollArea;
class QSettings;

namespace lintra {

class BusyNotice;
class CParameterDialog;
class HistoryDock;
class CLintraDoc;
class CLintraView;
class CMainFrame;
class LintraViewWidget;
class PrintController;
class RecentFiles;
class TraceDialog;

// The organisation key the settings are kept under.
inline constexpr const char* kSettingsKey = "应用程序向导生成的本地应用程序";

// The setting that holds the pixel budget of every Open (a picture whose
// header promises more pixels is refused before any pixel memory is taken);
// `lintra --max-pixels N` stores it.
inline constexpr const char* kPixelBudgetKey = "open/maxPixels";
// The budget the settings hold, or the default when they hold none (or 0).
std::uint64_t PixelBudget(const QSettings& settings);

// The settings that keep the window's size and place, and its toolbar and
// docked panels, from one run to the next.
inline constexpr const char* kWindowGeometryKey = "window/geometry";
inline constexpr const char* kWindowStateKey = "window/state";

struct StartOptions {
    QString file;              // a BMP to open as the Open command would
    QStringList steps;         // command names to run after it, in order
    QString screenshot;        // save a screen grab here after the steps, then quit
    QString programDirectory;  // where Palettor is, when not beside lintra
};

class CLintraApp : public QObject, public UserInterface {
    Q_OBJECT
public:
    // The busy notice's keys of the runs that are no command: the
    // trackbar's re-application, and the load of an opened picture (minus
    // its bit count, as 24-bit files go through Palettor).
    static constexpr int kReapplyKey = -1;
    static constexpr int kLoadKey = -100;

    explicit CLintraApp(QSettings& settings, QObject* parent = nullptr);
    ~CLintraApp() override;

    // Builds the document, frame and view, shows the frame and schedules
    // the command-line file and steps. False when start-up failed.
    bool InitInstance(const StartOptions& options);

    // Runs command id as a menu item, toolbar button or accelerator would.
    void Dispatch(int id);
    // Opens path through the Open command, without the file dialog.
    void OpenFile(const QString& path);
    // True when the front end runs command id itself, by its own handler.
    static bool HasFrontEndHandler(int id);
    // No message box is shown: messages go out through messageShown only
    // (an unattended run cannot wait for someone to close a box).
    void SetUnattended(bool unattended) { m_unattended = unattended; }

    // The user interface of the document and the view.
    void ShowMessage(const std::string& text, const std::string& caption) override;
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;
    void OpenParamDialog(std::function<void(int)> report) override;
    void InvalidateView() override;
    void SetBusy(bool busy) override;
    void SetDocumentTitle(const std::string& title) override;
    void ReportFileError(const FileError& error) override;
    bool ChooseCadOptions(const PictureGeometry& picture, CadExportSettings& settings) override;
    void ShowStatus(const std::string& pattern, const std::vector<std::string>& args) override;

    CMainFrame& Frame() { return *m_frame; }
    LintraViewWidget& ViewWidget() { return *m_viewWidget; }
    QLabel& ZoomLabel() { return *m_zoomLabel; }
    // The status bar's picture pane (size and resolution) and pointer pane.
    QLabel& PictureLabel() { return *m_pictureLabel; }
    QLabel& PointerLabel() { return *m_pointerLabel; }
    HistoryDock& HistoryPanel() { return *m_historyDock; }
    QScrollArea& ScrollArea() { return *m_scrollArea; }
    CLintraDoc& Doc() { return *m_doc; }
    CLintraView& View() { return *m_view; }
    FileChooser& Files() { return m_files; }
    BusyNotice& Busy() { return *m_busy; }
    PrintController& Printing() { return *m_printing; }
    RecentFiles& Recent() { return *m_recent; }
    const QList<CParameterDialog*>& ParamDialogs() const { return m_paramDialogs; }
    // The trace dialog while it is open, else null.
    TraceDialog* TraceDialogOpen() const;

signals:
    // The command-line file and steps have run (or failed); the screen
    // shows their result once the pending repaint is done.
    void startupStepsDone();
    // A message was said (text translated), in a box unless unattended.
    void messageShown(const QString& text, const QString& caption);

private:
    // The view in its scroll area, the history panel beside it, and what
    // happens when the window is asked to close.
    void BuildViewArea();
    // The status bar's panes after the lock indicators.
    void BuildStatusPanes();
    void DispatchChecked(int id);
    // Runs run, turning what it throws into a message box.
    void Guarded(const std::function<void()>& run);
    // The handler of a command the front end runs itself, or null.
    using FrontEndHandler = void (CLintraApp::*)();
    static FrontEndHandler FrontEndHandlerFor(int id);
    void OnFileNew();
    void OnFilePrint();
    void OnFilePrintDirect();
    void OnFilePrintPreview();
    void OnFilePrintSetup();
    void OnAppExit();
    void OnAppAbout();
    void OnEditUndo();
    void OnEditRedo();
    void OnViewToolbar();
    void OnViewStatusBar();
    // The keys of the accelerator table that do nothing here (Cut, Copy,
    // Paste, the pane keys).
    void OnUnusedKey() {}
    // The trace chooses its preset and settings in a dialog first.
    void OpenTraceDialog();
    void ShowContextMenu(const QPoint& globalPos);
    void RunStartupSteps(const StartOptions& options);
    void ShowError(const QString& text);
    // Before the picture is left (another Open, quitting): when it has been
    // processed since it was opened or saved, asks whether to save it.
    // False when the user cancels, or chose to save and did not.
    bool MaybeSave();
    // Undo and redo enabled as the history allows, the bitmap and vector
    // items checked as the view shows, the picture pane and the history
    // panel brought up to date.
    void UpdateCommandStates();
    void ShowPointer(std::optional<QPoint> pixel);
    void SaveLayout();
    // The current image's pixel count, 0 with no picture.
    qint64 PicturePixels() const;

    QSettings& m_settings;
    FileChooser m_files;
    ChildProcessConverter m_converter;
    std::unique_ptr<CLintraDoc> m_doc;
    std::unique_ptr<CLintraView> m_view;
    std::unique_ptr<RecentFiles> m_recent;
    std::unique_ptr<BusyNotice> m_busy;
    CMainFrame* m_frame = nullptr;
    QScrollArea* m_scrollArea = nullptr;
    LintraViewWidget* m_viewWidget = nullptr;
    PrintController* m_printing = nullptr;
    QMenu* m_contextMenu = nullptr;
    QLabel* m_zoomLabel = nullptr;
    QLabel* m_pictureLabel = nullptr;
    QLabel* m_pointerLabel = nullptr;
    HistoryDock* m_historyDock = nullptr;
    QList<CParameterDialog*> m_paramDialogs;
    QPointer<TraceDialog> m_traceDialog;
    int m_busyDepth = 0;
    bool m_unattended = false;
    bool m_opening = false;
    bool m_openedPath = false;
};

}  // namespace lintra
