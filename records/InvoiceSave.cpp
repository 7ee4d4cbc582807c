#include "records/InvoiceSave.h"

#include "app/Database.h"
#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/Formats.h"
#include "data/Archive.h"
#include "data/MasterChanges.h"
#include "invoice/InvoiceFingerprint.h"
#include "invoice/PickLists.h"
#include "settings/InvoiceCounter.h"

#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

namespace records {

namespace {

QVariant optionalValue(const std::optional<double> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<double>());
}

QVariant optionalValue(const std::optional<qint64> &v)
{
    return v ? QVariant(*v) : QVariant(QMetaType::fromType<qint64>());
}

QString isoDate(const QDate &date)
{
    return date.toString(Qt::ISODate);
}

// Everything the caller must have filled before anything is written.
QString headerProblem(const InvoiceHeader &header)
{
    if (header.伝票番号 < 1 || header.伝票番号 > MaxInvoiceNumber)
        return QStringLiteral("invoice number %1 out of range").arg(header.伝票番号);
    if (!header.日付.isValid())
        return QStringLiteral("no invoice date");
    if (header.顧客名.isEmpty())
        return QStringLiteral("no customer name");
    return {};
}

// The lines in one statement per batch (a statement each would cost the server a round trip
// per line), then the units that are new.
bool writeLines(const QSqlDatabase &data, const InvoiceHeader &header, const QList<DetailLine> &lines)
{
    static const QStringList columns{QStringLiteral("伝票番号"), QStringLiteral("顧客名"), QStringLiteral("日付"),
                                     QStringLiteral("行番号"),   QStringLiteral("伝票区分"), QStringLiteral("品名"),
                                     QStringLiteral("入数"),     QStringLiteral("数量"),   QStringLiteral("単位"),
                                     QStringLiteral("単価"),     QStringLiteral("金額"),   QStringLiteral("小計"),
                                     QStringLiteral("非課税"),   QStringLiteral("ふりがな"), QStringLiteral("軽減税率")};
    const QString date = isoDate(header.日付);
    QList<QVariantList> rows;
    rows.reserve(lines.size());
    for (int i = 0; i < lines.size(); ++i) {
        const DetailLine &l = lines.at(i);
        rows << QVariantList{header.伝票番号, header.顧客名, date, i, 1, db::textOrNull(l.品名),
                             db::textOrNull(l.入数), optionalValue(l.数量), db::textOrNull(l.単位),
                             optionalValue(l.単価), optionalValue(l.金額), l.小計 ? 1 : 0, l.非課税 ? 1 : 0,
                             db::textOrNull(l.ふりがな), l.軽減税率 ? 1 : 0};
    }
    if (!db::insertRows(data, QStringLiteral("請求書"), columns, rows))
        return false;
    // The units of the lines looked up together; only those the code table lacks are added.
    QVariantList units;
    for (const DetailLine &l : lines)
        if (!l.単位.isEmpty() && !units.contains(l.単位))
            units << l.単位;
    QSet<QString> known;
    if (!db::readForKeys(data, QStringLiteral("SELECT sname FROM コードマスタ WHERE kcode = '単位' AND sname IN"), units,
                         [&](const QSqlQuery &q) { known.insert(q.value(0).toString()); }))
        return false;
    for (const QVariant &unit : units) {
        // A full table writes nothing; only a failed statement stops the save.
        if (!known.contains(unit.toString()) && !picklists::registerCodeName(data, QStringLiteral("単位"), unit.toString()))
            return false;
    }
    return true;
}

bool writeHeader(const QSqlDatabase &data, const InvoiceHeader &h, qint64 version)
{
    return db::exec(data,
                    QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 顧客情報, 敬称, メモ, 件名, "
                                   "消費税, 税抜計, 合計, 請求金額, 消費税率, 標準税率対象, 標準税率消費税, "
                                   "軽減税率対象, 軽減税率消費税, 支払期限, 更新番号) "
                                   "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {h.伝票番号, isoDate(h.日付), h.顧客名, db::textOrNull(h.顧客情報), db::textOrNull(h.敬称),
                     db::textOrNull(h.メモ), db::textOrNull(h.件名), optionalValue(h.消費税),
                     optionalValue(h.税抜計), optionalValue(h.合計), optionalValue(h.請求金額),
                     h.消費税率 / 100.0, optionalValue(h.標準税率対象), optionalValue(h.標準税率消費税),
                     optionalValue(h.軽減税率対象), optionalValue(h.軽減税率消費税), db::textOrNull(isoDate(h.支払期限)), version});
}

} // namespace

