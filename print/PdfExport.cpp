#include "print/PdfExport.h"

#include "app/Database.h"
#include "app/Formats.h"
#include "app/Msg.h"
#include "app/SafeFiles.h"
#include "app/SaveTarget.h"
#include "print/ReportPainter.h"
#include "settings/ModQLNVSettings.h"

#include <QDir>
#include <QFileInfo>

namespace print {

QString safeFileNamePart(const QString &text, int maxLength)
{
    QString part;
    part.reserve(text.size());
    for (const QChar c : text) {
        if (c.isSpace())
            part += u' '; // line breaks and tabs of a two-line name
        else if (c.unicode() < 0x20 || c.unicode() == 0x7F || QStringView(u"\\/:*?\"<>|").contains(c))
            part += u'_';
        else
            part += c;
    }
    part = formats::leftCharacters(part.simplified(), maxLength);
    // A name may not end in a dot or a blank on Windows, nor start with a dot unseen.
    while (!part.isEmpty() && (part.back() == u'.' || part.back() == u' '))
        part.chop(1);
    while (!part.isEmpty() && (part.front() == u'.' || part.front() == u' '))
        part.remove(0, 1);
    return part;
}

QString proposedPdfName(const InvoiceHeader &invoice)
{
    QStringList parts{QStringLiteral("請求書")};
    if (invoice.伝票番号 > 0)
        parts << QStringLiteral("%1").arg(invoice.伝票番号, 6, 10, QLatin1Char('0'));
    if (invoice.日付.isValid())
        parts << invoice.日付.toString(Qt::ISODate);
    if (const QString customer = safeFileNamePart(invoice.顧客名); !customer.isEmpty())
        parts << customer;
    return parts.join(u'_') + QStringLiteral(".pdf");
}

PdfOutcome savePdf(QWidget *parent, Paper paper, const InvoiceHeader &invoice, bool 日付印刷)
{
    const std::optional<report::Report> report = prepare請求書(paper, invoice, 日付印刷, db::work());
    if (!report) {
        msg::showFailure(QStringLiteral("請求書の明細を読み込めないため、PDF を保存できませんでした。"));
        return {PdfResult::Failed, {}, {}};
    }
    const QString path = ModQLNV::chooseSaveTarget(
        parent, QStringLiteral("PDF保存"), QDir(ModQLNV::startFolder(ModQLNV::PDF保存先)).filePath(proposedPdfName(invoice)),
        QStringLiteral("PDF (*.pdf)"), QStringLiteral(".pdf"), QStringLiteral("PDF"));
    if (path.isEmpty())
        return {PdfResult::Cancelled, {}, {}};
    const QString shown = QDir::toNativeSeparators(path);
    const QByteArray bytes = report::pdfBytes(*report);
    if (bytes.isEmpty() || !files::writeWhole(path, bytes)) {
        msg::showFailure(QStringLiteral("PDF を保存できませんでした（%1）。ディスクの空きと書き込みの許可を確かめてください。").arg(shown));
        return {PdfResult::Failed, {}, {}};
    }
    ModQLNV::rememberPdfFolder(QFileInfo(path).absolutePath());
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), QStringLiteral("PDF を保存しました。\n%1").arg(shown));
    return {PdfResult::Saved, path, bytes};
}

} // namespace print
