#pragma once
// Registration of a name in the code table コードマスタ: each kind (units "単位", pack sizes)
// has numbered slots "01".."99"; a slot whose sname is Null is free.
#include <QSqlDatabase>
#include <QString>

#include <optional>

namespace records {

// Puts name into the lowest-coded free slot of kind, unless the kind already holds it.
// True when it was written; false when the name is empty, already known, or every slot is
// taken; nothing when a statement failed (so that a caller's transaction can roll back).
// Runs in the caller's transaction on database.
std::optional<bool> registerCodeName(const QSqlDatabase &database, const QString &kind, const QString &name);

} // namespace records
