#include "records/InvoiceSave.h"

#include "app/Database.h"
#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/Formats.h"
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

bool writeHeader(const QSqlDatabase &data, const InvoiceHeader &h)
{
    return db::exec(data,
                    QStringLiteral("INSERT INTO 請求書ヘッダ (伝票番号, 日付, 顧客名, 顧客情報, 敬称, メモ, 件名, "
                                   "消費税, 税抜計, 合計, 請求金額, 消費税率, 標準税率対象, 標準税率消費税, "
                                   "軽減税率対象, 軽減税率消費税, 支払期限) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                    {h.伝票番号, isoDate(h.日付), h.顧客名, db::textOrNull(h.顧客情報), db::textOrNull(h.敬称),
                     db::textOrNull(h.メモ), db::textOrNull(h.件名), optionalValue(h.消費税),
                     optionalValue(h.税抜計), optionalValue(h.合計), optionalValue(h.請求金額),
                     h.消費税率 / 100.0, optionalValue(h.標準税率対象), optionalValue(h.標準税率消費税),
                     optionalValue(h.軽減税率対象), optionalValue(h.軽減税率消費税), db::textOrNull(isoDate(h.支払期限))});
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
    return db::exec(data,
                    QStringLiteral("INSERT INTO 顧客マスタ (顧客名, 顧客情報, 敬称) VALUES (?, ?, ?) "
                                   "ON CONFLICT (顧客名) DO UPDATE SET 顧客情報 = excluded.顧客情報, "
                                   "敬称 = excluded.敬称"),
                    {header.顧客名, db::textOrNull(header.顧客情報), db::textOrNull(header.敬称)});
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
    return db::insertRows(data, QStringLiteral("商品マスタ"),
                          {QStringLiteral("品名"), QStringLiteral("単位"), QStringLiteral("単価"), QStringLiteral("非課税"),
                           QStringLiteral("ふりがな"), QStringLiteral("軽減税率")},
                          rows,
                          QStringLiteral("ON CONFLICT (品名) DO UPDATE SET 単位 = excluded.単位, 単価 = excluded.単価, "
                                         "非課税 = excluded.非課税, ふりがな = excluded.ふりがな, 軽減税率 = excluded.軽減税率"));
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

SaveOutcome saveInvoice(const InvoiceHeader &header)
{
    SaveOutcome failure;
    const auto workLines = readWorkLines(failure);
    return workLines ? saveInvoice(header, *workLines) : failure;
}

SaveOutcome saveShownInvoice(const InvoiceHeader &header, const QList<DetailLine> &shown)
{
    SaveOutcome failure;
    const auto workLines = readWorkLines(failure);
    if (!workLines)
        return failure;
    if (*workLines != shown)
        return {false, 0, QStringLiteral("the lines of the work file are not those on screen"), db::Failure::None,
                ModQLNV::WorkMdbPath, true};
    return saveInvoice(header, *workLines);
}

SaveOutcome saveInvoice(const InvoiceHeader &header, const QList<DetailLine> &workLines)
{
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

    if (!AutoEntry顧客マスタ(data, header) || !AutoEntry商品(data, lines))
        return failed();
    // Saving under a stored number replaces that invoice, lines the new one lacks included.
    if (!db::exec(data, QStringLiteral("DELETE FROM 請求書ヘッダ WHERE 伝票番号 = ?"), {header.伝票番号})
        || !db::exec(data, QStringLiteral("DELETE FROM 請求書 WHERE 伝票番号 = ?"), {header.伝票番号}))
        return failed();
    if (!writeLines(data, header, lines) || !writeHeader(data, header))
        return failed();
    if (!counter::recordInvoiceNumber(data, header.伝票番号))
        return failed();
    if (!transaction.commit())
        return failed();
    return {true, int(lines.size()), {}};
}

} // namespace records
