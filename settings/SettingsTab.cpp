#include "settings/SettingsTab.h"

#include "app/DataSource.h"
#include "app/Database.h"
#include "app/DialogChooser.h"
#include "app/Formats.h"
#include "app/Helpers.h"
#include "app/Msg.h"
#include "app/SaveTarget.h"
#include "app/ServerConnection.h"
#include "data/Archive.h"
#include "data/Backup.h"
#include "data/DataReset.h"
#include "settings/ModQLNVSettings.h"
#include "settings/NumberBoxValidator.h"
#include "settings/PickOnlyCombo.h"
#include "ui_SettingsTab.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QFocusEvent>
#include <QLabel>

namespace {

// Margins are twips added to the layout's own margins, either way; the limit only keeps out
// figures no page could use. Fractions are allowed: the column is a number.
constexpr double kMarginLimit = 99999.99;
constexpr int kMaxColour = 0xFFFFFF;

} // namespace

SettingsTab::SettingsTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SettingsTab>())
{
    ui->setupUi(this);

    for (QComboBox *combo : {ui->cmb年号, ui->cmb税端数, ui->cmb行端数, ui->cmb税区分, ui->cmb印刷用紙,
                             ui->cmb小数, ui->cmb商品表示順, ui->cmb顧客リンクアプリ, ui->cmb商品リンクアプリ,
                             ui->cmb消費税率, ui->cmb支払期限})
        settings::makePickOnly(combo);
    // A typed title is a value, not a new list entry.
    ui->cmb入数列タイトル->setInsertPolicy(QComboBox::NoInsert);

    ui->numTopMargin->setValidator(new settings::NumberBoxValidator(-kMarginLimit, kMarginLimit, 2, this));
    ui->numLeftMargin->setValidator(new settings::NumberBoxValidator(-kMarginLimit, kMarginLimit, 2, this));
    ui->num白紙罫線色->setValidator(new settings::NumberBoxValidator(0, kMaxColour, 0, this));
    for (QLineEdit *box : {ui->numTopMargin, ui->numLeftMargin, ui->num白紙罫線色})
        box->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("0000000000")) + 16);

    ui->txt自社情報->setMinimumHeight(fontMetrics().lineSpacing() * 5 + 12);
    ui->txt自社名->installEventFilter(this);
    ui->txt自社情報->installEventFilter(this);

    // Until something is read, the tab shows what a fresh start stores.
    FormInit商品表示順();
    Clear設定();
    const settings::SettingsForm defaults = settings::defaultForm();
    ui->numTopMargin->setText(defaults.TopMargin);
    ui->numLeftMargin->setText(defaults.LeftMargin);
    ui->num白紙罫線色->setText(defaults.罫線色);

    connect(ui->Command8, &QPushButton::clicked, this, &SettingsTab::closeRequested);
    // An empty electronic address stands for the one made of the registration number.
    connect(ui->txt登録番号, &QLineEdit::textChanged, this, [this](const QString &number) {
        ui->txt電子アドレス->setPlaceholderText(settings::defaultElectronicAddress(number));
    });
    connect(ui->cmd設定登録, &QPushButton::clicked, this, &SettingsTab::cmd設定登録_Click);
    connect(ui->cmd設定クリア, &QPushButton::clicked, this, &SettingsTab::Clear設定);
    connect(ui->cmd初期化, &QPushButton::clicked, this, &SettingsTab::Data初期化);
    connect(ui->cmdバックアップ, &QPushButton::clicked, this, &SettingsTab::cmdバックアップ_Click);
    connect(ui->cmd復元, &QPushButton::clicked, this, &SettingsTab::cmd復元_Click);
    connect(ui->cmdサーバー接続テスト, &QPushButton::clicked, this, &SettingsTab::cmdサーバー接続テスト_Click);
    ui->numバックアップ間隔->setValidator(new settings::NumberBoxValidator(1, 365, 0, this));
    ui->numバックアップ間隔->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    ui->num支払期限日数->setValidator(new settings::NumberBoxValidator(1, settings::MaxDueDays, 0, this));
    ui->num支払期限日数->setMaximumWidth(fontMetrics().horizontalAdvance(QStringLiteral("00000")) + 16);
    ui->txt振込先->setMinimumHeight(fontMetrics().lineSpacing() * 2 + 12);
    ui->txt振込先->setMaximumHeight(fontMetrics().lineSpacing() * 3 + 12);
    // The days only count for "日数指定".
    const auto showDueDays = [this](const QString &rule) {
        const bool days = rule == settings::支払期限Choices().at(2);
        ui->num支払期限日数->setEnabled(days);
        ui->lbl支払期限日数->setEnabled(days);
    };
    connect(ui->cmb支払期限, &QComboBox::currentTextChanged, this, showDueDays);
    showDueDays(ui->cmb支払期限->currentText());
    connect(ui->cmd顧客リンクパス, &QPushButton::clicked, this, [this] {
        chooseLinkFile(ui->cmb顧客リンクアプリ, ui->txt顧客リンクパス, QStringLiteral("顧客"));
    });
    connect(ui->cmd商品リンクパス, &QPushButton::clicked, this, [this] {
        chooseLinkFile(ui->cmb商品リンクアプリ, ui->txt商品リンクパス, QStringLiteral("商品"));
    });
    connect(ui->Pic罫線色, &settings::ColorSwatch::doubleClicked, this, &SettingsTab::choose罫線色);
    // A colour typed as a number shows in the swatch at once.
    connect(ui->num白紙罫線色, &QLineEdit::textChanged, this, [this](const QString &text) {
        const auto value = formats::parseWholeNumber(text);
        ui->Pic罫線色->setColorValue(value && *value >= 0 && *value <= kMaxColour ? int(*value) : 0);
    });
}

