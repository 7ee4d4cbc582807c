#pragma once
// A box that shows an amount of whole yen with thousands separators ("#,##0"), or nothing for
// an empty (Null) amount. The program fills it; the user reads it.
#include <QLineEdit>
#include <QtGlobal>

#include <optional>

class AmountBox : public QLineEdit
{
    Q_OBJECT
public:
    explicit AmountBox(QWidget *parent = nullptr);

    std::optional<qint64> value() const { return m_value; }
    void setValue(std::optional<qint64> value);
    void clear() { setValue(std::nullopt); }

signals:
    void valueChanged(std::optional<qint64> value);

private:
    std::optional<qint64> m_value;
};
