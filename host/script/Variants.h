#pragma once
// Reading what the library hands back through the automation interface: result values
// and record sets, as the transcript writes them. The BSTR and VARIANT helpers of the
// loaded library are passed in, so the memory goes back to the allocator that made it.
#include "quendarx/automation.h"
#include <QString>
#include <QStringList>

namespace quendarx::host {

struct ComRuntime {
    com::BSTR (*sysAllocString)(const char*) = nullptr;
    void (*sysFreeString)(com::BSTR) = nullptr;
    void (*variantInit)(com::VARIANT*) = nullptr;
    com::HRESULT (*variantClear)(com::VARIANT*) = nullptr;
};

// "YYYY-MM-DD HH:MM:SS" of an automation date (days since 1899-12-30; for dates before
// it the whole part counts back and the fraction is still the time of day).
QString automationDateText(double date);

// A value as JSON: null for empty and null, numbers, true/false, strings, dates as
// "YYYY-MM-DD HH:MM:SS". By-reference values are followed.
QString variantJson(const com::VARIANT& value);

// The text after `RESULT VAR.MEMBER`: "True"/"False" for a Boolean, "" for no result,
// otherwise the value's JSON.
QString resultText(const com::VARIANT& value);

// The RS lines (without the "RS " prefix) of a record set reference: "nothing" for an
// empty reference, else the column names and one array per row.
QStringList recordsetLines(com::IDispatch* recordset, const ComRuntime& runtime);

} // namespace quendarx::host
