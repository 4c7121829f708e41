#include "db/CustomConnection.h"

namespace tarnwick::db {

TCustomConnection::TCustomConnection(TComponent* owner) : TComponent(owner) {}

TCustomConnection::~TCustomConnection() = default;

void TCustomConnection::SetConnected(bool value) {
    if (value == GetConnected()) return;
    if (value) {
        if (BeforeConnect) BeforeConnect(*this);
        DoConnect();
        if (AfterConnect) AfterConnect(*this);
    } else {
        bool notify = !Destroying();
        if (notify && BeforeDisconnect) BeforeDisconnect(*this);
        DoDisconnect();
        if (notify && AfterDisconnect) AfterDisconnect(*this);
    }
}

} // namespace tarnwick::db
