#include "support/FaultMounts.h"

#include <QFile>
#include <QProcess>

namespace {

bool run(const QStringList &arguments)
{
    QProcess p;
    p.start(QStringLiteral("mount"), arguments);
    return p.waitForFinished(10000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

void unmount(const QString &path)
{
    QProcess::execute(QStringLiteral("umount"), {QStringLiteral("-l"), path});
}

QString fillerOf(const QString &disk)
{
    return disk + QStringLiteral("/.filler");
}

} // namespace

SmallDisk::SmallDisk(int kib)
{
    m_mounted = m_dir.isValid()
        && run({QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                QStringLiteral("size=%1k").arg(kib), QStringLiteral("tmpfs"), m_dir.path()});
}

SmallDisk::~SmallDisk()
{
    if (m_mounted)
        unmount(m_dir.path());
}

bool SmallDisk::fill()
{
    QFile filler(fillerOf(m_dir.path()));
    if (!filler.open(QIODevice::Append | QIODevice::Unbuffered))
        return false;
    const QByteArray block(4096, 'f');
    while (filler.write(block) == block.size()) {
    }
    // The last partial block, byte by byte.
    while (filler.write("f", 1) == 1) {
    }
    return true;
}

void SmallDisk::release()
{
    QFile::remove(fillerOf(m_dir.path()));
}

ReadOnlyView::ReadOnlyView(const QString &folder)
{
    if (!m_dir.isValid() || !run({QStringLiteral("--bind"), folder, m_dir.path()}))
        return;
    m_mounted = true;
    if (!run({QStringLiteral("-o"), QStringLiteral("remount,bind,ro"), m_dir.path()})) {
        unmount(m_dir.path());
        m_mounted = false;
    }
}

ReadOnlyView::~ReadOnlyView()
{
    if (m_mounted)
        unmount(m_dir.path());
}
