#include "records/HistoryTab.h"

#include "ui_HistoryTab.h"

HistoryTab::HistoryTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::HistoryTab>())
{
    ui->setupUi(this);
    connect(ui->Command11, &QPushButton::clicked, this, &HistoryTab::closeRequested);
}

HistoryTab::~HistoryTab() = default;
