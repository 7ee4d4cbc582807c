#pragma once
// Keeps a number box to a plain decimal number within a range. Full-width digits and signs
// typed with the Japanese input method are turned into ASCII as they are typed, so the box
// always holds what the program can read back. An empty box is accepted: the owner decides
// what it means.
#include <QValidator>

namespace settings {

class NumberBoxValidator : public QValidator
{
public:
    NumberBoxValidator(double minimum, double maximum, int decimals, QObject *parent = nullptr);

    State validate(QString &input, int &pos) const override;

private:
    double m_minimum;
    double m_maximum;
    int m_decimals;
};

} // namespace settings
