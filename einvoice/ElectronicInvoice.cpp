#include "einvoice/ElectronicInvoice.h"

#include "app/Database.h"
#include "app/DialogChooser.h"
#include "app/Msg.h"
#include "app/SafeFiles.h"
#include "app/SaveTarget.h"
#include "archive/Issuing.h"
#include "print/PdfExport.h"
#include "records/InvoiceLoad.h"
#include "settings/ModQLNVSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSqlQuery>
#include <QtConcurrent/QtConcurrentRun>

#include <tuple>

namespace einvoice {

namespace {

const QString RegisterFirst = QStringLiteral("電子インボイスにできるのは、登録した請求書だけです。先に「登録」してください。");

// The lines that say something, in their order, without the places they stood at.
QList<DetailLine> filled(const QList<DetailLine> &lines)
{
    QList<DetailLine> out;
    for (DetailLine line : lines) {
        if (line.isEmpty())
            continue;
        line.行番号 = 0;
        out << line;
    }
    return out;
}

// What of a header goes into the file, with an empty amount as 0: a stored Null and an empty
// box are the same nothing, and the honorific and the memo are not in the file.
auto fileFields(const InvoiceHeader &h)
{
    const auto yen = [](std::optional<qint64> v) { return v.value_or(0); };
    return std::tuple(h.伝票番号, h.日付, h.顧客名, h.顧客情報, h.件名, h.支払期限, h.消費税率, yen(h.税抜計), yen(h.消費税),
                      yen(h.合計), yen(h.請求金額), yen(h.標準税率対象), yen(h.標準税率消費税), yen(h.軽減税率対象),
                      yen(h.軽減税率消費税));
}

QString described(qint64 伝票番号, const QString &customer)
{
    return customer.isEmpty() ? QStringLiteral("伝票番号 %1").arg(伝票番号)
                              : QStringLiteral("伝票番号 %1（%2）").arg(伝票番号).arg(customer);
}

} // namespace

Party sellerFromSettings()
{
    return {ModQLNV::自社名, ModQLNV::自社情報, ModQLNV::登録番号, ModQLNV::電子アドレス, ModQLNV::振込先};
}

Stored readStored(const QSqlDatabase &data, qint64 伝票番号, const Party &seller)
{
    Stored out;
    const records::InvoiceRead read = records::readStoredInvoice(data, 伝票番号);
    if (read.status == records::LoadStatus::NotFound) {
        out.refusal = QStringLiteral("伝票番号 %1 の請求書は登録されていません。").arg(伝票番号);
        return out;
    }
    if (read.status != records::LoadStatus::Loaded) {
        out.refusal = QStringLiteral("伝票番号 %1 の請求書を読み込めませんでした。").arg(伝票番号);
        return out;
    }
    out.document.header = read.invoice.header;
    out.document.lines = read.invoice.lines;
    out.document.seller = seller;
    out.document.buyer.name = read.invoice.header.顧客名;
    out.document.buyer.addressBlock = read.invoice.header.顧客情報;
    QSqlQuery q(data);
    if (!db::exec(q, QStringLiteral("SELECT \"登録番号\", \"電子アドレス\" FROM \"顧客マスタ\" WHERE \"顧客名\" = ?"),
                  {read.invoice.header.顧客名})) {
        out.refusal = QStringLiteral("顧客マスタを読み込めませんでした。");
        return out;
    }
    // A customer no longer in the master has no electronic address: toJpPint says so.
    if (q.next()) {
        out.document.buyer.registrationNumber = q.value(0).toString();
        out.document.buyer.electronicAddress = q.value(1).toString();
    }
    return out;
}

QString unchangedSinceStored(const InvoiceHeader &screen, const QList<DetailLine> &screenLines, const Document &stored)
{
    if (screen.伝票番号 <= 0 || !screen.更新番号)
        return RegisterFirst;
    if (*screen.更新番号 != stored.header.更新番号.value_or(0))
        return QStringLiteral("この請求書は、ほかのパソコンで変更されています。請求書を開き直してから電子インボイスにしてください。");
    if (fileFields(screen) != fileFields(stored.header) || filled(screenLines) != filled(stored.lines))
        return QStringLiteral("画面の請求書は、登録したときから変更されています。「登録」してから電子インボイスにしてください。");
    return {};
}

QString proposedXmlName(const InvoiceHeader &invoice)
{
    QString name = print::proposedPdfName(invoice);
    name.chop(4); // ".pdf"
    return name + QStringLiteral(".xml");
}

WriteResult writeFromScreen(QWidget *parent, const InvoiceHeader &screen, QString *path)
{
    const auto refused = [](const QString &why) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), why);
        return WriteResult::Refused;
    };
    if (screen.伝票番号 <= 0 || !screen.更新番号)
        return refused(RegisterFirst);
    const std::optional<QList<DetailLine>> lines = detail::readLines(db::work());
    if (!lines) {
        msg::showFailure(QStringLiteral("請求書の明細を読み込めないため、電子インボイスを書き出せませんでした。"));
        return WriteResult::Failed;
    }
    const Stored stored = readStored(db::data(), screen.伝票番号, sellerFromSettings());
    if (!stored.refusal.isEmpty()) {
        // Deleted on another PC since it was opened, or unreadable.
        return refused(stored.refusal);
    }
    if (const QString why = unchangedSinceStored(screen, *lines, stored.document); !why.isEmpty())
        return refused(why);
    const Outcome made = toJpPint(stored.document);
    if (!made.ok())
        return refused(made.refusal);

    const QString target = ModQLNV::chooseSaveTarget(
        parent, QStringLiteral("電子インボイス"),
        QDir(ModQLNV::startFolder(ModQLNV::PDF保存先)).filePath(proposedXmlName(stored.document.header)),
        QStringLiteral("電子インボイス XML (*.xml)"), QStringLiteral(".xml"), QStringLiteral("電子インボイス"));
    if (target.isEmpty())
        return WriteResult::Cancelled;
    const QString shown = QDir::toNativeSeparators(target);
    if (!files::writeWhole(target, made.xml)) {
        msg::showFailure(QStringLiteral("電子インボイスを保存できませんでした（%1）。ディスクの空きと書き込みの許可を確かめてください。").arg(shown));
        return WriteResult::Failed;
    }
    ModQLNV::rememberPdfFolder(QFileInfo(target).absolutePath());
    const Document &d = stored.document;
    archive::archiveIssued(archive::issueOf(d.header, d.lines, archive::pdfOf(d.header, d.lines), made.xml, archive::Method::Electronic));
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), QStringLiteral("電子インボイスを保存しました。\n%1").arg(shown));
    if (path)
        *path = target;
    return WriteResult::Written;
}

