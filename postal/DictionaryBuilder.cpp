#include "postal/DictionaryBuilder.h"

#include "postal/KenAllClean.h"
#include "postal/KenAllSource.h"
#include "postal/SqlConnection.h"
#include "postal/SubstringScan.h"
#include "postal/YubinText.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <QSqlQuery>
#include <QTemporaryFile>
#include <QVariant>

#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace yubin {

namespace {

const char *const Schema[] = {
    "PRAGMA journal_mode = OFF",
    "PRAGMA synchronous = OFF",
    "CREATE TABLE 郵便番号 ("
    " 番号 TEXT NOT NULL, 県かな TEXT, 市町村かな TEXT, 町名かな TEXT,"
    " 県漢字 TEXT NOT NULL, 市町村漢字 TEXT NOT NULL, 町名漢字 TEXT NOT NULL,"
    " 市町村かな順 INTEGER NOT NULL, 町名かな順 INTEGER NOT NULL)",
    "CREATE TABLE 市町村名 (市町村漢字 TEXT NOT NULL, 県漢字 TEXT NOT NULL)",
    // Only the row ids are kept (contentless): the rows themselves are in 郵便番号.
    "CREATE VIRTUAL TABLE 郵便番号_索引 USING fts5(番号, 市町村かな, 町名かな, content='', tokenize='trigram')",
    // Each column of every row as one compressed text, for the searches of one or two characters.
    "CREATE TABLE 郵便番号_読み (番号 BLOB NOT NULL, 市町村かな BLOB NOT NULL, 町名かな BLOB NOT NULL)",
    "CREATE TABLE 辞書情報 (項目 TEXT PRIMARY KEY, 値 TEXT)",
};

const char *const Indexes[] = {
    "CREATE INDEX 郵便番号_番号 ON 郵便番号 (番号)",
    "CREATE INDEX 郵便番号_市町村 ON 郵便番号 (県漢字, 市町村漢字, 町名漢字)",
    "CREATE INDEX 市町村名_県漢字 ON 市町村名 (県漢字)",
    "INSERT INTO 郵便番号_索引 (郵便番号_索引) VALUES ('optimize')",
};

// An empty town is stored as '' (not Null): the row of a whole city is a row like any other.
QString text(const QString &value)
{
    return value.isNull() ? QStringLiteral("") : value;
}

bool writeDictionary(SqlConnection &w, const KenAllSource &source, const std::vector<KenAllRow> &rows, DictionaryBuild &result)
{
    for (const char *sql : Schema) {
        if (!w.exec(QString::fromUtf8(sql)))
            return false;
    }
    if (!w.exec(QStringLiteral("BEGIN")))
        return false;

    QStringList codeList, cityKana, townKana;
    for (const KenAllRow &r : rows) {
        codeList += r.code;
        cityKana += r.cityKana;
        townKana += r.townKana;
    }
    const std::vector<int> cityRank = collationRanks(cityKana);
    const std::vector<int> townRank = collationRanks(townKana);

    QSqlQuery insert(w.db());
    insert.prepare(QStringLiteral("INSERT INTO 郵便番号 (rowid, 番号, 県かな, 市町村かな, 町名かな, 県漢字, 市町村漢字,"
                                  " 町名漢字, 市町村かな順, 町名かな順) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    QSqlQuery index(w.db());
    index.prepare(QStringLiteral("INSERT INTO 郵便番号_索引 (rowid, 番号, 市町村かな, 町名かな) VALUES (?, ?, ?, ?)"));
    QSqlQuery city(w.db());
    city.prepare(QStringLiteral("INSERT INTO 市町村名 (市町村漢字, 県漢字) VALUES (?, ?)"));

    QSet<QString> codes;
    QSet<QString> cities;
    for (size_t i = 0; i < rows.size(); ++i) {
        const KenAllRow &r = rows[i];
        const qint64 rowid = qint64(i) + 1;
        const QVariantList values{rowid, r.code, text(r.prefKana), text(r.cityKana), text(r.townKana),
                                  r.pref, r.city, text(r.town), cityRank[i], townRank[i]};
        for (int v = 0; v < values.size(); ++v)
            insert.bindValue(v, values.at(v));
        index.bindValue(0, rowid);
        index.bindValue(1, r.code);
        index.bindValue(2, text(r.cityKana));
        index.bindValue(3, text(r.townKana));
        if (!w.run(insert) || !w.run(index))
            return false;
        codes.insert(r.code);
        const QString cityKey = r.pref + QChar(0) + r.city;
        if (!cities.contains(cityKey)) {
            cities.insert(cityKey);
            city.bindValue(0, r.city);
            city.bindValue(1, r.pref);
            if (!w.run(city))
                return false;
        }
    }
    QSqlQuery packed(w.db());
    packed.prepare(QStringLiteral("INSERT INTO 郵便番号_読み (番号, 市町村かな, 町名かな) VALUES (?, ?, ?)"));
    packed.bindValue(0, packScanColumn(codeList));
    packed.bindValue(1, packScanColumn(cityKana));
    packed.bindValue(2, packScanColumn(townKana));
    if (!w.run(packed))
        return false;
    for (const char *sql : Indexes) {
        if (!w.exec(QString::fromUtf8(sql)))
            return false;
    }

    result.rows = int(rows.size());
    result.codes = int(codes.size());
    result.cities = int(cities.size());
    const QList<std::pair<QString, QString>> facts{
        {QStringLiteral("元ファイル"), QFileInfo(source.name).fileName()},
        {QStringLiteral("形式"), source.kind},
        {QStringLiteral("データ日付"), source.dataDate},
        {QStringLiteral("作成日時"), QDateTime::currentDateTime().toString(Qt::ISODate)},
        {QStringLiteral("元の行数"), QString::number(source.rows.size())},
        {QStringLiteral("行数"), QString::number(result.rows)},
        {QStringLiteral("郵便番号数"), QString::number(result.codes)},
        {QStringLiteral("市区町村数"), QString::number(result.cities)},
    };
    QSqlQuery fact(w.db());
    fact.prepare(QStringLiteral("INSERT INTO 辞書情報 (項目, 値) VALUES (?, ?)"));
    for (const auto &[key, value] : facts) {
        fact.bindValue(0, key);
        fact.bindValue(1, value);
        if (!w.run(fact))
            return false;
    }
    return w.exec(QStringLiteral("COMMIT"))
           && w.exec(QStringLiteral("PRAGMA user_version = %1").arg(DictionaryVersion))
           && w.exec(QStringLiteral("VACUUM"));
}

// The finished file reaches the disk before it takes the dictionary's name.
bool syncFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadWrite) && ::fsync(file.handle()) == 0;
}

// The rename itself reaches the disk, so that after a power loss the name is the new file's.
void syncDirectory(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_DIRECTORY);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

DictionaryBuild buildDictionary(const QString &sourcePath, const QString &outPath)
{
    DictionaryBuild result;
    const QFileInfo out(outPath);
    // What an interrupted build left behind goes first.
    QDir dir = out.absoluteDir();
    for (const QString &stale : dir.entryList({QStringLiteral(".%1.*.part").arg(out.fileName())}, QDir::Files | QDir::Hidden))
        dir.remove(stale);

    const KenAllSource source = readKenAllFile(sourcePath);
    result.kind = source.kind;
    result.dataDate = source.dataDate;
    result.sourceRows = int(source.rows.size());
    if (!source.error.isEmpty()) {
        result.error = source.error;
        return result;
    }
    const std::vector<KenAllRow> rows = cleanKenAll(source.rows);

    QTemporaryFile temp(dir.filePath(QStringLiteral(".%1.XXXXXX.part").arg(out.fileName())));
    if (!temp.open()) {
        result.error = QStringLiteral("%1 に辞書を書けません（%2）。").arg(out.absolutePath(), temp.errorString());
        return result;
    }
    temp.close();
    bool written;
    {
        QString error;
        SqlConnection writer(temp.fileName(), false, error);
        written = writer.isOpen() && writeDictionary(writer, source, rows, result);
        if (!written)
            result.error = QStringLiteral("%1 を書けませんでした（%2）。").arg(outPath, error);
    }
    if (written && !syncFile(temp.fileName())) {
        written = false;
        result.error = QStringLiteral("%1 を書けませんでした（ディスクに書き出せません）。").arg(outPath);
    }
    if (!written)
        return result;   // the temporary file is removed with temp
    // A temporary file is the owner's alone; the dictionary is read like any data file.
    temp.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup
                        | QFileDevice::ReadOther);
    if (std::rename(QFile::encodeName(temp.fileName()).constData(), QFile::encodeName(out.absoluteFilePath()).constData()) != 0) {
        result.error = QStringLiteral("%1 を置き換えられませんでした。").arg(outPath);
        return result;
    }
    temp.setAutoRemove(false);
    syncDirectory(dir.absolutePath());
    return result;
}

} // namespace yubin
