#pragma once
// Imports from linked applications' files into the edit copies: customers from the customer
// programs "Orb顧客管理", "OrbⅡ顧客管理" and "Ormel顧客管理", products from "QLNV請求書".
//
// The linked file is read first; only when all of it was read does the edit copy change, in
// one transaction. A file that cannot be read, a cancelled read or a failed write leaves the
// edit copy as it was. The masters are never touched: the user registers the imported list.
#include "masters/LinkedFile.h"

#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace linkimport {

inline const QString Orb = QStringLiteral("Orb顧客管理");
inline const QString Orb2 = QStringLiteral("OrbⅡ顧客管理");
inline const QString Ormel = QStringLiteral("Ormel顧客管理");
inline const QString Qlnv = QStringLiteral("QLNV請求書");

// One customer of a linked file, as read (Null and empty alike mean "not there").
struct LinkedCustomer {
    QVariant 郵便番号;
    QVariant 住所1;
    QVariant 住所2;
    QVariant tel; // tel, or tel1 of "OrbⅡ顧客管理"
    QVariant fax;
};

// The customer information of one linked customer, line by line with CR LF: "〒" and the
// postal code in its shown form, the two address lines, then "TEL " and " FAX " on one last
// line (the Orb programs) or "TEL " and the first number of the telephone table with a closing
// line break ("Ormel顧客管理", phone given). Each part only when its field is there.
QString compose顧客情報(const QString &application, const LinkedCustomer &customer, const QString &phone = QString());

enum class Status {
    Imported,
    NotKnown,  // no import for this application: nothing changed
    Cancelled, // the user stopped the read: nothing changed
    Failed,    // problem says why: nothing changed
};

struct Outcome {
    Status status = Status::Failed;
    QString problem;
    int rows = 0;
    QStringList missing; // tables and columns the file lacked ("電話番号", "顧客マスタ.fax")
};

// Replaces w顧客マスタ by the customers of the file, in reading order.
Outcome importCustomers(const QSqlDatabase &work, const QString &application, const QString &path,
                        const linkfile::Progress &progress = {});

// Replaces w商品マスタ by the products of the file, in reading order; 入数 and チェック stay at
// their defaults.
Outcome importProducts(const QSqlDatabase &work, const QString &application, const QString &path,
                       const linkfile::Progress &progress = {});

} // namespace linkimport
