// libFuzzer entry point for the WQL parser and evaluator: any bytes, read as
// UTF-16 code units, must parse or be refused with 0x80041017, never crash.
#include "platform/localwmi/Wql.h"
#include "platform/localwmi/WqlEval.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace tarnwick;
    WideString text;
    for (std::size_t i = 0; i + 1 < size; i += 2)
        text.push_back(static_cast<char16_t>(data[i] | (data[i + 1] << 8)));
    localwmi::TWqlQuery query;
    com::HRESULT hr = localwmi::ParseWql(text, query);
    if (hr != com::S_OK && hr != localwmi::WBEM_E_INVALID_QUERY) std::abort();
    if (hr == com::S_OK && query.Where) {
        localwmi::EvaluateCondition(*query.Where,
                                    [](WideStringView, com::TVariant& value, wmi::WbemCimtypeEnum& type) {
                                        value = com::TVariant(WideString(u"value"));
                                        type = wmi::wbemCimtypeString;
                                        return true;
                                    });
    }
    // LIKE on the text itself as both value and pattern.
    localwmi::WqlLike(text, text);
    return 0;
}
