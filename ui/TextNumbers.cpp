#include "ui/TextNumbers.h"

#include <cctype>
#include <cerrno>
#include <climits>
#include <cmath>
#include <cstdlib>

std::optional<int> LeadingInt(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    errno = 0;
    const long long value = std::strtoll(bytes.constData(), nullptr, 10);
    if (errno == ERANGE || value < INT_MIN || value > INT_MAX)
        return std::nullopt;
    return static_cast<int>(value);
}

std::optional<float> LeadingFloat(const QString& text)
{
    const QByteArray bytes = text.toLatin1();
    const char* start = bytes.constData();
    while (*start == ' ' || *start == '\t')
        ++start;
    // Only plain decimals count: strtod would also take "inf", "nan" and hexadecimal forms.
    const char* digits = (*start == '+' || *start == '-') ? start + 1 : start;
    if (!(std::isdigit(static_cast<unsigned char>(*digits)) ||
          (*digits == '.' && std::isdigit(static_cast<unsigned char>(digits[1])))))
        return 0.0f;
    if (digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X'))
        return 0.0f;  // the decimal read stops at the x
    const float value = static_cast<float>(std::strtod(start, nullptr));
    if (!std::isfinite(value))
        return std::nullopt;
    return value;
}
