#pragma once
// Subtotal rows and line deletion: both shift the lines of w明細 through the scratch copy
// w明細ソート, in one transaction each, and leave the table at 99 lines numbered 1 to 99.
// Moved lines keep every column, their reading (ふりがな) included. The subtotal rows are
// recomputed in the same transaction; the caller shows the amounts (calc::Calc明細).
#include <QSqlDatabase>
#include <QString>

namespace lines {

// The name of a subtotal row, with its leading blank.
inline const QString SubtotalName = QStringLiteral(" 小 計");

enum class SubtotalResult {
    Created,
    FirstLine,     // line 1 cannot close a group: "1行目には小計は作成できません。"
    BelowSubtotal, // the line above is a subtotal row: "小計の次行には小計は作成できません。"
    AboveSubtotal, // the line below is a subtotal row: "小計の前行には小計は作成できません。"
    NoRoom,        // line 99 holds data that would be pushed out
    Failed,        // the table could not be read or written; nothing changed
};

// Inserts a subtotal row at line 行番号; that line and the ones after it move down by one.
SubtotalResult Create小計(const QSqlDatabase &work, int 行番号);

// Deletes line 行番号; the lines after it move up by one and line 99 becomes blank.
// False when the table could not be read or written (then nothing changed).
bool LineDelete(const QSqlDatabase &work, int 行番号);

} // namespace lines
