// The parameter commands and live re-application: the first change after a
// dialog opens saves the current image as the base; every change re-runs the
// operation on that base with the reported position.
#include "docview/view.h"

namespace lintra {

void CLintraView::OpenParamDialog(const Command& command) {
    // Restore previous then undoes everything done through this dialog.
    Dib::CopyPixels(m_previousImage, m_currentImage);
    m_ui.OpenParamDialog([this](int position) { OnParamChanged(position); });
    m_paramOp = command.operation;
    m_paramCommand = &command;
    ++m_paramDialog;
    m_saveBase = true;
}

void CLintraView::OnParamChanged(int position) {
    // Each reported position is a step of its own, undone one at a time.
    if (!HasImage() || m_paramCommand == nullptr) {
        ReapplyWithParam(position);
        return;
    }
    Recorded(*m_paramCommand, {m_paramCommand->id, {position}, m_paramDialog},
             [&] { ReapplyWithParam(position); });
}

void CLintraView::ReapplyWithParam(int value) {
    if (!HasImage()) return;
    if (m_saveBase)
        Dib::CopyPixels(BaseImage(), m_currentImage);
    else
        Dib::CopyPixels(m_currentImage, BaseImage());
    if (m_paramOp != nullptr) m_paramOp(*this, m_currentImage.View(), std::span<const int>(&value, 1));
    m_saveBase = false;
    m_pDisplayImage = &m_currentImage;
    Redraw();
}

}  // namespace lintra
