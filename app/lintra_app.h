// CLintraApp: starts the program in the order of a single-document
// application (settings and the recent-file list, the document, the frame
// and the view, the command line, showing the window) and routes every
// command: those the front end runs itself (About, Exit, New, the print
// commands) here, every other one to the view by its row of the command
// table.
#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "docview/converter.h"

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
class QtUserInterface;
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

class CLintraApp : public QObject {
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
    QtUserInterface& Ui() { return *m_ui; }
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

private:
    void DispatchChecked(int id);
    // Runs run, turning what it throws into a message box.
    void Guarded(const std::function<void()>& run);
    void AddFrontEndCommands();
    void OpenParamDialog(std::function<void(int)> report);
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
    std::unique_ptr<QtUserInterface> m_ui;
    ChildProcessConverter m_converter;
    // What the front end runs for the commands the view does not.
    QHash<int, std::function<void()>> m_frontEndCommands;
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
    bool m_opening = false;
    bool m_openedPath = false;
};

}  // namespace lintra
