#include "app/RecentFileList.h"

#include <QFileInfo>
#include <QSettings>

namespace vantrel {

namespace {
const QString kGroup = QStringLiteral("Recent File List");
}

void RecentFileList::read(QSettings& settings) {
    m_files.clear();
    settings.beginGroup(kGroup);
    for (int i = 1; i <= m_capacity; ++i) {
        const QString path = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty())
            m_files.append(path);
    }
    settings.endGroup();
}

void RecentFileList::write(QSettings& settings) const {
    settings.remove(kGroup);
    settings.beginGroup(kGroup);
    for (int i = 0; i < m_files.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), m_files[i]);
    settings.endGroup();
}

void RecentFileList::add(const QString& path) {
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_files.removeAll(absolute);
    m_files.prepend(absolute);
    while (m_files.size() > m_capacity)
        m_files.removeLast();
}

void RecentFileList::remove(int index) {
    if (index >= 0 && index < m_files.size())
        m_files.removeAt(index);
}

} // namespace vantrel
