#include "db/Component.h"

#include <algorithm>

namespace tarnwick::db {

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
    if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    // Owned components go first, newest first.
    while (!FComponents.empty()) {
        TComponent* child = FComponents.back();
        FComponents.pop_back();
        child->FOwner = nullptr;
        delete child;
    }
    if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::RemoveComponent(TComponent* component) {
    auto it = std::find(FComponents.begin(), FComponents.end(), component);
    if (it != FComponents.end()) {
        FComponents.erase(it);
        component->FOwner = nullptr;
    }
}

} // namespace tarnwick::db
