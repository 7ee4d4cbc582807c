#include "masters/ProductWindow.h"

#include "app/ScreenFit.h"
#include "app/Database.h"
#include "app/Formats.h"
#include "app/Msg.h"
#include "app/ProgressPanel.h"
#include "masters/LinkChecks.h"
#include "masters/MasterActions.h"
#include "masters/MasterCopyModel.h"
#include "settings/ModQLNVSettings.h"
#include "ui_ProductWindow.h"

#include <QCloseEvent>
#include <QHeaderView>
#include <QShowEvent>
#include <QTimer>

#include <cmath>

namespace {

// The columns of w商品マスタ, in table order.
enum Column {
    Col品名 = 0,
    Col入数 = 1,
    Col単位 = 2,
    Col単価 = 3,
    Col非課税 = 4,
    Colふりがな = 5,
    Colチェック = 6,
    Col軽減税率 = 7,
};

const masters::WindowTexts kTexts{QStringLiteral("商品情報"), QStringLiteral("商品")};

} // namespace

QString masters::packSizeHeading(const QString &title)
{
    if (title == u"入数")
        return QStringLiteral("入　数");
    if (title == u"規格")
        return QStringLiteral("規　格");
    return title;
}

ProductWindow::ProductWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , ui(std::make_unique<Ui::ProductWindow>())
{
    ui->setupUi(this);
    m_notice = new ProgressPanel(QStringLiteral("CnSyohinMsg"), QStringLiteral("LblSyohinMsg"), this);

    connect(ui->cmd_ENT, &QPushButton::clicked, this, &ProductWindow::Read商品マスタ);
    connect(ui->cmd登録, &QPushButton::clicked, this, &ProductWindow::Entry商品情報);
    connect(ui->cmdクリア, &QPushButton::clicked, this, &ProductWindow::Clear商品情報);
    connect(ui->cmd削除, &QPushButton::clicked, this, &ProductWindow::Delete商品);
    connect(ui->cmd選択, &QPushButton::clicked, this, &ProductWindow::choose);
    connect(ui->cmd商品参照, &QPushButton::clicked, this, &ProductWindow::Read商品リンク);
    connect(ui->cmd閉じる, &QPushButton::clicked, this, &QWidget::close);
    connect(ui->Grid商品マスタ, &MasterGrid::rowActivated, this, &ProductWindow::choose);
}

ProductWindow::~ProductWindow() = default;

void ProductWindow::Form_Load()
{
    MasterGrid *grid = ui->Grid商品マスタ;
    if (!m_model) {
        m_model = new MasterCopyModel(QStringLiteral("w商品マスタ"), db::work(), this);
        m_model->setObjectName(QStringLiteral("dat商品"));
        m_model->setTickColumn(Colチェック);
        m_model->setCheckColumn(Col非課税);
        m_model->setCheckColumn(Col軽減税率);
        m_model->setNumberColumn(Col単価, formats::NumberFormat::Grouped,
                                 [this](const QString &typed) { return checkPrice(typed); });
        const QList<std::pair<int, QString>> headings = {
            {Colチェック, QString()},
            {Col品名, QStringLiteral("品　　　名")},
            {Col単位, QStringLiteral("単位")},
            {Col単価, QStringLiteral("単　価")},
            {Col非課税, QStringLiteral("非課税")},
            {Col軽減税率, QStringLiteral("軽減税率")},
            {Colふりがな, QStringLiteral("ふりがな")},
        };
        for (const auto &[column, text] : headings)
            m_model->setHeaderData(column, Qt::Horizontal, text);
        grid->setMasterModel(m_model);
        grid->setRowEnds(Col品名, Colふりがな);
        grid->setPlainInputColumns({Colチェック, Col単価, Col非課税, Col軽減税率});
        const int em = grid->fontMetrics().horizontalAdvance(u'あ');
        grid->setColumnWidth(Colチェック, em * 2);
        grid->setColumnWidth(Col品名, em * 18);
        grid->setColumnWidth(Col入数, em * 6);
        grid->setColumnWidth(Col単位, em * 4);
        grid->setColumnWidth(Col単価, em * 8);
        grid->setColumnWidth(Col非課税, em * 4);
        grid->setColumnWidth(Col軽減税率, em * 5);
        // The reduced-rate flag stands beside the other tax flag, the reading stays last.
        QHeaderView *header = grid->horizontalHeader();
        header->moveSection(header->visualIndex(Col軽減税率), header->visualIndex(Col非課税) + 1);
        grid->horizontalHeader()->setStretchLastSection(true);
    }
    FormInit();
    Read商品マスタ();
}

