#pragma once
// The settings tab of the main window: company name and details, the calculation, display
// and print options, the linked applications' files, the data reset.
//
// The tab only gathers and shows; the row, its defaults and the save rules are in
// SettingsRow, the globals in ModQLNVSettings, the reset in data/DataReset.
#include "settings/SettingsRow.h"

#include <QWidget>
#include <memory>
#include <optional>

class QComboBox;
class QLineEdit;

namespace Ui {
class SettingsTab;
}

class SettingsTab : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsTab(QWidget *parent = nullptr);
    ~SettingsTab() override;

    // Fills the product-order list ("品名順", "ふりがな順"). Done once by the constructor; the
    // main window's FormInit may call it again. Clear設定 leaves this list alone.
    void FormInit商品表示順();

    // Refills the lists and puts the tab to its defaults; nothing is saved. The product
    // order, the margins and the colour are left as they are.
    void Clear設定();
    // Shows the stored row; with no row, or an unreadable data file, the tab stays as it is.
    void Read設定();
    // Saves the tab into the settings row. With ask, confirms first and reports afterwards.
    // True when the row was stored; a failed save tells the user nothing was saved.
    bool Entry設定(bool ask);
    // Deletes all user data after a confirmation (the cmd初期化 button).
    void Data初期化();

    // The company name and details as the invoice tab shows them now. Once told, leaving the
    // name or details box with a text that differs from what is shown saves the settings at
    // once and says so with companyLinesStored.
    void setCompanyLinesShown(const QString &name, const QString &info);
    // Put the cursor into the name or details box (the labels were double-clicked; the main
    // window has already switched to this tab).
    void focusCompanyName();
    void focusCompanyInfo();

    // The boxes as they stand, and showing a set of values.
    settings::SettingsForm form() const;
    void showForm(const settings::SettingsForm &form);

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();
    // cmd設定登録 stored the settings and reloaded the globals.
    void settingsReloaded();
    // Data初期化 deleted all user data.
    void dataReset();
    // cmd復元 put a backup in place of the data file: everything is to be read again.
    void dataRestored();
    // The company name and details were stored: the invoice tab is to show them.
    void companyLinesStored(const QString &name, const QString &info);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    enum class SaveOutcome { Stored, Declined, Failed };
    SaveOutcome saveSettings(bool ask);

    void cmd設定登録_Click();
    // The backup group: a copy of the data file into a chosen folder, and the restore of one.
    void cmdバックアップ_Click();
    void cmd復元_Click();
    void showLastBackup();
    // Where this PC keeps its data (the data file, or the server), and the connection test.
    void showDataPlace();
    void cmdサーバー接続テスト_Click();
    void chooseLinkFile(QComboBox *application, QLineEdit *path, const QString &what);
    void choose罫線色();
    void companyBoxLeft(bool nameBox);
    void fillList(QComboBox *combo, const QStringList &items, const QString &current);

    std::unique_ptr<Ui::SettingsTab> ui;
    // What the invoice tab shows, once the main window said so.
    std::optional<QString> m_shown自社名;
    std::optional<QString> m_shown自社情報;
    bool m_savingSilently = false;
    // The settings row's version when the tab last showed it; a save goes over only that one
    // unasked.
    std::optional<qint64> m_readVersion;
};
