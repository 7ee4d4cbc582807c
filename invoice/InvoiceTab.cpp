// The invoice tab: construction, the one-time set-up, clearing, the header fields and the
// pick-lists. The detail lines are in InvoiceTabLines.cpp.
#include "invoice/InvoiceTab.h"

#include "app/Database.h"
#include "app/Formats.h"
#include "app/Helpers.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "invoice/CellChecks.h"
#include "invoice/DetailDelegate.h"
#include "invoice/DetailGrid.h"
#include "invoice/DetailModel.h"
#include "invoice/GridCombos.h"
#include "invoice/InvoiceCalc.h"
#include "invoice/PickListModels.h"
#include "invoice/PickLists.h"
#include "settings/InvoiceCounter.h"
#include "settings/ModQLNVSettings.h"
#include "settings/SettingsRow.h"
#include "ui_InvoiceTab.h"

#include <QEvent>
#include <QFileInfo>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>

namespace {

const QStringList kHonorifics = {QStringLiteral("様"), QStringLiteral("御中"), QStringLiteral("殿")};

} // namespace

std::optional<qint64> invoiceno::parse(const QString &text)
{
    // "0", "-5" and numbers past a long integer are no invoice numbers either: they could be
    // neither stored nor found again.
    const auto number = formats::parseWholeNumber(text);
    if (!number || *number < 1 || *number > Max)
        return std::nullopt;
    return number;
}

InvoiceTab::InvoiceTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::InvoiceTab>())
{
    ui->setupUi(this);

    QFont nameFont = ui->lbl自社名->font();
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.3);
    nameFont.setBold(true);
    ui->lbl自社名->setFont(nameFont);
    ui->txt顧客情報->setFixedHeight(ui->txt顧客情報->fontMetrics().lineSpacing() * 4 + 12);
    ui->cmb敬称->setFixedWidth(ui->cmb敬称->fontMetrics().horizontalAdvance(QStringLiteral("御中御中")) + 36);
    makePopupCompletion(ui->cmb顧客名);
    for (auto *box : {ui->num税抜計, ui->num消費税, ui->num合計, ui->num請求金額})
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("9,999,999,999,999")) + 12);
    // The amounts per rate share the width of the totals above them: showing them must not
    // make the window wider while the user types.
    for (auto *box : {ui->num標準税率対象, ui->num標準税率消費税, ui->num軽減税率対象, ui->num軽減税率消費税})
        box->setMinimumWidth(box->fontMetrics().horizontalAdvance(QStringLiteral("999,999")) + 12);

    connect(ui->cmd閉じる, &QPushButton::clicked, this, &InvoiceTab::closeRequested);
    connect(ui->cmdクリア, &QPushButton::clicked, this, [this] { Clear請求書(true); });
    connect(ui->cmd小計, &QPushButton::clicked, this, &InvoiceTab::Create小計);
    connect(ui->cmd行削除, &QPushButton::clicked, this, &InvoiceTab::LineDelete);
    connect(ui->cmd顧客マスタ, &QPushButton::clicked, this, &InvoiceTab::customerMasterRequested);
    connect(ui->cmd商品, &QPushButton::clicked, this, &InvoiceTab::productMasterRequested);
    connect(ui->cmdコード, &QPushButton::clicked, this, &InvoiceTab::codeTableRequested);
    connect(ui->cmd郵便, &QPushButton::clicked, this, &InvoiceTab::cmd郵便_Click);
    connect(ui->Grid明細, &DetailGrid::productPicked, this, &InvoiceTab::productPicked);
    // A due date the settings' rule gave follows the invoice date; one the user typed stays.
    ui->dt支払期限->setNullable(true);
    connect(ui->dt日付, &DateBox::dateChanged, this, [this](const QDate &date) {
        if (m_dueFollowsDate)
            ui->dt支払期限->setDate(dueDateByRule(date));
    });
    connect(ui->dt支払期限, &DateBox::editingFinished, this, [this] {
        m_dueFollowsDate = m_dueFollowsDate
                           && ui->dt支払期限->date()
                                  == dueDateByRule(ui->dt日付->date());
    });

    // The company's own lines are text, never markup.
    ui->lbl自社名->setTextFormat(Qt::PlainText);
    ui->lbl自社情報->setTextFormat(Qt::PlainText);
    ui->lbl自社名->installEventFilter(this);
    ui->lbl自社情報->installEventFilter(this);
    ui->txtNo->installEventFilter(this);
    // The combo box has the focus and passes keys on to its line; either may see the leaving.
    ui->cmb顧客名->installEventFilter(this);
    ui->cmb顧客名->lineEdit()->installEventFilter(this);
}

