#pragma once
// TVelRegistryAccess: the registry access object of TVelRegistry's registry mode. On
// this platform it works on the local-machine stand-in of platform/registry (the .reg
// file that the window's settings use too), reading the file at every operation and
// writing it at every change, as the registry itself is live.
//
// Guarantees (those of a registry access object):
// - A key path that begins with a backslash is taken from the root key; any other is
//   taken below the open key when one is open. Trailing backslashes are ignored. Keys
//   and value names compare without regard to ASCII case.
// - Opens answer false when the key is missing and may not be created, or when the
//   store cannot be read or written; they never throw.
// - Typed reads of a missing or mistyped value throw ERegistryException ("Invalid
//   data type for 'Name'"); ReadString of a missing value gives the empty text.
//   Dates and date-times are 8-byte binary values holding the TDateTime.
// - Writes throw ERegistryException when no key is open or the store cannot be written.

#include "platform/com/DateTime.h"
#include "platform/registry/RegistryFile.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::support {

inline constexpr std::uint32_t HKEY_CLASSES_ROOT = 0x80000000u;
inline constexpr std::uint32_t HKEY_CURRENT_USER = 0x80000001u;
inline constexpr std::uint32_t HKEY_LOCAL_MACHINE = 0x80000002u;
inline constexpr std::uint32_t HKEY_USERS = 0x80000003u;
inline constexpr std::uint32_t HKEY_CURRENT_CONFIG = 0x80000005u;
inline constexpr std::uint32_t KEY_READ = 0x20019u;
inline constexpr std::uint32_t KEY_ALL_ACCESS = 0xF003Fu;

class TVelRegistryAccess {
public:
    // `filePath` empty: registry::LocalMachineRegistryPath() at each operation.
    explicit TVelRegistryAccess(std::uint32_t access, std::string filePath = {});

    std::uint32_t Access() const { return FAccess; }
    std::uint32_t RootKey() const { return FRootKey; }
    void SetRootKey(std::uint32_t rootKey); // closes the open key
    const WideString& CurrentPath() const { return FCurrentPath; }
    bool KeyOpen() const { return FKeyOpen; }

    bool OpenKey(const WideString& key, bool canCreate);
    bool OpenKeyReadOnly(const WideString& key);
    void CloseKey();
    bool CreateKey(const WideString& key);
    bool KeyExists(const WideString& key) const;
    bool DeleteKey(const WideString& key); // with all its subkeys
    bool ValueExists(const WideString& name) const;
    bool DeleteValue(const WideString& name);
    // Replace the list's contents: the subkeys / the value names of the open key.
    void GetKeyNames(std::vector<WideString>& list) const;
    void GetValueNames(std::vector<WideString>& list) const;

    WideString ReadString(const WideString& name) const; // text and expandable text
    std::int32_t ReadInteger(const WideString& name) const;
    bool ReadBool(const WideString& name) const;
    TDateTime ReadDate(const WideString& name) const;
    TDateTime ReadDateTime(const WideString& name) const;
    void WriteString(const WideString& name, const WideString& value);
    void WriteInteger(const WideString& name, std::int32_t value);
    void WriteBool(const WideString& name, bool value);
    void WriteDate(const WideString& name, TDateTime value);
    void WriteDateTime(const WideString& name, TDateTime value);

private:
    std::string FilePath() const;
    WideString RootName() const;
    WideString FullPath(const WideString& key) const; // "" for an unknown root key
    registry::TRegistryFile Load() const;
    const registry::TRegValue* FindValue(const registry::TRegistryFile& file, const WideString& name) const;
    const registry::TRegValue& ValueOfType(const registry::TRegistryFile& file, const WideString& name,
                                           registry::TRegDataType type) const;
    void Store(const WideString& name, registry::TRegValue value);

    std::uint32_t FAccess;
    std::string FFilePath;
    std::uint32_t FRootKey = HKEY_CURRENT_USER;
    WideString FCurrentPath; // below the root, without leading or trailing backslash
    bool FKeyOpen = false;
    bool FReadOnly = false;
};

} // namespace tarnwick::support
