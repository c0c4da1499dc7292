// CLintraApp as the user interface of the document and the view: the
// message boxes, the file dialogs, the parameter and CAD dialogs, the busy
// cursor, the title and the status bar.
#include <QApplication>
#include <QStatusBar>

#include "app/busy_notice.h"
#include "app/cad_options_dialog.h"
#include "app/lintra_app.h"
#include "app/main_frame.h"
#include "app/message_box.h"
#include "app/param_dialog.h"
#include "app/recent_files.h"
#include "app/translations.h"
#include "app/view_widget.h"
#include "docview/doc.h"

namespace lintra {

void CLintraApp::ShowMessage(const std::string& text, const std::string& caption) {
    emit messageShown(TrComposed(text), QString::fromStdString(caption));
    if (!m_unattended) ShowMessageBox(m_frame, text, caption);
}

void CLintraApp::ReportFileError(const FileError& error) {
    ShowMessage(FileErrorText(error).toStdString(), kAppTitle);
}

std::optional<std::string> CLintraApp::ChooseOpenFile(const FileDialogRequest& request) {
    return m_files.ChooseOpenFile(m_frame, request);
}

std::optional<std::string> CLintraApp::ChooseSaveFile(const FileDialogRequest& request) {
    return m_files.ChooseSaveFile(m_frame, request);
}

void CLintraApp::OpenParamDialog(std::function<void(int)> report) {
    // Each command opens a new dialog; the earlier ones stay open and keep
    // sending, and all of them live until the program ends. Each position
    // re-applies the operation, which may take a while on a large picture.
    auto reapply = [this, report = std::move(report)](int position) {
        m_busy->Run(kReapplyKey, Tr("参数调整"), PicturePixels(), [&] { report(position); });
    };
    auto* dialog = new CParameterDialog(std::move(reapply), m_frame);
    m_paramDialogs.append(dialog);
    dialog->show();
    dialog->raise();
    dialog->activateWindow();
}

void CLintraApp::InvalidateView() {
    if (m_viewWidget != nullptr) m_viewWidget->RequestRefresh();
}

void CLintraApp::SetBusy(bool busy) {
    if (busy) {
        if (m_busyDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
    } else if (m_busyDepth > 0) {
        if (--m_busyDepth == 0) QApplication::restoreOverrideCursor();
    }
}

void CLintraApp::SetDocumentTitle(const std::string& title) {
    if (m_frame == nullptr) return;
    m_frame->SetDocumentTitle(TrComposed(title));
    // Only a successful Open names the document after its file.
    if (m_opening) {
        m_openedPath = true;
        // The file's path, not the title: a page of a multi-page file is
        // titled with its page, which names no file to open again.
        m_recent->Add(QString::fromStdString(m_doc->m_strFilePath));
        m_frame->SetRecentFiles(m_recent->Paths());
    }
}

bool CLintraApp::ChooseCadOptions(const PictureGeometry& picture, CadExportSettings& settings) {
    // The view says where the dialog starts: a picture's own resolution is
    // not overridden by a dpi typed for another picture.
    CadOptionsDialog dialog(picture, settings, m_frame);
    if (dialog.exec() != QDialog::Accepted) return false;
    settings = dialog.Settings();
    // A dpi typed over a picture's own resolution is that picture's only;
    // the one kept for pictures without a resolution stays.
    CadExportSettings kept = settings;
    if (picture.xPelsPerMeter > 0 && picture.yPelsPerMeter > 0)
        kept.options.dpi = LoadCadSettings(m_settings).options.dpi;
    SaveCadSettings(m_settings, kept);
    return true;
}

void CLintraApp::ShowStatus(const std::string& pattern, const std::vector<std::string>& args) {
    if (m_frame == nullptr) return;
    QString text = Tr(pattern);
    for (const std::string& arg : args) text = text.arg(QString::fromStdString(arg));
    m_frame->statusBar()->showMessage(text);
}

}  // namespace lintra
