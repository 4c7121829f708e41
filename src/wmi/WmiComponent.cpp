#include "wmi/WmiComponent.h"

namespace tarnwick::wmi {

TWmiComponent::TWmiComponent(db::TComponent* owner)
    : TWmiAbstract(owner), FSystemInfo(std::make_unique<TAdsSystemInfo>()) {}

TWmiComponent::~TWmiComponent() {
    FSystemInfo.reset();
}

} // namespace tarnwick::wmi
