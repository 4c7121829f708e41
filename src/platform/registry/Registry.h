#pragma once
// TRegistry: typed values under a root key, opened by path. On Windows this is the
// system registry; here the local-machine hive is a .reg text file (RegistryFile.h) at
// $TARNWICK_REGISTRY_FILE, else $XDG_CONFIG_HOME/veltrano/registry.reg, else
// ~/.config/veltrano/registry.reg.
//
// Guarantees of every implementation:
// - OpenKey/ValueExists/Read* never change the store; Write* change only the open key.
// - Read* of a missing value or of a value of another type throws ERegistryException
//   ("Invalid data type for 'Name'"); ReadString of a missing value gives "".
// - Written values reach the store at CloseKey (and at destruction); a store is never
//   left half-written.

#include "platform/registry/RegistryFile.h"

#include <optional>
#include <string>

namespace tarnwick::registry {

enum class TRootKey { LocalMachine, CurrentUser };

// Where the local-machine hive's file lives (see above).
std::string LocalMachineRegistryPath();

class TRegistry {
public:
    // `filePath` empty: LocalMachineRegistryPath() at the moment a key is opened.
    explicit TRegistry(std::string filePath = {});
    ~TRegistry(); // closes the key; a failing write is dropped here, so call CloseKey first
    TRegistry(const TRegistry&) = delete;
    TRegistry& operator=(const TRegistry&) = delete;

    TRootKey RootKey() const { return FRootKey; }
    void SetRootKey(TRootKey root);

    // Opens `key` ("\Software\Veltrano\Tarnwick": the leading backslash is optional),
    // creating it when `canCreate`. Returns false when it is missing and may not be
    // created. Throws ERegistryException when the store cannot be read or is damaged.
    bool OpenKey(const WideString& key, bool canCreate);
    // Writes the changes (throws ERegistryException when that fails) and closes the key.
    void CloseKey();
    bool KeyOpen() const { return FKeyOpen; }
    const std::string& FilePath() const { return FFilePath; }

    bool ValueExists(const WideString& name) const;
    std::optional<TRegDataType> GetDataType(const WideString& name) const;
    std::int32_t ReadInteger(const WideString& name) const;
    bool ReadBool(const WideString& name) const; // an integer, true when not 0
    WideString ReadString(const WideString& name) const;
    void WriteInteger(const WideString& name, std::int32_t value);
    void WriteBool(const WideString& name, bool value); // 1 or 0
    void WriteString(const WideString& name, const WideString& value);

private:
    const TRegValue& ValueOfType(const WideString& name, TRegDataType type) const;
    TRegKey& Key();
    const TRegKey* KeyOrNull() const;
    WideString RootName() const;

    std::string FConfiguredPath;
    std::string FFilePath;
    TRootKey FRootKey = TRootKey::CurrentUser;
    TRegistryFile FFile;
    WideString FKeyPath;
    bool FKeyOpen = false;
    bool FDirty = false;
};

} // namespace tarnwick::registry
