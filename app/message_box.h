// The desktop program's message boxes: one OK button, the text in the
// user's language.
#pragma once

#include <QString>
#include <string>

class QWidget;

namespace lintra {

class FileError;

// Shows text (in the program's language, translated here) with caption in
// a box owned by owner, and returns when it is dismissed. The BMP reader's
// refusal is a plain box; every other message reports a failed operation
// and carries a warning sign.
void ShowMessageBox(QWidget* owner, const std::string& text, const std::string& caption);

// What a message about a failed file operation says: the file and the reason.
QString FileErrorText(const FileError& error);

}  // namespace lintra