InvoiceTab::~InvoiceTab()
{
    // A cell editor still open would be committed while the tab is half destroyed.
    ui->Grid明細->itemDelegate()->blockSignals(true);
}

void InvoiceTab::showCompanyLines(const QString &name, const QString &info)
{
    ui->lbl自社名->setText(name);
    ui->lbl自社情報->setText(info);
    emit companyLinesShown(name, info);
}
DetailGrid *InvoiceTab::grid() const { return ui->Grid明細; }
QLineEdit *InvoiceTab::numberEdit() const { return ui->txtNo; }
DateBox *InvoiceTab::dateBox() const { return ui->dt日付; }
QComboBox *InvoiceTab::customerBox() const { return ui->cmb顧客名; }
QPushButton *InvoiceTab::saveButton() const { return ui->cmd登録; }
QPushButton *InvoiceTab::deleteButton() const { return ui->cmd削除; }
QPushButton *InvoiceTab::printButton() const { return ui->cmd印刷; }

void InvoiceTab::focusCustomerName()
{
    ui->cmb顧客名->setFocus(Qt::OtherFocusReason);
}

void InvoiceTab::FormInit()
{
    // The data controls: w明細 behind the grid, the three pick-list tables behind its drop-downs.
    const QSqlDatabase work = db::work();
    if (!m_lines) {
        m_lines = new DetailModel(work, this);
        m_lines->setEditHandler([this](int row, int column, const QString &text) { return cellEdited(row, column, text); });
        m_products = new ProductListModel(work, this);
        m_packSizes = new WorkListModel(QStringLiteral("w入数参照"), work, this);
        m_units = new WorkListModel(QStringLiteral("w単位参照"), work, this);
        m_lines->setObjectName(QStringLiteral("wkDat"));
        m_products->setObjectName(QStringLiteral("dat商品参照"));
        m_packSizes->setObjectName(QStringLiteral("dat入数参照"));
        m_units->setObjectName(QStringLiteral("dat単位参照"));
        ui->Grid明細->setDetailModel(m_lines);
        ui->Grid明細->delegate()->setLists(m_products, m_packSizes, m_units);
    }

    // The date box by 年号; its width follows the old layout, but never clips the date.
    const bool era = ModQLNV::年号 == u"和暦";
    using formats::DateFormat;
    ui->dt日付->setDisplayFormat(formats::datePattern(era ? DateFormat::EraDate : DateFormat::WesternDate));
    ui->dt日付->setCalendarTitleFormat(formats::datePattern(era ? DateFormat::EraMonthTitle : DateFormat::WesternMonthTitle));
    const QString sample = formats::formatDate(QDate(2088, 12, 28), ui->dt日付->displayFormat());
    const int needed = ui->dt日付->lineEdit()->fontMetrics().horizontalAdvance(sample) + 40;
    ui->dt日付->setFixedWidth(qMax(DetailGrid::pixelsFromTwips(era ? 2235 : 1755), needed));
    ui->dt支払期限->setDisplayFormat(ui->dt日付->displayFormat());
    ui->dt支払期限->setCalendarTitleFormat(ui->dt日付->calendarTitleFormat());
    ui->dt支払期限->setFixedWidth(ui->dt日付->width());

    // The pack-size title: an empty setting is taken as "入　数" from now on.
    if (ModQLNV::入数列タイトル.isEmpty())
        ModQLNV::入数列タイトル = picklists::packSizeCaption(QString());
    const QString packTitle = picklists::packSizeCaption(ModQLNV::入数列タイトル);
    const auto quantityFormat = ModQLNV::小数 == u"使用しない" ? formats::NumberFormat::Grouped
                                                                : formats::NumberFormat::Standard;
    m_lines->setQuantityFormat(quantityFormat);
    ui->Grid明細->setupColumns(packTitle);
    m_products->setPriceFormat(quantityFormat);
    m_products->setPackSizeTitle(packTitle);

    fitGridWidth();
    createSyokeiLineStyle();
}

