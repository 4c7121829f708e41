#include "support/VelRegistryAccess.h"

#include "platform/registry/Registry.h"

#include <cstring>

namespace tarnwick::support {

using registry::ERegistryException;
using registry::TRegDataType;
using registry::TRegistryFile;
using registry::TRegKey;
using registry::TRegValue;

namespace {

WideString StripBackslashes(WideStringView key) {
    while (!key.empty() && key.front() == u'\\')
        key.remove_prefix(1);
    while (!key.empty() && key.back() == u'\\')
        key.remove_suffix(1);
    return WideString(key);
}

// Whether `path` is `key` or lies below it.
bool IsAtOrBelow(WideStringView path, WideStringView key) {
    if (path.size() < key.size() || !SameText(path.substr(0, key.size()), key)) return false;
    return path.size() == key.size() || path[key.size()] == u'\\';
}

std::vector<std::uint8_t> DoubleBytes(double value) {
    std::vector<std::uint8_t> bytes(sizeof value);
    std::memcpy(bytes.data(), &value, sizeof value);
    return bytes;
}

WideString TextOfUtf16Bytes(const std::vector<std::uint8_t>& raw) {
    WideString text;
    for (std::size_t i = 0; i + 1 < raw.size(); i += 2)
        text.push_back(char16_t(raw[i] | (raw[i + 1] << 8)));
    while (!text.empty() && text.back() == u'\0')
        text.pop_back();
    return text;
}

} // namespace

TVelRegistryAccess::TVelRegistryAccess(std::uint32_t access, std::string filePath)
    : FAccess(access), FFilePath(std::move(filePath)) {}

std::string TVelRegistryAccess::FilePath() const {
    return FFilePath.empty() ? registry::LocalMachineRegistryPath() : FFilePath;
}

void TVelRegistryAccess::SetRootKey(std::uint32_t rootKey) {
    CloseKey();
    FRootKey = rootKey;
}

WideString TVelRegistryAccess::RootName() const {
    switch (FRootKey) {
    case HKEY_CLASSES_ROOT:
        return u"HKEY_CLASSES_ROOT";
    case HKEY_CURRENT_USER:
        return u"HKEY_CURRENT_USER";
    case HKEY_LOCAL_MACHINE:
        return u"HKEY_LOCAL_MACHINE";
    case HKEY_USERS:
        return u"HKEY_USERS";
    case HKEY_CURRENT_CONFIG:
        return u"HKEY_CURRENT_CONFIG";
    default:
        return {};
    }
}

WideString TVelRegistryAccess::FullPath(const WideString& key) const {
    WideString root = RootName();
    if (root.empty()) return {};
    WideString relative = StripBackslashes(key);
    if (FKeyOpen && !FCurrentPath.empty() && !(key.starts_with(u"\\")))
        relative = relative.empty() ? FCurrentPath : FCurrentPath + u"\\" + relative;
    return relative.empty() ? root : root + u"\\" + relative;
}

TRegistryFile TVelRegistryAccess::Load() const {
    return TRegistryFile::Load(FilePath());
}

bool TVelRegistryAccess::OpenKey(const WideString& key, bool canCreate) {
    WideString full = FullPath(key);
    if (full.empty()) return false;
    try {
        TRegistryFile file = Load();
        if (!KeyExists(key)) {
            if (!canCreate) return false;
            file.CreateKey(full);
            file.Save(FilePath());
        }
    } catch (const ERegistryException&) {
        return false;
    }
    WideString root = RootName();
    FCurrentPath = full.size() > root.size() ? full.substr(root.size() + 1) : WideString();
    FKeyOpen = true;
    FReadOnly = false;
    return true;
}

bool TVelRegistryAccess::OpenKeyReadOnly(const WideString& key) {
    if (!OpenKey(key, false)) return false;
    FReadOnly = true;
    return true;
}

void TVelRegistryAccess::CloseKey() {
    FKeyOpen = false;
    FReadOnly = false;
    FCurrentPath.clear();
}

bool TVelRegistryAccess::CreateKey(const WideString& key) {
    WideString full = FullPath(key);
    if (full.empty()) return false;
    try {
        TRegistryFile file = Load();
        if (!file.FindKey(full)) {
            file.CreateKey(full);
            file.Save(FilePath());
        }
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

bool TVelRegistryAccess::KeyExists(const WideString& key) const {
    WideString full = FullPath(key);
    if (full.empty()) return false;
    try {
        TRegistryFile file = Load();
        for (const TRegKey& k : file.Keys())
            if (IsAtOrBelow(k.Path, full)) return true; // parents of a stored key exist too
    } catch (const ERegistryException&) {
    }
    return false;
}

bool TVelRegistryAccess::DeleteKey(const WideString& key) {
    WideString full = FullPath(key);
    if (full.empty() || SameText(full, RootName())) return false;
    try {
        TRegistryFile file = Load();
        TRegistryFile kept;
        bool found = false;
        for (const TRegKey& k : file.Keys()) {
            if (IsAtOrBelow(k.Path, full)) {
                found = true;
                continue;
            }
            kept.CreateKey(k.Path).Values = k.Values;
        }
        if (!found) return false;
        kept.Save(FilePath());
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

const TRegValue* TVelRegistryAccess::FindValue(const TRegistryFile& file, const WideString& name) const {
    if (!FKeyOpen) return nullptr;
    WideString full = FCurrentPath.empty() ? RootName() : RootName() + u"\\" + FCurrentPath;
    const TRegKey* key = const_cast<TRegistryFile&>(file).FindKey(full);
    return key ? key->FindValue(name) : nullptr;
}

bool TVelRegistryAccess::ValueExists(const WideString& name) const {
    try {
        return FindValue(Load(), name) != nullptr;
    } catch (const ERegistryException&) {
        return false;
    }
}

bool TVelRegistryAccess::DeleteValue(const WideString& name) {
    if (!FKeyOpen || FReadOnly) return false;
    try {
        TRegistryFile file = Load();
        TRegKey* key = file.FindKey(FCurrentPath.empty() ? RootName() : RootName() + u"\\" + FCurrentPath);
        if (!key) return false;
        if (std::erase_if(key->Values, [&](const TRegValue& v) { return SameText(v.Name, name); }) == 0)
            return false;
        file.Save(FilePath());
        return true;
    } catch (const ERegistryException&) {
        return false;
    }
}

void TVelRegistryAccess::GetKeyNames(std::vector<WideString>& list) const {
    list.clear();
    if (!FKeyOpen) return;
    WideString full = FCurrentPath.empty() ? RootName() : RootName() + u"\\" + FCurrentPath;
    TRegistryFile file = Load();
    for (const TRegKey& k : file.Keys()) {
        if (k.Path.size() <= full.size() || !IsAtOrBelow(k.Path, full)) continue;
        WideString child = k.Path.substr(full.size() + 1);
        child = child.substr(0, child.find(u'\\'));
        bool seen = false;
        for (const auto& name : list)
            seen = seen || SameText(name, child);
        if (!seen) list.push_back(child);
    }
}

void TVelRegistryAccess::GetValueNames(std::vector<WideString>& list) const {
    list.clear();
    if (!FKeyOpen) return;
    WideString full = FCurrentPath.empty() ? RootName() : RootName() + u"\\" + FCurrentPath;
    TRegistryFile file = Load();
    if (const TRegKey* key = file.FindKey(full))
        for (const TRegValue& v : key->Values)
            list.push_back(v.Name);
}

const TRegValue& TVelRegistryAccess::ValueOfType(const TRegistryFile& file, const WideString& name,
                                                 TRegDataType type) const {
    const TRegValue* value = FindValue(file, name);
    if (!value || value->Type != type ||
        (type == TRegDataType::Binary && value->Raw.size() != sizeof(double)))
        throw ERegistryException(u"Invalid data type for '" + name + u"'");
    return *value;
}

WideString TVelRegistryAccess::ReadString(const WideString& name) const {
    TRegistryFile file = Load();
    const TRegValue* value = FindValue(file, name);
    if (!value) return {};
    if (value->Type == TRegDataType::ExpandString) return TextOfUtf16Bytes(value->Raw);
    return ValueOfType(file, name, TRegDataType::String).Text;
}

std::int32_t TVelRegistryAccess::ReadInteger(const WideString& name) const {
    return ValueOfType(Load(), name, TRegDataType::Integer).Integer;
}

bool TVelRegistryAccess::ReadBool(const WideString& name) const {
    return ReadInteger(name) != 0;
}

TDateTime TVelRegistryAccess::ReadDateTime(const WideString& name) const {
    TRegistryFile file = Load();
    const TRegValue& value = ValueOfType(file, name, TRegDataType::Binary);
    double result = 0;
    std::memcpy(&result, value.Raw.data(), sizeof result);
    return result;
}

TDateTime TVelRegistryAccess::ReadDate(const WideString& name) const {
    return ReadDateTime(name);
}

void TVelRegistryAccess::Store(const WideString& name, TRegValue value) {
    if (!FKeyOpen) throw ERegistryException(u"No registry key is open");
    if (FReadOnly) throw ERegistryException(u"The registry key is open for reading only");
    TRegistryFile file = Load();
    WideString full = FCurrentPath.empty() ? RootName() : RootName() + u"\\" + FCurrentPath;
    TRegKey& key = file.CreateKey(full);
    value.Name = name;
    if (TRegValue* existing = key.FindValue(name)) {
        value.Name = existing->Name; // the spelling first written stays
        *existing = std::move(value);
    } else {
        key.Values.push_back(std::move(value));
    }
    file.Save(FilePath());
}

void TVelRegistryAccess::WriteString(const WideString& name, const WideString& value) {
    Store(name, TRegValue{{}, TRegDataType::String, value, 0, {}});
}

void TVelRegistryAccess::WriteInteger(const WideString& name, std::int32_t value) {
    Store(name, TRegValue{{}, TRegDataType::Integer, {}, value, {}});
}

void TVelRegistryAccess::WriteBool(const WideString& name, bool value) {
    WriteInteger(name, value ? 1 : 0);
}

void TVelRegistryAccess::WriteDate(const WideString& name, TDateTime value) {
    WriteDateTime(name, value);
}

void TVelRegistryAccess::WriteDateTime(const WideString& name, TDateTime value) {
    Store(name, TRegValue{{}, TRegDataType::Binary, {}, 0, DoubleBytes(value)});
}

} // namespace tarnwick::support
