// The kind of a linked file from its first bytes and size, whatever its name says.
#include "masters/LinkedFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

using linkfile::Kind;

QByteArray fixture(const char *name)
{
    QFile file(QStringLiteral(QUILLON_TEST_DATA "/") + QLatin1StringView(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A Jet 4 header with another version byte at 0x14.
QByteArray jetVersion(char version)
{
    QByteArray bytes = fixture("testUnicodeCompV2003.mdb");
    bytes[0x14] = version;
    return bytes;
}

TEST(LinkedFileKindTest, KindComesFromTheBytes)
{
    const QByteArray jet4 = fixture("testUnicodeCompV2003.mdb");
    const QByteArray jet3 = fixture("testV1997.mdb");
    ASSERT_FALSE(jet4.isEmpty());
    QByteArray ace = jet4;
    ace.replace(4, 16, QByteArray("Standard ACE DB\0", 16));
    const struct
    {
        const char *name;
        QByteArray bytes;
        Kind kind;
    } cases[] = {
        { "jet3.mdb", jet3, Kind::Jet3 },
        { "jet4.mdb", jet4, Kind::Jet4 },
        { "jet4-named.txt", jet4, Kind::Jet4 },
        { "sqlite.mdb", QByteArray("SQLite format 3\0", 16) + QByteArray(4080, '\0'), Kind::SQLite },
        { "empty.mdb", QByteArray(), Kind::Empty },
        { "text.mdb", QByteArray("ID,Name\r\n1,山田\r\n"), Kind::Unknown },
        { "ace.accdb", ace, Kind::Ace },
        { "jet-version-2.mdb", jetVersion(2), Kind::Ace },
        { "cut-mid-page.mdb", jet4.left(5000), Kind::Unknown },
        { "one-page.mdb", jet4.left(4096), Kind::Unknown },
        { "jet3-three-pages.mdb", jet3.left(3 * 2048), Kind::Jet3 },
        { "jet4-in-jet3-pages.mdb", jet4.left(3 * 2048), Kind::Unknown },
        { "header-cut.mdb", jet4.left(0x14), Kind::Unknown },
    };
    QTemporaryDir dir;
    for (const auto &c : cases) {
        QFile file(dir.filePath(QString::fromLatin1(c.name)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.bytes);
        file.close();
        EXPECT_EQ(linkfile::kindOf(file.fileName()), c.kind) << c.name;
    }
    EXPECT_EQ(linkfile::kindOf(dir.filePath(QStringLiteral("none.mdb"))), Kind::Missing);
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("folder.mdb")));
    EXPECT_EQ(linkfile::kindOf(dir.filePath(QStringLiteral("folder.mdb"))), Kind::Folder);
}

} // namespace
