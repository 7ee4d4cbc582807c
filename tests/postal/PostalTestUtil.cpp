#include "PostalTestUtil.h"

#include "postal/DictionaryBuilder.h"
#include "postal/SqlConnection.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>

#include <unicode/ucnv.h>

#include <gtest/gtest.h>

#include <memory>

namespace postaltest {

namespace {

// Runs f on a connection to path that is closed again afterwards.
template <typename F>
void withConnection(const QString &path, F f)
{
    QString error;
    yubin::SqlConnection connection(path, false, error);
    if (!connection.isOpen()) {
        ADD_FAILURE() << error.toStdString();
        return;
    }
    QSqlDatabase db = connection.db();
    f(db);
}

} // namespace

QString realDictionary()
{
    static QTemporaryDir dir;
    static const QString path = [] {
        const QString out = dir.filePath(QStringLiteral("yubin.mdb"));
        const yubin::DictionaryBuild build = yubin::buildDictionary(QStringLiteral(QUILLON_POSTAL_ZIP), out);
        if (!build.error.isEmpty())
            ADD_FAILURE() << build.error.toStdString();
        return out;
    }();
    return path;
}

QStringList column(const QString &path, const QString &sql, const QVariantList &values)
{
    QStringList out;
    withConnection(path, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        if (!q.exec()) {
            ADD_FAILURE() << sql.toStdString() << ": " << q.lastError().text().toStdString();
            return;
        }
        while (q.next())
            out += q.value(0).isNull() ? QStringLiteral("<Null>") : q.value(0).toString();
    });
    return out;
}

void run(const QString &path, const QString &sql, const QVariantList &values)
{
    withConnection(path, [&](QSqlDatabase &db) {
        QSqlQuery q(db);
        q.prepare(sql);
        for (int i = 0; i < values.size(); ++i)
            q.bindValue(i, values.at(i));
        EXPECT_TRUE(q.exec()) << sql.toStdString() << ": " << q.lastError().text().toStdString();
    });
}

QByteArray toSjis(const QString &text)
{
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter *)> cnv(ucnv_open("windows-31j", &status), ucnv_close);
    QByteArray out(text.size() * 2 + 16, Qt::Uninitialized);
    const int32_t n = ucnv_fromUChars(cnv.get(), out.data(), int32_t(out.size()),
                                      reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()), &status);
    EXPECT_TRUE(U_SUCCESS(status));
    out.resize(n);
    return out;
}

} // namespace postaltest
