#pragma once
// TIniFile: typed entries by section and key in a text file of "[Section]" headers and
// "Key=Value" lines, the way INI files are laid out:
//
//   [\Software\Veltrano\Tarnwick]
//   Host=server1
//   Port=5985
//   Query="first line\nsecond line"      (a text that cannot stand on one line as it is)
//
// Guarantees:
// - Section and key names compare without regard to ASCII case; their spelling is kept
//   as first written. The first of two equal keys in a section wins; a section header
//   that repeats continues the earlier section.
// - Every text reads back exactly as written: a name or value that has line breaks,
//   control characters, blanks at either end or a leading double quote is written in
//   double quotes with backslash escapes (\\ \" \r \n \t \xHH).
// - The file is read at the first operation, never by the constructor. A missing file is
//   an empty one. A damaged file (bad encoding, lines that are neither headers nor entries,
//   truncation, binary junk) reads as far as it can: what cannot be understood is kept as
//   it stands and written back unchanged; nothing throws on reading.
// - Every change is written to disk at once, to a temporary file beside the file that
//   is then renamed over it, so a crash leaves the old file or the new one. A write that
//   fails throws ERegistryException and stays pending for UpdateFile. A file that exists
//   but could not be read (or was too large to read whole) is never overwritten: changes
//   throw ERegistryException.
// - Every operation may be called from several threads at once.

#include "platform/com/DateTime.h"
#include "platform/registry/RegistryFile.h"

#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace tarnwick::registry {

class TIniFile {
public:
    // Files beyond this size are read no further and then never overwritten.
    static constexpr std::size_t MaxFileSize = 64u << 20;

    explicit TIniFile(std::string fileName);
    // Writes pending changes; a failure there is dropped, so call UpdateFile first.
    ~TIniFile();
    TIniFile(const TIniFile&) = delete;
    TIniFile& operator=(const TIniFile&) = delete;

    const std::string& FileName() const { return FFileName; }

    // Reads give `defaultValue` when the entry is absent or its text is not of the type.
    WideString ReadString(const WideString& section, const WideString& key,
                          const WideString& defaultValue) const;
    // Decimal, or hexadecimal after "0x" or "$" (up to 8 digits, as the 32-bit pattern).
    std::int32_t ReadInteger(const WideString& section, const WideString& key,
                             std::int32_t defaultValue) const;
    // An integer (not 0 is true), or "true" / "false".
    bool ReadBool(const WideString& section, const WideString& key, bool defaultValue) const;
    // "yyyy-mm-dd", optionally followed by " hh:nn[:ss[.zzz]]"; ReadDate keeps the date only.
    TDateTime ReadDate(const WideString& section, const WideString& key, TDateTime defaultValue) const;
    TDateTime ReadDateTime(const WideString& section, const WideString& key, TDateTime defaultValue) const;

    void WriteString(const WideString& section, const WideString& key, const WideString& value);
    void WriteInteger(const WideString& section, const WideString& key, std::int32_t value);
    void WriteBool(const WideString& section, const WideString& key, bool value); // "1" or "0"
    void WriteDate(const WideString& section, const WideString& key, TDateTime value);
    void WriteDateTime(const WideString& section, const WideString& key, TDateTime value);

    bool SectionExists(const WideString& section) const;
    bool ValueExists(const WideString& section, const WideString& key) const;
    // Removes the section with all its entries; nothing when there is none.
    void EraseSection(const WideString& section);
    void DeleteKey(const WideString& section, const WideString& key);
    // Replace the list's contents: all section names / the key names of one section.
    void ReadSections(std::vector<WideString>& list) const;
    void ReadSection(const WideString& section, std::vector<WideString>& list) const;

    // Writes changes that could not be written yet; nothing when there are none.
    void UpdateFile();
    bool Modified() const;

    // The text form, for tests and tools: Parse never throws, Serialize gives UTF-8.
    struct TDocument;
    static TDocument Parse(std::string_view bytes);
    static std::string Serialize(const TDocument& document);

private:
    TDocument& Document() const; // loads on first use; FLock held
    void Changed();              // saves; FLock held

    std::string FFileName;
    mutable std::mutex FLock;
    mutable std::unique_ptr<TDocument> FDocument;
    mutable bool FReadOnly = false; // the file could not be read whole
    bool FModified = false;
};

struct TIniFile::TDocument {
    struct TLine {
        bool IsEntry = false;
        WideString Key;   // entries
        WideString Value; // entries: the value; other lines: their text as it stands
    };
    struct TSection {
        bool HasHeader = true; // false only for the lines before the first header
        WideString Name;
        std::vector<TLine> Lines;
    };
    std::vector<TSection> Sections; // Sections[0] holds the lines before the first header
};

} // namespace tarnwick::registry
