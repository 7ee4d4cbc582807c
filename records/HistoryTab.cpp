#include "records/HistoryTab.h"

#include "app/Database.h"
#include "app/Formats.h"
#include "app/Msg.h"
#include "app/SafeFiles.h"
#include "app/SaveTarget.h"
#include "records/HistoryCsv.h"
#include "records/HistoryList.h"
#include "records/HistoryListModel.h"
#include "records/InvoiceLoad.h"
#include "settings/ModQLNVSettings.h"
#include "settings/PickOnlyCombo.h"
#include "ui_HistoryTab.h"

#include <QDir>
#include <QHeaderView>
#include <QSaveFile>
#include <QKeyEvent>
#include <QLineEdit>

namespace {

const QString CsvCp932 = QStringLiteral("Shift_JIS");
const QString CsvUtf8 = QStringLiteral("UTF-8");

// Twips of the designed form, for the widths of the range boxes.
int pixels(int twips)
{
    return twips / 15;
}

} // namespace

HistoryTab::HistoryTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::HistoryTab>())
{
    ui->setupUi(this);
    ui->CnRirekiMsg->hide();
    for (DateBox *box : {ui->txt開始, ui->txt終了})
        box->setNullable(true);
    ui->Grid履歴リスト->verticalHeader()->hide();
    ui->Grid履歴リスト->verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 8);
    ui->Grid履歴リスト->horizontalHeader()->setStretchLastSection(true);
    ui->Grid履歴リスト->installEventFilter(this);
    // The model reads nothing until the first search or clear: the locations are not known yet.
    m_model = new HistoryListModel(this);
    QTableView *grid = ui->Grid履歴リスト;
    grid->setModel(m_model);
    const QFontMetrics fm = fontMetrics();
    grid->setColumnWidth(HistoryListModel::TickColumn, fm.horizontalAdvance(QStringLiteral("選択")) + 20);
    grid->setColumnWidth(HistoryListModel::NumberColumn, fm.horizontalAdvance(QStringLiteral("0000000000")) + 16);
    grid->setColumnWidth(HistoryListModel::DateColumn, fm.horizontalAdvance(QStringLiteral("0000/00/00")) + 24);
    grid->setColumnWidth(HistoryListModel::CustomerColumn, fm.horizontalAdvance(QString(18, QChar(u'名'))));
    grid->setColumnWidth(HistoryListModel::AmountColumn, fm.horizontalAdvance(QStringLiteral("9,999,999,999")) + 16);
    grid->setColumnWidth(HistoryListModel::DueColumn, fm.horizontalAdvance(QStringLiteral("0000/00/00")) + 24);
    showCount(0);
    applyDateStyle();

    connect(ui->Command11, &QPushButton::clicked, this, &HistoryTab::closeRequested);
    connect(ui->cmd_ENT, &QPushButton::clicked, this, &HistoryTab::Read請求履歴);
    connect(ui->cmd履歴クリア, &QPushButton::clicked, this, &HistoryTab::cmd履歴クリア_Click);
    connect(ui->cmd履歴削除, &QPushButton::clicked, this, &HistoryTab::Delete履歴);
    connect(ui->cmd請求書, &QPushButton::clicked, this, &HistoryTab::cmd請求書_Click);
    connect(ui->cmdCSV出力, &QPushButton::clicked, this, &HistoryTab::cmdCSV出力_Click);
    connect(ui->cmd電子インボイス一括, &QPushButton::clicked, this, &HistoryTab::cmd電子インボイス一括_Click);
    connect(ui->cmd保存書類, &QPushButton::clicked, this, &HistoryTab::archiveRequested);
    ui->cmbCSV文字コード->addItems({CsvCp932, CsvUtf8});
    settings::makePickOnly(ui->cmbCSV文字コード);
    connect(ui->Grid履歴リスト, &QTableView::doubleClicked, this, &HistoryTab::gridDoubleClicked);
}

HistoryTab::~HistoryTab() = default;

void HistoryTab::applyDateStyle()
{
    const bool era = ModQLNV::年号 == QStringLiteral("和暦");
    for (DateBox *box : {ui->txt開始, ui->txt終了}) {
        box->setDisplayFormat(formats::datePattern(era ? formats::DateFormat::EraDateSpaced
                                                       : formats::DateFormat::WesternSlash));
        box->setCalendarTitleFormat(formats::datePattern(era ? formats::DateFormat::EraMonthTitleSpaced
                                                             : formats::DateFormat::WesternMonthTitleSpaced));
        // The designed width, or more where this font needs it for the widest date.
        const QString widest = formats::formatDate(QDate(2088, 12, 28), box->displayFormat());
        box->setFixedWidth(qMax(pixels(era ? 2370 : 1590), fontMetrics().horizontalAdvance(widest) + 44));
    }
    m_model->setEraDates(era);
}

void HistoryTab::refreshList()
{
    m_model->select();
}

void HistoryTab::showCount(qint64 count)
{
    ui->num登録件数->setText(formats::formatNumber(count, formats::NumberFormat::GroupedZero));
}

void HistoryTab::setCustomerNames(const QStringList &names)
{
    const QString typed = ui->cmb履歴顧客名->currentText();
    ui->cmb履歴顧客名->clear();
    ui->cmb履歴顧客名->addItems(names);
    ui->cmb履歴顧客名->setCurrentIndex(-1);
    ui->cmb履歴顧客名->setEditText(typed);
}

