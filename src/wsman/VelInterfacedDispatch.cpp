#include "wsman/VelInterfacedDispatch.h"

namespace tarnwick::wsman {

void NotImplemented(const char16_t* operation) {
    throw Exception(WideString(operation) + u" not implemented");
}

void CheckSingleFetch(com::ULONG celt) {
    if (celt != 1) throw Exception(u"celt <> 1. We only support 1.");
}

} // namespace tarnwick::wsman
