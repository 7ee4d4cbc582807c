#include "masters/CustomerWindow.h"

#include "app/ScreenFit.h"
#include "app/Database.h"
#include "app/Helpers.h"
#include "app/Msg.h"
#include "app/ProgressPanel.h"
#include "masters/LinkChecks.h"
#include "masters/MasterActions.h"
#include "masters/MasterCopyModel.h"
#include "settings/ModQLNVSettings.h"
#include "settings/PickOnlyCombo.h"
#include "settings/SettingsRow.h"
#include "ui_CustomerWindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QShowEvent>

namespace {

// The columns of w顧客マスタ, in table order.
enum Column { Col顧客名 = 0, Col顧客情報 = 1, Colふりがな = 2, Col敬称 = 3, Colチェック = 4, Col登録番号 = 5, Col電子アドレス = 6 };

const masters::WindowTexts kTexts{QStringLiteral("顧客情報"), QStringLiteral("顧客")};
const QStringList kHonorifics = {QStringLiteral("様"), QStringLiteral("御中"), QStringLiteral("殿")};

} // namespace

CustomerWindow::CustomerWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::CustomerWindow>())
{
    ui->setupUi(this);
    m_listButtons = {ui->cmd_ENT, ui->cmd登録, ui->cmdクリア, ui->cmd削除, ui->cmd詳細, ui->cmd顧客参照, ui->cmd選択};
    m_notice = new ProgressPanel(QStringLiteral("CnKokyakuMsg"), QStringLiteral("LblKokyakuMsg"), this);
    ui->Cn顧客詳細->hide();
    ui->txt顧客情報->setTabChangesFocus(true);
    ui->txt顧客情報->setFixedHeight(ui->txt顧客情報->fontMetrics().lineSpacing() * 5 + 12);
    ui->Cn顧客詳細->setFixedWidth(fontMetrics().horizontalAdvance(u'あ') * 22);
    ui->lbl顧客情報->setFixedWidth(fontMetrics().horizontalAdvance(QStringLiteral("ふりがな")) + 4);
    settings::makePickOnly(ui->cmb敬称);
    for (QWidget *w : {static_cast<QWidget *>(ui->txt顧客名), static_cast<QWidget *>(ui->txtふりがな),
                       static_cast<QWidget *>(ui->txt顧客情報)})
        ModQLNV::SetIME(w, true);

    connect(ui->cmd_ENT, &QPushButton::clicked, this, &CustomerWindow::Read顧客マスタ);
    connect(ui->cmd登録, &QPushButton::clicked, this, &CustomerWindow::Entry顧客情報);
    connect(ui->cmdクリア, &QPushButton::clicked, this, &CustomerWindow::Clear顧客情報);
    connect(ui->cmd削除, &QPushButton::clicked, this, &CustomerWindow::Delete顧客);
    connect(ui->cmd詳細, &QPushButton::clicked, this, &CustomerWindow::openDetails);
    connect(ui->cmd選択, &QPushButton::clicked, this, &CustomerWindow::choose);
    connect(ui->cmd顧客参照, &QPushButton::clicked, this, &CustomerWindow::Read顧客リンク);
    connect(ui->cmd閉じる, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->cmd商品詳細登録, &QPushButton::clicked, this, &CustomerWindow::registerDetails);
    connect(ui->cmd商品詳細クリア, &QPushButton::clicked, this, &CustomerWindow::clearDetails);
    connect(ui->cmd顧客詳細ESC, &QPushButton::clicked, this, &CustomerWindow::closeDetails);
    connect(ui->Grid顧客マスタ, &MasterGrid::rowActivated, this, &CustomerWindow::choose);
}

CustomerWindow::~CustomerWindow() = default;

