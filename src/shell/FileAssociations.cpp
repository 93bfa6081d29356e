#include "shell/FileAssociations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>
#include <QStandardPaths>
#include <algorithm>
#include <functional>

namespace vantrel {

namespace {

const QByteArray kDefaultsSection = QByteArrayLiteral("[Default Applications]");

// The lines of a file, each with its own line end, so untouched lines are written back as
// they were read.
QList<QByteArray> splitLines(const QByteArray& data) {
    QList<QByteArray> lines;
    qsizetype start = 0;
    while (start < data.size()) {
        qsizetype end = data.indexOf('\n', start);
        end = end < 0 ? data.size() : end + 1;
        lines.append(data.mid(start, end - start));
        start = end;
    }
    return lines;
}

bool isSectionHeader(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    return t.startsWith('[') && t.endsWith(']');
}

// The key of a "key=value" line; empty for headers, comments and blank lines.
QByteArray keyOf(const QByteArray& line) {
    const QByteArray t = line.trimmed();
    if (t.startsWith('#') || isSectionHeader(line))
        return {};
    const qsizetype eq = line.indexOf('=');
    return eq < 0 ? QByteArray() : line.left(eq).trimmed();
}

QList<QByteArray> valuesOf(const QByteArray& line) {
    QList<QByteArray> values;
    for (const QByteArray& v : line.mid(line.indexOf('=') + 1).split(';'))
        if (!v.trimmed().isEmpty())
            values.append(v.trimmed());
    return values;
}

// The line with its key and line end written as they were and a new list of values.
QByteArray withValues(const QByteArray& line, const QList<QByteArray>& values) {
    QByteArray out = line.left(line.indexOf('=') + 1);
    for (const QByteArray& v : values)
        out += v + ';';
    return out + (line.endsWith("\r\n") ? "\r\n" : line.endsWith('\n') ? "\n" : "");
}

// The half-open range of lines that make up the first defaults section, the header
// included; {-1, -1} when there is none.
std::pair<qsizetype, qsizetype> defaultsSection(const QList<QByteArray>& lines) {
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (lines[i].trimmed() != kDefaultsSection)
            continue;
        qsizetype end = i + 1;
        while (end < lines.size() && !isSectionHeader(lines[end]))
            ++end;
        return {i, end};
    }
    return {-1, -1};
}

bool writeFileAtomically(const QString& path, const QByteArray& data) {
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(data);
    return file.commit();
}

QString applicationsFolder(const AssociationFolders& folders) {
    return folders.dataHome + QStringLiteral("/applications");
}
QString desktopEntryPath(const AssociationFolders& folders) {
    return applicationsFolder(folders) + QLatin1Char('/') + QLatin1String(kDesktopId);
}
QString iconPath(const AssociationFolders& folders) {
    return folders.dataHome + QStringLiteral("/icons/hicolor/scalable/apps/vantrel.svg");
}
QString mimeappsPath(const AssociationFolders& folders) {
    return folders.configHome + QStringLiteral("/mimeapps.list");
}

// Rewrites mimeapps.list through `edit`; a file the edit leaves as it was is not touched.
bool editMimeapps(const AssociationFolders& folders,
                  const std::function<QByteArray(const QByteArray&)>& edit) {
    QFile file(mimeappsPath(folders));
    QByteArray old;
    if (file.exists()) {
        if (!file.open(QIODevice::ReadOnly))
            return false;
        old = file.readAll();
        file.close();
    }
    const QByteArray updated = edit(old);
    return updated == old || writeFileAtomically(file.fileName(), updated);
}

// The desktop's own notice that the entries changed: it rebuilds the type cache of the
// folder. Quiet, and skipped when the program is not installed.
void refreshDesktopDatabase(const AssociationFolders& folders) {
    const QString tool = QStandardPaths::findExecutable(QStringLiteral("update-desktop-database"));
    if (tool.isEmpty() || !QFileInfo::exists(applicationsFolder(folders)))
        return;
    QProcess process;
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    process.start(tool, {applicationsFolder(folders)});
    process.waitForFinished(10000);
}

} // namespace

QString mimeTypeOf(AssociatedType type) {
    switch (type) {
    case AssociatedType::Bmp:
        return QStringLiteral("image/bmp");
    case AssociatedType::Gif:
        return QStringLiteral("image/gif");
    case AssociatedType::Jpg:
        return QStringLiteral("image/jpeg");
    case AssociatedType::Png:
        break;
    }
    return QStringLiteral("image/png");
}

AssociationFolders AssociationFolders::currentUser() {
    return {QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation),
            QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)};
}

AssociatedProgram AssociatedProgram::running() {
    QFile icon(QStringLiteral(":/icons/vantrel.svg"));
    return {QCoreApplication::applicationFilePath(),
            icon.open(QIODevice::ReadOnly) ? icon.readAll() : QByteArray()};
}

