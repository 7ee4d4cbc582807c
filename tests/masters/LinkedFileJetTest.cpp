// Access files through the reader program: the real Jet 3 and Jet 4 files of the test data
// (every table, values typed, Japanese text exact), bad files through the dispatch, and the
// child process's time limit, output bounds, failures and cancel on stand-in readers written by
// the test.
#include "masters/LinkedFile.h"

#include "support/QStringPrinter.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtEndian>

#include <gtest/gtest.h>

namespace {

using linkfile::ReadOutcome;
using linkfile::ReadStatus;

const QString Jet3 = QStringLiteral(QUILLON_TEST_DATA "/testV1997.mdb");
const QString Jet3Project = QStringLiteral(QUILLON_TEST_DATA "/test2V1997.mdb");
const QString Jet4 = QStringLiteral(QUILLON_TEST_DATA "/testUnicodeCompV2003.mdb");

const QString NoAnswer
    = QStringLiteral("ファイルを読み終えられませんでした（応答がありません）。壊れている可能性があります。");
const QString NotADatabase = QStringLiteral("データベースのファイルではないか、壊れています。");
const QString NotReadToTheEnd
    = QStringLiteral("ファイルを読み終えられませんでした。壊れている可能性があります。");
const QString TooMuch
    = QStringLiteral("ファイルを読み終えられませんでした（読み出しが表の大きさを超えました）。壊れている可能性があります。");

// Lines of stand-in readers as shell commands: the start of a table of one text column and one
// row, and one row.
const QByteArray headerLines = "printf 'quillon-mdbread 1\\nTABLE\\tT\\t1\\nCOLUMN\\tA\\ttext\\n'";
const QByteArray rowLine = "printf 'ROW\\tTx\\n'";

QByteArray bytesOf(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct ListedTable
{
    QString name;
    qint64 rows = 0;
    QStringList columns;
    QStringList types;
};

// The tables of a file as the reader lists them (the fixtures' names need no unescaping).
QList<ListedTable> listTables(const QString &path)
{
    QProcess reader;
    reader.start(linkfile::readerProgram(), { QStringLiteral("--tables"), path });
    EXPECT_TRUE(reader.waitForFinished(30000));
    EXPECT_EQ(reader.exitCode(), 0) << path.toStdString();
    QList<ListedTable> tables;
    for (const QString &line : QString::fromUtf8(reader.readAllStandardOutput()).split(u'\n')) {
        const QStringList fields = line.split(u'\t');
        if (fields.first() == u"TABLE")
            tables.append({ fields.at(1), fields.at(2).toLongLong(), {}, {} });
        if (fields.first() == u"COLUMN" && !tables.isEmpty()) {
            tables.last().columns << fields.at(1);
            tables.last().types << fields.at(2);
        }
    }
    return tables;
}

// Whether a value has the kind its column's type promises.
bool fitsType(const QVariant &value, const QString &type)
{
    if (value.isNull())
        return type != u"yesno";
    const int id = value.typeId();
    if (type == u"text" || type == u"memo" || type == u"guid")
        return id == QMetaType::QString;
    if (type == u"byte" || type == u"integer" || type == u"long")
        return id == QMetaType::LongLong;
    if (type == u"yesno")
        return id == QMetaType::LongLong && (value.toLongLong() == 0 || value.toLongLong() == 1);
    if (type == u"single" || type == u"double" || type == u"currency" || type == u"decimal")
        return id == QMetaType::Double;
    if (type == u"datetime")
        return id == QMetaType::QDate || id == QMetaType::QDateTime;
    return false; // pictures and binary data come back Null
}

std::string describe(const QVariantList &row)
{
    std::string out;
    for (const QVariant &v : row)
        out += std::string(v.typeName() ? v.typeName() : "Null") + ":" + v.toString().left(40).toStdString()
            + " | ";
    return out;
}

class LinkedFileJetTest : public ::testing::Test
{
protected:
    void TearDown() override
    {
        linkfile::setReaderProgram(QString());
        linkfile::setReaderTimeLimit(10000);
    }

    QString write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
        return file.fileName();
    }

    // A reader stand-in: a shell script that prints what the test says.
    QString standIn(const QString &name, const QByteArray &body)
    {
        const QString path = write(name, "#!/bin/sh\n" + body + "\n");
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }

    QTemporaryDir m_dir;
};

TEST_F(LinkedFileJetTest, EveryTableOfEachFileIsReadWithItsTypes)
{
    const struct
    {
        QString path;
        QStringList tables;
    } cases[] = {
        { Jet3,
          { QStringLiteral("Table1"), QStringLiteral("Table2"), QStringLiteral("Table3"),
            QStringLiteral("Table4") } },
        { Jet3Project, { QStringLiteral("MSP_PROJECTS") } },
        { Jet4, { QStringLiteral("Table") } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.path.toStdString());
        const QList<ListedTable> tables = listTables(c.path);
        QStringList names;
        for (const ListedTable &table : tables)
            names << table.name;
        EXPECT_EQ(names, c.tables);
        for (const ListedTable &table : tables) {
            const ReadOutcome outcome = linkfile::readTable(c.path, table.name, table.columns);
            ASSERT_EQ(outcome.status, ReadStatus::Read)
                << table.name.toStdString() << outcome.problem.toStdString();
            EXPECT_TRUE(outcome.data.tableFound);
            EXPECT_TRUE(outcome.data.missingColumns.isEmpty());
            EXPECT_EQ(outcome.data.rows.size(), table.rows) << table.name.toStdString();
            for (const QVariantList &row : outcome.data.rows) {
                ASSERT_EQ(row.size(), table.columns.size());
                for (qsizetype i = 0; i < row.size(); ++i)
                    EXPECT_TRUE(fitsType(row[i], table.types[i]))
                        << table.columns[i].toStdString() << " " << table.types[i].toStdString() << " "
                        << describe({ row[i] });
            }
        }
    }
}

TEST_F(LinkedFileJetTest, ValuesComeAsTheFileHasThem)
{
    // Jet 3 text is read in code page 932: Table1's "abcdefg" patched to ㈱①髙a, the
    // characters that Shift_JIS proper lacks.
    QByteArray patched = bytesOf(Jet3);
    ASSERT_EQ(patched.count("abcdefg"), 1);
    patched.replace("abcdefg",
                    "\x87\x8a\x87\x40\xfb\xfc"
                    "a");
    const QString jet3Japanese = write(QStringLiteral("jet3-932.mdb"), patched);

    QString everyLatin1Character;
    for (char16_t c = 1; c <= 0xff; ++c)
        everyLatin1Character += QChar(c);
    const QStringList table1 = { QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"),
                                 QStringLiteral("D"), QStringLiteral("E"), QStringLiteral("F"),
                                 QStringLiteral("G"), QStringLiteral("H"), QStringLiteral("I") };
    const struct
    {
        QString path;
        QString table;
        QStringList columns;
        int row;
        QVariantList values;
        QStringList missing;
    } cases[] = {
        { Jet3,
          QStringLiteral("Table1"),
          table1,
          0,
          { QStringLiteral("a"), QStringLiteral("b"), qint64(0), qint64(0), qint64(0), 0.0,
            QDate(1981, 12, 12), 0.0, qint64(1) },
          {} },
        { Jet3,
          QStringLiteral("Table1"),
          table1,
          1,
          { QStringLiteral("abcdefg"), QStringLiteral("hijklmnop"), qint64(2), qint64(222), qint64(333333333),
            444.555, QDate(1974, 9, 21), 3.5, qint64(0) },
          {} },
        { jet3Japanese,
          QStringLiteral("Table1"),
          { QStringLiteral("A") },
          1,
          { QStringLiteral("㈱①髙a") },
          {} },
        { Jet3Project,
          QStringLiteral("MSP_PROJECTS"),
          { QStringLiteral("PROJ_NAME"), QStringLiteral("PROJ_INFO_CURRENT_DATE"),
            QStringLiteral("PROJ_DATA_SOURCE"), QStringLiteral("PROJ_PROP_CATEGORY"),
            QStringLiteral("PROJ_OPT_MINUTES_PER_WEEK"), QStringLiteral("PROJ_OPT_MULT_CRITICAL_PATHS"),
            QStringLiteral("RESERVED_BINARY_DATA") },
          0,
          { QStringLiteral("Project1"), QDateTime(QDate(2006, 2, 3), QTime(8, 0)),
            QStringLiteral("Z:\\temp\\Project1.mpd"), QVariant(), qint64(2400), qint64(1), QVariant() },
          {} },
        { Jet4,
          QStringLiteral("Table"),
          { QStringLiteral("ID"), QStringLiteral("Unicode") },
          4,
          { qint64(5), QStringLiteral("漢字仮名交じり文") },
          {} },
        { Jet4, QStringLiteral("Table"), { QStringLiteral("Unicode") }, 7, { everyLatin1Character }, {} },
        // By name, in the order asked and whatever the case; what the table lacks is Null.
        { Jet4,
          QStringLiteral("table"),
          { QStringLiteral("unicode"), QStringLiteral("郵便番号"), QStringLiteral("id") },
          4,
          { QStringLiteral("漢字仮名交じり文"), QVariant(), qint64(5) },
          { QStringLiteral("郵便番号") } },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE((c.path + u' ' + c.columns.join(u',')).toStdString());
        const ReadOutcome outcome = linkfile::readTable(c.path, c.table, c.columns);
        ASSERT_EQ(outcome.status, ReadStatus::Read) << outcome.problem.toStdString();
        EXPECT_EQ(outcome.data.missingColumns, c.missing);
        ASSERT_GT(outcome.data.rows.size(), c.row);
        const QVariantList &row = outcome.data.rows[c.row];
        ASSERT_EQ(row.size(), c.values.size());
        for (qsizetype i = 0; i < row.size(); ++i) {
            EXPECT_EQ(row[i].typeId(), c.values[i].typeId()) << i << ": " << describe({ row[i] });
            EXPECT_EQ(row[i], c.values[i]) << i << ": " << describe({ row[i] });
        }
    }

    // A memo is read whole from its own pages.
    const ReadOutcome memo = linkfile::readTable(Jet3Project, QStringLiteral("MSP_PROJECTS"),
                                                 { QStringLiteral("PROJ_PROP_AUTHOR") });
    ASSERT_EQ(memo.data.rows.size(), 1);
    const QString author = memo.data.rows[0][0].toString();
    EXPECT_EQ(author.size(), 348);
    EXPECT_TRUE(author.startsWith(u"Jon Iles this is") && author.endsWith(u"jflksjadf as"))
        << author.toStdString();

    const ReadOutcome none
        = linkfile::readTable(Jet4, QStringLiteral("顧客マスタ"), { QStringLiteral("ID") });
    EXPECT_EQ(none.status, ReadStatus::Read);
    EXPECT_FALSE(none.data.tableFound);
    EXPECT_TRUE(none.data.rows.isEmpty());
}

TEST_F(LinkedFileJetTest, BadFilesAreNamedNotRead)
{
    linkfile::setReaderTimeLimit(1500);
    const QByteArray jet3 = bytesOf(Jet3);
    const QByteArray jet4 = bytesOf(Jet4);
    QByteArray accdb = jet4;
    accdb.replace(4, 16, QByteArray("Standard ACE DB\0", 16));
    accdb[0x14] = 3;
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("folder.mdb")));
    // Table1's definition (page 29 of the Jet 3 file) says it has one row where it has two.
    QByteArray rowMore = jet3;
    constexpr qsizetype Table1Rows = 29 * 2048 + 12;
    ASSERT_EQ(rowMore.mid(Table1Rows - 12, 2), QByteArray("\x02\x01"));
    ASSERT_EQ(qFromLittleEndian<quint32>(rowMore.constData() + Table1Rows), 2u);
    qToLittleEndian<quint32>(1, rowMore.data() + Table1Rows);
    const struct
    {
        QString path;
        QString problem;
    } cases[] = {
        { write(QStringLiteral("zero.mdb"), {}), QStringLiteral("ファイルが空です（0 バイト）。") },
        { write(QStringLiteral("text.mdb"), "顧客名,住所\n山田,東京\n"), NotADatabase },
        { write(QStringLiteral("cut-mid-page.mdb"), jet4.left(5000)), NotADatabase },
        // Cut at whole pages, so that libmdb is asked: its catalogue points past the end ...
        { write(QStringLiteral("cut-64k.mdb"), jet3.left(64 * 1024)), NotADatabase },
        { write(QStringLiteral("cut-16k.mdb"), jet4.left(16 * 1024)), NotADatabase },
        // ... or it loops in the catalogue, printing warnings, until the reader is stopped.
        { write(QStringLiteral("cut-96k.mdb"), jet3.left(96 * 1024)), NoAnswer },
        { write(QStringLiteral("row-more.mdb"), rowMore), NotReadToTheEnd },
        { write(QStringLiteral("new.accdb"), accdb),
          QStringLiteral("Access 2007 以降の形式（.accdb）は読めません。Access 2003 "
                         "以前の形式（.mdb）で保存したファイルを指定してください。") },
        { m_dir.filePath(QStringLiteral("none.mdb")), QStringLiteral("ファイルがありません。") },
        { m_dir.filePath(QStringLiteral("folder.mdb")), QStringLiteral("ファイルではなくフォルダです。") },
    };
    for (const auto &c : cases) {
        const ReadOutcome outcome
            = linkfile::readTable(c.path, QStringLiteral("Table1"), { QStringLiteral("A") });
        EXPECT_EQ(outcome.status, ReadStatus::Failed) << c.path.toStdString();
        EXPECT_EQ(outcome.problem, c.problem) << c.path.toStdString();
        EXPECT_TRUE(outcome.data.rows.isEmpty());
    }
}

