// The recent-file list of the File menu: the last 4 files opened, newest
// first, kept in the settings under "Recent File List" as File1 to File4.
#pragma once

#include <QStringList>

class QSettings;

namespace lintra {

class RecentFiles {
public:
    static constexpr int kMaxEntries = 4;

    explicit RecentFiles(QSettings& settings);
    const QStringList& Paths() const { return m_paths; }
    // Puts path first, dropping an older entry for the same file and the
    // oldest entry beyond four, and stores the list.
    void Add(const QString& path);
    // Drops path (a file that could not be opened any more) and stores the list.
    void Remove(const QString& path);

private:
    void Save();

    QSettings& m_settings;
    QStringList m_paths;
};

}  // namespace lintra
