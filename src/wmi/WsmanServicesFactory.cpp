#include "wmi/WsmanServicesFactory.h"

namespace tarnwick::wmi {
namespace {
TWsmanServicesFactory& Slot() {
    static TWsmanServicesFactory factory;
    return factory;
}
} // namespace

void SetWsmanServicesFactory(TWsmanServicesFactory factory) {
    Slot() = std::move(factory);
}
const TWsmanServicesFactory& WsmanServicesFactory() {
    return Slot();
}

} // namespace tarnwick::wmi
