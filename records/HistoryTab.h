#pragma once
#include <QWidget>
#include <memory>

namespace Ui {
class HistoryTab;
}

class HistoryTab : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryTab(QWidget *parent = nullptr);
    ~HistoryTab() override;

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();

private:
    std::unique_ptr<Ui::HistoryTab> ui;
};
