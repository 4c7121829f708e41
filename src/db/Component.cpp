#include "db/Component.h"

#include <algorithm>

namespace tarnwick::db {

namespace {
void Erase(std::vector<TComponent*>& list, TComponent* item) {
    list.erase(std::remove(list.begin(), list.end(), item), list.end());
}
} // namespace

TComponent::TComponent(TComponent* owner) : FOwner(owner) {
    if (FOwner) FOwner->FComponents.push_back(this);
}

TComponent::~TComponent() {
    FDestroying = true;
    NotifyLinksOfRemoval();
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

void TComponent::FreeNotification(TComponent* other) {
    if (!other || other == this) return;
    if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), other) == FFreeNotifies.end())
        FFreeNotifies.push_back(other);
    if (std::find(other->FFreeNotifies.begin(), other->FFreeNotifies.end(), this) ==
        other->FFreeNotifies.end())
        other->FFreeNotifies.push_back(this);
}

void TComponent::RemoveFreeNotification(TComponent* other) {
    if (!other) return;
    Erase(FFreeNotifies, other);
    Erase(other->FFreeNotifies, this);
}

void TComponent::Notification(TComponent*, TOperation) {}

void TComponent::NotifyLinksOfRemoval() {
    // A handler may unlink others; take one link at a time.
    while (!FFreeNotifies.empty()) {
        TComponent* other = FFreeNotifies.back();
        FFreeNotifies.pop_back();
        Erase(other->FFreeNotifies, this);
        other->Notification(this, TOperation::opRemove);
    }
}

} // namespace tarnwick::db
