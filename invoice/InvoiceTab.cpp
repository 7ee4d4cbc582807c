#include "invoice/InvoiceTab.h"

#include "ui_InvoiceTab.h"

#include <QEvent>

InvoiceTab::InvoiceTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::InvoiceTab>())
{
    ui->setupUi(this);
    connect(ui->cmd閉じる, &QPushButton::clicked, this, &InvoiceTab::closeRequested);
    ui->lbl自社名->installEventFilter(this);
    ui->lbl自社情報->installEventFilter(this);
}

QLabel *InvoiceTab::companyNameLabel() const { return ui->lbl自社名; }
QLabel *InvoiceTab::companyInfoLabel() const { return ui->lbl自社情報; }

bool InvoiceTab::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::MouseButtonDblClick) {
        if (watched == ui->lbl自社名)
            emit companyNameDoubleClicked();
        else if (watched == ui->lbl自社情報)
            emit companyInfoDoubleClicked();
    }
    return QWidget::eventFilter(watched, event);
}

InvoiceTab::~InvoiceTab() = default;
