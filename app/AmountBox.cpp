#include "app/AmountBox.h"

#include "app/Formats.h"

AmountBox::AmountBox(QWidget *parent)
    : QLineEdit(parent)
{
    setReadOnly(true);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setFocusPolicy(Qt::NoFocus);
}

void AmountBox::setValue(std::optional<qint64> value)
{
    if (value == m_value)
        return;
    m_value = value;
    setText(value ? formats::formatNumber(*value, formats::NumberFormat::GroupedZero) : QString());
    emit valueChanged(value);
}
