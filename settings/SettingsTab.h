#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class SettingsTab;
}

class SettingsTab : public QWidget
{
    Q_OBJECT
public:
    explicit SettingsTab(QWidget *parent = nullptr);
    ~SettingsTab() override;

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();

private:
    std::unique_ptr<Ui::SettingsTab> ui;
};