SettingsTab::~SettingsTab() = default;

void SettingsTab::fillList(QComboBox *combo, const QStringList &items, const QString &current)
{
    combo->clear();
    combo->addItems(items);
    if (combo->isEditable())
        combo->setCurrentText(current);
    else
        combo->setCurrentIndex(combo->findText(current));
}

void SettingsTab::FormInit商品表示順()
{
    const QString current = ui->cmb商品表示順->currentText();
    fillList(ui->cmb商品表示順, settings::商品表示順Choices(),
             current.isEmpty() ? settings::default商品表示順() : current);
}

void SettingsTab::Clear設定()
{
    ui->txt自社名->clear();
    ui->txt自社情報->clear();
    fillList(ui->cmb年号, settings::年号Choices(), settings::default年号());
    fillList(ui->cmb税端数, settings::端数Choices(), settings::default端数());
    fillList(ui->cmb行端数, settings::端数Choices(), settings::default端数());
    fillList(ui->cmb税区分, settings::税区分Choices(), settings::default税区分());
    fillList(ui->cmb印刷用紙, settings::印刷用紙Choices(), settings::default印刷用紙());
    fillList(ui->cmb入数列タイトル, settings::入数列タイトルChoices(), settings::default入数列タイトル());
    fillList(ui->cmb小数, settings::小数Choices(), settings::default小数());
    fillList(ui->cmb消費税率, settings::消費税率Choices(), settings::default消費税率());
    ui->txt登録番号->clear();
    ui->txt電子アドレス->clear();
    ui->numバックアップ間隔->setText(QString::number(settings::DefaultBackupDays));
    ui->txt振込先->clear();
    fillList(ui->cmb支払期限, settings::支払期限Choices(), settings::default支払期限());
    ui->num支払期限日数->setText(QString::number(settings::DefaultDueDays));
    showLastBackup();
    showDataPlace();
    // The blank entry is "no linked application": a pick-only list needs it to be chosen back.
    fillList(ui->cmb顧客リンクアプリ, QStringList{QString()} + settings::顧客リンクアプリChoices(), QString());
    fillList(ui->cmb商品リンクアプリ, QStringList{QString()} + settings::商品リンクアプリChoices(), QString());
    ui->txt顧客リンクパス->clear();
    ui->txt商品リンクパス->clear();
    ui->chkYubinLocalEriaSw->setChecked(false);
    ui->txtYubinLocalEria->clear();
}