std::optional<qint64> parseInvoiceNumber(const QString &text)
{
    const auto n = formats::parseWholeNumber(text);
    if (!n || *n < 1 || *n > MaxInvoiceNumber)
        return std::nullopt;
    return n;
}

QList<DetailLine> linesToStore(const QList<DetailLine> &workLines)
{
    QList<DetailLine> lines;
    lines.reserve(workLines.size());
    int used = 0;
    for (DetailLine l : workLines) {
        l.品名 = l.品名.trimmed();
        lines << l;
        if (!l.isEmpty())
            used = int(lines.size());
    }
    lines.resize(used);
    return lines;
}

bool AutoEntry顧客マスタ(const QSqlDatabase &data, const InvoiceHeader &header)
{
    // The reading is the customer window's business: a new customer starts without one.
    int changed = 0;
    return db::insertRows(data, QStringLiteral("顧客マスタ"),
                          {QStringLiteral("顧客名"), QStringLiteral("顧客情報"), QStringLiteral("敬称")},
                          {{header.顧客名, db::textOrNull(header.顧客情報), db::textOrNull(header.敬称)}},
                          QStringLiteral("ON CONFLICT (顧客名) DO UPDATE SET 顧客情報 = excluded.顧客情報, 敬称 = excluded.敬称 "
                                         "WHERE 顧客マスタ.顧客情報 IS DISTINCT FROM excluded.顧客情報 "
                                         "OR 顧客マスタ.敬称 IS DISTINCT FROM excluded.敬称"),
                          &changed)
           && (changed == 0 || masterchanges::count(data, masterchanges::Customers));
}

bool AutoEntry商品(const QSqlDatabase &data, const QList<DetailLine> &lines)
{
    // One row per product, where its first line is, with the values of its last: what writing
    // the lines one by one would leave (the server changes no row twice in one statement).
    QList<QVariantList> rows;
    QHash<QString, qsizetype> rowOf;
    for (const DetailLine &l : lines) {
        const QString name = l.品名.trimmed();
        // Subtotal rows and text-only lines carry neither price nor quantity: no product.
        if (name.isEmpty() || (!l.単価 && !l.数量))
            continue;
        const QVariantList row{name, db::textOrNull(l.単位), optionalValue(l.単価), l.非課税 ? 1 : 0,
                               db::textOrNull(l.ふりがな), l.軽減税率 ? 1 : 0};
        if (const auto at = rowOf.constFind(name); at != rowOf.cend()) {
            rows[*at] = row;
        } else {
            rowOf.insert(name, rows.size());
            rows << row;
        }
    }
    int changed = 0;
    return db::insertRows(data, QStringLiteral("商品マスタ"),
                          {QStringLiteral("品名"), QStringLiteral("単位"), QStringLiteral("単価"), QStringLiteral("非課税"),
                           QStringLiteral("ふりがな"), QStringLiteral("軽減税率")},
                          rows,
                          QStringLiteral("ON CONFLICT (品名) DO UPDATE SET 単位 = excluded.単位, 単価 = excluded.単価, "
                                         "非課税 = excluded.非課税, ふりがな = excluded.ふりがな, 軽減税率 = excluded.軽減税率 "
                                         "WHERE 商品マスタ.単位 IS DISTINCT FROM excluded.単位 "
                                         "OR 商品マスタ.単価 IS DISTINCT FROM excluded.単価 "
                                         "OR 商品マスタ.非課税 IS DISTINCT FROM excluded.非課税 "
                                         "OR 商品マスタ.ふりがな IS DISTINCT FROM excluded.ふりがな "
                                         "OR 商品マスタ.軽減税率 IS DISTINCT FROM excluded.軽減税率"),
                          &changed)
           && (changed == 0 || masterchanges::count(data, masterchanges::Products));
}

QString saveFailedText(const SaveOutcome &outcome)
{
    if (outcome.failure == db::Failure::None || outcome.failure == db::Failure::Other)
        return SaveFailedNotice;
    return SaveFailedNotice + u'\n' + db::failureText(outcome.failure, outcome.file);
}

namespace {

std::optional<QList<DetailLine>> readWorkLines(SaveOutcome &failure)
{
    auto lines = detail::readLines(db::work());
    if (!lines)
        failure = {false, 0, QStringLiteral("the lines could not be read: ") + db::lastError(), db::lastFailure(),
                   ModQLNV::WorkMdbPath};
    return lines;
}

} // namespace

SaveOutcome saveInvoice(const InvoiceHeader &header, SaveMode mode)
{
    SaveOutcome failure;
    const auto workLines = readWorkLines(failure);
    return workLines ? saveInvoice(header, *workLines, mode) : failure;
}

