// Running a command by its row: the one check for a loaded image, the
// common pattern of the processing commands, and the two restores.
#include "docview/view.h"

namespace lintra {

bool CLintraView::OnCommand(int id) {
    const Command* command = FindCommand(id);
    if (command == nullptr || !command->RunsInView()) return false;
    if (command->needsImage && !HasImage()) return true;
    switch (command->kind) {
        case CommandKind::Processing:
            RunProcessing(*command);
            break;
        case CommandKind::Parameter:
            OpenParamDialog(*command);
            break;
        default:
            (this->*command->handler)();
            break;
    }
    return true;
}

void CLintraView::RunProcessing(const Command& command) {
    Dib::CopyPixels(m_previousImage, m_currentImage);
    command.operation(*this, m_currentImage.View(), command.argument);
    m_pDisplayImage = &m_currentImage;
    Redraw();
}

void CLintraView::OnRestoreOriginal() {
    Dib::CopyPixels(m_currentImage, m_originalImage);
    m_pDisplayImage = &m_currentImage;
    Redraw();
}

void CLintraView::OnRestorePrevious() {
    Dib::CopyPixels(m_currentImage, m_previousImage);
    Redraw();
}

}  // namespace lintra
