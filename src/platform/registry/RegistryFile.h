#pragma once
// The local-machine hive's stand-in on a system without a registry: keys and typed
// values kept in one human-readable text file in the ".reg" export format.
//
//   Windows Registry Editor Version 5.00
//
//   [HKEY_LOCAL_MACHINE\Software\Veltrano\Tarnwick]
//   "Host"="server1"
//   "WsmanPort"=dword:00001761
//   "Query"=hex(1):53,00,0a,00,00,00        (a text holding control characters)
//
// Key paths and value names compare without regard to ASCII case, as the registry's
// do; their spelling is kept as first written. Values of types other than string and
// 32-bit integer are kept as raw bytes and written back unchanged.

#include "platform/com/Exception.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tarnwick::registry {

// Every failure of the registry stand-in: a damaged file, a missing or mistyped
// value, a file that cannot be written. The message names the file and, for a
// damaged file, the line.
class ERegistryException : public Exception {
public:
    using Exception::Exception;
};

enum class TRegDataType : std::uint32_t { None = 0, String = 1, ExpandString = 2, Binary = 3, Integer = 4 };

struct TRegValue {
    WideString Name;
    TRegDataType Type = TRegDataType::None;
    WideString Text;               // String
    std::int32_t Integer = 0;      // Integer
    std::vector<std::uint8_t> Raw; // any other type
};

struct TRegKey {
    WideString Path; // full path without brackets, e.g. HKEY_LOCAL_MACHINE\Software\Veltrano
    std::vector<TRegValue> Values;

    TRegValue* FindValue(WideStringView name);
    const TRegValue* FindValue(WideStringView name) const;
};

class TRegistryFile {
public:
    // Parses the text of a .reg file (UTF-8 with or without byte-order mark, or UTF-16LE
    // with its mark). Throws ERegistryException naming `origin` and the line when the text
    // is not a well-formed .reg file.
    static TRegistryFile Parse(std::string_view bytes, const WideString& origin);
    // The file's text in UTF-8, keys in the order they were created.
    std::string Serialize() const;

    // Reads `path`; a file that does not exist gives an empty hive.
    static TRegistryFile Load(const std::string& path);
    // Writes to a temporary file beside `path`, flushes it and renames it over `path`, so
    // a crash leaves either the old file or the new one. Creates missing folders.
    void Save(const std::string& path) const;

    TRegKey* FindKey(WideStringView path);
    TRegKey& CreateKey(WideStringView path);
    const std::vector<TRegKey>& Keys() const { return FKeys; }

private:
    std::vector<TRegKey> FKeys;
};

} // namespace tarnwick::registry
