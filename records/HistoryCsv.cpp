#include "records/HistoryCsv.h"

#include "app/Database.h"
#include "app/Formats.h"

#include <QDate>
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

// A text a spreadsheet would take for a formula (=, +, -, @, or a tab or carriage return
// before one) is read as text with an apostrophe before it, as spreadsheets write it.
QString asText(const QString &text)
{
    static const QString starts = QStringLiteral("=+-@\t\r");
    return !text.isEmpty() && starts.contains(text.front()) ? u'\'' + text : text;
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

QString record(const QStringList &fields)
{
    QStringList quoted;
    quoted.reserve(fields.size());
    for (const QString &field : fields) {
        if (field.contains(u',') || field.contains(u'"') || field.contains(u'\n') || field.contains(u'\r'))
            quoted << u'"' + QString(field).replace(QStringLiteral("\""), QStringLiteral("\"\"")) + u'"';
        else
            quoted << field;
    }
    return quoted.join(u',') + QStringLiteral("\r\n");
}

std::optional<Built> buildHistoryCsv(const QSqlDatabase &work, Encoding encoding)
{
    db::DataAttached data(work);
    if (!data)
        return std::nullopt;
    QSqlQuery q(work);
    q.setForwardOnly(true);
    if (!db::exec(q, QStringLiteral("SELECT l.伝票番号, l.日付, l.顧客名, l.件名, h.税抜計, h.消費税, h.合計, "
                                    "h.請求金額, h.消費税率, h.標準税率対象, h.標準税率消費税, h.軽減税率対象, "
                                    "h.軽減税率消費税, h.支払期限 FROM w履歴リスト AS l "
                                    "LEFT JOIN data.請求書ヘッダ AS h ON h.伝票番号 = l.伝票番号 ORDER BY l.rowid")))
        return std::nullopt;

    Built built;
    const auto add = [&](qint64 number, const QString &text) {
        if (encoding == Encoding::Utf8WithBom) {
            built.bytes += text.toUtf8();
            return;
        }
        QString missing;
        if (const auto bytes = formats::toCp932(text, &missing))
            built.bytes += *bytes;
        else
            built.unmappable.append({number, missing});
    };
    if (encoding == Encoding::Utf8WithBom)
        built.bytes += QByteArray("\xEF\xBB\xBF");
    add(0, record(columns()));
    while (q.next()) {
        const qint64 number = q.value(0).toLongLong();
        add(number, record({QString::number(number), slashDate(q.value(1)),
                            asText(q.value(2).toString()), asText(q.value(3).toString()), amount(q.value(4)), amount(q.value(5)),
                            amount(q.value(6)), amount(q.value(7)), rate(q.value(8)), amount(q.value(9)),
                            amount(q.value(10)), amount(q.value(11)), amount(q.value(12)), slashDate(q.value(13))}));
        ++built.invoices;
    }
    if (!db::readToEnd(q))
        return std::nullopt;
    return built;
}

QString proposedCsvName()
{
    return QStringLiteral("請求履歴_%1.csv").arg(QDate::currentDate().toString(Qt::ISODate));
}

} // namespace records::csv
