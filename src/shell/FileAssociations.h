#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

namespace vantrel {

// Making Vantrel the user's default application for the image types it opens, the
// freedesktop way: a desktop entry in $XDG_DATA_HOME/applications and the defaults in
// $XDG_CONFIG_HOME/mimeapps.list.

// The types in the order they are registered.
enum class AssociatedType { Bmp, Gif, Jpg, Png };
inline constexpr AssociatedType kAssociatedTypes[] = {AssociatedType::Bmp, AssociatedType::Gif,
                                                      AssociatedType::Jpg, AssociatedType::Png};

QString mimeTypeOf(AssociatedType type);

// The name of the entry the defaults point at.
inline constexpr char kDesktopId[] = "vantrel.desktop";

// Where the user's files go; currentUser() follows the XDG variables and their defaults.
struct AssociationFolders {
    QString dataHome;
    QString configHome;
    static AssociationFolders currentUser();
};

// The program the entry starts and the icon written beside it (SVG; none when empty).
struct AssociatedProgram {
    QString executable; // absolute path
    QByteArray iconSvg;
    // The running executable and the program icon built into it.
    static AssociatedProgram running();
};

// Writes the desktop entry and the icon, then makes the entry the default for each type in
// `types` (other types and every other line of mimeapps.list are left as they are), then
// refreshes the desktop database when update-desktop-database is installed. Doing it twice
// gives the same files. False when a file could not be written; what could be written stays.
bool registerAssociations(const QList<AssociatedType>& types, const AssociatedProgram& program,
                          const AssociationFolders& folders = AssociationFolders::currentUser());

// Removes the entry from every default it is named in (an application named after it takes
// its place again), and deletes the user's desktop entry and icon. False on a write error.
bool unregisterAssociations(const AssociationFolders& folders = AssociationFolders::currentUser());

// The pieces, for the tests.

// The installed desktop entry with its Exec line starting `executable` on the chosen files.
QByteArray desktopEntryFor(const QString& executable);
// `path` as one argument of a desktop entry's Exec line (quoted when it needs to be).
QString desktopExecArgument(const QString& path);
// mimeapps.list with `desktopId` first in the default of each type in `mimeTypes`.
QByteArray withDefaults(const QByteArray& mimeapps, const QStringList& mimeTypes,
                        const QByteArray& desktopId);
// mimeapps.list with `desktopId` taken out of every default; a default left empty goes.
QByteArray withoutDefaults(const QByteArray& mimeapps, const QByteArray& desktopId);

} // namespace vantrel
