#include "settings/SettingsTab.h"

#include "ui_SettingsTab.h"

SettingsTab::SettingsTab(QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SettingsTab>())
{
    ui->setupUi(this);
    connect(ui->Command8, &QPushButton::clicked, this, &SettingsTab::closeRequested);
}

SettingsTab::~SettingsTab() = default;