TEST_F(LinkedFileJetTest, OnlyACleanlyEndedReaderIsBelieved)
{
    const struct
    {
        const char *name;
        QByteArray body;
        ReadStatus status;
        QString problem;
    } cases[] = {
        { "whole", headerLines + "\n" + rowLine + "\nprintf 'END\\t1\\n'", ReadStatus::Read, QString() },
        { "silent", "exec sleep 30", ReadStatus::Failed, NoAnswer },
        { "silent-after-rows", headerLines + "\n" + rowLine + "\nexec sleep 30", ReadStatus::Failed, NoAnswer },
        { "no-end", headerLines + "\n" + rowLine, ReadStatus::Failed, NotReadToTheEnd },
        { "wrong-count", headerLines + "\n" + rowLine + "\nprintf 'END\\t2\\n'", ReadStatus::Failed, NotReadToTheEnd },
        { "exit-3", headerLines + "\n" + rowLine + "\nprintf 'END\\t1\\n'\nexit 3", ReadStatus::Failed,
          NotReadToTheEnd },
        { "garbage", "echo 'Warning: page 7 is not a data page'", ReadStatus::Failed, NotReadToTheEnd },
        { "bad-value", headerLines + "\nprintf 'ROW\\tQx\\nEND\\t1\\n'", ReadStatus::Failed, NotReadToTheEnd },
        { "fail", headerLines + "\n" + rowLine + "\nprintf 'FAIL\\trows\\n'\nexit 2", ReadStatus::Failed,
          NotReadToTheEnd },
        { "crash", headerLines + "\nkill -SEGV $$", ReadStatus::Failed, NotReadToTheEnd },
    };
    constexpr int Limit = 500;
    linkfile::setReaderTimeLimit(Limit);
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        linkfile::setReaderProgram(standIn(QString::fromLatin1(c.name), c.body));
        QElapsedTimer clock;
        clock.start();
        const ReadOutcome outcome = linkfile::readTable(Jet4, QStringLiteral("T"), { QStringLiteral("A") });
        EXPECT_EQ(outcome.status, c.status);
        EXPECT_EQ(outcome.problem, c.problem);
        if (c.status == ReadStatus::Read)
            EXPECT_EQ(outcome.data.rows, QList<QVariantList> { { QStringLiteral("x") } });
        else
            EXPECT_TRUE(outcome.data.rows.isEmpty());
        if (c.problem == NoAnswer) {
            EXPECT_GE(clock.elapsed(), Limit);
        }
        EXPECT_LT(clock.elapsed(), 5000);
    }

    linkfile::setReaderProgram(m_dir.filePath(QStringLiteral("no-such-reader")));
    const ReadOutcome missing = linkfile::readTable(Jet4, QStringLiteral("Table"), { QStringLiteral("ID") });
    EXPECT_EQ(missing.status, ReadStatus::Failed);
    EXPECT_EQ(missing.problem,
              QStringLiteral("Access のファイルを読むプログラム（quillon-mdbread）を起動できませんでした。"));
}

