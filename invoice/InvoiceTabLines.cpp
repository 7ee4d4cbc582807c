// The invoice tab's detail lines: accepted cells, product picks, the calculation shown in the
// amount fields, subtotal rows and line deletion.
#include "invoice/InvoiceTab.h"

#include "app/Database.h"
#include "app/Formats.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "invoice/CellChecks.h"
#include "invoice/DetailGrid.h"
#include "invoice/DetailModel.h"
#include "invoice/InvoiceCalc.h"
#include "invoice/LineEntry.h"
#include "invoice/LineOps.h"
#include "invoice/PickListModels.h"
#include "settings/ModQLNVSettings.h"
#include "ui_InvoiceTab.h"

#include <QTimer>

namespace {

void notice(const QString &text)
{
    msg::Msg表示(QStringLiteral("その他"), QStringLiteral("注意"), text);
}

// A line of the work file that could not be read or written: the cell is refused, and the
// user learns why (the grid shows what is stored).
void lineFailure(const QString &what)
{
    msg::showFailure(what + u'\n' + db::failureText(db::lastFailure(), ModQLNV::WorkMdbPath));
}

const QString LineUnreadable = QStringLiteral("明細行を読めませんでした。入力は取り消しました。");
const QString LineUnwritable = QStringLiteral("明細行を書き込めませんでした。入力は取り消しました。");

} // namespace

entry::Rules InvoiceTab::rules() const
{
    return {ModQLNV::印刷用紙, ModQLNV::行端数, ModQLNV::入数列タイトル, ModQLNV::小数 != u"使用しない"};
}

QList<DetailLine> InvoiceTab::shownLines() const
{
    QList<DetailLine> lines;
    for (int row = 0; m_lines && row < m_lines->rowCount(); ++row)
        lines << detail::lineFromRecord(m_lines->storedRecord(row));
    return lines;
}

int InvoiceTab::lineOfRow(int row) const
{
    return m_lines->data(m_lines->index(row, cells::Col行番号), Qt::EditRole).toInt();
}

bool InvoiceTab::cellEdited(int row, int column, const QString &text)
{
    const auto line = detail::readLine(db::work(), lineOfRow(row));
    if (!line) {
        lineFailure(LineUnreadable);
        m_lines->refreshRows({row});
        return false;
    }
    const auto result = entry::editCell(*line, column, text, rules(), [](const QString &name) {
        return picklists::Seek商品(db::data(), name);
    });
    return applyCellResult(row, column, result);
}

void InvoiceTab::productPicked(int row, int productRow)
{
    if (productRow < 0 || productRow >= m_products->rowCount())
        return;
    const auto line = detail::readLine(db::work(), lineOfRow(row));
    if (!line) {
        lineFailure(LineUnreadable);
        return;
    }
    auto field = [&](int column) { return m_products->data(m_products->index(productRow, column), Qt::EditRole); };
    entry::PickedProduct product;
    product.品名 = field(ProductListModel::Col品名).toString();
    product.入数 = field(ProductListModel::Col入数).toString();
    product.単位 = field(ProductListModel::Col単位).toString();
    const QVariant price = field(ProductListModel::Col単価);
    if (!price.isNull())
        product.単価 = price.toDouble();
    product.非課税 = field(ProductListModel::Col非課税).toInt() != 0;
    product.ふりがな = field(ProductListModel::Colふりがな).toString();
    product.軽減税率 = field(ProductListModel::Col軽減税率).toInt() != 0;
    if (applyCellResult(row, cells::Col品名, entry::pickProduct(*line, product, rules())))
        ui->Grid明細->setCurrentCell(row, cells::Col数量);
}

void InvoiceTab::takeProduct(const entry::PickedProduct &product)
{
    DetailGrid *grid = ui->Grid明細;
    const int row = grid->currentIndex().isValid() ? grid->currentIndex().row() : 0;
    const auto line = detail::readLine(db::work(), lineOfRow(row));
    if (!line) {
        lineFailure(LineUnreadable);
        return;
    }
    applyCellResult(row, cells::Col品名, entry::chooseProduct(*line, product, rules()));
    grid->setFocus(Qt::OtherFocusReason);
    grid->setCurrentCell(row, cells::Col品名);
}

