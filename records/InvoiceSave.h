#pragma once
// Saving the invoice on screen: the header and the lines of w明細 become one stored invoice
// (請求書ヘッダ and 請求書), the customer, the products and the units are registered in the
// masters, and the counter records the number, all in one transaction on the data file.
// Either everything is written or nothing is.
#include "app/Database.h"
#include "invoice/InvoiceData.h"
#include "settings/InvoiceCounter.h"

#include <QList>
#include <QSqlDatabase>
#include <QString>

namespace records {

// Invoice numbers are long integers in the stored file: 1 to 2147483647.
inline constexpr qint64 MaxInvoiceNumber = counter::MaxInvoiceNumber;

// What the invoice-number box accepts: a whole number from 1 to MaxInvoiceNumber, full-width
// digits included ("１２" is 12). Nothing for anything else.
std::optional<qint64> parseInvoiceNumber(const QString &text);

// Shown when a save failed; no completion message follows it.
inline const QString SaveFailedNotice = QStringLiteral("請求書は保存されませんでした。");
// The counter has reached MaxInvoiceNumber: nothing is proposed, and nothing is saved.
inline const QString NumbersUsedUpNotice =
    QStringLiteral("伝票番号は最大の 2147483647 まで使い切りました。この請求書は保存されませんでした。"
                   "使っていない番号を伝票番号に入力すれば保存できます。");

// Why an invoice read from the store was not saved: since it was read, the stored one was
// changed or deleted (by another PC). The user decides; Overwrite saves it all the same.
enum class SaveConflict { None, Changed, Deleted };
inline const QString ChangedElsewhereQuestion = QStringLiteral("ほかのパソコンで変更されています。上書きしますか？");
inline const QString DeletedElsewhereQuestion = QStringLiteral("ほかのパソコンで削除されています。登録しますか？");

// How a save treats what is stored under the invoice's number.
enum class SaveMode {
    // A new invoice (no 更新番号) goes under its number, or under the next free number when
    // that was stored meanwhile; an invoice read from the store replaces only the version it
    // was read at (otherwise nothing is saved and conflict says why).
    AsShown,
    // Replaces whatever is stored under the number (the user said so).
    Overwrite,
};

struct SaveOutcome {
    bool saved = false;
    int linesStored = 0; // rows written to 請求書
    QString problem;     // why nothing was saved, for the log
    db::Failure failure = db::Failure::None; // what the file below failed with
    QString file;
    bool linesDiffer = false; // the lines of w明細 were not those on screen
    SaveConflict conflict = SaveConflict::None;
    qint64 number = 0;  // saved: the number it was stored under
    qint64 version = 0; // saved: its stored version
    explicit operator bool() const { return saved; }
};

// The completion message of a new invoice that was stored under another number than the one
// it was offered (another PC stored that one first).
QString renumberedText(const QString &顧客名, qint64 offered, qint64 number);

// What the user is told of a failed save: SaveFailedNotice, and the cause where it is known.
QString saveFailedText(const SaveOutcome &outcome);
// The lines of w明細 are not those the grid shows: nothing was saved, the grid reads them again.
inline const QString LinesDifferNotice =
    QStringLiteral("明細が画面の表示と食い違っているため、請求書は保存されませんでした。"
                   "明細を読み直しました。確かめてからもう一度登録してください。");

// The lines to store, from the rows of w明細 in line order: product names without
// surrounding blanks, and every line up to the last one that is not empty, with empty
// lines in between kept in their places.
QList<DetailLine> linesToStore(const QList<DetailLine> &workLines);

// Saves header with the lines of w明細 (read from the work file first, so that every write
// runs on the data connection), as mode says.
SaveOutcome saveInvoice(const InvoiceHeader &header, SaveMode mode = SaveMode::AsShown);
// The same, when the lines of w明細 are those on screen (shown); otherwise nothing is saved
// (linesDiffer).
SaveOutcome saveShownInvoice(const InvoiceHeader &header, const QList<DetailLine> &shown,
                             SaveMode mode = SaveMode::AsShown);
// The same with the lines given (rows of w明細 in line order, at most 99).
SaveOutcome saveInvoice(const InvoiceHeader &header, const QList<DetailLine> &workLines,
                        SaveMode mode = SaveMode::AsShown);

// The master updates of a save, each in the caller's transaction on data; false when a
// statement failed.
// Each is a per-row upsert that changes only rows whose values differ, and counts a write to
// the master (masterchanges) only when it changed one.
// The customer of the invoice: added, or its information and honorific replaced.
bool AutoEntry顧客マスタ(const QSqlDatabase &data, const InvoiceHeader &header);
// The products of lines that have a unit price or a quantity: added, or their unit, price,
// tax flag and reading replaced. The pack size is left to the product window.
bool AutoEntry商品(const QSqlDatabase &data, const QList<DetailLine> &lines);

} // namespace records
