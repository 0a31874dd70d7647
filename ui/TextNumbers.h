// Reads the leading number of an edit's text, the way the dialog's edits are read: leading
// blanks, an optional sign, then the number; what follows is ignored.
#pragma once

#include <QString>
#include <optional>

// The leading decimal integer; 0 when the text starts with none. Values beyond 32 bits give
// nullopt so that no range check can be fooled by wrap-around.
std::optional<int> LeadingInt(const QString& text);

// The leading decimal number rounded to single precision; 0 when there is none, nullopt when
// it is not finite (inf, nan, or too large for a float).
std::optional<float> LeadingFloat(const QString& text);
