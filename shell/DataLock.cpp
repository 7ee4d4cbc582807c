#include "shell/DataLock.h"

#include <QDir>
#include <QFileInfo>

DataLock::DataLock(const QString &dataDir)
    : m_dataDir(QDir::cleanPath(QDir::fromNativeSeparators(dataDir)))
    , m_path(m_dataDir + QLatin1Char('/') + fileName())
    , m_lock(std::make_unique<QLockFile>(m_path))
{
    // A copy may run for days: age alone never makes the lock stale. A lock is taken over
    // only when its process is gone (or its pid now belongs to another program).
    m_lock->setStaleLockTime(0);
}

DataLock::~DataLock() = default;

DataLock::State DataLock::acquire()
{
    // QLockFile never makes the folder; a missing data directory stays missing.
    if (!QFileInfo(m_dataDir).isDir())
        return State::Unavailable;
    if (m_lock->tryLock(0))
        return State::Held;
    return m_lock->error() == QLockFile::LockFailedError ? State::InUse : State::Unavailable;
}

QString DataLock::inUseText() const
{
    qint64 pid = 0;
    QString host, application;
    QString holder;
    if (m_lock->getLockInfo(&pid, &host, &application)) {
        holder = QStringLiteral("使用中のプログラム: %1\nホスト名: %2\nプロセス番号: %3\n")
                     .arg(application.isEmpty() ? QStringLiteral("（不明）") : application,
                          host.isEmpty() ? QStringLiteral("（不明）") : host)
                     .arg(pid);
    } else {
        // The holder ended between our attempt and this read; the file is named instead.
        holder = QStringLiteral("ロックファイル: %1\n").arg(QDir::toNativeSeparators(m_path));
    }
    return QStringLiteral("データは別のプログラムで使用中です。\n\n") + holder
        + QStringLiteral("データの場所: %1\n\n").arg(QDir::toNativeSeparators(m_dataDir))
        + QStringLiteral("使用中のプログラムを終了してから起動してください。");
}
