#pragma once
// The window's eleven settings under HKEY_LOCAL_MACHINE\Software\Veltrano\Tarnwick.
// The password, the calculation base and the grid check box are never stored.

#include "platform/com/WideString.h"

#include <optional>
#include <vector>

namespace tarnwick::registry {
class TRegistry;
}

namespace tarnwick::app {

inline constexpr char16_t SettingsKey[] = u"\\Software\\Veltrano\\Tarnwick";

// One field per value, in the order they are read and written; empty when absent.
struct TWindowSettings {
    std::optional<int> Selection;    // preset index, -1 to 6
    std::optional<WideString> Query; // memo text
    std::optional<WideString> Domain;
    std::optional<WideString> Host;
    std::optional<WideString> User;
    std::optional<WideString> Domainprefix;
    std::optional<WideString> Namespace;
    std::optional<int> WsmanPort;
    std::optional<bool> WsmanSsl;
    std::optional<int> EnforeceKerberos; // index of the authentication drop-down
    std::optional<bool> UseWSMan;
};

struct TSettingsReadResult {
    TWindowSettings Values;
    // One line per value that could not be read (and went on without it), or the one
    // error of a store that could not be opened at all.
    std::vector<WideString> Errors;
    // The store could not be read (damaged): the window keeps its design defaults and
    // must not write over the store when it closes.
    bool StoreUnreadable = false;
};

// Opens the key (creating it), reads every value that exists, closes the key.
TSettingsReadResult ReadWindowSettings(registry::TRegistry& reg);
// Writes every value of `values` that is set, in order. Throws ERegistryException.
void WriteWindowSettings(registry::TRegistry& reg, const TWindowSettings& values);

} // namespace tarnwick::app
