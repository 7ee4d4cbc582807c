#pragma once
// Changing files so that a crash, a kill or a power cut at any moment leaves either the old
// file or the new one under its name, never neither and never half of one: a file is written
// beside its name, synced, and then given the name in one rename, after which the folder is
// synced too, so that the new name itself is on the disk.
#include "app/Database.h"

#include <QString>

namespace files {

struct Result {
    db::Failure failure = db::Failure::None; // Exists when the name was taken meanwhile
    QString error;                           // for the log
    explicit operator bool() const { return failure == db::Failure::None; }
};

// fsync of the file's content, or of a folder's entries.
Result sync(const QString &path);

// The same for the folder that holds path, after a file was given its name there (a QSaveFile
// syncs the file, not its folder).
Result syncFolderOf(const QString &path);

// Gives the file at from, synced first, the name to, which must not be taken: one rename that
// never replaces (a file that appeared at to meanwhile is reported as Exists and left as it
// is), then the folder synced.
Result renameNew(const QString &from, const QString &to);

// Puts the file at from, synced first, in place of the one at to in one rename, then syncs the
// folder.
Result renameOver(const QString &from, const QString &to);

// A second name to for the file at from, which stays: a hard link, or, where the file system
// has none, a whole copy written beside to and renamed when synced. Never replaces a file.
Result keepAs(const QString &from, const QString &to);

// Writes bytes as the whole file at path, replacing one that is there only once all of them
// are written (QSaveFile), then syncs the folder (unless the caller syncs it once for many
// files). False when it could not be written.
bool writeWhole(const QString &path, const QByteArray &bytes, bool syncFolder = true);

// Removes path and the journal, log and shared-memory files SQLite keeps beside it. False when
// one of them is there still.
bool removeWithSideFiles(const QString &path);

} // namespace files
