#pragma once
// The window's fixed texts: the query presets, design defaults, the caption.

#include "platform/com/WideString.h"

#include <array>

namespace tarnwick::app {

struct TQueryPreset {
    const char16_t* Caption;
    const char16_t* Query; // nullptr for "Custom "
};

inline constexpr int CustomPresetIndex = 6;
// Indexes 0 to 5 put their query into the memo; 6 ("Custom ") makes the memo editable.
const std::array<TQueryPreset, 7>& QueryPresets();

inline constexpr char16_t DesignQueryText[] = u"Select * FROM Win32_OperatingSystem";
inline constexpr char16_t DefaultDomainPrefix[] = u"NTLMDOMAIN:";
inline constexpr char16_t DefaultNamespace[] = u"root\\cimV2";
inline constexpr int DefaultWsmanPort = 5985;
inline constexpr char16_t ProductName[] = u"Tarnwick";
inline constexpr char16_t CompanyName[] = u"Veltrano";
inline constexpr char16_t CompanyAddress[] = u"Veltrano Software, 1 Example Road, Sampletown";
inline constexpr char16_t CompanyWebAddress[] = u"https://www.veltrano.example/";
inline constexpr char16_t LegalCopyright[] = u"Copyright \u00a9 2026 Veltrano";

// "Tarnwick V" and the file version cut before its last ".": 26.1.2.747 gives
// "Tarnwick V26.1.2"; a version without "." gives "Tarnwick V".
WideString VersionCaption(const WideString& productName, const WideString& fileVersion);
// The About page's product and copyright line.
WideString ProductCopyrightText(const WideString& productName, const WideString& fileVersion);

} // namespace tarnwick::app
