#pragma once
// The text form of TIniFile's entries, shared by its two source files.

#include "platform/registry/IniFile.h"

namespace tarnwick::registry::initext {

// Sections (never the lines before the first header) and entries by name, ASCII case ignored.
TIniFile::TDocument::TSection* FindSection(TIniFile::TDocument& doc, WideStringView name);
TIniFile::TDocument::TLine* FindEntry(TIniFile::TDocument::TSection* section, WideStringView key);

bool ParseInteger(WideStringView text, std::int32_t& result);
bool ParseDateTime(WideStringView raw, bool dateOnly, TDateTime& result);
WideString FormatDateTime(TDateTime value, bool dateOnly);

} // namespace tarnwick::registry::initext
