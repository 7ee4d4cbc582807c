#pragma once
// Shared by the postal tests: the dictionary of all Japan built once per run from the zip the
// project carries, plain SQL on any file, and Shift_JIS bytes for hand-made sources.
#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <QStringList>
#include <QVariant>

namespace postaltest {

// The dictionary built from data/postal/ken_all.zip (once, in a folder removed at exit).
QString realDictionary();

// One column of every row of sql on the file at path ("<Null>" for Null).
QStringList column(const QString &path, const QString &sql, const QVariantList &values = {});
// A statement on the file at path; fails the test when it fails.
void run(const QString &path, const QString &sql, const QVariantList &values = {});

// text in code page 932, as Japan Post writes KEN_ALL.CSV.
QByteArray toSjis(const QString &text);

} // namespace postaltest
