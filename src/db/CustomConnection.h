#pragma once
// TCustomConnection: the dataset framework's connection. Connected/Open/Close with
// the four notifications; a derived class supplies DoConnect, DoDisconnect and
// GetConnected. Datasets that use the connection register with it.

#include "db/Component.h"

#include <functional>

namespace tarnwick::db {

class TCustomConnection;
using TConnectionNotify = std::function<void(TCustomConnection& sender)>;

class TCustomConnection : public TComponent {
public:
    explicit TCustomConnection(TComponent* owner = nullptr);
    ~TCustomConnection() override;

    bool Connected() { return GetConnected(); }
    // true: when not connected, BeforeConnect, DoConnect, AfterConnect.
    // false: when connected, BeforeDisconnect, DoDisconnect, AfterDisconnect; the
    // notifications are skipped while the connection is being destroyed.
    // A failing DoConnect propagates; AfterConnect is not fired.
    virtual void SetConnected(bool value);
    void Open() { SetConnected(true); }
    void Close() { SetConnected(false); }

    TConnectionNotify BeforeConnect, AfterConnect, BeforeDisconnect, AfterDisconnect;

protected:
    virtual void DoConnect() {}
    virtual void DoDisconnect() {}
    virtual bool GetConnected() { return false; }
};

} // namespace tarnwick::db