TEST_F(LinkedFileJetTest, AReaderThatDoesNotStopIsStopped)
{
    const struct
    {
        const char *name;
        QByteArray body;
    } cases[] = {
        { "rows forever", headerLines + "\nexec yes \"$(printf 'ROW\\tTx')\"" },
        { "more rows than declared", headerLines + "\n" + rowLine + "\n" + rowLine + "\nprintf 'END\\t2\\n'" },
        { "one endless line", headerLines + "\nprintf 'ROW\\tT'\nyes | tr -d '\\n'" },
        // Rows within their count, but more of them than a file of this size can hold.
        { "a count no file holds",
          "printf 'quillon-mdbread 1\\nTABLE\\tT\\t999999999\\nCOLUMN\\tA\\ttext\\n'\n"
          "exec yes \"$(printf 'ROW\\tTx')\"" },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        linkfile::setReaderProgram(standIn(QString::fromLatin1(c.name).replace(u' ', u'-'), c.body));
        // Only so that a reader that is never stopped fails the test instead of hanging it.
        QElapsedTimer clock;
        clock.start();
        const ReadOutcome outcome = linkfile::readTable(Jet4, QStringLiteral("T"), { QStringLiteral("A") },
                                                        [&](qint64, qint64) { return clock.elapsed() < 20000; });
        EXPECT_EQ(outcome.status, ReadStatus::Failed);
        EXPECT_EQ(outcome.problem, TooMuch);
        EXPECT_TRUE(outcome.data.rows.isEmpty());
    }
}

