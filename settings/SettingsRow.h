#pragma once
// The settings row 自社情報 of the data database: its values, its choices and defaults, and
// the one read and the one write of it. Only the first row (lowest rowid) is ever used.
//
// The settings tab edits the row through SettingsForm, the texts of its boxes; the rules
// that turn those texts into stored values (empty combo -> default, empty path -> Null,
// empty margin -> 0, empty colour -> Null) live here, so they are tested without a window.
#include <QDate>
#include <QString>
#include <QStringList>
#include <QtGlobal>

#include <optional>

namespace settings {

// The lists of the settings tab, in the order they are shown.
const QStringList &年号Choices();         // 和暦, 西暦
const QStringList &端数Choices();         // 四捨五入, 切り捨て, 切り上げ (tax and line rounding)
const QStringList &税区分Choices();       // 外税, 内税, 非課税
const QStringList &印刷用紙Choices();     // A4白紙, B5白紙
const QStringList &入数列タイトルChoices(); // 入数, 規格 (suggestions; any title may be typed)
const QStringList &小数Choices();         // 使用しない, 使用する
const QStringList &消費税率Choices();     // 5%, 8%, 10%
const QStringList &支払期限Choices();     // なし, 翌月末, 日数指定 (how a new invoice's due date is set)
const QStringList &商品表示順Choices();   // 品名順, ふりがな順
const QStringList &顧客リンクアプリChoices();
const QStringList &商品リンクアプリChoices();

// The file-open filter for a linked application's data file ("desc|pattern|"): the
// application's file name, then any file; only any file for an application whose file name
// is not fixed.
QString linkFileFilter(const QString &application);

// Defaults: what a Null column means and what an empty combo stores.
QString default年号();
QString default端数();
QString default税区分();
QString default印刷用紙();
QString default入数列タイトル();
QString default小数();
QString default商品表示順();
QString default消費税率();
QString default支払期限(); // なし

// The payment due date a new invoice dated invoiceDate gets under the rule chosen on the tab
// (a 支払期限Choices() text, and the days for "日数指定"): none (an invalid date) for "なし" or
// anything else, the last day of the next month for "翌月末", invoiceDate plus days for
// "日数指定". None for an invalid invoice date.
QDate dueDateFor(const QString &rule, int days, const QDate &invoiceDate);
// The days of "日数指定" by default, and the range the tab takes.
inline constexpr int DefaultDueDays = 30;
inline constexpr int MaxDueDays = 365;

// The rate a choice or a stored value stands for, in percent ("10%" and 0.1 are 10); nothing
// for anything else.
std::optional<int> taxPercentFromText(const QString &text);
std::optional<int> taxPercentFromRate(double rate);

// The registration number of a qualified invoice issuer as the program stores it: "T" and 13
// digits, full-width characters and a small "t" taken as their plain forms, spaces and hyphens
// between the digits left out. An empty text is no number (empty); anything else is not a
// registration number (nothing).
std::optional<QString> registrationNumber(const QString &text);
// What the user is told of a registration number of the wrong form.
QString registrationNumberForm();
// Asked when the settings are registered with a registration number at 5 %.
QString qualifiedAtFivePercentQuestion();

// An electronic address (a Peppol participant id) as the program stores it: a four-digit
// scheme, a colon and the id ("0188:1234567890123"), full-width characters as their plain
// forms and blanks left out. Scheme 0188 (Japan's corporate numbers) takes 13 digits. An empty
// text is no address (empty); anything else is not an address (nothing).
std::optional<QString> electronicAddress(const QString &text);
// The address a seller without one of their own has: "0188:" and the 13 digits of the
// registration number; empty without a registration number.
QString defaultElectronicAddress(const QString &登録番号);
// What the user is told of an address of the wrong form; field names the box.
QString electronicAddressForm(const QString &field);

// The row as stored; nullopt is a Null column.
struct SettingsRow {
    std::optional<QString> 自社名;
    std::optional<QString> 自社情報;
    std::optional<QString> 年号;
    std::optional<QString> 税端数;
    std::optional<QString> 税区分;
    std::optional<QString> 商品表示順;
    std::optional<QString> 印刷用紙;
    std::optional<QString> 小数;
    std::optional<QString> 行端数;
    std::optional<QString> 顧客リンクアプリ;
    std::optional<QString> 顧客リンクパス;
    std::optional<QString> 商品リンクアプリ;
    std::optional<QString> 商品リンクパス;
    std::optional<double> 白紙TopMargin;
    std::optional<double> 白紙LeftMargin;
    std::optional<double> S101TopMargin;
    std::optional<double> S101LeftMargin;
    std::optional<qint32> 白紙罫線色;
    std::optional<QString> 入数列タイトル;
    std::optional<bool> YubinLocalEriaSw;
    std::optional<QString> YubinLocalEria;
    std::optional<double> 消費税率; // 0.05, 0.08 or 0.1
    std::optional<QString> 登録番号;
    // Remembered by the program, not typed on the tab (writeRemembered).
    std::optional<QString> PDF保存先;
    std::optional<QString> バックアップ先;
    std::optional<QString> 最終バックアップ; // ISO date and time
    std::optional<int> バックアップ間隔;    // days; the tab edits it
    std::optional<QString> 振込先;        // the bank account lines printed on the invoices
    std::optional<QString> 支払期限;      // "翌月末" or "日数指定"; Null: no due date
    std::optional<int> 支払期限日数;      // the days of "日数指定"
    std::optional<QString> 電子アドレス;  // the own Peppol participant id, scheme:id
    // The row's version when it was read (Null stored counts as 0), raised by every save of
    // the settings; none for a row that was not read. The counter's moves leave it.
    std::optional<qint64> 更新番号;