void ProductWindow::FormInit()
{
    if (!m_model)
        return;
    m_model->setNumberFormat(ModQLNV::小数 == u"使用しない" ? formats::NumberFormat::Grouped
                                                           : formats::NumberFormat::Standard);
    m_model->setHeaderData(Col入数, Qt::Horizontal, masters::packSizeHeading(ModQLNV::入数列タイトル));
}

std::optional<double> ProductWindow::checkPrice(const QString &typed)
{
    // The same rules as a unit price typed on an invoice line.
    const auto number = formats::parseNumber(typed);
    QString group;
    QString kind;
    QString text;
    if (!number) {
        group = QStringLiteral("入力");
        kind = QStringLiteral("数字のみ");
        text = QStringLiteral("単価");
    } else if (ModQLNV::小数 == u"使用しない" && std::trunc(*number) != *number) {
        // As on the invoice: without decimals in use, prices are whole numbers.
        group = QStringLiteral("その他");
        kind = QStringLiteral("注意");
        text = QStringLiteral("小数を使用しない設定です。単価は整数で入力してください。");
    } else if (!formats::UnitPriceRange.contains(*number)) {
        group = QStringLiteral("その他");
        kind = QStringLiteral("注意");
        text = QStringLiteral("単価は %1 から %2 までで入力してください。")
                   .arg(formats::formatNumber(formats::UnitPriceRange.minimum, formats::NumberFormat::GroupedTwoDecimals),
                        formats::formatNumber(formats::UnitPriceRange.maximum, formats::NumberFormat::GroupedTwoDecimals));
    } else {
        return number;
    }
    // The refusal is told once the cell editor has closed: a box opening while the editor
    // gives up the focus would take the focus from under it.
    QTimer::singleShot(0, this, [group, kind, text] { msg::Msg表示(group, kind, text); });
    return std::nullopt;
}

void ProductWindow::Read商品マスタ()
{
    masters::readIntoGrid(ui->Grid商品マスタ, m_notice, masters::products(), masters::productOrder(ModQLNV::商品表示順),
                          kTexts);
}

void ProductWindow::Entry商品情報()
{
    if (masters::registerGrid(ui->Grid商品マスタ, m_notice, masters::products(), kTexts))
        emit productsChanged();
}

void ProductWindow::Clear商品情報()
{
    masters::clearGrid(ui->Grid商品マスタ, masters::products());
}

void ProductWindow::Delete商品()
{
    if (masters::deleteTickedRows(ui->Grid商品マスタ, masters::products(), kTexts))
        emit productsChanged();
}

void ProductWindow::Read商品リンク()
{
    if (!masters::linkReady(ModQLNV::商品リンクアプリ, ModQLNV::商品リンクパス, QStringLiteral("商品リンク参照")))
        return;
    masters::importIntoGrid(ui->Grid商品マスタ, m_notice, QStringLiteral("商品リンク参照"), [](const linkfile::Progress &progress) {
        return linkimport::importProducts(db::work(), ModQLNV::商品リンクアプリ, ModQLNV::商品リンクパス, progress);
    });
}

void ProductWindow::choose()
{
    MasterGrid *grid = ui->Grid商品マスタ;
    if (!grid->post())
        return;
    const int row = grid->currentRow();
    if (row < 0)
        return;
    auto value = [&](int column) { return m_model->value(row, column); };
    masters::ChosenProduct p;
    p.品名 = value(Col品名).toString();
    p.単位 = value(Col単位).toString();
    if (!value(Col単価).isNull())
        p.単価 = value(Col単価).toDouble();
    p.ふりがな = value(Colふりがな).toString();
    p.非課税 = value(Col非課税).toInt() != 0;
    p.軽減税率 = value(Col軽減税率).toInt() != 0;
    emit productChosen(p);
}

void ProductWindow::showEvent(QShowEvent *event)
{
    if (!event->spontaneous())
        screenfit::fitIntoScreen(this);
    QWidget::showEvent(event);
}

void ProductWindow::closeEvent(QCloseEvent *event)
{
    if (!masters::mayClose(this, ui->Grid商品マスタ->hasUnregisteredChanges())) {
        event->ignore();
        return;
    }
    ui->Grid商品マスタ->post();
    event->accept();
}