settings::SettingsForm SettingsTab::form() const
{
    settings::SettingsForm f;
    f.自社名 = ui->txt自社名->text();
    f.自社情報 = ui->txt自社情報->toPlainText();
    f.年号 = ui->cmb年号->currentText();
    f.税端数 = ui->cmb税端数->currentText();
    f.行端数 = ui->cmb行端数->currentText();
    f.税区分 = ui->cmb税区分->currentText();
    f.印刷用紙 = ui->cmb印刷用紙->currentText();
    f.入数列タイトル = ui->cmb入数列タイトル->currentText();
    f.小数 = ui->cmb小数->currentText();
    f.商品表示順 = ui->cmb商品表示順->currentText();
    f.顧客リンクアプリ = ui->cmb顧客リンクアプリ->currentText();
    f.顧客リンクパス = ui->txt顧客リンクパス->text();
    f.商品リンクアプリ = ui->cmb商品リンクアプリ->currentText();
    f.商品リンクパス = ui->txt商品リンクパス->text();
    f.TopMargin = ui->numTopMargin->text();
    f.LeftMargin = ui->numLeftMargin->text();
    f.罫線色 = ui->num白紙罫線色->text();
    f.YubinLocalEriaSw = ui->chkYubinLocalEriaSw->isChecked();
    f.YubinLocalEria = ui->txtYubinLocalEria->text();
    f.消費税率 = ui->cmb消費税率->currentText();
    f.登録番号 = ui->txt登録番号->text();
    f.電子アドレス = ui->txt電子アドレス->text();
    f.バックアップ間隔 = ui->numバックアップ間隔->text();
    f.振込先 = ui->txt振込先->toPlainText();
    f.支払期限 = ui->cmb支払期限->currentText();
    f.支払期限日数 = ui->num支払期限日数->text();
    return f;
}

void SettingsTab::showForm(const settings::SettingsForm &f)
{
    // A stored value the pick-only list does not offer shows as an empty choice; saving it
    // then stores the default.
    const auto show = [](QComboBox *combo, const QString &text) {
        if (combo->isEditable())
            combo->setCurrentText(text);
        else
            combo->setCurrentIndex(combo->findText(text));
    };
    ui->txt自社名->setText(f.自社名);
    ui->txt自社情報->setPlainText(f.自社情報);
    show(ui->cmb年号, f.年号);
    show(ui->cmb税端数, f.税端数);
    show(ui->cmb行端数, f.行端数);
    show(ui->cmb税区分, f.税区分);
    show(ui->cmb印刷用紙, f.印刷用紙);
    show(ui->cmb入数列タイトル, f.入数列タイトル);
    show(ui->cmb小数, f.小数);
    show(ui->cmb商品表示順, f.商品表示順);
    show(ui->cmb顧客リンクアプリ, f.顧客リンクアプリ);
    ui->txt顧客リンクパス->setText(f.顧客リンクパス);
    show(ui->cmb商品リンクアプリ, f.商品リンクアプリ);
    ui->txt商品リンクパス->setText(f.商品リンクパス);
    ui->numTopMargin->setText(f.TopMargin);
    ui->numLeftMargin->setText(f.LeftMargin);
    ui->num白紙罫線色->setText(f.罫線色);
    ui->chkYubinLocalEriaSw->setChecked(f.YubinLocalEriaSw);
    ui->txtYubinLocalEria->setText(f.YubinLocalEria);
    show(ui->cmb消費税率, f.消費税率);
    ui->txt登録番号->setText(f.登録番号);
    ui->txt電子アドレス->setText(f.電子アドレス);
    ui->numバックアップ間隔->setText(f.バックアップ間隔);
    ui->txt振込先->setPlainText(f.振込先);
    show(ui->cmb支払期限, f.支払期限);
    ui->num支払期限日数->setText(f.支払期限日数);
    showLastBackup();
    const auto colour = formats::parseWholeNumber(f.罫線色);
    ui->Pic罫線色->setColorValue(colour && *colour >= 0 && *colour <= kMaxColour ? int(*colour) : 0);
}

