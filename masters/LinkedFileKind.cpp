// The kind of a linked file, told from its first bytes: a file's name says nothing (an Access
// file renamed, a text file named .mdb), and libmdb is only ever given what says it is Jet.
#include "masters/LinkedFile.h"

#include "app/Database.h"

#include <QFile>
#include <QFileInfo>

namespace linkfile {

namespace {

constexpr qint64 Jet3PageSize = 2048;
constexpr qint64 Jet4PageSize = 4096;

// Page 0 is the header and the catalogue's table begins on page 2: a shorter file is a piece.
Kind jetKind(Kind kind, qint64 pageSize, qint64 size)
{
    return size % pageSize == 0 && size / pageSize >= 3 ? kind : Kind::Unknown;
}

} // namespace

Kind kindOf(const QString &path)
{
    const QFileInfo info(path);
    if (!info.exists())
        return Kind::Missing;
    if (info.isDir())
        return Kind::Folder;
    const qint64 size = info.size();
    if (size == 0)
        return Kind::Empty;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return Kind::Unknown;
    const QByteArray head = file.read(0x15);

    if (head.startsWith(db::SqliteHeader))
        return Kind::SQLite;
    if (head.size() < 0x15 || !head.startsWith(QByteArrayView("\0\1\0\0", 4)))
        return Kind::Unknown;
    const QByteArrayView engine = QByteArrayView(head).sliced(4, 16);
    if (engine == QByteArrayView("Standard ACE DB\0", 16))
        return Kind::Ace;
    if (engine != QByteArrayView("Standard Jet DB\0", 16))
        return Kind::Unknown;
    switch (head.at(0x14)) {
    case 0:
        return jetKind(Kind::Jet3, Jet3PageSize, size);
    case 1:
        return jetKind(Kind::Jet4, Jet4PageSize, size);
    default: // the versions after Jet 4 are the .accdb ones
        return Kind::Ace;
    }
}

QString problemOf(Kind kind)
{
    switch (kind) {
    case Kind::Missing:
        return QStringLiteral("ファイルがありません。");
    case Kind::Folder:
        return QStringLiteral("ファイルではなくフォルダです。");
    case Kind::Empty:
        return QStringLiteral("ファイルが空です（0 バイト）。");
    case Kind::Ace:
        return QStringLiteral("Access 2007 以降の形式（.accdb）は読めません。Access 2003 "
                              "以前の形式（.mdb）で保存したファイルを指定してください。");
    case Kind::Unknown:
        return QStringLiteral("データベースのファイルではないか、壊れています。");
    case Kind::SQLite:
    case Kind::Jet3:
    case Kind::Jet4:
        break;
    }
    return QString();
}

} // namespace linkfile
