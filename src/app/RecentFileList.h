#pragma once

#include <QStringList>

class QSettings;

namespace vantrel {

// The most recently used files, newest first, kept in the settings under "Recent File List"
// as "File1" to "FileN".
class RecentFileList {
public:
    explicit RecentFileList(int capacity) : m_capacity(capacity) {}

    void read(QSettings& settings);
    void write(QSettings& settings) const;

    void add(const QString& path);
    void remove(int index);
    const QStringList& files() const { return m_files; }
    int capacity() const { return m_capacity; }

private:
    int m_capacity;
    QStringList m_files;
};

} // namespace vantrel