BatchReport writeBatch(const QSqlDatabase &data, const QList<qint64> &numbers, const QString &folder)
{
    BatchReport report;
    const Party seller = sellerFromSettings();
    const QDir dir(folder);
    struct Written {
        archive::Issue issue;    // without its PDF until the end
        QFuture<QByteArray> pdf; // drawn on another core while the next ones are read
    };
    QList<Written> written;
    for (const qint64 number : numbers) {
        const Stored stored = readStored(data, number, seller);
        const QString customer = stored.document.header.顧客名;
        if (!stored.refusal.isEmpty()) {
            report.skipped << described(number, customer) + QStringLiteral(": ") + stored.refusal;
            continue;
        }
        const Outcome made = toJpPint(stored.document);
        if (!made.ok()) {
            report.skipped << described(number, customer) + QStringLiteral(": ") + made.refusal;
            continue;
        }
        const QString path = dir.filePath(proposedXmlName(stored.document.header));
        if (!files::writeWhole(path, made.xml, false)) {
            report.failed = true;
            report.failure = QStringLiteral("%1 を書き込めませんでした。").arg(QDir::toNativeSeparators(path));
            break;
        }
        ++report.written;
        // The archive's PDF of the invoice: the one it has of this content when the invoice was
        // printed or saved as PDF, else drawn now. Drawing is most of the batch's time.
        const Document &d = stored.document;
        archive::Issue issue = archive::issueOf(d.header, d.lines, {}, made.xml, archive::Method::Electronic);
        const std::optional<QByteArray> issued = archive::issuedPdf(data, issue.伝票番号, issue.内容指紋);
        written.append({issue, issued && !issued->isEmpty()
                                   ? QtFuture::makeReadyFuture(*issued)
                                   : QtConcurrent::run([header = d.header, lines = d.lines] { return archive::pdfOf(header, lines); })});
    }
    if (!written.isEmpty())
        files::sync(folder);
    for (Written &w : written) {
        w.issue.pdf = w.pdf.result();
        if (!archive::recordIssue(data, w.issue))
            ++report.unarchived;
    }
    return report;
}

void writeListed(QWidget *parent, const QList<qint64> &numbers)
{
    if (numbers.isEmpty()) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"),
                     QStringLiteral("電子インボイスにする請求書がありません。先に検索してください。"));
        return;
    }
    const QString folder = ModQLNV::dialogChooser().chooseFolder(parent, QStringLiteral("電子インボイスの保存先フォルダ"),
                                                                 ModQLNV::startFolder(ModQLNV::PDF保存先));
    if (folder.isEmpty())
        return;
    if (!QFileInfo(folder).isDir() || !QFileInfo(folder).isWritable()) {
        msg::showFailure(QStringLiteral("フォルダ %1 に書き込めないため、電子インボイスを保存できませんでした。保存先を選び直してください。")
                             .arg(QDir::toNativeSeparators(folder)));
        return;
    }
    const BatchReport report = writeBatch(db::data(), numbers, folder);
    if (report.written > 0) {
        ModQLNV::rememberPdfFolder(folder);
    }
    QString text = QStringLiteral("電子インボイスを %1 件保存しました。\n%2").arg(report.written).arg(QDir::toNativeSeparators(folder));
    if (!report.skipped.isEmpty()) {
        // A long list is cut short: the first ones tell the user what to mend.
        constexpr int Shown = 10;
        text += QStringLiteral("\n\n書き出さなかった請求書 %1 件:\n").arg(report.skipped.size())
                + report.skipped.mid(0, Shown).join(u'\n');
        if (report.skipped.size() > Shown)
            text += QStringLiteral("\nほか %1 件").arg(report.skipped.size() - Shown);
    }
    if (report.unarchived > 0)
        text += QStringLiteral("\n\n%1 件は保存書類に記録できませんでした。データの保存先を確かめて、もう一度書き出してください。")
                    .arg(report.unarchived);
    if (report.failed) {
        msg::showFailure(text + QStringLiteral("\n\n") + report.failure
                         + QStringLiteral("ディスクの空きと書き込みの許可を確かめてください。残りの請求書は書き出していません。"));
        return;
    }
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), text);
}

} // namespace einvoice