void SettingsTab::Read設定()
{
    const settings::SettingsRead read = settings::readSettingsRow();
    if (read.status == settings::ReadStatus::NoRow)
        m_readVersion.reset();
    if (read.status != settings::ReadStatus::Found)
        return;
    m_readVersion = read.row.更新番号;
    showForm(settings::formFromRow(read.row));
}

SettingsTab::SaveOutcome SettingsTab::saveSettings(bool ask)
{
    // A registration number of the wrong form is not stored; the user is told the form.
    if (!settings::registrationNumber(ui->txt登録番号->text())) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), settings::registrationNumberForm());
        ui->txt登録番号->setFocus(Qt::OtherFocusReason);
        return SaveOutcome::Failed;
    }
    if (!settings::electronicAddress(ui->txt電子アドレス->text())) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), settings::electronicAddressForm(QStringLiteral("電子アドレス")));
        ui->txt電子アドレス->setFocus(Qt::OtherFocusReason);
        return SaveOutcome::Failed;
    }
    // A registration number makes the invoices qualified ones, which are taxed at today's
    // rates: 5 % may still be wanted (old invoices, say), but not by oversight.
    if (ask && !settings::registrationNumber(ui->txt登録番号->text())->isEmpty()
        && settings::taxPercentFromText(ui->cmb消費税率->currentText()) == 5
        && !msg::askDefaultNo(settings::qualifiedAtFivePercentQuestion())) {
        ui->cmb消費税率->setFocus(Qt::OtherFocusReason);
        return SaveOutcome::Failed; // the edits stay on screen
    }
    if (ask && !msg::Msg表示(QStringLiteral("登録"), QStringLiteral("確認"), QStringLiteral("設定")))
        return SaveOutcome::Declined;
    settings::SettingsRow row = settings::rowFromForm(form());
    row.更新番号 = m_readVersion;
    bool changedElsewhere = false;
    qint64 version = 0;
    bool stored = settings::writeSettingsRow(row, &changedElsewhere, &version);
    if (changedElsewhere) {
        // Saved on another PC since the tab read them: replaced only when the user says so;
        // otherwise the edits stay on screen.
        if (!msg::askDefaultNo(settings::SettingsChangedElsewhereQuestion))
            return SaveOutcome::Failed;
        row.更新番号.reset();
        stored = settings::writeSettingsRow(row, nullptr, &version);
    }
    if (!stored) {
        msg::showFailure(QStringLiteral("設定を登録できませんでした。"));
        return SaveOutcome::Failed;
    }
    m_readVersion = version;
    if (ask)
        msg::Msg表示(QStringLiteral("登録"), QStringLiteral("完了"), QStringLiteral("設定"));
    return SaveOutcome::Stored;
}

bool SettingsTab::Entry設定(bool ask)
{
    return saveSettings(ask) == SaveOutcome::Stored;
}

void SettingsTab::cmd設定登録_Click()
{
    const SaveOutcome outcome = saveSettings(true);
    // After a failed save the user's edits stay on screen for another try; a reload would
    // throw them away. After No the stored values are shown again.
    if (outcome == SaveOutcome::Failed)
        return;
    ModQLNV::Read自社情報();
    Read設定();
    if (outcome != SaveOutcome::Stored)
        return;
    setCompanyLinesShown(ModQLNV::自社名, ModQLNV::自社情報);
    emit companyLinesStored(ModQLNV::自社名, ModQLNV::自社情報);
    emit settingsReloaded();
}

void SettingsTab::showLastBackup()
{
    const QDateTime last = QDateTime::fromString(ModQLNV::最終バックアップ, Qt::ISODate);
    ui->lbl最終バックアップ->setText(last.isValid() ? QStringLiteral("最後のバックアップ: %1").arg(last.toString(QStringLiteral("yyyy/MM/dd HH:mm")))
                                                  : QStringLiteral("まだバックアップはありません"));
}