bool InvoiceTab::applyCellResult(int row, int column, const entry::CellResult &r)
{
    const QSqlDatabase work = db::work();
    switch (r.outcome) {
    case entry::Outcome::RefusedSubtotal:
        notice(QStringLiteral("小計行は変更できません。行削除してください。"));
        return false;
    case entry::Outcome::RefusedNotNumeric:
        return false;
    case entry::Outcome::RefusedAmountLimit:
        notice(QStringLiteral("金額が %1 を超えるため入力できません。数量と単価を確認してください。")
                   .arg(formats::formatNumber(qint64(formats::AmountRange.maximum), formats::NumberFormat::Grouped)));
        return false;
    case entry::Outcome::RefusedFraction:
        notice(QStringLiteral("小数を使用しない設定です。数量と単価は整数で入力してください。"));
        return false;
    case entry::Outcome::RefusedRounding:
        notice(calc::unknownRoundingText(QStringLiteral("行端数"), ModQLNV::行端数));
        return false;
    case entry::Outcome::RefusedB5:
        if (!detail::writeLine(work, r.line))
            lineFailure(LineUnwritable);
        m_lines->refreshRows({row});
        return false;
    case entry::Outcome::Accepted:
        break;
    }

    const auto sums = calc::writeLineAndCalc(work, r.line);
    if (!sums) {
        lineFailure(LineUnwritable);
        m_lines->refreshRows({row});
        return false;
    }
    if (!r.codeKind.isEmpty()) {
        // A data file that another program holds is not waited for: the save registers the
        // line's units again, and the drop-down shows the new one from then on.
        const QSqlDatabase data = db::data();
        db::NoWait noWait(data);
        if (picklists::AutoEntryコードマスタ(data, r.codeKind, r.codeName))
            Readコード表(r.codeKind);
    }
    if (r.amountEdited)
        m_lineAmountEdited = true;
    QList<int> rows = showAmounts(*sums);
    rows.prepend(row);
    m_lines->refreshRows(rows);
    if (r.keepColumn) {
        // The view moves on after the editor closes; come back to the emptied cell.
        QTimer::singleShot(0, ui->Grid明細, [grid = ui->Grid明細, row, column] { grid->setCurrentCell(row, column); });
        return false;
    }
    return true;
}

QList<int> InvoiceTab::calcAndShow()
{
    const auto sums = calc::Calc明細(db::work());
    if (!sums)
        return {}; // unreadable lines leave the amounts as they are
    return showAmounts(*sums);
}

QList<int> InvoiceTab::showAmounts(const calc::LineSums &sums)
{
    const calc::Amounts a = calc::computeAmounts(sums.base(m_taxPercent), ModQLNV::税区分, taxRounding(),
                                                 ui->num請求金額->value(), m_lineAmountEdited);
    ui->num税抜計->setValue(a.税抜計);
    ui->num消費税->setValue(a.消費税);
    ui->num合計->setValue(a.合計);
    ui->num請求金額->setValue(a.請求金額);
    showPerRate({a.標準税率対象, a.標準税率消費税, a.軽減税率対象, a.軽減税率消費税});
    QList<int> rows;
    for (int line : sums.changedSubtotalRows)
        rows << line - 1;
    return rows;
}

void InvoiceTab::Calc明細()
{
    const QList<int> rows = calcAndShow();
    if (m_lines)
        m_lines->refreshRows(rows);
}

void InvoiceTab::reloadLines()
{
    if (m_lines)
        ui->Grid明細->reloadKeepingView();
}

void InvoiceTab::showStoredInvoice(qint64 number, const InvoiceHeader &header)
{
    // The lines are already in w明細: only the header is cleared and filled. The invoice keeps
    // the rate it was stored with.
    showHeader(header);
    m_storedRate = true;
    m_storedNumber = number;
    m_storedVersion = header.更新番号;
    applyTaxPercent(header.消費税率);
    ui->txtNo->setText(QString::number(number));
    // The stored amount invoiced may differ from the total; it stays until a quantity,
    // unit price or amount is edited.
    m_lineAmountEdited = false;
    Calc明細();
    reloadLines();
    ui->Grid明細->setCurrentCell(0, cells::Col品名);
    rememberShown();
}

void InvoiceTab::Create小計()
{
    DetailGrid *grid = ui->Grid明細;
    const int line = grid->currentLine();
    if (line == 0)
        return;
    switch (lines::Create小計(db::work(), line)) {
    case lines::SubtotalResult::FirstLine:
        notice(QStringLiteral("1行目には小計は作成できません。"));
        return;
    case lines::SubtotalResult::BelowSubtotal:
        notice(QStringLiteral("小計の次行には小計は作成できません。"));
        return;
    case lines::SubtotalResult::AboveSubtotal:
        notice(QStringLiteral("小計の前行には小計は作成できません。"));
        return;
    case lines::SubtotalResult::NoRoom:
        msg::Msg表示(QStringLiteral("行指定"), QStringLiteral("余白なし"), QString());
        return;
    case lines::SubtotalResult::Failed:
        msg::showFailure(QStringLiteral("小計行を作成できませんでした。"));
        return;
    case lines::SubtotalResult::Created:
        break;
    }
    calcAndShow();
    grid->reloadKeepingView();
    grid->setFocus(Qt::OtherFocusReason);
}

void InvoiceTab::LineDelete()
{
    DetailGrid *grid = ui->Grid明細;
    const int line = grid->currentLine();
    if (line == 0)
        return;
    if (!lines::LineDelete(db::work(), line)) {
        msg::showFailure(QStringLiteral("行を削除できませんでした。"));
        return;
    }
    calcAndShow();
    grid->reloadKeepingView();
    grid->setFocus(Qt::OtherFocusReason);
}
