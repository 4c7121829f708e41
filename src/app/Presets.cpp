#include "app/Presets.h"

namespace tarnwick::app {

const std::array<TQueryPreset, 7>& QueryPresets() {
    static const std::array<TQueryPreset, 7> presets{{
        {u"OS (SELECT * FROM Win32_OperatingSystem)", u"SELECT * FROM Win32_OperatingSystem"},
        {u"Processes (SELECT * FROM Win32_Process)", u"SELECT * FROM Win32_Process"},
        {u"Logical Disks (SELECT * FROM Win32_PerfFormattedData_PerfDisk_LogicalDisk)",
         u"SELECT * FROM Win32_PerfFormattedData_PerfDisk_LogicalDisk"},
        {u"Memory (SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory)",
         u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Memory"},
        {u"Processor (SELECT * FROM Win32_PerfFormattedData_PerfOS_Processor)",
         u"SELECT * FROM Win32_PerfFormattedData_PerfOS_Processor"},
        {u"Network (SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface)",
         u"SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface"},
        {u"Custom ", nullptr},
    }};
    return presets;
}

WideString VersionCaption(const WideString& productName, const WideString& fileVersion) {
    std::size_t dot = fileVersion.rfind(u'.');
    WideString shortVersion = dot == WideString::npos ? WideString() : fileVersion.substr(0, dot);
    return productName + u" V" + shortVersion;
}

WideString ProductCopyrightText(const WideString& productName, const WideString& fileVersion) {
    return productName + u" " + fileVersion + u" - " + LegalCopyright;
}

} // namespace tarnwick::app
