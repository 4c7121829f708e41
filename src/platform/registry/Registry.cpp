#include "platform/registry/Registry.h"

#include <cstdlib>

namespace tarnwick::registry {

std::string LocalMachineRegistryPath() {
    if (const char* file = std::getenv("TARNWICK_REGISTRY_FILE"); file && *file) return file;
    std::string base;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
        base = xdg;
    else if (const char* home = std::getenv("HOME"); home && *home)
        base = std::string(home) + "/.config";
    else
        base = ".config";
    return base + "/veltrano/registry.reg";
}

TRegistry::TRegistry(std::string filePath) : FConfiguredPath(std::move(filePath)) {}

TRegistry::~TRegistry() {
    try {
        CloseKey();
    } catch (const ERegistryException&) {
        // Nothing can report it here; callers that care call CloseKey themselves.
    }
}

void TRegistry::SetRootKey(TRootKey root) {
    if (root == FRootKey) return;
    CloseKey();
    FRootKey = root;
}

WideString TRegistry::RootName() const {
    return FRootKey == TRootKey::LocalMachine ? u"HKEY_LOCAL_MACHINE" : u"HKEY_CURRENT_USER";
}

bool TRegistry::OpenKey(const WideString& key, bool canCreate) {
    CloseKey();
    FFilePath = FConfiguredPath.empty() ? LocalMachineRegistryPath() : FConfiguredPath;
    FFile = TRegistryFile::Load(FFilePath);
    WideString relative = key;
    while (!relative.empty() && relative.front() == u'\\')
        relative.erase(0, 1);
    while (!relative.empty() && relative.back() == u'\\')
        relative.pop_back();
    FKeyPath = relative.empty() ? RootName() : RootName() + u"\\" + relative;
    if (!FFile.FindKey(FKeyPath)) {
        if (!canCreate) return false;
        FFile.CreateKey(FKeyPath);
        FDirty = true;
    }
    FKeyOpen = true;
    return true;
}

void TRegistry::CloseKey() {
    if (!FKeyOpen) return;
    FKeyOpen = false;
    if (FDirty) {
        FDirty = false;
        FFile.Save(FFilePath);
    }
}

TRegKey& TRegistry::Key() {
    if (!FKeyOpen) throw ERegistryException(u"No registry key is open");
    return FFile.CreateKey(FKeyPath);
}

const TRegKey* TRegistry::KeyOrNull() const {
    return FKeyOpen ? const_cast<TRegistryFile&>(FFile).FindKey(FKeyPath) : nullptr;
}

bool TRegistry::ValueExists(const WideString& name) const {
    const TRegKey* key = KeyOrNull();
    return key && key->FindValue(name);
}

std::optional<TRegDataType> TRegistry::GetDataType(const WideString& name) const {
    const TRegKey* key = KeyOrNull();
    const TRegValue* value = key ? key->FindValue(name) : nullptr;
    if (!value) return std::nullopt;
    return value->Type;
}

const TRegValue& TRegistry::ValueOfType(const WideString& name, TRegDataType type) const {
    const TRegKey* key = KeyOrNull();
    const TRegValue* value = key ? key->FindValue(name) : nullptr;
    if (!value || value->Type != type) throw ERegistryException(u"Invalid data type for '" + name + u"'");
    return *value;
}

std::int32_t TRegistry::ReadInteger(const WideString& name) const {
    return ValueOfType(name, TRegDataType::Integer).Integer;
}

bool TRegistry::ReadBool(const WideString& name) const {
    return ReadInteger(name) != 0;
}

WideString TRegistry::ReadString(const WideString& name) const {
    if (!ValueExists(name)) return {};
    return ValueOfType(name, TRegDataType::String).Text;
}

void TRegistry::WriteInteger(const WideString& name, std::int32_t value) {
    TRegKey& key = Key();
    TRegValue* v = key.FindValue(name);
    if (!v) {
        key.Values.push_back(TRegValue{name, TRegDataType::Integer, {}, value, {}});
    } else {
        v->Type = TRegDataType::Integer;
        v->Integer = value;
        v->Text.clear();
        v->Raw.clear();
    }
    FDirty = true;
}

void TRegistry::WriteBool(const WideString& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TRegistry::WriteString(const WideString& name, const WideString& value) {
    TRegKey& key = Key();
    TRegValue* v = key.FindValue(name);
    if (!v) {
        key.Values.push_back(TRegValue{name, TRegDataType::String, value, 0, {}});
    } else {
        v->Type = TRegDataType::String;
        v->Text = value;
        v->Integer = 0;
        v->Raw.clear();
    }
    FDirty = true;
}

} // namespace tarnwick::registry