void InvoiceTab::fitGridWidth()
{
    // The grid is as wide as its columns, also when the work file could not be read: the tab
    // keeps its shape while the status line says what is wrong.
    const int width = ui->Grid明細->shownWidth();
    ui->Grid明細->setFixedWidth(width);
    ui->pnlHeader->setFixedWidth(width);
}


void InvoiceTab::applyTaxPercent(int percent)
{
    m_taxPercent = percent;
    // The mark only means something beside 10 %: at one rate it stays out of sight.
    if (ui->Grid明細->reducedRateShown() != (percent == 10)) {
        ui->Grid明細->setReducedRateShown(percent == 10);
        fitGridWidth();
    }
    ui->lbl標準税率対象->setText(QStringLiteral("%1%対象").arg(percent));
    ui->lbl軽減税率対象->setText(QStringLiteral("%1%対象").arg(calc::ReducedPercent));
    // The rate the tax beside it is worked out at; a rate the program does not know decides none.
    ui->lbl消費税->setText(percent > 0 ? QStringLiteral("消費税 %1%").arg(percent) : QStringLiteral("消費税"));
}

void InvoiceTab::settingsChanged()
{
    if (m_storedRate)
        return;
    // A new rate on an invoice nobody has typed into yet leaves nothing to lose.
    const bool untouched = !hasUnsavedInput();
    applyTaxPercent(settings::taxPercentFromText(ModQLNV::消費税率).value_or(0));
    Calc明細();
    if (untouched)
        rememberShown();
}

void InvoiceTab::createSyokeiLineStyle()
{
    if (m_lines)
        m_lines->setSubtotalBackground(QColor(0xE0, 0xE0, 0xE0));
    ui->Grid明細->viewport()->update();
}

void InvoiceTab::Clear請求書(bool full)
{
    clearHeader();
    m_storedRate = false;
    m_storedVersion.reset();
    applyTaxPercent(settings::taxPercentFromText(ModQLNV::消費税率).value_or(0));
    Clear明細ワーク();

    if (full) {
        SetDD品名();
        emit historyClearRequested();
        Readコード表(picklists::AllKinds);
        AddCmb顧客名();
        ui->txtNo->setText(ModQLNV::Proc管理(QStringLiteral("最大請求書番号"), QStringLiteral("Get"), QString()));
    }
    rememberShown();
    emit invoiceCleared(full);
}

void InvoiceTab::rememberShown()
{
    m_shownHeader = header();
    m_shownHeader.伝票番号 = 0;
    m_shownHeader.更新番号.reset();
    m_shownLines = shownLines();
    m_shownNumber = ui->txtNo->text();
}

bool InvoiceTab::hasUnsavedInput() const
{
    if (ui->Grid明細->isEditing())
        return true;
    InvoiceHeader now = header();
    now.伝票番号 = 0;
    now.更新番号.reset();
    return now != m_shownHeader || shownLines() != m_shownLines;
}

// Every header field but the invoice number back to a new invoice's.
void InvoiceTab::clearHeader()
{
    ui->cmb敬称->clear();
    ui->cmb敬称->addItems(kHonorifics);
    ui->cmb敬称->setCurrentIndex(0);

    for (auto *box : {ui->num請求金額, ui->num税抜計, ui->num消費税, ui->num合計, ui->num標準税率対象,
                      ui->num標準税率消費税, ui->num軽減税率対象, ui->num軽減税率消費税})
        box->clear();
    ui->grp税率別->hide();
    ui->cmb顧客名->setCurrentIndex(-1);
    ui->cmb顧客名->setEditText(QString());
    ui->txt件名->clear();
    ui->txtメモ->clear();
    ui->txt顧客情報->clear();
    m_dueFollowsDate = true;
    ui->dt日付->setDate(QDate::currentDate());
    ui->dt支払期限->setDate(dueDateByRule(ui->dt日付->date()));
    showCompanyLines(ModQLNV::自社名, ModQLNV::自社情報);
}

void InvoiceTab::Clear明細ワーク()
{
    // A missing work file is named in the status line at start-up; the grid then stays empty.
    detail::Clear明細ワーク(db::work());
    if (m_lines) {
        m_lines->reload();
        ui->Grid明細->setCurrentCell(0, cells::Col品名);
    }
}

