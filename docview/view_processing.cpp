// Running a command by its row: the one check for a loaded image, the
// common pattern of the processing commands, and the two restores. Every
// command that changes the picture runs as one step of the undo history.
#include "docview/view.h"

namespace lintra {

bool CLintraView::OnCommand(int id) {
    const Command* command = FindCommand(id);
    if (command == nullptr || !command->RunsInView()) return false;
    if (command->needsImage && !HasImage()) return true;
    switch (command->kind) {
        case CommandKind::Processing:
            Recorded(*command, {id, {}, 0},
                     [&] { RunProcessing(*command, std::span<const int>(&command->argument, 1)); });
            break;
        case CommandKind::Parameter:
            OpenParamDialog(*command);
            break;
        default:
            if (ChangesPicture(*command))
                Recorded(*command, {id, {}, 0}, [&] { (this->*command->handler)(); });
            else
                (this->*command->handler)();
            break;
    }
    return true;
}

bool CLintraView::OnCommand(int id, std::span<const int> values) {
    const Command* command = FindCommand(id);
    std::string error;
    if (command == nullptr || command->kind != CommandKind::Processing || !ValuesFit(*command, values, error))
        return false;
    if (HasImage())
        Recorded(*command, {id, std::vector<int>(values.begin(), values.end()), 0},
                 [&] { RunProcessing(*command, values); });
    return true;
}

void CLintraView::RunProcessing(const Command& command, std::span<const int> arguments) {
    Dib::CopyPixels(m_previousImage, m_currentImage);
    command.operation(*this, m_currentImage.View(), arguments);
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
