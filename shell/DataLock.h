#pragma once
// One running copy per data directory. The local socket keeps one copy per user, but a copy
// started under another user name or with another TMPDIR finds no socket and would run
// beside the first on the same files: both would write the work file and the invoice
// counter. A lock file in the data directory itself keeps it out for the whole run.
//
// Plain QtCore, so that a small helper program can hold the lock in the tests.
#include <QLockFile>
#include <QString>

#include <memory>

class DataLock
{
public:
    enum class State {
        Held,        // this copy holds the lock
        InUse,       // another live copy holds it
        Unavailable, // no lock can be made (data directory missing or not writable)
    };

    // dataDir as set by the locations, with or without a trailing separator.
    explicit DataLock(const QString &dataDir);
    ~DataLock();
    DataLock(const DataLock &) = delete;
    DataLock &operator=(const DataLock &) = delete;

    static QString fileName() { return QStringLiteral("QLNV.lock"); }
    QString path() const { return m_path; }

    // Takes the lock, or takes over one left by a copy that is no longer running.
    State acquire();

    // The notice for a copy that finds the data in use: which program holds it, on which
    // host and under which process id, and where the data lies.
    QString inUseText() const;

private:
    QString m_dataDir;
    QString m_path;
    std::unique_ptr<QLockFile> m_lock;
};
