// CLintraApp: starts the program in the order of a single-document
// application (settings and the recent-file list, the document, the frame
// and the view, the command line, showing the window) and routes every
// command: the frame's own, the application's (About, Exit, New, the print
// commands), then the document's and the view's.
#pragma once

#include <QList>
#include <QObject>
#include <QStringList>
#include <memory>

class QMenu;
class QScrollArea;
class QSettings;

namespace lintra {

class CGaiBian;
class CLintraDoc;
class CLintraView;
class CMainFrame;
class LintraViewWidget;
class PrintController;
class QtPlatform;
class RecentFiles;

// The organisation key the settings are kept under.
inline constexpr const char* kSettingsKey = "应用程序向导生成的本地应用程序";

struct StartOptions {
    QString file;            // a BMP to open as the Open command would
    QStringList steps;       // command names to run after it, in order
    QString screenshot;      // save a screen grab here after the steps, then quit
    QString programDirectory;  // where Palettor is, when not beside lintra
};

class CLintraApp : public QObject {
    Q_OBJECT
public:
    explicit CLintraApp(QSettings& settings, QObject* parent = nullptr);
    ~CLintraApp() override;

    // Builds the document, frame and view, shows the frame and schedules
    // the command-line file and steps. False when start-up failed.
    bool InitInstance(const StartOptions& options);

    // Runs command id as a menu item, toolbar button or accelerator would.
    void Dispatch(int id);
    // Opens path through the Open command, without the file dialog.
    void OpenFile(const QString& path);

    CMainFrame& Frame() { return *frame_; }
    LintraViewWidget& ViewWidget() { return *viewWidget_; }
    QScrollArea& ScrollArea() { return *scrollArea_; }
    CLintraDoc& Doc() { return *doc_; }
    CLintraView& View() { return *view_; }
    QtPlatform& Platform() { return *platform_; }
    PrintController& Printing() { return *printing_; }
    RecentFiles& Recent() { return *recent_; }
    const QList<CGaiBian*>& ParamDialogs() const { return paramDialogs_; }

signals:
    // The command-line file and steps have run (or failed); the screen
    // shows their result once the pending repaint is done.
    void startupStepsDone();

private:
    void DispatchChecked(int id);
    void OpenParamDialog();
    void ShowContextMenu(const QPoint& globalPos);
    void RunStartupSteps(const StartOptions& options);
    void ShowError(const QString& text);

    QSettings& settings_;
    std::unique_ptr<QtPlatform> platform_;
    std::unique_ptr<CLintraDoc> doc_;
    std::unique_ptr<CLintraView> view_;
    std::unique_ptr<RecentFiles> recent_;
    CMainFrame* frame_ = nullptr;
    QScrollArea* scrollArea_ = nullptr;
    LintraViewWidget* viewWidget_ = nullptr;
    PrintController* printing_ = nullptr;
    QMenu* contextMenu_ = nullptr;
    QList<CGaiBian*> paramDialogs_;
    bool opening_ = false;
    bool openedPath_ = false;
};

}  // namespace lintra
