#include "records/HistoryCsv.h"

#include "app/Database.h"
#include "app/Formats.h"

#include <QDate>
#include <QHash>
#include <QList>
#include <QSqlQuery>
#include <QVariant>

namespace records::csv {

namespace {

QString amount(const QVariant &v)
{
    return v.isNull() ? QString() : QString::number(v.toLongLong());
}

// The rate as the settings show it: an invoice stored before rates were kept was at 5 %.
QString rate(const QVariant &v)
{
    return QStringLiteral("%1%").arg(v.isNull() ? 5 : qRound(v.toDouble() * 100));
}

// "2026/11/30", as spreadsheets read a date; empty for none.
QString slashDate(const QVariant &v)
{
    const QDate date = QDate::fromString(v.toString(), Qt::ISODate);
    return date.isValid() ? date.toString(QStringLiteral("yyyy/MM/dd")) : QString();
}

} // namespace

const QStringList &columns()
{
    static const QStringList list{
        QStringLiteral("伝票番号"),     QStringLiteral("日付"),           QStringLiteral("顧客名"),
        QStringLiteral("件名"),         QStringLiteral("税抜計"),         QStringLiteral("消費税"),
        QStringLiteral("合計"),         QStringLiteral("請求金額"),       QStringLiteral("消費税率"),
        QStringLiteral("標準税率対象"), QStringLiteral("標準税率消費税"), QStringLiteral("軽減税率対象"),
        QStringLiteral("軽減税率消費税"), QStringLiteral("支払期限"),
    };
    return list;
}

std::optional<Built> buildHistoryCsv(const QSqlDatabase &work, Encoding encoding)
{
    // The list in its order from the work file, the figures from the stored headers; an
    // invoice deleted since the search keeps its row with the figures empty.
    struct Listed {
        qint64 number;
        QVariant 日付, 顧客名, 件名;
    };
    QList<Listed> listed;
    QVariantList numbers;
    {
        QSqlQuery q(work);
        q.setForwardOnly(true);
        if (!db::exec(q, QStringLiteral("SELECT 伝票番号, 日付, 顧客名, 件名 FROM w履歴リスト ORDER BY rowid")))
            return std::nullopt;
        while (q.next()) {
            listed.append({q.value(0).toLongLong(), q.value(1), q.value(2), q.value(3)});
            numbers << q.value(0);
        }
        if (!db::readToEnd(q))
            return std::nullopt;
    }
    constexpr int Figures = 10;
    QHash<qint64, QVariantList> figures;
    figures.reserve(listed.size());
    const QSqlDatabase data = db::data();
    if (!data.isOpen()
        || !db::readForKeys(data,
                            QStringLiteral("SELECT 伝票番号, 税抜計, 消費税, 合計, 請求金額, 消費税率, 標準税率対象, "
                                           "標準税率消費税, 軽減税率対象, 軽減税率消費税, 支払期限 "
                                           "FROM 請求書ヘッダ WHERE 伝票番号 IN"),
                            numbers, [&](const QSqlQuery &q) {
                                QVariantList row;
                                for (int c = 1; c <= Figures; ++c)
                                    row << q.value(c);
                                figures.insert(q.value(0).toLongLong(), row);
                            }))
        return std::nullopt;

    Built built;
    const auto add = [&](qint64 number, const QString &text) {
        QString missing;
        if (const auto bytes = csvtext::encode(text, encoding, &missing))
            built.bytes += *bytes;
        else
            built.unmappable.append({number, missing});
    };
    built.bytes += csvtext::start(encoding);
    add(0, record(columns()));
    for (const Listed &row : listed) {
        const QVariantList f = figures.value(row.number, QVariantList(Figures));
        add(row.number, record({QString::number(row.number), slashDate(row.日付), csvtext::asText(row.顧客名.toString()),
                                csvtext::asText(row.件名.toString()), amount(f[0]), amount(f[1]), amount(f[2]), amount(f[3]),
                                rate(f[4]), amount(f[5]), amount(f[6]), amount(f[7]), amount(f[8]), slashDate(f[9])}));
        ++built.invoices;
    }
    return built;
}

QString proposedCsvName()
{
    return QStringLiteral("請求履歴_%1.csv").arg(QDate::currentDate().toString(Qt::ISODate));
}

} // namespace records::csv