void SettingsTab::showDataPlace()
{
    const db::DataSource source = db::dataSource();
    const QString place = !source.problem.isEmpty() ? source.problem : QDir::toNativeSeparators(db::dataPlace());
    // A long path is cut at the box's edge; the tip shows it whole.
    ui->lblデータ保存先->setText(place);
    ui->lblデータ保存先->setToolTip(
        place + QStringLiteral("\n保存先は設定ファイル %1 の [data] の url= で決まります（空欄のときはこのパソコンのデータファイル）")
                    .arg(QDir::toNativeSeparators(db::settingsFilePath())));
    ui->cmdサーバー接続テスト->setEnabled(source.isServer());
}

void SettingsTab::cmdサーバー接続テスト_Click()
{
    const db::DataSource source = db::dataSource();
    if (!source.isServer())
        return;
    // A server that does not answer is given a few seconds.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const db::ConnectionTest test = db::testServerConnection(*source.server);
    QApplication::restoreOverrideCursor();
    if (test.ok)
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), test.text);
    else
        msg::showFailure(test.text);
}

void SettingsTab::cmdバックアップ_Click()
{
    const QString folder = ModQLNV::dialogChooser().chooseFolder(window(), QStringLiteral("バックアップ先のフォルダ"),
                                                                 ModQLNV::startFolder(ModQLNV::バックアップ先));
    if (folder.isEmpty())
        return;
    const QDateTime now = QDateTime::currentDateTime();
    const backup::BackupOutcome made = backup::backupDataFile(folder, now);
    if (!made.made) {
        qWarning("Quillon: %s", qPrintable(made.problem));
        msg::showFailure(QStringLiteral("バックアップを作れませんでした。\n")
                         + db::failureText(made.failure, QDir(folder).filePath(backup::backupFileName(now))));
        return;
    }
    // What the start-up's reminder and the next backup go by; the copy is made even if this
    // cannot be written.
    ModQLNV::バックアップ先 = folder;
    ModQLNV::最終バックアップ = now.toString(Qt::ISODate);
    settings::writeRemembered(settings::Remembered::BackupFolder, folder);
    settings::writeRemembered(settings::Remembered::LastBackup, ModQLNV::最終バックアップ);
    showLastBackup();
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                 QStringLiteral("バックアップを作りました。\n%1").arg(QDir::toNativeSeparators(made.path)));
}

void SettingsTab::cmd復元_Click()
{
    const QString path = ModQLNV::dialogChooser().chooseOpenFile(
        window(), QStringLiteral("復元するバックアップ"), ModQLNV::startFolder(ModQLNV::バックアップ先),
        QStringLiteral("データファイル (*.mdb);;すべてのファイル (*)"), QStringLiteral("データファイル (*.mdb)"));
    if (path.isEmpty())
        return;
    if (const QString problem = backup::restoreProblem(path); !problem.isEmpty()) {
        msg::showFailure(problem);
        return;
    }
    const bool onServer = db::dataSource().isServer();
    const QString question =
        onServer ? QStringLiteral("サーバー %1 のデータ（顧客・商品・請求書・設定）を、%2 の内容ですべて置き換えます。"
                                  "ほかのパソコンの分も置き換わり、今のデータは残りません。入力中の請求書は消えます。よろしいですか？")
                       .arg(db::dataPlace(), QDir::toNativeSeparators(path))
                 : QStringLiteral("データファイルを %1 の内容で置き換えます。今のデータファイルは同じフォルダに残します。"
                                  "入力中の請求書は消えます。よろしいですか？")
                       .arg(QDir::toNativeSeparators(path));
    if (const auto missing = archive::missingFromBackup(db::data(), path); missing && *missing > 0
        && !msg::askDefaultNo(archive::restoreQuestion(*missing)))
        return;
    if (!msg::askDefaultNo(question))
        return;
    const backup::RestoreOutcome restored = backup::restoreDataFile(path);
    if (!restored.restored) {
        msg::showFailure(restored.problem);
        return;
    }
    // Everything shown came from the replaced file.
    ModQLNV::Read自社情報();
    Read設定();
    emit dataRestored();
    if (!restored.problem.isEmpty())
        msg::showFailure(restored.problem);
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                 onServer ? QStringLiteral("バックアップから復元しました。")
                          : QStringLiteral("バックアップから復元しました。元のデータファイルは %1 として残しています。")
                                .arg(QDir::toNativeSeparators(restored.keptPath)));
}

