#include "shell/InvoiceRecords.h"

#include "app/Database.h"
#include "app/DateBox.h"
#include "app/DataSource.h"
#include "app/Msg.h"
#include "app/ProgressPanel.h"
#include "invoice/InvoiceTab.h"
#include "records/InvoiceLoad.h"
#include "records/InvoiceSave.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>

Q_LOGGING_CATEGORY(lcRecords, "quillon.records")

// The tab checks txtNo by the same range that a save accepts.
static_assert(invoiceno::Max == records::MaxInvoiceNumber);

namespace {

const QString LoadingText = QStringLiteral("読込中です･･･");

} // namespace

InvoiceRecords::InvoiceRecords(InvoiceTab *tab, QObject *parent)
    : QObject(parent)
    , m_tab(tab)
{
    m_panel = new ProgressPanel(QStringLiteral("CnEntryMsg"), QStringLiteral("EntryMsg"), tab);
    m_panel->label()->setText(progress::Saving);

    tab->saveButton()->setEnabled(true);
    connect(tab->saveButton(), &QPushButton::clicked, this, &InvoiceRecords::cmd登録_Click);
    tab->deleteButton()->setEnabled(true);
    connect(tab->deleteButton(), &QPushButton::clicked, this, &InvoiceRecords::Delete請求書);
    connect(tab, &InvoiceTab::invoiceNumberEntered, this, &InvoiceRecords::Read請求書);
}

bool InvoiceRecords::EntryCheck()
{
    QLineEdit *number = m_tab->numberEdit();
    DateBox *date = m_tab->dateBox();
    QComboBox *customer = m_tab->customerBox();

    // A number the stored file cannot hold counts as missing: it could not be saved.
    QWidget *missing = nullptr;
    QString what;
    if (number->text().isEmpty() && counter::invoiceNumbersUsedUp()) {
        // No number was offered: the last one the file can hold is taken.
        msg::showFailure(records::NumbersUsedUpNotice);
        number->setFocus(Qt::OtherFocusReason);
        return false;
    }
    if (!records::parseInvoiceNumber(number->text())) {
        missing = number;
        what = QStringLiteral("伝票番号");
    } else if (!date->date().isValid()) {
        missing = date;
        what = QStringLiteral("日付");
    } else if (customer->currentText().isEmpty()) {
        missing = customer;
        what = QStringLiteral("顧客名");
    }
    if (!missing)
        return true;
    msg::Msg登録(QStringLiteral("チェック"), what);
    missing->setFocus(Qt::OtherFocusReason);
    return false;
}

void InvoiceRecords::cmd登録_Click()
{
    if (!EntryCheck()) {
        m_panel->finish();
        return;
    }
    const QString name = m_tab->customerBox()->currentText();
    if (!msg::Msg登録(QStringLiteral("確認"), name + u' '))
        return;
    if (Entry請求書())
        emit invoiceSaved();
}

bool InvoiceRecords::Entry請求書()
{
    const InvoiceHeader header = m_tab->header();
    m_panel->showText(progress::Saving);
    // What is stored is what the grid shows, or nothing.
    records::SaveOutcome outcome = records::saveShownInvoice(header, m_tab->shownLines());
    m_panel->finish();
    if (outcome.conflict != records::SaveConflict::None) {
        // Changed or deleted on another PC since it was opened: replaced only when the user
        // says so; otherwise it stays on screen and both are as they were.
        const bool changed = outcome.conflict == records::SaveConflict::Changed;
        qCInfo(lcRecords) << "invoice" << header.伝票番号 << (changed ? "changed" : "deleted") << "elsewhere since it was read";
        if (!msg::askDefaultNo(changed ? records::ChangedElsewhereQuestion : records::DeletedElsewhereQuestion))
            return false;
        m_panel->showText(progress::Saving);
        outcome = records::saveShownInvoice(header, m_tab->shownLines(), records::SaveMode::Overwrite);
        m_panel->finish();
    }
    if (!outcome) {
        // Nothing was written: the invoice stays on screen to be saved again.
        qCWarning(lcRecords).noquote() << "invoice" << header.伝票番号 << "not saved:" << outcome.problem;
        if (outcome.linesDiffer) {
            msg::showFailure(records::LinesDifferNotice);
            m_tab->reloadLines();
        } else {
            msg::showFailure(records::saveFailedText(outcome));
        }
        return false;
    }
    if (outcome.number == header.伝票番号) {
        msg::Msg登録(QStringLiteral("完了"), header.顧客名 + u' ');
    } else if (auto done = msg::catalogueEntry(QStringLiteral("登録"), QStringLiteral("完了"), header.顧客名)) {
        done->text = records::renumberedText(header.顧客名, header.伝票番号, outcome.number);
        msg::present(*done);
    }
    m_tab->Clear請求書(true);
    m_tab->focusCustomerName();
    return true;
}

void InvoiceRecords::Read請求書(qint64 伝票番号)
{
    // Opening a stored invoice replaces what is on screen: typing not yet stored is lost only
    // when the user says so.
    if (m_tab->hasUnsavedInput()
        && records::Read請求書ヘッダ(db::data(), 伝票番号).status == records::LoadStatus::Loaded
        && !msg::askDefaultNo(records::openOverUnsavedText(伝票番号))) {
        m_tab->takeBackNumber();
        return;
    }
    m_panel->showText(LoadingText);
    const records::LoadOutcome outcome = records::loadInvoice(伝票番号);
    switch (outcome.status) {
    case records::LoadStatus::Failed:
        m_panel->finish();
        qCWarning(lcRecords).noquote() << "invoice" << 伝票番号 << "not loaded:" << outcome.problem;
        m_tab->takeBackNumber();
        msg::showFailure(records::LoadFailedNotice + db::failureText(outcome.failure, db::dataPlace()));
        return;
    case records::LoadStatus::NotFound:
        // What is on screen becomes a new invoice of that number; unsaved lines are not lost.
        m_tab->numberEdit()->setText(QString::number(伝票番号));
        m_panel->finish();
        return;
    case records::LoadStatus::Loaded:
        break;
    }

    m_tab->showStoredInvoice(伝票番号, outcome.header);
    m_panel->finish();
}

void InvoiceRecords::Delete請求書()
{
    const QString text = m_tab->numberEdit()->text();
    if (text.isEmpty())
        return;
    // Anything else is refused by the field itself when it is left.
    const auto number = records::parseInvoiceNumber(text);
    if (!number)
        return;
    if (!msg::Msg削除(QStringLiteral("伝票確認"), QString::number(*number)))
        return;
    if (!records::deleteInvoice(*number)) {
        qCWarning(lcRecords) << "invoice" << *number << "not deleted";
        msg::showFailure(records::DeleteFailedNotice);
        return;
    }
    m_tab->Clear請求書(true);
    m_tab->focusCustomerName();
}