    bool operator==(const SettingsRow &) const = default;
};

enum class ReadStatus {
    Found,  // row holds the first row
    NoRow,  // the table is empty (a fresh database, or after the data reset)
    Failed, // the file is missing or the statement failed
};

struct SettingsRead {
    ReadStatus status = ReadStatus::Failed;
    SettingsRow row;
};

// Reads the first row of 自社情報.
SettingsRead readSettingsRow();

// What the program remembers in the settings row between runs.
enum class Remembered {
    PdfFolder,    // PDF保存先
    BackupFolder, // バックアップ先
    LastBackup,   // 最終バックアップ
};
// Writes one remembered value into the first row (adding the row when there is none), without
// waiting for a data file another program holds. False when nothing was stored.
bool writeRemembered(Remembered what, const QString &value);

// The days after which the start-up reminds of a backup, by default.
inline constexpr int DefaultBackupDays = 7;

// Saves the columns the settings tab edits into the first row, or adds the row when there is
// none. The invoice counter 最大請求書番号, the S101 margins and the postal search columns are
// never written here: they belong to the counter and to the postal component.
// A row that carries 更新番号 is stored only over that version: when another PC saved the
// settings since they were read, nothing is stored and *changedElsewhere is set (the caller
// asks, and saves a row without 更新番号 to store it all the same). *storedVersion, when given,
// gets the version the save stored.
// False when nothing was stored.
bool writeSettingsRow(const SettingsRow &row, bool *changedElsewhere = nullptr, qint64 *storedVersion = nullptr);

inline const QString SettingsChangedElsewhereQuestion =
    QStringLiteral("ほかのパソコンで設定が変更されています。上書きしますか？");

// The settings tab's boxes as text.
struct SettingsForm {
    QString 自社名;
    QString 自社情報;
    QString 年号;
    QString 税端数;
    QString 行端数;
    QString 税区分;
    QString 印刷用紙;
    QString 入数列タイトル;
    QString 小数;
    QString 商品表示順;
    QString 顧客リンクアプリ;
    QString 顧客リンクパス;
    QString 商品リンクアプリ;
    QString 商品リンクパス;
    QString TopMargin;
    QString LeftMargin;
    QString 罫線色;
    // The postal-code search starts at the user's own prefecture and city ("東京都府中市").
    bool YubinLocalEriaSw = false;
    QString YubinLocalEria;
    QString 消費税率; // "5%", "8%", "10%"
    QString 登録番号;
    QString バックアップ間隔; // days
    QString 振込先;
    QString 支払期限;     // a 支払期限Choices() text
    QString 支払期限日数; // days
    QString 電子アドレス; // scheme:id; empty: the default from the registration number

    bool operator==(const SettingsForm &) const = default;
};

// What the tab shows for a stored row: a Null column shows its default; the margin boxes
// show the blank-paper margins whatever the paper (the S101 form has no layout); the colour
// shows 0 (black) when Null.
SettingsForm formFromRow(const SettingsRow &row);

// The tab shown after Clear設定 with nothing stored (the margins and colour at 0).
SettingsForm defaultForm();

// What a save stores: texts as typed (empty -> Null), an empty combo its default (the link
// applications Null), an empty link path Null, an empty or unreadable margin 0, an empty
// or out-of-range colour Null, the rate as a fraction, the registration number in its plain
// form (the caller refuses one of the wrong form first). Columns the tab has no box for stay
// nullopt.
SettingsRow rowFromForm(const SettingsForm &form);

// The shown text of a number: "0", "12.5", "-30".
QString numberText(double value);

} // namespace settings
