// The vectorisation commands and the DXF export.
#include "docview/messages.h"
#include "docview/view.h"
#include "vector/segments/dxf.h"
#include "vector/vectorise/vectorise2.h"

namespace lintra {

Vectorise1Context CLintraView::Vectorise1Parts() {
    return {m_currentImage.View(),
            m_previousImage.View(),
            m_workImage.View(),
            &m_grid,
            &m_contourCount,
            m_pSegmentList,
            &m_ui};
}

void CLintraView::OnVectorise1() {
    Vectorise1(Vectorise1Parts());
    MarkSegmentsTraced();
    m_bVectorMode = 1;
    Redraw();
}

void CLintraView::OnPeelContour() {
    PeelContour(Vectorise1Parts());
    MarkSegmentsTraced();
    m_pDisplayImage = &m_workImage;
    Redraw();
}

void CLintraView::OnVectorise2() {
    m_pSegmentList->clear();
    MarkSegmentsTraced();
    // The view takes no input while the walk runs, whatever ends it.
    struct Busy {
        UserInterface& ui;
        explicit Busy(UserInterface& u) : ui(u) { ui.SetBusy(true); }
        ~Busy() { ui.SetBusy(false); }
    };
    {
        Busy busy(m_ui);
        m_bVectorMode = 1;
        m_ncText.clear();
        TraceStrokes(m_currentImage.View(), *m_pSegmentList, m_ncText);
        m_pDisplayImage = &m_currentImage;
    }
    Redraw();
}

FileDialogRequest DxfFileDialog() {
    return {"dxf", "*.dxf", {{"AutoCAD文件(*.dxf)", {"*.dxf"}}}, true};
}

void CLintraView::OnExportDxf() {
    int width = m_currentImage.GetWidth();
    int height = m_currentImage.GetHeight();
    std::optional<std::string> path = m_ui.ChooseSaveFile(DxfFileDialog());
    if (!path) return;
    try {
        WriteDxf(*path, *m_pSegmentList, width, height);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return;
    }
    m_ui.ShowStatus(kStatusDxfLines, {std::to_string(m_pSegmentList->size())});
}

}  // namespace lintra
