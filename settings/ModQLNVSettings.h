#pragma once
// The settings globals: one per column of the settings row 自社情報 (except the invoice
// counter), named after the column and read directly by the parts of the program that apply
// them. Loaded by Read自社情報 at start-up and after every save with the settings tab's
// register button.
//
// They start at the defaults the settings tab shows, not empty: on a fresh data directory,
// before anything is saved, an invoice is rounded and taxed the way the settings tab says.
#include <QString>
#include <QtGlobal>

namespace settings {
struct SettingsRow;
}

namespace ModQLNV {

extern QString 自社名;
extern QString 自社情報;
extern QString 年号;
extern QString 税端数;
extern QString 税区分;
extern QString 商品表示順;
extern QString 印刷用紙;
extern QString 小数;
extern QString 行端数;
extern QString 顧客リンクアプリ;
extern QString 顧客リンクパス;
extern QString 商品リンクアプリ;
extern QString 商品リンクパス;
extern double 白紙TopMargin;  // twips, added to the layout's own top margin
extern double 白紙LeftMargin; // twips, added to the layout's own left margin
extern double S101TopMargin;  // carried only: no layout prints on that form
extern double S101LeftMargin;
extern qint32 白紙罫線色; // RGB long, red in the low byte
extern QString 入数列タイトル;
extern bool YubinLocalEriaSw;
extern QString YubinLocalEria;
extern QString 消費税率; // "5%", "8%" or "10%" (settings::taxPercentFromText)
extern QString 登録番号; // "T" and 13 digits, or empty
extern QString PDF保存先;        // the folder PDFs were last saved to
extern QString バックアップ先;   // the folder of the last backup
extern QString 最終バックアップ; // when it was taken, ISO date and time; empty: never
extern int バックアップ間隔;     // days after which the start-up reminds of a backup
extern QString 振込先;           // the bank account lines printed on the invoices
extern QString 支払期限;         // how a new invoice's due date is set (settings::dueDateFor)
extern int 支払期限日数;
extern QString 電子アドレス; // the own Peppol participant id (scheme:id), the default filled in

// Loads the first settings row into the globals; a Null column gives its default. With no
// row, or when the data file cannot be read, the globals keep their values and the result
// is false.
bool Read自社情報();

// Puts a row's values into the globals (Null columns as their defaults).
void applySettings(const settings::SettingsRow &row);

// Whether the settings make invoices qualified ones (適格請求書): a registration number, or a
// rate other than the program's first 5 %. Only then do electronic invoices show anywhere.
bool qualifiedInvoices();

// The folder a PDF or an electronic invoice was just saved to, where the next one starts; a
// settings row that cannot be written only forgets it.
void rememberPdfFolder(const QString &folder);

// Puts every global back to its default (the state of a fresh start).
void resetSettingsGlobals();

} // namespace ModQLNV
