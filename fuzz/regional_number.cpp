// The regional number reader under a comma and a point locale: any text either is no
// number or reads as one whose "00.00" form and general text read back as numbers again
// (the general text as the very same value).
#include "platform/Regional.h"
#include <cmath>
#include <cstdint>
#include <cstdlib>

using quendarx::Regional;

namespace {

void check(const QString& text, const QLocale& locale) {
    Regional::setLocale(locale);
    const std::optional<double> value = Regional::readNumber(text);
    (void)Regional::formatText(text, QStringLiteral("00.00"));
    (void)Regional::isDate(text);
    if (!value || !std::isfinite(*value) || std::fabs(*value) > 1e15)
        return;
    const QString general = Regional::generalNumber(*value);
    const std::optional<double> again = Regional::readNumber(general);
    if (!again || *again != *value)
        std::abort();
    if (!Regional::readNumber(Regional::format(*value, QStringLiteral("00.00"))))
        std::abort();
    if (!Regional::readNumber(Regional::format(*value, QStringLiteral("00.0000"))))
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    check(text, QLocale(QLocale::Spanish, QLocale::Argentina));
    check(text, QLocale(QLocale::English, QLocale::UnitedStates));
    return 0;
}
