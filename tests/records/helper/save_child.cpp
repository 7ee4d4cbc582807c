// quillon-save-child URL COUNT NAME: registers COUNT new invoices for customer NAME on the
// server database at URL as fast as it can, each under the number the counter proposes at that
// moment, as a PC of the office does. Prints one line per invoice: the number it got and the
// milliseconds its save took; exits 1 at the first save that fails.
#include "app/DataSource.h"
#include "records/InvoiceSave.h"
#include "settings/InvoiceCounter.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTextStream>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    QString problem;
    const auto server = db::parseServerUrl(QString::fromLocal8Bit(argv[1]), &problem);
    const int count = QByteArray(argv[2]).toInt();
    const QString customer = QString::fromLocal8Bit(argv[3]);
    QTextStream out(stdout);
    if (!server) {
        out << problem << '\n';
        return 2;
    }
    db::setDataSource({server, {}});
    DetailLine line;
    line.品名 = customer + QStringLiteral("の品");
    line.数量 = 2;
    line.単位 = QStringLiteral("個");
    line.単価 = 500;
    line.金額 = 1000;
    for (int i = 0; i < count; ++i) {
        InvoiceHeader header;
        header.伝票番号 = counter::nextInvoiceNumber().value_or(0);
        header.日付 = QDate(2026, 12, 9);
        header.顧客名 = customer;
        header.件名 = QStringLiteral("%1 の %2 件目").arg(customer).arg(i + 1);
        header.税抜計 = 2000;
        header.消費税 = 200;
        header.合計 = 2200;
        header.請求金額 = 2200;
        header.消費税率 = 10;
        QElapsedTimer timer;
        timer.start();
        const records::SaveOutcome saved = records::saveInvoice(header, {line, line});
        const double ms = double(timer.nsecsElapsed()) / 1e6;
        if (!saved) {
            out << "failed " << header.伝票番号 << ' ' << saved.problem << '\n';
            return 1;
        }
        out << saved.number << ' ' << ms << '\n';
    }
    return 0;
}
