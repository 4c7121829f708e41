#include "support/VelRegistry.h"

#include "platform/registry/IniFile.h"
#include "support/VelSRWLock.h"

#include <filesystem>
#include <mutex>

namespace tarnwick::support {

using registry::ERegistryException;
using registry::TIniFile;

namespace {

#ifdef _WIN32
constexpr char16_t PathDelimiter = u'\\';
#else
constexpr char16_t PathDelimiter = u'/';
#endif

// The process-wide state, set by the probe and torn down by the shutdown.
struct TStoreState {
    std::mutex Mutex; // orders the probe and the shutdown
    bool Initialised = false;
    bool FileMode = false;
    std::string IniPath;
    std::unique_ptr<TIniFile> IniFile;
    std::unique_ptr<TVelSRWLock> Lock;
};

TStoreState& State() {
    static TStoreState state;
    return state;
}

// Whether `text` names a directory, creating it with its parents when it is missing.
bool EnsureDirectory(const WideString& text) {
    std::filesystem::path dir(ToUtf8(text));
    std::error_code ec;
    if (std::filesystem::is_directory(dir, ec)) return true;
    std::filesystem::create_directories(dir, ec);
    return std::filesystem::is_directory(dir, ec);
}

void RunProbe(TStoreState& state) {
    WideString regPath;
    bool available = false;
    {
        TVelRegistryAccess reg(KEY_ALL_ACCESS);
        reg.SetRootKey(HKEY_LOCAL_MACHINE);
        if (reg.OpenKey(u"\\software\\Veltrano\\", true) && reg.ValueExists(u"RegPath")) {
            try {
                regPath = reg.ReadString(u"RegPath");
                available = !Trim(regPath).empty() && EnsureDirectory(regPath);
            } catch (const ERegistryException&) {
                available = false; // not a text: file mode stays off
            }
        }
    }
    state.FileMode = available;
    if (available) {
        WideString path = regPath;
        if (path.back() != PathDelimiter) path.push_back(PathDelimiter);
        state.IniPath = ToUtf8(path + u"pod.reg");
        state.IniFile = std::make_unique<TIniFile>(state.IniPath);
        state.Lock = std::make_unique<TVelSRWLock>();
    }
    state.Initialised = true;
}

// An instance that outlives the shutdown finds no file: it fails rather than crashes.
TIniFile& Ini() {
    if (!State().IniFile) throw ERegistryException(u"The registry file was released at shutdown");
    return *State().IniFile;
}
TVelSRWLock& StoreLock() {
    if (!State().Lock) throw ERegistryException(u"The registry file was released at shutdown");
    return *State().Lock;
}

} // namespace

// ---- process-wide life -------------------------------------------------------------

void TVelRegistry::Startup() {
    TStoreState& state = State();
    std::lock_guard lock(state.Mutex);
    if (!state.Initialised) RunProbe(state);
}

void TVelRegistry::Shutdown() {
    static const WideString label = u"TVelRegistry.shutdown";
    TStoreState& state = State();
    std::lock_guard lock(state.Mutex);
    if (state.FileMode && state.IniFile && state.Lock) {
        state.Lock->WriteLock(label);
        std::unique_ptr<TIniFile> ini = std::move(state.IniFile);
        ini.reset();
        state.Lock->WriteUnlock(label);
        std::unique_ptr<TVelSRWLock> storeLock = std::move(state.Lock);
        storeLock.reset();
    }
    state.FileMode = false;
    state.IniPath.clear();
    state.Initialised = false;
}

bool TVelRegistry::FileModeAvailable() {
    TStoreState& state = State();
    std::lock_guard lock(state.Mutex);
    return state.FileMode;
}

std::string TVelRegistry::IniPath() {
    TStoreState& state = State();
    std::lock_guard lock(state.Mutex);
    return state.IniPath;
}

WideString TVelRegistry::SectionName(const WideString& aKey) {
    if (aKey.empty()) return u"root";
    static constexpr WideStringView wow = u"\\WoW6432Node";
    WideString result;
    std::size_t pos = 0;
    for (std::size_t hit; (hit = FindText(aKey, wow, pos)) != WideString::npos; pos = hit + wow.size())
        result.append(aKey, pos, hit - pos);
    result.append(aKey, pos);
    return result;
}

// ---- instances -----------------------------------------------------------------------

TVelRegistry::TVelRegistry(bool aForceRegistryMode) : TVelRegistry(KEY_ALL_ACCESS, aForceRegistryMode) {}

TVelRegistry::TVelRegistry(std::uint32_t aAccess, bool aForceRegistryMode) {
    Startup();
    FFileMode = FileModeAvailable() && !aForceRegistryMode;
    if (!FFileMode) {
        FReg = std::make_unique<TVelRegistryAccess>(aAccess);
        FReg->SetRootKey(HKEY_LOCAL_MACHINE);
    }
}

TVelRegistry::~TVelRegistry() {
    try {
        Flush();
    } catch (const ERegistryException&) {
        // Nothing can report it here; callers that care call Flush themselves.
    }
}

void TVelRegistry::SetRootkey(std::uint32_t value) {
    FRootKey = value;
    if (!FFileMode) FReg->SetRootKey(value);
}

void TVelRegistry::Flush() {
    if (!FFileMode) return;
    TVelReadGuard guard(StoreLock());
    Ini().UpdateFile();
}

bool TVelRegistry::OpenKey(const WideString& aKey, bool aCanCreate) {
    if (!FFileMode) {
        FKey = aKey;
        return FReg->OpenKey(aKey, aCanCreate);
    }
    FKey = SectionName(aKey);
    return true;
}

bool TVelRegistry::OpenKeyReadOnly(const WideString& aKey) {
    if (!FFileMode) {
        FKey = aKey;
        return FReg->OpenKeyReadOnly(aKey);
    }
    FKey = SectionName(aKey);
    TVelReadGuard guard(StoreLock());
    return Ini().SectionExists(FKey);
}

void TVelRegistry::CloseKey() {
    FKey.clear();
    if (!FFileMode) FReg->CloseKey();
}

bool TVelRegistry::CreateKey(const WideString& aKey) {
    return FFileMode ? true : FReg->CreateKey(aKey);
}

bool TVelRegistry::KeyExists(const WideString& aKey) {
    if (!FFileMode) return FReg->KeyExists(aKey);
    TVelReadGuard guard(StoreLock());
    return Ini().SectionExists(SectionName(aKey));
}

bool TVelRegistry::DeleteKey(const WideString& aKey) {
    if (!FFileMode) return FReg->DeleteKey(aKey);
    TVelWriteGuard guard(StoreLock());
    WideString section = SectionName(aKey);
    bool existed = Ini().SectionExists(section);
    Ini().EraseSection(section);
    return existed;
}

bool TVelRegistry::ValueExists(const WideString& aName) {
    if (!FFileMode) return FReg->ValueExists(aName);
    TVelReadGuard guard(StoreLock());
    return Ini().ValueExists(FKey, aName);
}

bool TVelRegistry::DeleteValue(const WideString& aName) {
    if (!FFileMode) return FReg->DeleteValue(aName);
    TVelWriteGuard guard(StoreLock());
    bool existed = Ini().ValueExists(FKey, aName);
    Ini().DeleteKey(FKey, aName);
    return existed;
}

void TVelRegistry::GetKeyNames(std::vector<WideString>* aList) {
    if (!aList) return;
    if (!FFileMode) return FReg->GetKeyNames(*aList);
    TVelReadGuard guard(StoreLock());
    Ini().ReadSections(*aList);
}

void TVelRegistry::GetValuenames(std::vector<WideString>* aList) {
    if (!aList) return;
    if (!FFileMode) return FReg->GetValueNames(*aList);
    TVelReadGuard guard(StoreLock());
    Ini().ReadSection(FKey, *aList);
}

// ---- typed values ----------------------------------------------------------------------

WideString TVelRegistry::ReadString(const WideString& aName) {
    if (!FFileMode) return FReg->ReadString(aName);
    TVelReadGuard guard(StoreLock());
    return ReplaceAll(Ini().ReadString(FKey, aName, {}), u"#CRLF", u"\r\n");
}

std::int32_t TVelRegistry::ReadInteger(const WideString& aName) {
    if (!FFileMode) return FReg->ReadInteger(aName);
    TVelReadGuard guard(StoreLock());
    return Ini().ReadInteger(FKey, aName, 0);
}

bool TVelRegistry::ReadBool(const WideString& aName) {
    if (!FFileMode) return FReg->ReadBool(aName);
    TVelReadGuard guard(StoreLock());
    return Ini().ReadBool(FKey, aName, false);
}

TDateTime TVelRegistry::ReadDate(const WideString& aName) {
    if (!FFileMode) return FReg->ReadDate(aName);
    TVelReadGuard guard(StoreLock());
    return Ini().ReadDate(FKey, aName, 0);
}

TDateTime TVelRegistry::ReadDateTime(const WideString& aName) {
    if (!FFileMode) return FReg->ReadDateTime(aName);
    TVelReadGuard guard(StoreLock());
    return Ini().ReadDateTime(FKey, aName, 0);
}

void TVelRegistry::WriteString(const WideString& aName, const WideString& aValue) {
    if (!FFileMode) return FReg->WriteString(aName, aValue);
    TVelWriteGuard guard(StoreLock());
    Ini().WriteString(FKey, aName, ReplaceAll(aValue, u"\r\n", u"#CRLF"));
}

void TVelRegistry::WriteInteger(const WideString& aName, std::int32_t aValue) {
    if (!FFileMode) return FReg->WriteInteger(aName, aValue);
    TVelWriteGuard guard(StoreLock());
    Ini().WriteInteger(FKey, aName, aValue);
}

void TVelRegistry::WriteBool(const WideString& aName, bool aValue) {
    if (!FFileMode) return FReg->WriteBool(aName, aValue);
    TVelWriteGuard guard(StoreLock());
    Ini().WriteBool(FKey, aName, aValue);
}

void TVelRegistry::WriteDate(const WideString& aName, TDateTime aValue) {
    if (!FFileMode) return FReg->WriteDate(aName, aValue);
    TVelWriteGuard guard(StoreLock());
    Ini().WriteDate(FKey, aName, aValue);
}

void TVelRegistry::WriteDateTime(const WideString& aName, TDateTime aValue) {
    if (!FFileMode) return FReg->WriteDateTime(aName, aValue);
    TVelWriteGuard guard(StoreLock());
    Ini().WriteDateTime(FKey, aName, aValue);
}

// ---- tolerant reads ----------------------------------------------------------------------

bool TVelRegistry::TryReadValueAsString(const WideString& aName, WideString& aValue) {
    bool exists = ValueExists(aName);
    aValue = exists ? ReadString(aName) : WideString();
    return exists;
}

bool TVelRegistry::TryReadValueAsInteger(const WideString& aName, std::int32_t& aValue) {
    bool exists = ValueExists(aName);
    aValue = exists ? ReadInteger(aName) : 0;
    return exists;
}

bool TVelRegistry::TryReadValueAsBool(const WideString& aName, bool& aValue) {
    bool exists = ValueExists(aName);
    aValue = exists ? ReadBool(aName) : false;
    return exists;
}

bool TVelRegistry::TryReadValueAsDateTime(const WideString& aName, TDateTime& aValue) {
    bool exists = ValueExists(aName);
    aValue = exists ? ReadDateTime(aName) : 0.0;
    return exists;
}

bool TVelRegistry::TryReadValueAsDate(const WideString& aName, TDateTime& aValue) {
    bool exists = ValueExists(aName);
    aValue = exists ? ReadDate(aName) : 0.0;
    return exists;
}

WideString TVelRegistry::ReadValueAsStringOrDefault(const WideString& aName, const WideString& aDefault) {
    WideString value;
    return TryReadValueAsString(aName, value) ? value : aDefault;
}

std::int32_t TVelRegistry::ReadValueAsIntegerOrDefault(const WideString& aName, std::int32_t aDefault) {
    std::int32_t value = 0;
    return TryReadValueAsInteger(aName, value) ? value : aDefault;
}

bool TVelRegistry::ReadValueAsBoolOrDefault(const WideString& aName, bool aDefault) {
    bool value = false;
    return TryReadValueAsBool(aName, value) ? value : aDefault;
}

TDateTime TVelRegistry::ReadValueAsDateTimeOrDefault(const WideString& aName, TDateTime aDefault) {
    TDateTime value = 0;
    return TryReadValueAsDateTime(aName, value) ? value : aDefault;
}

TDateTime TVelRegistry::ReadValueAsDateOrDefault(const WideString& aName, TDateTime aDefault) {
    TDateTime value = 0;
    return TryReadValueAsDate(aName, value) ? value : aDefault;
}

} // namespace tarnwick::support