void InvoiceTab::setTaxRoundingSource(std::function<QString()> source)
{
    m_taxRoundingSource = std::move(source);
}

QString InvoiceTab::taxRounding() const
{
    return m_taxRoundingSource ? m_taxRoundingSource() : ModQLNV::税端数;
}

InvoiceHeader InvoiceTab::header() const
{
    InvoiceHeader h;
    h.伝票番号 = invoiceno::parse(ui->txtNo->text()).value_or(0);
    h.日付 = ui->dt日付->date();
    h.顧客名 = ui->cmb顧客名->currentText();
    h.顧客情報 = ui->txt顧客情報->toPlainText();
    h.敬称 = ui->cmb敬称->currentText();
    h.件名 = ui->txt件名->text();
    h.メモ = ui->txtメモ->text();
    h.税抜計 = ui->num税抜計->value();
    h.消費税 = ui->num消費税->value();
    h.合計 = ui->num合計->value();
    h.請求金額 = ui->num請求金額->value();
    h.消費税率 = m_taxPercent;
    h.標準税率対象 = ui->num標準税率対象->value();
    h.標準税率消費税 = ui->num標準税率消費税->value();
    h.軽減税率対象 = ui->num軽減税率対象->value();
    h.軽減税率消費税 = ui->num軽減税率消費税->value();
    h.支払期限 = ui->dt支払期限->date();
    if (m_storedVersion && h.伝票番号 == m_storedNumber)
        h.更新番号 = m_storedVersion;
    return h;
}

void InvoiceTab::showHeader(const InvoiceHeader &h)
{
    // Nothing of the invoice shown before may stay behind a field the stored one leaves empty.
    clearHeader();
    if (h.日付.isValid())
        ui->dt日付->setDate(h.日付);
    // A stored invoice keeps its own due date, or none.
    m_dueFollowsDate = false;
    ui->dt支払期限->setDate(h.支払期限);
    ui->cmb顧客名->setEditText(h.顧客名);
    ui->txt顧客情報->setPlainText(h.顧客情報);
    ui->cmb敬称->setEditText(h.敬称);
    ui->txt件名->setText(h.件名);
    ui->txtメモ->setText(h.メモ);
    ui->num税抜計->setValue(h.税抜計);
    ui->num消費税->setValue(h.消費税);
    ui->num合計->setValue(h.合計);
    ui->num請求金額->setValue(h.請求金額);
    showPerRate({h.標準税率対象, h.標準税率消費税, h.軽減税率対象, h.軽減税率消費税});
}

void InvoiceTab::showPerRate(const PerRate &amounts)
{
    ui->num標準税率対象->setValue(amounts.標準税率対象);
    ui->num標準税率消費税->setValue(amounts.標準税率消費税);
    ui->num軽減税率対象->setValue(amounts.軽減税率対象);
    ui->num軽減税率消費税->setValue(amounts.軽減税率消費税);
    // The amounts per rate are shown when there is more than one rate.
    ui->grp税率別->setVisible(amounts.軽減税率対象.has_value());
}

void InvoiceTab::AddCmb顧客名()
{
    const auto names = picklists::customerNames(db::data());
    if (!names)
        return; // an unreadable master leaves the lists as they are
    QComboBox *box = ui->cmb顧客名;
    const QString typed = box->currentText();
    box->clear();
    box->addItems(*names);
    box->setCurrentIndex(-1);
    box->setEditText(typed);
    emit customerNamesChanged(*names);
}

void InvoiceTab::SetDD品名()
{
    picklists::SetDD品名(db::work(), ModQLNV::商品表示順);
    if (m_products)
        m_products->reload();
}

void InvoiceTab::Readコード表(const QString &kind)
{
    picklists::Readコード表(db::work(), kind, ModQLNV::入数列タイトル);
    const bool all = kind == picklists::AllKinds;
    if (m_units && (all || kind == picklists::UnitKind))
        m_units->reload();
    if (m_packSizes && (all || kind == ModQLNV::入数列タイトル))
        m_packSizes->reload();
}