TEST_F(LinkedFileJetTest, ProgressCanCancel)
{
    const struct
    {
        const char *name;
        QByteArray standIn; // empty: the real reader
        int stopAfterMs; // -1: never
        ReadStatus status;
    } cases[] = {
        { "never", {}, -1, ReadStatus::Read },
        { "at once", {}, 0, ReadStatus::Cancelled },
        { "while the reader is silent", "exec sleep 30", 300, ReadStatus::Cancelled },
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        linkfile::setReaderProgram(c.standIn.isEmpty() ? QString()
                                                       : standIn(QStringLiteral("sleeper"), c.standIn));
        QElapsedTimer clock;
        clock.start();
        QList<std::pair<qint64, qint64>> calls;
        const ReadOutcome outcome = linkfile::readTable(
            Jet4, QStringLiteral("Table"), { QStringLiteral("ID") }, [&](qint64 done, qint64 total) {
                calls.append({ done, total });
                return c.stopAfterMs < 0 || clock.elapsed() < c.stopAfterMs;
            });
        EXPECT_EQ(outcome.status, c.status);
        ASSERT_FALSE(calls.isEmpty());
        if (c.status == ReadStatus::Read) {
            EXPECT_EQ(outcome.data.rows.size(), 8);
            EXPECT_EQ(calls.last(), std::make_pair(qint64(8), qint64(8)));
        } else {
            EXPECT_TRUE(outcome.data.rows.isEmpty());
            EXPECT_LT(clock.elapsed(), 3000); // well before the reader's time limit
        }
    }
}

} // namespace
