#pragma once
#include <QWidget>
#include <memory>

class QLabel;

namespace Ui {
class InvoiceTab;
}

class InvoiceTab : public QWidget
{
    Q_OBJECT
public:
    explicit InvoiceTab(QWidget *parent = nullptr);
    ~InvoiceTab() override;

    // The own-company labels, shown from the settings.
    QLabel *companyNameLabel() const;
    QLabel *companyInfoLabel() const;

signals:
    // The tab's close button was pressed; the main window closes.
    void closeRequested();
    // The user double-clicked the company name or details: they want to edit them.
    void companyNameDoubleClicked();
    void companyInfoDoubleClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    std::unique_ptr<Ui::InvoiceTab> ui;
};
