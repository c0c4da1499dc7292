// The vectorisation commands and the DXF export.
#include "docview/view.h"
#include "vector/dxf.h"
#include "vector/vectorise2.h"

namespace lintra {

Vectorise1Context CLintraView::Vectorise1Parts() {
    return {m_currentImage.View(), m_previousImage.View(), m_workImage.View(), &m_grid,
            &m_contourCount,       m_pSegmentList,         &m_platform};
}

void CLintraView::OnVectorise1() {
    if (!HasImage()) return;
    Vectorise1(Vectorise1Parts());
    m_bVectorMode = 1;
    Redraw();
}

void CLintraView::OnPeelContour() {
    if (!HasImage()) return;
    PeelContour(Vectorise1Parts());
    m_pDisplayImage = &m_workImage;
    Redraw();
}

void CLintraView::OnVectorise2() {
    if (!HasImage()) return;
    m_pSegmentList->clear();
    // The view takes no input while the walk runs, whatever ends it.
    struct Busy {
        Platform& platform;
        explicit Busy(Platform& p) : platform(p) { platform.SetBusy(true); }
        ~Busy() { platform.SetBusy(false); }
    };
    {
        Busy busy(m_platform);
        m_bVectorMode = 1;
        m_ncText.clear();
        TraceStrokes(m_currentImage.View(), *m_pSegmentList, m_ncText);
        m_pDisplayImage = &m_currentImage;
    }
    Redraw();
}

FileDialogRequest DxfFileDialog() {
    return {"dxf", "*.dxf", "AutoCAD文件(*.dxf)|*.dxf|", kOfnHideReadOnly | kOfnOverwritePrompt};
}

void CLintraView::OnExportDxf() {
    if (!HasImage()) return;
    int width = m_currentImage.GetWidth();
    int height = m_currentImage.GetHeight();
    std::optional<std::string> path = m_platform.ChooseSaveFile(DxfFileDialog());
    if (!path) return;
    try {
        WriteDxf(*path, *m_pSegmentList, width, height);
    } catch (const FileError& error) {
        m_platform.ReportFileError(error);
    }
}

}  // namespace lintra
