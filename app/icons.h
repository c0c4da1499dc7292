// The program's artwork, drawn with QPainter so it needs no image plug-in:
// the application icon (a scanned stroke and the red outline traced over
// it), the about box picture, and the toolbar icons.
#pragma once

#include <QIcon>
#include <QPixmap>

namespace lintra {

QIcon AppIcon();
// The picture beside the about box's labels.
QPixmap AboutPicture();
// The toolbar icon of a command, or a null icon for a command without one.
QIcon ToolbarIcon(int id);

}  // namespace lintra
