#include "masters/LinkImport.h"

#include "app/Database.h"
#include "app/Helpers.h"

#include <QHash>
#include <QLoggingCategory>
#include <QSqlQuery>

#include <algorithm>

Q_LOGGING_CATEGORY(lcLinkImport, "quillon.linkimport")

namespace linkimport {

namespace {

const QString CrLf = QStringLiteral("\r\n");
const QString CustomerTable = QStringLiteral("顧客マスタ");
const QString PhoneTable = QStringLiteral("電話番号");
const QString ProductTable = QStringLiteral("商品マスタ");

bool present(const QVariant &value)
{
    return !value.isNull() && !value.toString().isEmpty();
}

QVariant textOrNull(const QVariant &value)
{
    return present(value) ? QVariant(value.toString()) : QVariant(QMetaType::fromType<QString>());
}

bool isNumber(const QVariant &value)
{
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return true;
    default:
        return false;
    }
}

// The order of the linked files' own queries: Null first, numbers by value, text by its
// characters.
int compareValues(const QVariant &a, const QVariant &b)
{
    if (a.isNull() || b.isNull())
        return int(!a.isNull()) - int(!b.isNull());
    if (isNumber(a) && isNumber(b)) {
        const double x = a.toDouble();
        const double y = b.toDouble();
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    return a.toString().compare(b.toString());
}

void sortBy(QList<QVariantList> &rows, int column)
{
    std::stable_sort(rows.begin(), rows.end(), [column](const QVariantList &a, const QVariantList &b) {
        return compareValues(a.at(column), b.at(column)) < 0;
    });
}

Outcome failed(const QString &problem)
{
    Outcome out;
    out.status = Status::Failed;
    out.problem = problem;
    return out;
}

// The outcome of a read that did not give the table's rows; nothing when it did.
std::optional<Outcome> unlessRead(const linkfile::ReadOutcome &read, const QString &table)
{
    switch (read.status) {
    case linkfile::ReadStatus::Cancelled: {
        Outcome out;
        out.status = Status::Cancelled;
        return out;
    }
    case linkfile::ReadStatus::Failed:
        return failed(read.problem);
    case linkfile::ReadStatus::Read:
        break;
    }
    if (!read.data.tableFound)
        return failed(QStringLiteral("リンクファイルに %1 の表がありません。ファイルを確認してください。").arg(table));
    return std::nullopt;
}

void noteMissing(Outcome &out, const QString &table, const QStringList &columns)
{
    for (const QString &column : columns)
        out.missing << table + u'.' + column;
}

// The edit copy replaced by rows, in one transaction.
bool replaceCopy(const QSqlDatabase &work, const QString &copy, const QStringList &columns, const QList<QVariantList> &rows)
{
    db::Transaction tx(work);
    if (!tx.isActive() || !db::exec(work, QStringLiteral("DELETE FROM \"%1\"").arg(copy)))
        return false;
    QStringList names;
    QStringList marks;
    for (const QString &c : columns) {
        names << u'"' + c + u'"';
        marks << QStringLiteral("?");
    }
    {
        db::Statement insert(work, QStringLiteral("INSERT INTO \"%1\" (%2) VALUES (%3)")
                                       .arg(copy, names.join(u','), marks.join(u',')));
        for (const QVariantList &row : rows) {
            if (!insert.run(row))
                return false;
        }
    }
    return tx.commit();
}

Outcome written(const QSqlDatabase &work, const QString &copy, const QStringList &columns, const QList<QVariantList> &rows,
                Outcome out)
{
    if (!replaceCopy(work, copy, columns, rows)) {
        qCWarning(lcLinkImport).noquote() << copy << "not replaced:" << db::lastError();
        return failed(QStringLiteral("読み込んだ内容を一覧に書き込めませんでした。"));
    }
    out.status = Status::Imported;
    out.rows = rows.size();
    return out;
}

// The first telephone number of each customer of the telephone table, by code, then no.
QHash<QString, QString> firstPhones(const QList<QVariantList> &rows)
{
    enum { Name, Number, Code, No };
    QList<QVariantList> sorted = rows;
    std::stable_sort(sorted.begin(), sorted.end(), [](const QVariantList &a, const QVariantList &b) {
        const int byCode = compareValues(a.at(Code), b.at(Code));
        return byCode != 0 ? byCode < 0 : compareValues(a.at(No), b.at(No)) < 0;
    });
    QHash<QString, QString> first;
    for (const QVariantList &row : std::as_const(sorted)) {
        // A row without a number is no telephone number.
        if (present(row.at(Name)) && present(row.at(Number)) && !first.contains(row.at(Name).toString()))
            first.insert(row.at(Name).toString(), row.at(Number).toString());
    }
    return first;
}

} // namespace

QString compose顧客情報(const QString &application, const LinkedCustomer &c, const QString &phone)
{
    QString info;
    if (present(c.郵便番号))
        info += QStringLiteral("〒") + ModQLNV::Format郵便番号(c.郵便番号.toString()) + CrLf;
    if (present(c.住所1))
        info += c.住所1.toString() + CrLf;
    if (present(c.住所2))
        info += c.住所2.toString() + CrLf;
    if (application == Ormel) {
        if (!phone.isEmpty())
            info += QStringLiteral("TEL ") + phone + CrLf;
    } else {
        if (present(c.tel))
            info += QStringLiteral("TEL ") + c.tel.toString();
        if (present(c.fax))
            info += QStringLiteral(" FAX ") + c.fax.toString();
    }
    return info;
}

Outcome importCustomers(const QSqlDatabase &work, const QString &application, const QString &path,
                        const linkfile::Progress &progress)
{
    if (application != Orb && application != Orb2 && application != Ormel)
        return {Status::NotKnown, {}, 0, {}};

    enum { Name, Postal, Address1, Address2, Reading, Honorific, Tel, Fax };
    QStringList columns = {QStringLiteral("名称"), QStringLiteral("郵便番号"), QStringLiteral("住所1"),
                           QStringLiteral("住所2"), QStringLiteral("ふりがな"), QStringLiteral("敬称")};
    if (application != Ormel)
        columns << (application == Orb2 ? QStringLiteral("tel1") : QStringLiteral("tel")) << QStringLiteral("fax");
    linkfile::ReadOutcome customers = linkfile::readTable(path, CustomerTable, columns, progress);
    if (auto stop = unlessRead(customers, CustomerTable))
        return *stop;
    Outcome out;
    noteMissing(out, CustomerTable, customers.data.missingColumns);

    QHash<QString, QString> phones;
    if (application == Ormel) {
        const QStringList phoneColumns = {QStringLiteral("名称"), QStringLiteral("電話番号"), QStringLiteral("code"),
                                          QStringLiteral("no")};
        const linkfile::ReadOutcome read = linkfile::readTable(path, PhoneTable, phoneColumns, progress);
        if (read.status != linkfile::ReadStatus::Read)
            return *unlessRead(read, PhoneTable);
        // Without the telephone table the customers come in without telephone lines.
        if (!read.data.tableFound)
            out.missing << PhoneTable;
        noteMissing(out, PhoneTable, read.data.missingColumns);
        phones = firstPhones(read.data.rows);
    }

    // The linked application knows nothing of electronic invoices: what the copy holds of a
    // customer's registration number and electronic address stays with that customer's name.
    QHash<QString, QVariantList> electronic;
    QSqlQuery kept(work);
    if (!db::exec(kept, QStringLiteral("SELECT \"顧客名\", \"登録番号\", \"電子アドレス\" FROM \"w顧客マスタ\" "
                                       "WHERE \"登録番号\" IS NOT NULL OR \"電子アドレス\" IS NOT NULL")))
        return failed(QStringLiteral("一覧の登録番号と電子アドレスを読めませんでした。"));
    while (kept.next())
        electronic.insert(kept.value(0).toString(), {kept.value(1), kept.value(2)});

    QList<QVariantList> &linked = customers.data.rows;
    sortBy(linked, Reading);
    QList<QVariantList> rows;
    rows.reserve(linked.size());
    for (const QVariantList &r : std::as_const(linked)) {
        LinkedCustomer c{r.at(Postal), r.at(Address1), r.at(Address2), QVariant(), QVariant()};
        if (application != Ormel) {
            c.tel = r.at(Tel);
            c.fax = r.at(Fax);
        }
        const QString info = compose顧客情報(application, c, phones.value(r.at(Name).toString()));
        rows << QVariantList{textOrNull(r.at(Name)), textOrNull(info), textOrNull(r.at(Reading)), textOrNull(r.at(Honorific))}
                    + electronic.value(r.at(Name).toString(), {QVariant(), QVariant()});
    }
    return written(work, QStringLiteral("w顧客マスタ"),
                   {QStringLiteral("顧客名"), QStringLiteral("顧客情報"), QStringLiteral("ふりがな"), QStringLiteral("敬称"),
                    QStringLiteral("登録番号"), QStringLiteral("電子アドレス")},
                   rows, out);
}

Outcome importProducts(const QSqlDatabase &work, const QString &application, const QString &path,
                       const linkfile::Progress &progress)
{
    if (application != Qlnv)
        return {Status::NotKnown, {}, 0, {}};

    enum { Name, Unit, Price, Exempt, Reading };
    const QStringList columns = {QStringLiteral("品名"), QStringLiteral("単位"), QStringLiteral("単価"),
                                 QStringLiteral("非課税"), QStringLiteral("ふりがな")};
    linkfile::ReadOutcome products = linkfile::readTable(path, ProductTable, columns, progress);
    if (auto stop = unlessRead(products, ProductTable))
        return *stop;
    Outcome out;
    noteMissing(out, ProductTable, products.data.missingColumns);

    QList<QVariantList> &linked = products.data.rows;
    sortBy(linked, Reading);
    QList<QVariantList> rows;
    rows.reserve(linked.size());
    for (const QVariantList &r : std::as_const(linked)) {
        bool number = false;
        const double price = r.at(Price).toDouble(&number);
        // A yes/no of an Access file is -1 for yes; any other number than 0 is yes too.
        const bool exempt = present(r.at(Exempt)) && r.at(Exempt).toDouble() != 0;
        rows << QVariantList{textOrNull(r.at(Name)), textOrNull(r.at(Unit)),
                             present(r.at(Price)) && number ? QVariant(price) : QVariant(QMetaType::fromType<double>()),
                             exempt ? 1 : 0, textOrNull(r.at(Reading))};
    }
    return written(work, QStringLiteral("w商品マスタ"), columns, rows, out);
}

} // namespace linkimport
