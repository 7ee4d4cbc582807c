#pragma once
// GoogleTest prints QStrings as readable text in failure output. One definition, shared by
// every test helper header, so that a test may include more than one of them.
#include <QString>

#include <ostream>

inline void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}
