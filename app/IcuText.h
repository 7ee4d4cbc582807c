#pragma once
// Passing text between Qt and ICU; both hold UTF-16, so nothing is converted.
// Only for the .cpp files of this folder: ICU is not part of the folder's public interface.
#include <QString>

#include <unicode/unistr.h>

inline icu::UnicodeString toIcu(const QString &text)
{
    return icu::UnicodeString(reinterpret_cast<const UChar *>(text.utf16()), int32_t(text.size()));
}

inline QString fromIcu(const icu::UnicodeString &text)
{
    return QString(reinterpret_cast<const QChar *>(text.getBuffer()), text.length());
}
