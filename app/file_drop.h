// Opening a file by dropping it on the main window: a drag that carries
// one local file is accepted, and its drop names the file to open.
#pragma once

#include <QObject>
#include <QString>

class QMimeData;

namespace lintra {

// The local file a drag carries, or an empty string when it carries none,
// several, or something other than files.
QString DroppedFile(const QMimeData* data);

// Watches window for drags and drops: accepts a drag of one local file and
// reports its drop through fileDropped. Everything else passes on.
class FileDropTarget : public QObject {
    Q_OBJECT
public:
    explicit FileDropTarget(QWidget* window);

signals:
    void fileDropped(const QString& path);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};

}  // namespace lintra
