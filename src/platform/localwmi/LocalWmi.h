#pragma once
// The local computer as a WMI source on a platform without the WMI scripting
// objects: RegisterLocalWmi puts our locator (CLSID_SWbemLocator) and named value
// set (CLSID_SWbemNamedValueSet) into the class registry, so CoCreateInstance
// yields them and the connection, the dataset and the window take their real paths.
//
// Where errors surface:
//   ConnectServer  0x80070032 for a server that is not this computer (with the
//                  system's text as error info), 0x80041064 for a user, password or
//                  authority on a local connection, 0x8004100E for a namespace other
//                  than root or root\cimv2 (either slash, case ignored).
//   ExecQuery      0x80041018 (language), 0x80041017 (syntax, unknown property,
//                  hostile text), 0x80041010 (unknown class), 0x80041001 (a provider
//                  failed) — with or without wbemFlagReturnImmediately.
//   Next           never fails: S_OK with one object per row, then S_FALSE.
//   Get            0x8004103A (malformed path), 0x80041002 (no such class/instance).
//   Put_, Delete_  0x80041024.

#include "platform/com/WideString.h"

namespace tarnwick::localwmi {

void RegisterLocalWmi();

// This computer's name as WMI paths and CSName carry it (the host name's first
// label in upper case), and whether a server text names this computer: empty, ".",
// "localhost", "127.0.0.1", "::1" or the host name (full or first label), case ignored.
WideString LocalComputerName();
bool IsLocalServer(WideStringView server);

} // namespace tarnwick::localwmi
