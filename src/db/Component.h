#pragma once
// TComponent: an object that may have an owner. The owner destroys the components
// it owns when it is destroyed; a component without owner belongs to whoever made it.

#include <vector>

namespace tarnwick::db {

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

protected:
    // Derived destructors call this first so that overridden behaviour sees the flag.
    void BeginDestroy() { FDestroying = true; }

private:
    TComponent* FOwner;
    std::vector<TComponent*> FComponents;
    bool FDestroying = false;
};

} // namespace tarnwick::db