void HistoryTab::Clear履歴()
{
    records::history::Clear履歴(db::work());
    refreshList();
}

void HistoryTab::Read請求履歴()
{
    ui->lblRirekiMsg->setText(QStringLiteral("読込中です････"));
    ui->CnRirekiMsg->show();
    ui->CnRirekiMsg->raise();
    ui->CnRirekiMsg->repaint();

    records::history::Filter filter;
    // A name of blanks only is no filter, not a customer called " ".
    if (!ui->cmb履歴顧客名->currentText().trimmed().isEmpty())
        filter.顧客名 = ui->cmb履歴顧客名->currentText();
    filter.開始 = ui->txt開始->date();
    filter.終了 = ui->txt終了->date();
    const auto listed = records::history::Read請求履歴(db::work(), filter);
    refreshList();
    ui->CnRirekiMsg->hide();
    if (listed) {
        showCount(*listed);
    } else {
        // The list is as it was; so is its count.
        msg::showFailure(records::history::SearchFailedNotice);
    }
}

void HistoryTab::cmd履歴クリア_Click()
{
    ui->cmb履歴顧客名->setCurrentIndex(-1);
    ui->cmb履歴顧客名->clearEditText();
    ui->txt開始->clear();
    ui->txt終了->clear();
    Clear履歴();
}

void HistoryTab::Delete履歴()
{
    if (!msg::Msg削除(QStringLiteral("指定確認"), QStringLiteral("請求書")))
        return;
    const auto outcome = records::history::Delete履歴(db::work());
    refreshList();
    if (!outcome) {
        msg::showFailure(records::DeleteFailedNotice);
        return;
    }
    showCount(outcome.remaining);
}

csvtext::Encoding HistoryTab::csvEncoding() const
{
    return ui->cmbCSV文字コード->currentText() == CsvUtf8 ? csvtext::Encoding::Utf8WithBom : csvtext::Encoding::Cp932;
}

void HistoryTab::applyQualified()
{
    ui->cmd電子インボイス一括->setVisible(ModQLNV::qualifiedInvoices());
}

void HistoryTab::cmd電子インボイス一括_Click()
{
    const auto numbers = records::history::listedNumbers(db::work());
    if (!numbers) {
        msg::showFailure(records::history::SearchFailedNotice);
        return;
    }
    emit electronicInvoicesRequested(*numbers);
}

void HistoryTab::cmdCSV出力_Click()
{
    if (m_model->rowCount() == 0) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), QStringLiteral("出力する請求書がありません。先に検索してください。"));
        return;
    }
    const bool cp932 = ui->cmbCSV文字コード->currentText() != CsvUtf8;
    const QString path = ModQLNV::chooseSaveTarget(
        this, QStringLiteral("CSV出力"), QDir(ModQLNV::startFolder(ModQLNV::PDF保存先)).filePath(records::csv::proposedCsvName()),
        QStringLiteral("CSV (*.csv)"), QStringLiteral(".csv"), QStringLiteral("CSV"));
    if (path.isEmpty())
        return;
    const auto built = records::csv::buildHistoryCsv(
        db::work(), cp932 ? records::csv::Encoding::Cp932 : records::csv::Encoding::Utf8WithBom);
    if (!built) {
        msg::showFailure(QStringLiteral("請求書を読み込めなかったため、CSV を書き出せませんでした。"));
        return;
    }
    if (!built->ok()) {
        // Nothing is written: a "?" in a customer's name would go to the accountant unseen.
        QStringList where;
        for (const auto &[number, characters] : built->unmappable.mid(0, 10))
            where << QStringLiteral("伝票番号 %1:「%2」").arg(number).arg(characters);
        if (built->unmappable.size() > 10)
            where << QStringLiteral("ほか %1 件").arg(built->unmappable.size() - 10);
        msg::showFailure(QStringLiteral("次の文字は Shift_JIS で表せないため、CSV を書き出しませんでした。"
                                        "文字コードを UTF-8 にして出力してください。\n")
                         + where.join(u'\n'));
        return;
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(built->bytes) != built->bytes.size() || !file.commit()) {
        msg::showFailure(QStringLiteral("CSV を保存できませんでした（%1）。ディスクの空きと書き込みの許可を確かめてください。")
                             .arg(QDir::toNativeSeparators(path)));
        return;
    }
    files::syncFolderOf(path); // the file is there; this only makes its name outlast a power cut
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("メッセージ"),
                 QStringLiteral("CSV を保存しました（%1 件）。\n%2").arg(built->invoices).arg(QDir::toNativeSeparators(path)));
}

void HistoryTab::openRow(int row)
{
    if (const auto number = m_model->numberAt(row))
        emit openInvoiceRequested(*number);
}

void HistoryTab::cmd請求書_Click()
{
    openRow(ui->Grid履歴リスト->currentIndex().row());
}

void HistoryTab::gridDoubleClicked(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    if (index.column() == HistoryListModel::TickColumn)
        m_model->toggleTick(index.row());
    else
        openRow(index.row());
}

bool HistoryTab::eventFilter(QObject *watched, QEvent *event)
{
    // From the keyboard: the space bar ticks the current row, Enter opens its invoice.
    if (watched == ui->Grid履歴リスト && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const QModelIndex current = ui->Grid履歴リスト->currentIndex();
        if (key->key() == Qt::Key_Space && current.isValid()) {
            m_model->toggleTick(current.row());
            return true;
        }
        if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) && current.isValid()) {
            openRow(current.row());
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}