SaveOutcome saveShownInvoice(const InvoiceHeader &header, const QList<DetailLine> &shown, SaveMode mode)
{
    SaveOutcome failure;
    const auto workLines = readWorkLines(failure);
    if (!workLines)
        return failure;
    if (*workLines != shown)
        return {false, 0, QStringLiteral("the lines of the work file are not those on screen"), db::Failure::None,
                ModQLNV::WorkMdbPath, true};
    return saveInvoice(header, *workLines, mode);
}

QString renumberedText(const QString &顧客名, qint64 offered, qint64 number)
{
    return QStringLiteral("%1 を伝票番号 %2 で登録しました。\n伝票番号 %3 はほかのパソコンで先に使われていました。")
        .arg(顧客名)
        .arg(number)
        .arg(offered);
}

SaveOutcome saveInvoice(const InvoiceHeader &shownHeader, const QList<DetailLine> &workLines, SaveMode mode)
{
    InvoiceHeader header = shownHeader;
    if (const QString problem = headerProblem(header); !problem.isEmpty())
        return {false, 0, problem};
    if (workLines.size() > DetailLineCount)
        return {false, 0, QStringLiteral("more than %1 lines").arg(DetailLineCount)};
    const QList<DetailLine> lines = linesToStore(workLines);

    QSqlDatabase data = db::data();
    db::Transaction transaction(data);
    // A data file that another program holds is waited for as long as any statement waits.
    if (!transaction.isActive())
        return {false, 0, QStringLiteral("the data file cannot be written: ") + db::lastError(), db::lastFailure(),
                db::dataPlace()};
    // Each failed statement is in the log; the destructor rolls everything back.
    const auto failed = [] {
        return SaveOutcome{false, 0, QStringLiteral("a statement failed: ") + db::lastError(), db::lastFailure(),
                           db::dataPlace()};
    };

    // Another PC's save waits until this one is committed: what is read of the stored invoices
    // and the counter below stays true until then.
    if (!db::lockWriters(data, QStringLiteral("請求書ヘッダ")))
        return failed();
    QSqlQuery stored(data);
    if (!db::exec(stored, QStringLiteral("SELECT COALESCE(更新番号, 0) FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {header.伝票番号}))
        return failed();
    std::optional<qint64> storedVersion;
    if (stored.next())
        storedVersion = stored.value(0).toLongLong();
    stored.finish();
    if (mode == SaveMode::AsShown && header.更新番号 && storedVersion != header.更新番号) {
        SaveOutcome conflict{false, 0, QStringLiteral("the stored invoice was changed or deleted since it was read")};
        conflict.conflict = storedVersion ? SaveConflict::Changed : SaveConflict::Deleted;
        return conflict;
    }
    if (mode == SaveMode::AsShown && !header.更新番号 && storedVersion) {
        // A new invoice whose number was stored meanwhile goes under the next free one.
        const auto next = counter::nextFreeNumber(data);
        if (!next)
            return failed();
        if (*next == 0)
            return {false, 0, QStringLiteral("the invoice numbers are used up"), db::Failure::None, {}};
        header.伝票番号 = *next;
        storedVersion.reset();
    }
    const qint64 version = storedVersion.value_or(0) + 1;
    // An issued invoice registered again with other content keeps its archived copy; the
    // archive records the correction.
    if (storedVersion) {
        const std::optional<QString> last = archive::lastFingerprint(data, header.伝票番号);
        const QString content = contentFingerprint(header, lines);
        if (!last)
            return failed();
        if (!last->isEmpty() && *last != content
            && !archive::recordCorrection(data, header.伝票番号, content, {header.税抜計, header.消費税, header.請求金額}))
            return failed();
    }

    if (!AutoEntry顧客マスタ(data, header) || !AutoEntry商品(data, lines))
        return failed();
    // Saving under a stored number replaces that invoice, lines the new one lacks included.
    if (!db::exec(data, QStringLiteral("DELETE FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {header.伝票番号})
        || !db::exec(data, QStringLiteral("DELETE FROM 請求書 WHERE 伝票番号 = ?"), {header.伝票番号}))
        return failed();
    if (!writeLines(data, header, lines) || !writeHeader(data, header, version))
        return failed();
    if (!counter::recordInvoiceNumber(data, header.伝票番号))
        return failed();
    if (!transaction.commit())
        return failed();
    SaveOutcome saved{true, int(lines.size()), {}};
    saved.number = header.伝票番号;
    saved.version = version;
    return saved;
}

} // namespace records