void CustomerWindow::Form_Load()
{
    MasterGrid *grid = ui->Grid顧客マスタ;
    if (!m_model) {
        m_model = new MasterCopyModel(QStringLiteral("w顧客マスタ"), db::work(), this);
        m_model->setObjectName(QStringLiteral("dat顧客"));
        m_model->setTickColumn(Colチェック);
        m_model->setHeaderData(Colチェック, Qt::Horizontal, QString());
        grid->setMasterModel(m_model);
        grid->setPlainInputColumns({Colチェック});
        grid->delegate()->setMultiLineColumn(Col顧客情報);
        const int em = grid->fontMetrics().horizontalAdvance(u'あ');
        grid->setColumnWidth(Colチェック, em * 2);
        grid->setColumnWidth(Col顧客名, em * 14);
        grid->setColumnWidth(Col顧客情報, em * 22);
        grid->setColumnWidth(Colふりがな, em * 10);
        grid->setColumnWidth(Col敬称, em * 4);
        grid->setColumnWidth(Col登録番号, grid->fontMetrics().horizontalAdvance(QStringLiteral("T0000000000000")) + em * 2);
        grid->horizontalHeader()->setStretchLastSection(true);
    }
    applyQualified();
    ui->cmb敬称->clear();
    ui->cmb敬称->addItems(kHonorifics);
    closeDetails();
    Read顧客マスタ();
}

void CustomerWindow::applyQualified()
{
    // The electronic invoice's columns show once the settings make invoices qualified ones.
    MasterGrid *grid = ui->Grid顧客マスタ;
    const bool qualified = ModQLNV::qualifiedInvoices();
    grid->setColumnHidden(Col登録番号, !qualified);
    grid->setColumnHidden(Col電子アドレス, !qualified);
    grid->setRowEnds(Col顧客名, qualified ? Col電子アドレス : Col敬称);
    for (QWidget *w : {static_cast<QWidget *>(ui->lbl登録番号), static_cast<QWidget *>(ui->txt登録番号),
                       static_cast<QWidget *>(ui->lbl電子アドレス), static_cast<QWidget *>(ui->txt電子アドレス)})
        w->setVisible(qualified);
}

void CustomerWindow::Read顧客マスタ()
{
    masters::readIntoGrid(ui->Grid顧客マスタ, m_notice, masters::customers(), masters::customerOrder(), kTexts);
}

void CustomerWindow::Entry顧客情報()
{
    if (masters::registerGrid(ui->Grid顧客マスタ, m_notice, masters::customers(), kTexts))
        emit customersChanged();
}

void CustomerWindow::Clear顧客情報()
{
    masters::clearGrid(ui->Grid顧客マスタ, masters::customers());
}

void CustomerWindow::Delete顧客()
{
    if (masters::deleteTickedRows(ui->Grid顧客マスタ, masters::customers(), kTexts))
        emit customersChanged();
}

void CustomerWindow::Read顧客リンク()
{
    if (!masters::linkReady(ModQLNV::顧客リンクアプリ, ModQLNV::顧客リンクパス, QStringLiteral("顧客リンク参照")))
        return;
    masters::importIntoGrid(ui->Grid顧客マスタ, m_notice, QStringLiteral("顧客リンク参照"), [](const linkfile::Progress &progress) {
        return linkimport::importCustomers(db::work(), ModQLNV::顧客リンクアプリ, ModQLNV::顧客リンクパス, progress);
    });
}

QString CustomerWindow::cell(int row, int column) const
{
    return m_model ? m_model->value(row, column).toString() : QString();
}

void CustomerWindow::setListMode(bool list)
{
    for (QPushButton *b : std::as_const(m_listButtons))
        b->setEnabled(list);
    ui->Cn顧客詳細->setVisible(!list);
}

void CustomerWindow::showHonorific(const QString &text)
{
    // A stored honorific outside the list is kept, not lost on the next registration.
    if (!text.isEmpty() && ui->cmb敬称->findText(text) < 0)
        ui->cmb敬称->addItem(text);
    ui->cmb敬称->setCurrentIndex(ui->cmb敬称->findText(text));
}

void CustomerWindow::openDetails()
{
    MasterGrid *grid = ui->Grid顧客マスタ;
    if (!grid->post())
        return;
    const int row = grid->currentRow();
    setListMode(false);
    ui->txt顧客名->setText(cell(row, Col顧客名));
    ui->txt顧客情報->setPlainText(cell(row, Col顧客情報));
    ui->txtふりがな->setText(cell(row, Colふりがな));
    showHonorific(cell(row, Col敬称));
    ui->txt登録番号->setText(cell(row, Col登録番号));
    ui->txt電子アドレス->setText(cell(row, Col電子アドレス));
    ui->txt顧客名->setFocus(Qt::OtherFocusReason);
}

