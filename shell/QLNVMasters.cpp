// The master windows and the postal-code search and the main window: the invoice tab's buttons
// show them, what they hand over goes into the invoice, and what the master windows change is
// read again by the invoice's and the history's lists.
#include "shell/QLNV.h"

#include "app/DataSource.h"
#include "app/Locations.h"
#include "app/Msg.h"
#include "invoice/InvoiceTab.h"
#include "invoice/LineEntry.h"
#include "masters/CodeTableWindow.h"
#include "masters/CustomerWindow.h"
#include "masters/ProductWindow.h"
#include "records/HistoryTab.h"
#include "settings/SettingsTab.h"
#include "shell/PostalLookup.h"

#include <QApplication>
#include <QTimer>

namespace {

// Shows a master window that is hidden, or brings the open one forward. True when it was
// hidden (and so is to read its master).
bool raiseOrShow(QWidget *window)
{
    const bool wasHidden = !window->isVisible();
    window->show();
    window->raise();
    window->activateWindow();
    return wasHidden;
}

} // namespace

void QLNV::wireMasters()
{
    // A changed master is read again into the invoice's lists once the window that changed it
    // has been repainted: the user sees the change at once, and changes in a row are read once.
    m_customerLists = new QTimer(this);
    m_productList = new QTimer(this);
    for (QTimer *timer : {m_customerLists, m_productList}) {
        timer->setSingleShot(true);
        timer->setInterval(0);
    }
    connect(m_customerLists, &QTimer::timeout, m_invoice, &InvoiceTab::AddCmb顧客名);
    connect(m_productList, &QTimer::timeout, m_invoice, &InvoiceTab::SetDD品名);

    connect(m_invoice, &InvoiceTab::customerMasterRequested, this, &QLNV::showCustomerWindow);
    connect(m_invoice, &InvoiceTab::productMasterRequested, this, &QLNV::showProductWindow);
    connect(m_invoice, &InvoiceTab::codeTableRequested, this, &QLNV::showCodeTableWindow);
    connect(m_invoice, &InvoiceTab::postalLookupRequested, this, [this] {
        const PostalLookup found = lookUpPostalCode(ModQLNV::LibraryDir, db::dataReference(),
                                                    ModQLNV::WorkMdbPath, ModQLNV::YubinMdbPath);
        if (!found.ok)
            msg::showFailure(found.error);
        else
            m_invoice->takePostalAddress(found.code, found.address);
    });

    // New settings reshape the open windows: the price form and pack-size title of the
    // products, the pack-size category of the code tables.
    connect(m_settings, &SettingsTab::settingsReloaded, this, [this] {
        m_invoice->settingsChanged();
        m_history->applyQualified();
        if (m_customers)
            m_customers->applyQualified();
        if (m_products)
            m_products->FormInit();
        if (m_codes)
            m_codes->refreshKinds();
    });
    // After a data reset or a restore the open windows show the masters as they are now.
    const auto rereadMasters = [this] {
        if (m_customers && m_customers->isVisible())
            m_customers->Read顧客マスタ();
        if (m_products && m_products->isVisible())
            m_products->Read商品マスタ();
        if (m_codes && m_codes->isVisible())
            m_codes->FormLoad();
    };
    connect(m_settings, &SettingsTab::dataReset, this, rereadMasters);
    connect(m_settings, &SettingsTab::dataRestored, this, rereadMasters);
}

CustomerWindow *QLNV::showCustomerWindow()
{
    if (!m_customers) {
        m_customers = std::make_unique<CustomerWindow>();
        connect(m_customers.get(), &CustomerWindow::customerChosen, this, [this](const QString &name, const QString &info) {
            // The customer window closes: the invoice comes forward with the customer.
            showInvoiceTab(true);
            m_invoice->takeCustomer(name, info);
        });
        connect(m_customers.get(), &CustomerWindow::customersChanged, m_customerLists, qOverload<>(&QTimer::start));
    }
    if (raiseOrShow(m_customers.get()))
        m_customers->Form_Load();
    return m_customers.get();
}

ProductWindow *QLNV::showProductWindow()
{
    if (!m_products) {
        m_products = std::make_unique<ProductWindow>();
        connect(m_products.get(), &ProductWindow::productChosen, this, [this](const masters::ChosenProduct &p) {
            entry::PickedProduct picked;
            picked.品名 = p.品名;
            picked.単位 = p.単位;
            picked.単価 = p.単価;
            picked.非課税 = p.非課税;
            picked.ふりがな = p.ふりがな;
            picked.軽減税率 = p.軽減税率;
            // The product window stays in front for the next product.
            showInvoiceTab(false);
            m_invoice->takeProduct(picked);
        });
        connect(m_products.get(), &ProductWindow::productsChanged, m_productList, qOverload<>(&QTimer::start));
    }
    if (raiseOrShow(m_products.get()))
        m_products->Form_Load();
    return m_products.get();
}

CodeTableWindow *QLNV::showCodeTableWindow()
{
    if (!m_codes) {
        m_codes = std::make_unique<CodeTableWindow>();
        connect(m_codes.get(), &CodeTableWindow::codesChanged, m_invoice, &InvoiceTab::Readコード表);
    }
    // The window reads its category each time it is shown from hidden.
    raiseOrShow(m_codes.get());
    return m_codes.get();
}
