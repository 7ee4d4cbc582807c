#pragma once
// The "data controls" of the grid's drop-downs: the work tables w商品参照, w単位参照 and
// w入数参照, read only, in the order their rows were filled.
#include "app/Formats.h"

#include <QSqlTableModel>

class WorkListModel : public QSqlTableModel
{
    Q_OBJECT
public:
    WorkListModel(const QString &table, const QSqlDatabase &work, QObject *parent = nullptr);

    // Reads the whole table again; every row is fetched, so no statement stays open.
    bool reload();

    Qt::ItemFlags flags(const QModelIndex &index) const override;

protected:
    QString selectStatement() const override;
};

// w商品参照 as the product drop-down shows it: 品名, 入数, 単位, 単価 with their captions and
// alignments, the unit price in the grid's form; 非課税, ふりがな and 軽減税率 are there but not shown.
class ProductListModel : public WorkListModel
{
    Q_OBJECT
public:
    enum Column { Col品名 = 0, Col入数, Col単位, Col単価, Col非課税, Colふりがな, Col軽減税率 };

    explicit ProductListModel(const QSqlDatabase &work, QObject *parent = nullptr);

    void setPriceFormat(formats::NumberFormat format) { m_priceFormat = format; }
    // The captions "品　　名", the pack-size title, "単位", "単 価".
    void setPackSizeTitle(const QString &title);

    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

private:
    formats::NumberFormat m_priceFormat = formats::NumberFormat::Grouped;
};