void CustomerWindow::clearDetails()
{
    ui->txt顧客名->clear();
    ui->txtふりがな->clear();
    ui->txt顧客情報->clear();
    ui->cmb敬称->setCurrentIndex(-1);
    ui->txt登録番号->clear();
    ui->txt電子アドレス->clear();
}

void CustomerWindow::closeDetails()
{
    setListMode(true);
    ui->Grid顧客マスタ->setFocus(Qt::OtherFocusReason);
}

void CustomerWindow::registerDetails()
{
    // Hidden fields are not the user's to mend: they keep what the row holds.
    const bool qualified = ModQLNV::qualifiedInvoices();
    const std::optional<QString> number =
        qualified ? settings::registrationNumber(ui->txt登録番号->text()) : ui->txt登録番号->text();
    const std::optional<QString> address =
        qualified ? settings::electronicAddress(ui->txt電子アドレス->text()) : ui->txt電子アドレス->text();
    if (!number || !address) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"),
                     number ? settings::electronicAddressForm(QStringLiteral("電子アドレス")) : settings::registrationNumberForm());
        (number ? ui->txt電子アドレス : ui->txt登録番号)->setFocus(Qt::OtherFocusReason);
        return;
    }
    const masters::CustomerRow row{ui->txt顧客名->text(), ui->txt顧客情報->toPlainText(), ui->txtふりがな->text(),
                                   ui->cmb敬称->currentText(), *number, *address};
    // A customer without a name could be found nowhere.
    if (row.顧客名.trimmed().isEmpty()) {
        msg::Msg表示(QStringLiteral("入力"), QStringLiteral("必須入力なし"), QStringLiteral("顧客名が"));
        ui->txt顧客名->setFocus(Qt::OtherFocusReason);
        return;
    }
    if (!msg::Msg表示(QStringLiteral("登録"), QStringLiteral("確認"), row.顧客名))
        return;
    m_notice->showText(progress::Saving);
    if (!masters::saveCustomer(db::data(), row)) {
        m_notice->finish();
        msg::showFailure(QStringLiteral("%1 を登録できませんでした。").arg(row.顧客名));
        return;
    }
    emit customersChanged();
    // The copy is read again from the master: edits in the grid not registered are dropped.
    masters::readIntoGrid(ui->Grid顧客マスタ, m_notice, masters::customers(), masters::customerOrder(), kTexts);
    m_notice->finish();
    setListMode(true);
    MasterGrid *grid = ui->Grid顧客マスタ;
    const auto found = m_model->match(m_model->index(0, Col顧客名), Qt::EditRole, row.顧客名, 1, Qt::MatchExactly);
    grid->setCurrentCell(found.isEmpty() ? 0 : found.first().row(), Col顧客名);
    grid->setFocus(Qt::OtherFocusReason);
}

void CustomerWindow::choose()
{
    // While one customer is being edited in the panel, nothing is handed over.
    if (!ui->Cn顧客詳細->isHidden())
        return;
    MasterGrid *grid = ui->Grid顧客マスタ;
    if (!grid->post())
        return;
    const int row = grid->currentRow();
    const QString name = cell(row, Col顧客名);
    const QString info = cell(row, Col顧客情報);
    // Handed over only when the window closes: kept open for its changes, it hands nothing over.
    if (close())
        emit customerChosen(name, info);
}

void CustomerWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        screenfit::fitIntoScreen(this);
    QWidget::showEvent(event);
}

void CustomerWindow::closeEvent(QCloseEvent *event)
{
    if (!masters::mayClose(this, ui->Grid顧客マスタ->hasUnregisteredChanges())) {
        event->ignore();
        return;
    }
    // Unregistered edits stay in the copy until the next opening reads the master again.
    ui->Grid顧客マスタ->post();
    event->accept();
}
