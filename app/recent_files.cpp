#include "app/recent_files.h"

#include <QFileInfo>
#include <QSettings>

namespace lintra {
namespace {
const QString kGroup = QStringLiteral("Recent File List");
}

RecentFiles::RecentFiles(QSettings& settings) : m_settings(settings) {
    m_settings.beginGroup(kGroup);
    for (int i = 1; i <= kMaxEntries; ++i) {
        QString path = m_settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty() && !m_paths.contains(path)) m_paths.append(path);
    }
    m_settings.endGroup();
}

void RecentFiles::Add(const QString& path) {
    QString absolute = QFileInfo(path).absoluteFilePath();
    m_paths.removeAll(absolute);
    m_paths.prepend(absolute);
    while (m_paths.size() > kMaxEntries) m_paths.removeLast();
    Save();
}

void RecentFiles::Remove(const QString& path) {
    if (m_paths.removeAll(path) > 0) Save();
}

void RecentFiles::Save() {
    m_settings.beginGroup(kGroup);
    m_settings.remove(QString());
    for (int i = 0; i < m_paths.size(); ++i)
        m_settings.setValue(QStringLiteral("File%1").arg(i + 1), m_paths[i]);
    m_settings.endGroup();
    m_settings.sync();
}

}  // namespace lintra
