#include "docview/view.h"

#include "docview/commands.h"
#include "image/draw.h"

namespace lintra {

CLintraView::CLintraView(CLintraDoc& doc, Platform& platform) : m_doc(doc), m_platform(platform) {}

bool CLintraView::HasImage() const {
    return m_doc.m_bImageOpen == 1 && m_doc.m_bReloadPending == 0 && m_pSegmentList != nullptr &&
           m_pDisplayImage != nullptr && !m_currentImage.IsEmpty() && m_currentImage.GetBitCount() == 8;
}

void CLintraView::Redraw() {
    m_platform.InvalidateView();
}

bool CLintraView::OnCommand(int id) {
    using namespace cmd;
    switch (id) {
        case kFileOpen:
            return m_doc.OnCommand(id);
        case kFileSave:
            OnFileSave();
            return true;
        case kRestoreOriginal:
            OnRestoreOriginal();
            return true;
        case kRestorePrevious:
            OnRestorePrevious();
            return true;
        case kShowBitmap:
            OnShowBitmap();
            return true;
        case kShowVector:
            OnShowVector();
            return true;
        case kParamBinariseGradient:
            OnParamBinarise1();
            return true;
        case kParamBinariseThreshold:
            OnParamBinarise2();
            return true;
        case kParamSmallBlobs:
            OnParamBlobs();
            return true;
        case kParamShortBranches:
            OnParamBranches();
            return true;
        case kVectorise1:
            OnVectorise1();
            return true;
        case kPeelContour:
            OnPeelContour();
            return true;
        case kVectorise2:
            OnVectorise2();
            return true;
        case kExportDxf:
            OnExportDxf();
            return true;
        default:
            return OnProcess(id);
    }
}

void CLintraView::OnDraw(Canvas& canvas) {
    LoadPendingImage();
    if (m_doc.m_bImageOpen != 1 || m_doc.m_bReloadPending != 0 || m_pDisplayImage == nullptr) return;
    if (m_bVectorMode == 1) {
        if (m_pSegmentList != nullptr) DrawSegments(canvas, *m_pSegmentList, m_pDisplayImage->GetHeight());
    } else {
        DrawDib(canvas, *m_pDisplayImage);
    }
}

void CLintraView::OnShowBitmap() {
    if (!HasImage()) return;
    m_bVectorMode = 0;
    Redraw();
}

void CLintraView::OnShowVector() {
    if (!HasImage()) return;
    m_bVectorMode = 1;
    Redraw();
}

void CLintraView::OnFileSave() {
    if (!HasImage()) return;
    std::optional<std::string> path = m_platform.ChooseSaveFile(BmpFileDialog());
    if (!path) return;
    try {
        m_pDisplayImage->Write(*path);
    } catch (const FileError& error) {
        m_platform.ReportFileError(error);
        return;
    }
    Redraw();
}

}  // namespace lintra
