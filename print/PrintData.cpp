#include "print/PrintData.h"

#include "app/Database.h"
#include "app/Helpers.h"
#include "settings/ModQLNVSettings.h"

#include <QSqlQuery>

#include <algorithm>

namespace print {

PrintSettings PrintSettings::fromGlobals()
{
    PrintSettings s;
    s.年号 = ModQLNV::年号;
    s.小数 = ModQLNV::小数;
    s.入数列タイトル = ModQLNV::入数列タイトル;
    s.topMargin = ModQLNV::白紙TopMargin;
    s.leftMargin = ModQLNV::白紙LeftMargin;
    const QColor colour = ModQLNV::colorFromRgbLong(ModQLNV::白紙罫線色);
    s.罫線色 = colour.isValid() ? colour : QColor(Qt::black);
    return s;
}

PrintHeader makePrintHeader(const InvoiceHeader &invoice, bool 日付印刷, const QList<DetailLine> &lines)
{
    PrintHeader h;
    h.日付 = invoice.日付;
    h.顧客名 = invoice.顧客名;
    h.顧客情報 = invoice.顧客情報;
    h.自社名 = ModQLNV::自社名;
    h.自社情報 = ModQLNV::自社情報;
    h.件名 = invoice.件名;
    h.メモ = invoice.メモ;
    h.敬称 = invoice.敬称;
    h.税抜計 = invoice.税抜計;
    h.消費税 = invoice.消費税;
    h.合計 = invoice.合計;
    h.請求金額 = invoice.請求金額;
    h.行数 = qint16(qMin(namedLineCount(lines), int(DetailLineCount)));
    h.最終行 = lastUsedLine(lines);
    h.日付印刷 = 日付印刷;
    h.伝票番号 = invoice.伝票番号;
    h.登録番号 = ModQLNV::登録番号;
    h.消費税率 = invoice.消費税率;
    h.標準税率対象 = invoice.標準税率対象;
    h.標準税率消費税 = invoice.標準税率消費税;
    h.軽減税率対象 = invoice.軽減税率対象;
    h.軽減税率消費税 = invoice.軽減税率消費税;
    h.支払期限 = invoice.支払期限;
    h.振込先 = ModQLNV::振込先;
    h.軽減税率明細 = invoice.消費税率 == 10 && std::any_of(lines.begin(), lines.end(), [](const DetailLine &l) {
        return l.軽減税率 && !l.小計 && !l.isEmpty();
    });
    return h;
}

std::optional<int> GetLine請求書(const QSqlDatabase &work)
{
    QSqlQuery q(work);
    if (!db::exec(q, QStringLiteral("SELECT count(品名) AS cnt FROM w明細 WHERE 品名 IS NOT NULL AND 品名 <> ''")))
        return std::nullopt;
    return q.next() ? q.value(0).toInt() : 0;
}

int namedLineCount(const QList<DetailLine> &lines)
{
    return int(std::count_if(lines.begin(), lines.end(), [](const DetailLine &l) { return !l.品名.isEmpty(); }));
}

int lastUsedLine(const QList<DetailLine> &lines)
{
    for (qsizetype i = lines.size(); i > 0; --i)
        if (!lines[i - 1].isEmpty())
            return int(i);
    return 0;
}

int pageCount(int lastUsed, int perPage)
{
    if (perPage <= 0 || lastUsed <= 0)
        return 1;
    return (lastUsed + perPage - 1) / perPage;
}

} // namespace print
