#include "app/cli/ByteOffset.h"

#include <algorithm>

namespace kestova::cli {

std::optional<int64_t> parseByteOffset(const QString &text)
{
    int base = 10;
    QStringView digits(text);
    if (digits.startsWith(u'$')) {
        base = 16;
        digits = digits.mid(1);
    } else if (digits.startsWith(u"0x", Qt::CaseInsensitive)) {
        base = 16;
        digits = digits.mid(2);
    }
    const auto isDigit = [base](QChar c) {
        return (c >= u'0' && c <= u'9') || (base == 16 && ((c >= u'a' && c <= u'f') || (c >= u'A' && c <= u'F')));
    };
    if (digits.isEmpty() || digits.size() > 16 || !std::all_of(digits.begin(), digits.end(), isDigit))
        return std::nullopt;
    bool ok = false;
    const qulonglong value = digits.toULongLong(&ok, base);
    if (!ok || value > qulonglong(maximumByteOffset))
        return std::nullopt;
    return int64_t(value);
}

} // namespace kestova::cli
