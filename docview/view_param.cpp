// The four parameter commands and live re-application: the first change
// after a dialog opens saves the current image as the base; every change
// re-runs the operation on that base with the reported position.
#include "docview/view.h"
#include "raster/binarise.h"
#include "raster/blobs.h"
#include "raster/thin.h"

namespace lintra {

void CLintraView::OpenParamDialog(ParamOp op) {
    if (!HasImage()) return;
    // Restore previous then undoes everything done through this dialog.
    Dib::CopyPixels(m_previousImage, m_currentImage);
    m_platform.OpenParamDialog();
    m_paramOp = op;
    m_saveBase = true;
}

void CLintraView::OnParamBinarise1() {
    OpenParamDialog(kParamOpBinariseGradient);
}
void CLintraView::OnParamBinarise2() {
    OpenParamDialog(kParamOpBinariseThreshold);
}
void CLintraView::OnParamBlobs() {
    OpenParamDialog(kParamOpSmallBlobs);
}
void CLintraView::OnParamBranches() {
    OpenParamDialog(kParamOpShortBranches);
}

void CLintraView::OnParamChanged(int position) {
    ReapplyWithParam(position);
}

void CLintraView::ReapplyWithParam(int value) {
    if (!HasImage()) return;
    if (m_saveBase)
        Dib::CopyPixels(m_baseImage, m_currentImage);
    else
        Dib::CopyPixels(m_currentImage, m_baseImage);
    ImageView current = m_currentImage.View();
    switch (m_paramOp) {
        case kParamOpBinariseGradient:
            BinariseGradient(current, value);
            break;
        case kParamOpBinariseThreshold:
            BinariseThreshold(current, value);
            break;
        case kParamOpSmallBlobs:
            RemoveSmallBlackBlobs(m_blobState, current, value);
            break;
        case kParamOpShortBranches:
            RemoveShortBranches(current, value);
            break;
        default:
            break;
    }
    m_saveBase = false;
    m_pDisplayImage = &m_currentImage;
    Redraw();
}

}  // namespace lintra
