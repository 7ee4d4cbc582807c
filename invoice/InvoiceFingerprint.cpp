#include "invoice/InvoiceFingerprint.h"

#include <QCryptographicHash>
#include <QStringList>

QString contentFingerprint(const InvoiceHeader &h, const QList<DetailLine> &lines)
{
    const auto yen = [](const std::optional<qint64> &v) { return QString::number(v.value_or(0)); };
    const auto number = [](const std::optional<double> &v) { return v ? QString::number(*v, 'g', 15) : QString(); };
    const auto flag = [](bool b) { return b ? QStringLiteral("1") : QStringLiteral("0"); };
    QStringList fields{QString::number(h.伝票番号), h.日付.toString(Qt::ISODate), h.顧客名, h.顧客情報, h.敬称, h.件名, h.メモ,
                       yen(h.税抜計), yen(h.消費税), yen(h.合計), yen(h.請求金額), QString::number(h.消費税率),
                       yen(h.標準税率対象), yen(h.標準税率消費税), yen(h.軽減税率対象), yen(h.軽減税率消費税),
                       h.支払期限.toString(Qt::ISODate)};
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const DetailLine &l = lines.at(i);
        if (l.isEmpty())
            continue;
        fields << QString::number(i) << l.品名.trimmed() << l.入数 << number(l.数量) << l.単位 << number(l.単価)
               << (l.金額 ? QString::number(*l.金額) : QString()) << flag(l.小計) << flag(l.非課税) << flag(l.軽減税率);
    }
    return QString::fromLatin1(
        QCryptographicHash::hash(fields.join(QChar(0x1f)).toUtf8(), QCryptographicHash::Sha256).toHex());
}
