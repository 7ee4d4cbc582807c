#include "settings/ModQLNVSettings.h"

#include "settings/SettingsRow.h"

namespace ModQLNV {

QString 自社名;
QString 自社情報;
QString 年号 = settings::default年号();
QString 税端数 = settings::default端数();
QString 税区分 = settings::default税区分();
QString 商品表示順 = settings::default商品表示順();
QString 印刷用紙 = settings::default印刷用紙();
QString 小数 = settings::default小数();
QString 行端数 = settings::default端数();
QString 顧客リンクアプリ;
QString 顧客リンクパス;
QString 商品リンクアプリ;
QString 商品リンクパス;
double 白紙TopMargin = 0;
double 白紙LeftMargin = 0;
double S101TopMargin = 0;
double S101LeftMargin = 0;
qint32 白紙罫線色 = 0;
QString 入数列タイトル = settings::default入数列タイトル();
bool YubinLocalEriaSw = false;
QString YubinLocalEria;
QString 消費税率 = settings::default消費税率();
QString 登録番号;
QString 電子アドレス;
QString PDF保存先;
QString バックアップ先;
QString 最終バックアップ;
int バックアップ間隔 = settings::DefaultBackupDays;
QString 振込先;
QString 支払期限 = settings::default支払期限();
int 支払期限日数 = settings::DefaultDueDays;

void applySettings(const settings::SettingsRow &row)
{
    // The tab's reading of a row and the globals' must agree, so both come from formFromRow.
    const settings::SettingsForm shown = settings::formFromRow(row);
    自社名 = shown.自社名;
    自社情報 = shown.自社情報;
    年号 = shown.年号;
    税端数 = shown.税端数;
    税区分 = shown.税区分;
    商品表示順 = shown.商品表示順;
    印刷用紙 = shown.印刷用紙;
    小数 = shown.小数;
    行端数 = shown.行端数;
    顧客リンクアプリ = shown.顧客リンクアプリ;
    顧客リンクパス = shown.顧客リンクパス;
    商品リンクアプリ = shown.商品リンクアプリ;
    商品リンクパス = shown.商品リンクパス;
    白紙TopMargin = row.白紙TopMargin.value_or(0);
    白紙LeftMargin = row.白紙LeftMargin.value_or(0);
    S101TopMargin = row.S101TopMargin.value_or(0);
    S101LeftMargin = row.S101LeftMargin.value_or(0);
    白紙罫線色 = row.白紙罫線色.value_or(0);
    入数列タイトル = shown.入数列タイトル;
    YubinLocalEriaSw = row.YubinLocalEriaSw.value_or(false);
    YubinLocalEria = row.YubinLocalEria.value_or(QString());
    消費税率 = shown.消費税率;
    登録番号 = shown.登録番号;
    PDF保存先 = row.PDF保存先.value_or(QString());
    バックアップ先 = row.バックアップ先.value_or(QString());
    最終バックアップ = row.最終バックアップ.value_or(QString());
    バックアップ間隔 = row.バックアップ間隔.value_or(settings::DefaultBackupDays);
    振込先 = shown.振込先;
    支払期限 = shown.支払期限;
    支払期限日数 = shown.支払期限日数.toInt();
    電子アドレス = shown.電子アドレス.isEmpty() ? settings::defaultElectronicAddress(登録番号) : shown.電子アドレス;
}

void resetSettingsGlobals()
{
    applySettings(settings::SettingsRow{});
}

bool qualifiedInvoices()
{
    return !登録番号.isEmpty() || settings::taxPercentFromText(消費税率).value_or(5) != 5;
}

bool Read自社情報()
{
    const settings::SettingsRead read = settings::readSettingsRow();
    if (read.status != settings::ReadStatus::Found)
        return false;
    applySettings(read.row);
    return true;
}

void rememberPdfFolder(const QString &folder)
{
    PDF保存先 = folder;
    settings::writeRemembered(settings::Remembered::PdfFolder, folder);
}

} // namespace ModQLNV