QString desktopExecArgument(const QString& path) {
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString arg = path;
    arg.replace(QLatin1Char('%'), QStringLiteral("%%"));
    if (std::any_of(arg.begin(), arg.end(), [](QChar c) { return reserved.contains(c); })) {
        QString quoted = QStringLiteral("\"");
        for (QChar c : arg) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') ||
                c == QLatin1Char('\\'))
                quoted += QLatin1Char('\\');
            quoted += c;
        }
        arg = quoted + QLatin1Char('"');
    }
    // The value is read as a string first, where a backslash is itself escaped.
    arg.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    return arg;
}

QByteArray desktopEntryFor(const QString& executable) {
    QFile installed(QStringLiteral(":/desktop/vantrel.desktop"));
    if (!installed.open(QIODevice::ReadOnly))
        return {};
    QByteArray entry;
    for (const QByteArray& line : splitLines(installed.readAll())) {
        if (line.startsWith("Exec="))
            entry += "Exec=" + desktopExecArgument(executable).toUtf8() + " %F\n";
        else
            entry += line;
    }
    return entry;
}

QByteArray withDefaults(const QByteArray& mimeapps, const QStringList& mimeTypes,
                        const QByteArray& desktopId) {
    QList<QByteArray> lines = splitLines(mimeapps);
    auto [begin, end] = defaultsSection(lines);
    if (begin < 0) {
        if (!lines.isEmpty() && !lines.last().endsWith('\n'))
            lines.last() += '\n';
        if (!lines.isEmpty() && !lines.last().trimmed().isEmpty())
            lines.append("\n");
        lines.append(kDefaultsSection + '\n');
        begin = lines.size() - 1;
        end = lines.size();
    }
    QStringList missing = mimeTypes;
    qsizetype lastEntry = begin;
    for (qsizetype i = begin + 1; i < end; ++i) {
        if (!lines[i].trimmed().isEmpty())
            lastEntry = i;
        const QString key = QString::fromUtf8(keyOf(lines[i]));
        if (key.isEmpty() || !mimeTypes.contains(key))
            continue;
        missing.removeAll(key);
        QList<QByteArray> values = valuesOf(lines[i]);
        if (!values.isEmpty() && values.first() == desktopId)
            continue;
        values.removeAll(desktopId);
        values.prepend(desktopId);
        lines[i] = withValues(lines[i], values);
    }
    // New defaults follow the section's last entry, so blank lines before the next section
    // stay where they are.
    if (!missing.isEmpty() && !lines[lastEntry].endsWith('\n'))
        lines[lastEntry] += '\n';
    for (qsizetype k = 0; k < missing.size(); ++k)
        lines.insert(lastEntry + 1 + k, missing[k].toUtf8() + '=' + desktopId + ";\n");
    return lines.join();
}

QByteArray withoutDefaults(const QByteArray& mimeapps, const QByteArray& desktopId) {
    QList<QByteArray> lines = splitLines(mimeapps);
    const auto [begin, end] = defaultsSection(lines);
    if (begin < 0)
        return mimeapps;
    QList<QByteArray> kept = lines.mid(0, begin + 1);
    for (qsizetype i = begin + 1; i < end; ++i) {
        QList<QByteArray> values = valuesOf(lines[i]);
        if (keyOf(lines[i]).isEmpty() || !values.contains(desktopId)) {
            kept.append(lines[i]);
            continue;
        }
        values.removeAll(desktopId);
        if (!values.isEmpty())
            kept.append(withValues(lines[i], values));
    }
    kept.append(lines.mid(end));
    return kept.join();
}

bool registerAssociations(const QList<AssociatedType>& types, const AssociatedProgram& program,
                          const AssociationFolders& folders) {
    if (types.isEmpty())
        return true;
    const QByteArray entry = desktopEntryFor(program.executable);
    bool ok = !entry.isEmpty() && writeFileAtomically(desktopEntryPath(folders), entry);
    if (!program.iconSvg.isEmpty())
        ok = writeFileAtomically(iconPath(folders), program.iconSvg) && ok;
    QStringList mimeTypes;
    for (AssociatedType type : types)
        mimeTypes.append(mimeTypeOf(type));
    ok = editMimeapps(folders,
                      [&](const QByteArray& old) {
                          return withDefaults(old, mimeTypes, QByteArray(kDesktopId));
                      }) &&
         ok;
    refreshDesktopDatabase(folders);
    return ok;
}

bool unregisterAssociations(const AssociationFolders& folders) {
    bool ok = editMimeapps(folders, [](const QByteArray& old) {
        return withoutDefaults(old, QByteArray(kDesktopId));
    });
    for (const QString& path : {desktopEntryPath(folders), iconPath(folders)})
        if (QFileInfo::exists(path) && !QFile::remove(path))
            ok = false;
    refreshDesktopDatabase(folders);
    return ok;
}

} // namespace vantrel
