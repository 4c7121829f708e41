#pragma once
// TComponent: an object that may have an owner. The owner destroys the components
// it owns when it is destroyed; a component without owner belongs to whoever made it.
//
// Free notification: two components that refer to each other without owning
// (a dataset and its connection) call FreeNotification; whichever is destroyed
// first tells the other through Notification(itself, opRemove), so neither keeps a
// dangling reference. The link is dropped on both sides at that moment.

#include <vector>

namespace tarnwick::db {

enum class TOperation { opInsert, opRemove };

class TComponent {
public:
    explicit TComponent(TComponent* owner = nullptr);
    virtual ~TComponent();
    TComponent(const TComponent&) = delete;
    TComponent& operator=(const TComponent&) = delete;

    TComponent* Owner() const { return FOwner; }
    // True while the destructor runs (notifications are skipped then).
    bool Destroying() const { return FDestroying; }
    // Takes the component out of this owner's care (it is then the caller's).
    void RemoveComponent(TComponent* component);

    // Links this component and `other` both ways (idempotent).
    void FreeNotification(TComponent* other);
    // Drops the link both ways (a no-op when there is none).
    void RemoveFreeNotification(TComponent* other);

protected:
    // Derived destructors call this first so that overridden behaviour sees the flag.
    void BeginDestroy() { FDestroying = true; }
    // Called when a linked component is about to go away (opRemove). The component is
    // already partly destroyed: compare its address, do not call it.
    virtual void Notification(TComponent* component, TOperation operation);

private:
    void NotifyLinksOfRemoval();

    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
    std::vector<TComponent*> FFreeNotifies;
    bool FDestroying = false;
};

} // namespace tarnwick::db
