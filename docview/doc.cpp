#include "docview/doc.h"

#include "docview/commands.h"

namespace lintra {

FileDialogRequest BmpFileDialog() {
    return {"BMP", "*.BMP", "位图文件(*.BMP)|*.BMP|", kOfnHideReadOnly | kOfnOverwritePrompt};
}

CLintraDoc::CLintraDoc(Platform& platform) : m_platform(platform) {}

void CLintraDoc::OnFileOpen() {
    std::optional<std::string> path = m_platform.ChooseOpenFile(BmpFileDialog());
    if (path) OpenPath(*path);
}

bool CLintraDoc::OpenPath(const std::string& path) {
    m_strFilePath = path;
    try {
        m_dib.Read(m_strFilePath, m_platform);
    } catch (const FileError& error) {
        m_platform.ReportFileError(error);
        return false;
    }
    if (m_dib.m_bValid != 1) return false;
    m_bImageOpen = 1;
    m_bReloadPending = 1;
    m_platform.SetDocumentTitle(m_strFilePath);
    m_platform.InvalidateView();
    return true;
}

bool CLintraDoc::OnCommand(int id) {
    if (id != cmd::kFileOpen) return false;
    OnFileOpen();
    return true;
}

}  // namespace lintra
