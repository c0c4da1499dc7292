#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace lintra {
namespace {
const QString kGroup = QStringLiteral("Recent File List");
}

RecentFiles::RecentFiles(QSettings& settings) : settings_(settings) {
    settings_.beginGroup(kGroup);
    for (int i = 1; i <= kMaxEntries; ++i) {
        QString path = settings_.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !paths_.contains(path)) paths_.append(path);
    }
    settings_.endGroup();
}

void RecentFiles::Add(const QString& path) {
    QString absolute = QFileInfo(path).absoluteFilePath();
    paths_.removeAll(absolute);
    paths_.prepend(absolute);
    while (paths_.size() > kMaxEntries) paths_.removeLast();
    Save();
}

void RecentFiles::Remove(const QString& path) {
    if (paths_.removeAll(path) > 0) Save();
}

void RecentFiles::Save() {
    settings_.beginGroup(kGroup);
    settings_.remove(QString());
    for (int i = 0; i < paths_.size(); ++i) settings_.setValue(QStringLiteral("File%1").arg(i + 1), paths_[i]);
    settings_.endGroup();
    settings_.sync();
}

}  // namespace lintra
