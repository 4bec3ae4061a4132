// The regional date reader: any text either is no date or reads as one whose
// "dd/mm/yyyy" form reads back (under the day-first locale) as the same day, and whose
// general date text reads back as the same moment.
#include "platform/Regional.h"
#include <cstdint>
#include <cstdlib>

using quendarx::Regional;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    Regional::setLocale(QLocale(QLocale::English, QLocale::UnitedStates));
    (void)Regional::readDate(text);
    (void)Regional::formatDateText(text, QStringLiteral("dd/mm/yyyy HH:MM:SS"));
    Regional::setLocale(QLocale(QLocale::Spanish, QLocale::Argentina));
    (void)Regional::formatDateText(text, QStringLiteral("dd/mm/yyyy"));
    const std::optional<QDateTime> value = Regional::readDate(text);
    if (!value)
        return 0;
    if (!value->isValid())
        std::abort();
    const std::optional<QDateTime> day = Regional::readDate(Regional::formatDate(*value, QStringLiteral("dd/mm/yyyy")));
    if (!day || day->date() != value->date())
        std::abort();
    const std::optional<QDateTime> moment = Regional::readDate(Regional::generalDate(*value));
    if (!moment || *moment != *value)
        std::abort();
    return 0;
}
