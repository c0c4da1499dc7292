#include "docview/view.h"

#include <new>

#include "image/draw.h"

namespace lintra {

CLintraView::CLintraView(CLintraDoc& doc, UserInterface& ui, ConverterRunner& converter)
    : m_doc(doc), m_ui(ui), m_converter(converter) {}

Dib& CLintraView::BaseImage() {
    if (m_basePending) {
        if (!m_baseImage.CopyImage(m_originalImage)) throw std::bad_alloc();
        m_basePending = false;
    }
    return m_baseImage;
}

bool CLintraView::SegmentsFromThisPicture() const {
    if (m_pSegmentList == nullptr || m_pSegmentList->empty()) return true;
    return m_segmentsPicture == m_pictureSerial;
}

bool CLintraView::HasImage() const {
    return m_doc.m_bImageOpen == 1 && m_doc.m_bReloadPending == 0 && m_pSegmentList != nullptr &&
           m_pDisplayImage != nullptr && !m_currentImage.IsEmpty() && m_currentImage.GetBitCount() == 8;
}

void CLintraView::Redraw() {
    m_ui.InvalidateView();
}

void CLintraView::OnDraw(Canvas& canvas) {
    LoadPendingImage();
    if (m_doc.m_bImageOpen != 1 || m_doc.m_bReloadPending != 0 || m_pDisplayImage == nullptr) return;
    if (m_tracePreview) {
        DrawDib(canvas, m_originalImage);
        DrawCadPreview(canvas, *m_tracePreview, m_originalImage.GetHeight());
        return;
    }
    if (m_bVectorMode == 1) {
        if (m_pSegmentList != nullptr) DrawSegments(canvas, *m_pSegmentList, m_pDisplayImage->GetHeight());
    } else {
        DrawDib(canvas, *m_pDisplayImage);
    }
    if (m_showCadDrawing && m_pSegmentList != nullptr && !m_pSegmentList->empty() &&
        SegmentsFromThisPicture())
        DrawCadPreview(canvas, CadPreview(), m_pDisplayImage->GetHeight());
}

void CLintraView::OnShowBitmap() {
    m_bVectorMode = 0;
    Redraw();
}

void CLintraView::OnShowVector() {
    m_bVectorMode = 1;
    Redraw();
}

void CLintraView::OnFileOpen() {
    m_doc.OnFileOpen();
}

void CLintraView::OnFileSave() {
    std::optional<std::string> path = m_ui.ChooseSaveFile(BmpFileDialog());
    if (!path) return;
    try {
        m_pDisplayImage->Write(*path);
    } catch (const FileError& error) {
        m_ui.ReportFileError(error);
        return;
    }
    m_history.MarkClean();
    HistoryChanged();
    Redraw();
}

}  // namespace lintra
