#include "postal/YubinSearch.h"

#include "postal/SqlConnection.h"
#include "postal/SubstringScan.h"
#include "postal/YubinText.h"

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

namespace yubin {

namespace {

// Readings of one and two characters are found by a scan: a trigram index holds nothing shorter.
constexpr int TrigramLength = 3;

// FTS5 query text for a substring of one column: a quoted string, its quotes doubled.
QString phraseIn(const QString &column, const QString &text)
{
    return column + QStringLiteral(" : \"") + QString(text).replace(u'"', QStringLiteral("\"\"")) + u'"';
}

// Readings hold upper-case Latin letters (ＳＳ３０ビル is ﾁｭｳｵｳSS30...); typed ones are made so too.
QString searchKana(const QString &typed)
{
    QString kana = toSearchKana(typed.trimmed());
    for (QChar &c : kana) {
        if (c >= u'a' && c <= u'z')
            c = QChar(c.unicode() - u'a' + u'A');
    }
    return kana;
}

// Every column of w郵便番号, readings included, whichever search fills it.
const QString CopyColumns = QStringLiteral("番号, 県かな, 市町村かな, 町名かな, 県漢字, 市町村漢字, 町名漢字");

} // namespace

QStringList YubinSearch::read都道府県(bool *ok)
{
    QStringList names;
    bool done = false;
    {
        SqlConnection data(m_paths.data, true, m_error);
        QSqlQuery q(data.db());
        if (data.isOpen() && data.exec(q, QStringLiteral("SELECT 都道府県 FROM 都道府県 ORDER BY 都道府県コード"))) {
            while (q.next())
                names += q.value(0).isNull() ? QString() : q.value(0).toString();
            done = true;
        }
    }
    if (ok)
        *ok = done;
    return done ? names : QStringList();
}

LocalArea YubinSearch::ChkLocalEria(bool *ok)
{
    LocalArea area;
    bool done = false;
    QString eria;
    bool wanted = false;
    {
        SqlConnection data(m_paths.data, true, m_error);
        QSqlQuery q(data.db());
        if (data.isOpen()
            && data.exec(q, QStringLiteral("SELECT YubinLocalEriaSw, YubinLocalEria FROM 自社情報 ORDER BY rowid LIMIT 1"))) {
            if (q.next()) {
                wanted = q.value(0).toInt() == 1 && !q.value(1).isNull();
                eria = q.value(1).toString().trimmed();
            }
            done = true;
        }
    }
    if (!done || !wanted) {
        if (ok)
            *ok = done;
        return area;
    }
    // The longest prefecture name the area begins with, so that "東京都府中市" splits after 都
    // and not at the 府 of the city.
    const QStringList prefectures = read都道府県(&done);
    for (const QString &p : prefectures) {
        if (!p.isEmpty() && eria.startsWith(p) && p.size() > area.prefecture.size())
            area.prefecture = p;
    }
    if (!area.prefecture.isEmpty())
        area.city = eria.mid(area.prefecture.size()).trimmed();
    if (ok)
        *ok = done;
    return area;
}

YubinSearch::YubinSearch(YubinPaths paths) : m_paths(std::move(paths)) {}

YubinSearch::~YubinSearch() = default;

bool YubinSearch::openWork(bool withDictionary)
{
    if (!m_work) {
        m_work = std::make_unique<SqlConnection>(m_paths.work, false, m_error);
        m_attached = false;
        if (!m_work->isOpen() || !m_work->exec(QStringLiteral("PRAGMA synchronous = NORMAL"))) {
            m_work.reset();
            return false;
        }
    }
    // A file that is not a dictionary fails here, before anything of the caller's is touched.
    if (withDictionary && !m_attached) {
        m_attached = m_work->exec(QStringLiteral("ATTACH DATABASE ? AS yubin"), {sqliteUri(m_paths.yubin, true)})
                     && m_work->exec(QStringLiteral("SELECT 1 FROM yubin.郵便番号 LIMIT 1"));
        if (!m_attached) {
            m_work.reset();
            return false;
        }
    }
    return true;
}

bool YubinSearch::fill(const QString &select, const QVariantList &values, Empties empties, QString *firstPrefecture)
{
    if (!openWork(!select.isEmpty()))
        return false;
    SqlConnection &work = *m_work;
    if (!work.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
        m_work.reset();
        return false;
    }
    bool done = (empties == Empties::Results || work.exec(QStringLiteral("DELETE FROM 郵便番号_市町村漢字")))
                && (empties == Empties::Cities || work.exec(QStringLiteral("DELETE FROM w郵便番号")))
                && (select.isEmpty() || work.exec(select, values));
    int rows = m_resultCount;
    if (done && empties != Empties::Cities) {
        QSqlQuery q(work.db());
        done = work.exec(q, QStringLiteral("SELECT count(*), (SELECT 県漢字 FROM w郵便番号 ORDER BY rowid LIMIT 1) FROM w郵便番号"));
        if (done && q.next()) {
            rows = q.value(0).toInt();
            if (firstPrefecture)
                *firstPrefecture = q.value(1).toString();
        }
        q.finish();
    }
    done = done && work.exec(QStringLiteral("COMMIT"));
    if (done) {
        m_resultCount = rows;
    } else {
        const QString error = m_error;
        work.exec(QStringLiteral("ROLLBACK"));
        m_error = error;
        m_work.reset();
    }
    return done;
}

namespace {

const QString CitiesOf = QStringLiteral("INSERT INTO 郵便番号_市町村漢字 (市町村漢字)"
                                        " SELECT 市町村漢字 FROM yubin.市町村名 WHERE 県漢字 = ? ORDER BY rowid");

} // namespace

bool YubinSearch::read市町村(const QString &prefecture)
{
    return fill(CitiesOf, {prefecture}, Empties::CitiesAndResults);
}

bool YubinSearch::readCitiesOnly(const QString &prefecture)
{
    return fill(CitiesOf, {prefecture}, Empties::Cities);
}

bool YubinSearch::read町名(const QString &prefecture, const QString &city)
{
    return fill(QStringLiteral("INSERT INTO w郵便番号 (%1) SELECT %1 FROM yubin.郵便番号"
                               " WHERE 県漢字 = ? AND 市町村漢字 = ? ORDER BY 市町村かな順, 町名かな順, rowid")
                    .arg(CopyColumns),
                {prefecture, city});
}

bool YubinSearch::ReadGrid町名(const QString &prefecture, const QString &city, const QString &town)
{
    return fill(QStringLiteral("INSERT INTO w郵便番号 (%1) SELECT %1 FROM yubin.郵便番号"
                               " WHERE 県漢字 = ? AND 市町村漢字 = ? AND 町名漢字 = ?"
                               " ORDER BY 市町村かな順, 町名かな順, rowid")
                    .arg(CopyColumns),
                {prefecture, city, town});
}

bool YubinSearch::Seek郵便番号(const QString &typed, QString *prefecture)
{
    const QString code = normalizePostalCode(typed);
    if (code.isEmpty())
        return GridClear();
    if (code.size() == 7) {
        return fill(QStringLiteral("INSERT INTO w郵便番号 (%1) SELECT %1 FROM yubin.郵便番号 WHERE 番号 = ? ORDER BY rowid")
                        .arg(CopyColumns),
                    {code}, Empties::Results, prefecture);
    }
    return fillContaining(ScanColumn::Code, code);
}

bool YubinSearch::Seek市町村かな(int mode, const QString &typed)
{
    const QString kana = searchKana(typed);
    if (kana.isEmpty())
        return true;
    return fillContaining(mode == ByCityKana ? ScanColumn::CityKana : ScanColumn::TownKana, kana);
}

bool YubinSearch::fillContaining(ScanColumn column, const QString &text)
{
    static const QString Columns[] = {QStringLiteral("番号"), QStringLiteral("市町村かな"), QStringLiteral("町名かな")};
    const QString &name = Columns[int(column)];
    // Codes that begin with the digits come first, then those that hold them further on.
    const bool code = column == ScanColumn::Code;
    const QString order = code ? QStringLiteral("instr(番号, ?) <> 1, 番号") : name + QStringLiteral("順, 番号");
    const QVariantList orderValues = code ? QVariantList{text} : QVariantList{};
    if (text.size() >= TrigramLength) {
        return fill(QStringLiteral("INSERT INTO w郵便番号 (%1) SELECT %1 FROM yubin.郵便番号 WHERE rowid IN"
                                   " (SELECT rowid FROM yubin.郵便番号_索引 WHERE 郵便番号_索引 MATCH ?)"
                                   " ORDER BY %2, rowid")
                        .arg(CopyColumns, order),
                    QVariantList{phraseIn(name, text)} + orderValues);
    }
    if (!m_scan && !loadScan())
        return false;
    // The rows found go to SQLite as one JSON array.
    QString ids = QStringLiteral("[");
    for (const qint64 rowid : m_scan->find(column, text))
        ids += QString::number(rowid) + u',';
    if (ids.size() > 1)
        ids.chop(1);
    ids += u']';
    return fill(QStringLiteral("INSERT INTO w郵便番号 (%1) SELECT %1 FROM yubin.郵便番号"
                               " WHERE rowid IN (SELECT value FROM json_each(?)) ORDER BY %2, rowid")
                    .arg(CopyColumns, order),
                QVariantList{ids} + orderValues);
}

bool YubinSearch::loadScan()
{
    if (!openWork(true))
        return false;
    auto scan = std::make_unique<SubstringScan>();
    QSqlQuery q(m_work->db());
    if (!m_work->exec(q, QStringLiteral("SELECT (SELECT max(rowid) FROM yubin.郵便番号), 番号, 市町村かな, 町名かな"
                                        " FROM yubin.郵便番号_読み")))
        return false;
    if (!q.next() || !scan->load(ScanColumn::Code, q.value(1).toByteArray(), q.value(0).toLongLong())
        || !scan->load(ScanColumn::CityKana, q.value(2).toByteArray(), q.value(0).toLongLong())
        || !scan->load(ScanColumn::TownKana, q.value(3).toByteArray(), q.value(0).toLongLong())) {
        m_error = QStringLiteral("辞書の読みの一覧が壊れています");
        return false;
    }
    m_scan = std::move(scan);
    return true;
}

bool YubinSearch::GridClear()
{
    return fill(QString(), {});
}

bool YubinSearch::ClearLists()
{
    return fill(QString(), {}, Empties::CitiesAndResults);
}

QString YubinSearch::dataDate(bool *ok)
{
    QString date;
    bool done = false;
    {
        SqlConnection dictionary(m_paths.yubin, true, m_error);
        QSqlQuery q(dictionary.db());
        // The table of towns is asked for too: a file of another kind fails here and not at
        // the first search.
        if (dictionary.isOpen() && dictionary.exec(q, QStringLiteral("SELECT 1 FROM 郵便番号 LIMIT 1"))
            && dictionary.exec(q, QStringLiteral("SELECT 値 FROM 辞書情報 WHERE 項目 = ?"), {QStringLiteral("データ日付")})) {
            if (q.next())
                date = q.value(0).toString();
            done = true;
        }
    }
    if (ok)
        *ok = done;
    return date;
}

} // namespace yubin