void InvoiceTab::takeCustomer(const QString &name, const QString &info)
{
    if (!name.isEmpty()) {
        ui->cmb顧客名->setCurrentIndex(-1);
        ui->cmb顧客名->setEditText(name);
    }
    if (!info.isEmpty())
        ui->txt顧客情報->setPlainText(info);
    focusCustomerName();
}

void InvoiceTab::cmd郵便_Click()
{
    if (!QFileInfo::exists(ModQLNV::YubinMdbPath)) {
        msg::Msg表示(QStringLiteral("その他"), QStringLiteral("ファイルなし"), QStringLiteral("郵便番号辞書"));
        return;
    }
    emit postalLookupRequested();
}

void InvoiceTab::takePostalAddress(const QString &code, const QString &address)
{
    if (code.isEmpty() || !ui->txt顧客情報->toPlainText().isEmpty())
        return;
    ui->txt顧客情報->setPlainText(QStringLiteral("〒") + ModQLNV::Format郵便番号(code) + u'\n' + address);
}

void InvoiceTab::enterInvoiceNumber(qint64 number)
{
    ui->txtNo->setText(QString::number(number));
    ui->txtNo->setModified(true);
    txtNoLeft();
}

QDate InvoiceTab::dueDateByRule(const QDate &date) const
{
    return settings::dueDateFor(ModQLNV::支払期限, ModQLNV::支払期限日数, date);
}

void InvoiceTab::takeBackNumber()
{
    ui->txtNo->setText(m_shownNumber);
    ui->txtNo->setModified(false);
}

void InvoiceTab::setPrintPanel(QWidget *panel)
{
    ui->layoutPrintPanel->addWidget(panel);
}

void InvoiceTab::txtNoLeft()
{
    const QString text = ui->txtNo->text();
    if (text.isEmpty() || m_checkingNo)
        return;
    const auto number = invoiceno::parse(text);
    if (!number) {
        m_checkingNo = true;
        msg::Msg表示(QStringLiteral("入力"), QStringLiteral("数字のみ"), QStringLiteral("伝票番号"));
        ui->txtNo->clear();
        ui->txtNo->setFocus(Qt::OtherFocusReason);
        m_checkingNo = false;
        return;
    }
    // Only a number the user typed loads: passing through the field with the number the
    // screen already shows must not replace the lines being edited by the stored ones.
    if (!ui->txtNo->isModified())
        return;
    ui->txtNo->setModified(false);
    emit invoiceNumberEntered(*number);
}

void InvoiceTab::customerNameLeft()
{
    const QString name = ui->cmb顧客名->currentText();
    if (name.isEmpty()) {
        ui->txt顧客情報->setPlainText(QString());
        return;
    }
    const auto customer = picklists::Seek顧客情報(db::data(), name);
    if (!customer || !customer->顧客情報)
        return;
    ui->txt顧客情報->setPlainText(*customer->顧客情報);
    if (customer->敬称)
        ui->cmb敬称->setEditText(*customer->敬称);
}

void InvoiceTab::focusGridName()
{
    DetailGrid *grid = ui->Grid明細;
    grid->setFocus(Qt::OtherFocusReason);
    const int row = grid->currentIndex().isValid() ? grid->currentIndex().row() : 0;
    grid->setCurrentCell(row, cells::Col品名);
}

bool InvoiceTab::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonDblClick:
        if (watched == ui->lbl自社名)
            emit companyNameDoubleClicked();
        else if (watched == ui->lbl自社情報)
            emit companyInfoDoubleClicked();
        break;
    case QEvent::KeyPress: {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key != Qt::Key_Return && key != Qt::Key_Enter)
            break;
        if (watched == ui->txtNo) {
            ui->cmb顧客名->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (watched == ui->cmb顧客名 || watched == ui->cmb顧客名->lineEdit()) {
            focusGridName();
            return true;
        }
        break;
    }
    case QEvent::FocusOut: {
        // A list or message box opening, or another window, is no leaving of the field.
        const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
        if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason)
            break;
        if (watched == ui->txtNo)
            // After the focus has settled, so that the warning can give it back.
            QTimer::singleShot(0, this, &InvoiceTab::txtNoLeft);
        else if (watched == ui->cmb顧客名 || watched == ui->cmb顧客名->lineEdit())
            customerNameLeft();
        break;
    }
    default:
        break;
    }
    return QWidget::eventFilter(watched, event);
}