void SettingsTab::Data初期化()
{
    if (!msg::Msg表示(QStringLiteral("その他"), QStringLiteral("確認"),
                      QStringLiteral("すべてのデータを初期化します。")))
        return;
    // The copies of issued invoices are kept by law; they go only on a second, explicit Yes.
    const int archived = archive::documentCount(db::data()).value_or(0);
    const bool archiveToo = archived > 0 && msg::askDefaultNo(archive::resetQuestion(archived));
    if (!resetAllData(archiveToo)) {
        msg::showFailure(QStringLiteral("データの初期化に失敗しました。データは変更されていません。"));
        return;
    }
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"), QStringLiteral("すべてのデータを初期化しました"));
    emit dataReset();
}

void SettingsTab::chooseLinkFile(QComboBox *application, QLineEdit *path, const QString &what)
{
    const QString app = application->currentText();
    if (app.isEmpty()) {
        msg::Msg表示(QStringLiteral("入力"), QStringLiteral("必須入力なし"), what + QStringLiteral("リンクアプリ名が"));
        application->setFocus();
        return;
    }
    ModQLNV::OpenFileRequest request;
    request.title = what + QStringLiteral("リンクパスを指定する");
    request.filter = settings::linkFileFilter(app);
    request.filterIndex = 1;
    // Open where the current file is; otherwise the chooser falls back to the home folder.
    const QFileInfo current(path->text());
    request.initialDir = current.isAbsolute() && current.absoluteDir().exists() ? current.absolutePath()
                                                                                : QStringLiteral("c:\\");
    if (ModQLNV::GetOpenFile(window(), request))
        path->setText(request.path);
}

void SettingsTab::choose罫線色()
{
    const int chosen = ModQLNV::GetColor(window(), ui->Pic罫線色->colorValue());
    if (chosen == -1)
        return;
    ui->Pic罫線色->setColorValue(chosen);
    ui->num白紙罫線色->setText(QString::number(chosen));
}

void SettingsTab::setCompanyLinesShown(const QString &name, const QString &info)
{
    m_shown自社名 = name;
    m_shown自社情報 = info;
}

void SettingsTab::focusCompanyName()
{
    ui->txt自社名->setFocus(Qt::OtherFocusReason);
}

void SettingsTab::focusCompanyInfo()
{
    ui->txt自社情報->setFocus(Qt::OtherFocusReason);
}

bool SettingsTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::FocusOut && (watched == ui->txt自社名 || watched == ui->txt自社情報)) {
        // Only leaving the box for another control counts: a message box or another window
        // taking the focus is not the user leaving the box.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            companyBoxLeft(watched == ui->txt自社名);
    }
    return QWidget::eventFilter(watched, event);
}

void SettingsTab::companyBoxLeft(bool nameBox)
{
    std::optional<QString> &shown = nameBox ? m_shown自社名 : m_shown自社情報;
    if (!shown || m_savingSilently)
        return;
    const QString text = nameBox ? ui->txt自社名->text() : ui->txt自社情報->toPlainText();
    if (text == *shown)
        return;
    m_savingSilently = true;
    const bool stored = Entry設定(false);
    m_savingSilently = false;
    // A failed save was reported; the invoice tab keeps the stored lines, and leaving the box
    // again tries again.
    if (!stored)
        return;
    shown = text;
    emit companyLinesStored(*m_shown自社名, *m_shown自社情報);
}
