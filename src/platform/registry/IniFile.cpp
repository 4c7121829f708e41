#include "platform/registry/IniFile.h"

#include "platform/registry/IniText.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

namespace tarnwick::registry {

using namespace initext;

using TDocument = TIniFile::TDocument;

namespace {

// ---- the file on disk ------------------------------------------------------------

class TFileDescriptor {
public:
    explicit TFileDescriptor(int fd) : FFd(fd) {}
    ~TFileDescriptor() {
        if (FFd >= 0) ::close(FFd);
    }
    TFileDescriptor(const TFileDescriptor&) = delete;
    TFileDescriptor& operator=(const TFileDescriptor&) = delete;
    int Get() const { return FFd; }
    int Release() { return std::exchange(FFd, -1); }

private:
    int FFd;
};

[[noreturn]] void WriteFailed(const std::string& fileName, const char* step, int error) {
    throw ERegistryException(u"Cannot write \"" + FromUtf8(fileName) + u"\" (" + FromUtf8(step) + u": " +
                             FromUtf8(std::strerror(error)) + u")");
}

void SaveAtomically(const std::string& fileName, const std::string& bytes) {
    static std::atomic<unsigned> counter{0};
    std::string temp = fileName + ".tmp." + std::to_string(::getpid()) + "." + std::to_string(counter++);
    TFileDescriptor fd(::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644));
    if (fd.Get() < 0) WriteFailed(fileName, "create", errno);
    auto fail = [&](const char* step) {
        int error = errno;
        ::unlink(temp.c_str());
        WriteFailed(fileName, step, error);
    };
    std::size_t done = 0;
    while (done < bytes.size()) {
        ssize_t n = ::write(fd.Get(), bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) fail("write");
        done += std::size_t(n);
    }
    if (::fsync(fd.Get()) != 0) fail("fsync");
    if (::close(fd.Release()) != 0) fail("close");
    if (::rename(temp.c_str(), fileName.c_str()) != 0) fail("rename");
}

// The file's bytes; false (with whatever could be read) when it exists but could not
// be read whole.
bool LoadBytes(const std::string& fileName, std::string& bytes) {
    bytes.clear();
    TFileDescriptor fd(::open(fileName.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.Get() < 0) return errno == ENOENT;
    char buf[65536];
    for (;;) {
        if (bytes.size() >= TIniFile::MaxFileSize) return false;
        ssize_t n = ::read(fd.Get(), buf, std::min(sizeof buf, TIniFile::MaxFileSize - bytes.size()));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.append(buf, std::size_t(n));
    }
}

} // namespace

// ---- TIniFile --------------------------------------------------------------------

TIniFile::TIniFile(std::string fileName) : FFileName(std::move(fileName)) {}

TIniFile::~TIniFile() {
    try {
        UpdateFile();
    } catch (const ERegistryException&) {
        // Nothing can report it here; callers that care call UpdateFile themselves.
    }
}

TIniFile::TDocument& TIniFile::Document() const {
    if (!FDocument) {
        std::string bytes;
        FReadOnly = !LoadBytes(FFileName, bytes);
        FDocument = std::make_unique<TDocument>(Parse(bytes));
    }
    return *FDocument;
}

void TIniFile::Changed() {
    FModified = true;
    SaveAtomically(FFileName, Serialize(*FDocument));
    FModified = false;
}

WideString TIniFile::ReadString(const WideString& section, const WideString& key,
                                const WideString& defaultValue) const {
    std::lock_guard lock(FLock);
    const TDocument::TLine* line = FindEntry(FindSection(Document(), section), key);
    return line ? line->Value : defaultValue;
}

std::int32_t TIniFile::ReadInteger(const WideString& section, const WideString& key,
                                   std::int32_t defaultValue) const {
    std::int32_t value = 0;
    return ParseInteger(ReadString(section, key, {}), value) ? value : defaultValue;
}

bool TIniFile::ReadBool(const WideString& section, const WideString& key, bool defaultValue) const {
    WideString text = Trim(ReadString(section, key, {}));
    std::int32_t value = 0;
    if (ParseInteger(text, value)) return value != 0;
    if (SameText(text, u"true")) return true;
    if (SameText(text, u"false")) return false;
    return defaultValue;
}

TDateTime TIniFile::ReadDate(const WideString& section, const WideString& key, TDateTime defaultValue) const {
    TDateTime value = 0;
    return ParseDateTime(ReadString(section, key, {}), true, value) ? value : defaultValue;
}

TDateTime TIniFile::ReadDateTime(const WideString& section, const WideString& key,
                                 TDateTime defaultValue) const {
    TDateTime value = 0;
    return ParseDateTime(ReadString(section, key, {}), false, value) ? value : defaultValue;
}

void TIniFile::WriteString(const WideString& section, const WideString& key, const WideString& value) {
    std::lock_guard lock(FLock);
    TDocument& doc = Document();
    if (FReadOnly)
        throw ERegistryException(u"\"" + FromUtf8(FFileName) +
                                 u"\" could not be read whole and is not changed");
    TDocument::TSection* s = FindSection(doc, section);
    if (!s) {
        doc.Sections.push_back({true, section, {}});
        s = &doc.Sections.back();
    }
    if (TDocument::TLine* line = FindEntry(s, key)) {
        line->Value = value;
    } else {
        // After the section's last entry, so that trailing comments and blanks stay last.
        auto at = s->Lines.end();
        while (at != s->Lines.begin() && !(at - 1)->IsEntry)
            --at;
        if (at == s->Lines.begin()) at = s->Lines.end();
        s->Lines.insert(at, {true, key, value});
    }
    Changed();
}

void TIniFile::WriteInteger(const WideString& section, const WideString& key, std::int32_t value) {
    WriteString(section, key, IntToStr(value));
}

void TIniFile::WriteBool(const WideString& section, const WideString& key, bool value) {
    WriteString(section, key, value ? u"1" : u"0");
}

void TIniFile::WriteDate(const WideString& section, const WideString& key, TDateTime value) {
    WriteString(section, key, FormatDateTime(value, true));
}

void TIniFile::WriteDateTime(const WideString& section, const WideString& key, TDateTime value) {
    WriteString(section, key, FormatDateTime(value, false));
}

bool TIniFile::SectionExists(const WideString& section) const {
    std::lock_guard lock(FLock);
    return FindSection(Document(), section) != nullptr;
}

bool TIniFile::ValueExists(const WideString& section, const WideString& key) const {
    std::lock_guard lock(FLock);
    return FindEntry(FindSection(Document(), section), key) != nullptr;
}

void TIniFile::EraseSection(const WideString& section) {
    std::lock_guard lock(FLock);
    TDocument& doc = Document();
    TDocument::TSection* s = FindSection(doc, section);
    if (!s) return;
    if (FReadOnly)
        throw ERegistryException(u"\"" + FromUtf8(FFileName) +
                                 u"\" could not be read whole and is not changed");
    doc.Sections.erase(doc.Sections.begin() + (s - doc.Sections.data()));
    Changed();
}

void TIniFile::DeleteKey(const WideString& section, const WideString& key) {
    std::lock_guard lock(FLock);
    TDocument::TSection* s = FindSection(Document(), section);
    if (!FindEntry(s, key)) return;
    if (FReadOnly)
        throw ERegistryException(u"\"" + FromUtf8(FFileName) +
                                 u"\" could not be read whole and is not changed");
    std::erase_if(s->Lines,
                  [&](const TDocument::TLine& line) { return line.IsEntry && SameText(line.Key, key); });
    Changed();
}

void TIniFile::ReadSections(std::vector<WideString>& list) const {
    std::lock_guard lock(FLock);
    list.clear();
    const TDocument& doc = Document();
    for (std::size_t i = 1; i < doc.Sections.size(); ++i)
        list.push_back(doc.Sections[i].Name);
}

void TIniFile::ReadSection(const WideString& section, std::vector<WideString>& list) const {
    std::lock_guard lock(FLock);
    list.clear();
    const TDocument::TSection* s = FindSection(Document(), section);
    if (!s) return;
    for (const auto& line : s->Lines) {
        if (!line.IsEntry) continue;
        bool seen = false;
        for (const auto& name : list)
            seen = seen || SameText(name, line.Key);
        if (!seen) list.push_back(line.Key);
    }
}

void TIniFile::UpdateFile() {
    std::lock_guard lock(FLock);
    if (FModified && FDocument) Changed();
}

bool TIniFile::Modified() const {
    std::lock_guard lock(FLock);
    return FModified;
}

} // namespace tarnwick::registry
