#include "docview/doc.h"

namespace lintra {

FileDialogRequest BmpFileDialog() {
    return {"BMP", "*.BMP", {{"位图文件(*.BMP)", {"*.BMP"}}}, true};
}

CLintraDoc::CLintraDoc(UserInterface& ui) : m_ui(ui) {}

void CLintraDoc::OnFileOpen() {
    std::optional<std::string> path = m_ui.ChooseOpenFile(BmpFileDialog());
    if (path) OpenPath(*path);
}

bool CLintraDoc::OpenPath(const std::string& path) {
    m_strFilePath = path;
    try {
        m_dib.Read(m_strFilePath, m_ui);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return false;
    }
    if (m_dib.m_bValid != 1) return false;
    m_bImageOpen = 1;
    m_bReloadPending = 1;
    m_ui.SetDocumentTitle(m_strFilePath);
    m_ui.InvalidateView();
    return true;
}

}  // namespace lintra
