#include "platform/localwmi/ClassTable.h"

#include "platform/localwmi/Providers.h"

namespace tarnwick::localwmi {

namespace {

// The time stamps every performance class carries.
constexpr const char16_t* PerfStamps =
    u"Timestamp_Object:uint64;Timestamp_PerfTime:uint64;Timestamp_Sys100NS:uint64;";

constexpr const char16_t* OperatingSystemProps =
    u"BootDevice:string;BuildNumber:string;BuildType:string;Caption:string;CodeSet:string;CountryCode:string;"
    u"CreationClassName:string;CSCreationClassName:string;CSDVersion:string;CSName:string;CurrentTimeZone:"
    u"sint16;"
    u"DataExecutionPrevention_Available:boolean;DataExecutionPrevention_32BitApplications:boolean;"
    u"DataExecutionPrevention_Drivers:boolean;DataExecutionPrevention_SupportPolicy:uint8;Debug:boolean;"
    u"Description:string:write;Distributed:boolean;EncryptionLevel:uint32;ForegroundApplicationBoost:uint8:"
    u"write;"
    u"FreePhysicalMemory:uint64;FreeSpaceInPagingFiles:uint64;FreeVirtualMemory:uint64;InstallDate:datetime;"
    u"LargeSystemCache:uint32;LastBootUpTime:datetime;LocalDateTime:datetime;Locale:string;Manufacturer:"
    u"string;"
    u"MaxNumberOfProcesses:uint32;MaxProcessMemorySize:uint64;MUILanguages:string[];Name:string;"
    u"NumberOfLicensedUsers:uint32;NumberOfProcesses:uint32;NumberOfUsers:uint32;OperatingSystemSKU:uint32;"
    u"Organization:string;OSArchitecture:string;OSLanguage:uint32;OSProductSuite:uint32;OSType:uint16;"
    u"OtherTypeDescription:string;PAEEnabled:boolean;PlusProductID:string;PlusVersionNumber:string;"
    u"PortableOperatingSystem:boolean;Primary:boolean;ProductType:uint32;RegisteredUser:string;"
    u"SerialNumber:string;ServicePackMajorVersion:uint16;ServicePackMinorVersion:uint16;"
    u"SizeStoredInPagingFiles:uint64;Status:string;SuiteMask:uint32;SystemDevice:string;SystemDirectory:"
    u"string;"
    u"SystemDrive:string;TotalSwapSpaceSize:uint64;TotalVirtualMemorySize:uint64;TotalVisibleMemorySize:"
    u"uint64;"
    u"Version:string;WindowsDirectory:string;QuantumLength:uint8:write;QuantumType:uint8:write";

constexpr const char16_t* ProcessProps =
    u"CreationClassName:string;Caption:string;CommandLine:string;CreationDate:datetime;"
    u"CSCreationClassName:string;CSName:string;Description:string;ExecutablePath:string;ExecutionState:"
    u"uint16;"
    u"Handle:string:key;HandleCount:uint32;InstallDate:datetime;KernelModeTime:uint64;"
    u"MaximumWorkingSetSize:uint32;MinimumWorkingSetSize:uint32;Name:string;OSCreationClassName:string;"
    u"OSName:string;OtherOperationCount:uint64;OtherTransferCount:uint64;PageFaults:uint32;PageFileUsage:"
    u"uint32;"
    u"ParentProcessId:uint32;PeakPageFileUsage:uint32;PeakVirtualSize:uint64;PeakWorkingSetSize:uint32;"
    u"Priority:uint32;PrivatePageCount:uint64;ProcessId:uint32;QuotaNonPagedPoolUsage:uint32;"
    u"QuotaPagedPoolUsage:uint32;QuotaPeakNonPagedPoolUsage:uint32;QuotaPeakPagedPoolUsage:uint32;"
    u"ReadOperationCount:uint64;ReadTransferCount:uint64;SessionId:uint32;Status:string;"
    u"TerminationDate:datetime;ThreadCount:uint32;UserModeTime:uint64;VirtualSize:uint64;"
    u"WindowsVersion:string;WorkingSetSize:uint64;WriteOperationCount:uint64;WriteTransferCount:uint64";

constexpr const char16_t* ComputerSystemProps =
    u"AdminPasswordStatus:uint16;AutomaticManagedPagefile:boolean:write;AutomaticResetBootOption:boolean:"
    u"write;"
    u"AutomaticResetCapability:boolean;BootOptionOnLimit:uint16;BootOptionOnWatchDog:uint16;"
    u"BootROMSupported:boolean;BootupState:string;BootStatus:uint16[];Caption:string;ChassisBootupState:"
    u"uint16;"
    u"ChassisSKUNumber:string;CreationClassName:string;CurrentTimeZone:sint16:write;DaylightInEffect:boolean;"
    u"Description:string;DNSHostName:string;Domain:string;DomainRole:uint16;"
    u"EnableDaylightSavingsTime:boolean:write;FrontPanelResetStatus:uint16;HypervisorPresent:boolean;"
    u"InfraredSupported:boolean;InitialLoadInfo:string[];InstallDate:datetime;KeyboardPasswordStatus:uint16;"
    u"LastLoadInfo:string;Manufacturer:string;Model:string;Name:string:key;NameFormat:string;"
    u"NetworkServerModeEnabled:boolean;NumberOfLogicalProcessors:uint32;NumberOfProcessors:uint32;"
    u"OEMLogoBitmap:uint8[];OEMStringArray:string[];PartOfDomain:boolean;PauseAfterReset:sint64;"
    u"PCSystemType:uint16;PCSystemTypeEx:uint16;PowerManagementCapabilities:uint16[];"
    u"PowerManagementSupported:boolean;PowerOnPasswordStatus:uint16;PowerState:uint16;PowerSupplyState:"
    u"uint16;"
    u"PrimaryOwnerContact:string;PrimaryOwnerName:string;ResetCapability:uint16;ResetCount:sint16;"
    u"ResetLimit:sint16;Roles:string[]:write;Status:string;SupportContactDescription:string[];"
    u"SystemFamily:string;SystemSKUNumber:string;SystemStartupDelay:uint16:write;"
    u"SystemStartupOptions:string[]:write;SystemStartupSetting:uint8:write;SystemType:string;ThermalState:"
    u"uint16;"
    u"TotalPhysicalMemory:uint64;UserName:string;WakeUpType:uint16;Workgroup:string:write";

constexpr const char16_t* ProcessorProps =
    u"AddressWidth:uint16;Architecture:uint16;AssetTag:string;Availability:uint16;Caption:string;"
    u"Characteristics:uint32;ConfigManagerErrorCode:uint32;ConfigManagerUserConfig:boolean;CpuStatus:uint16;"
    u"CreationClassName:string;CurrentClockSpeed:uint32;CurrentVoltage:uint16;DataWidth:uint16;"
    u"Description:string;DeviceID:string:key;ErrorCleared:boolean;ErrorDescription:string;ExtClock:uint32;"
    u"Family:uint16;InstallDate:datetime;L2CacheSize:uint32;L2CacheSpeed:uint32;L3CacheSize:uint32;"
    u"L3CacheSpeed:uint32;LastErrorCode:uint32;Level:uint16;LoadPercentage:uint16;Manufacturer:string;"
    u"MaxClockSpeed:uint32;Name:string;NumberOfCores:uint32;NumberOfEnabledCore:uint32;"
    u"NumberOfLogicalProcessors:uint32;OtherFamilyDescription:string;PartNumber:string;PNPDeviceID:string;"
    u"PowerManagementCapabilities:uint16[];PowerManagementSupported:boolean;ProcessorId:string;"
    u"ProcessorType:uint16;Revision:uint16;Role:string;SecondLevelAddressTranslationExtensions:boolean;"
    u"SerialNumber:string;SocketDesignation:string;Status:string;StatusInfo:uint16;Stepping:string;"
    u"SystemCreationClassName:string;SystemName:string;ThreadCount:uint32;UniqueId:string;UpgradeMethod:"
    u"uint16;"
    u"Version:string;VirtualizationFirmwareEnabled:boolean;VMMonitorModeExtensions:boolean;VoltageCaps:"
    u"uint32";

constexpr const char16_t* LogicalDiskProps =
    u"Access:uint16;Availability:uint16;BlockSize:uint64;Caption:string;Compressed:boolean;"
    u"ConfigManagerErrorCode:uint32;ConfigManagerUserConfig:boolean;CreationClassName:string;"
    u"Description:string;DeviceID:string:key;DriveType:uint32;ErrorCleared:boolean;ErrorDescription:string;"
    u"ErrorMethodology:string;FileSystem:string;FreeSpace:uint64;InstallDate:datetime;LastErrorCode:uint32;"
    u"MaximumComponentLength:uint32;MediaType:uint32;Name:string;NumberOfBlocks:uint64;PNPDeviceID:string;"
    u"PowerManagementCapabilities:uint16[];PowerManagementSupported:boolean;ProviderName:string;"
    u"Purpose:string;QuotasDisabled:boolean;QuotasIncomplete:boolean;QuotasRebuilding:boolean;Size:uint64;"
    u"Status:string;StatusInfo:uint16;SupportsDiskQuotas:boolean;SupportsFileBasedCompression:boolean;"
    u"SystemCreationClassName:string;SystemName:string;VolumeDirty:boolean;VolumeName:string:write;"
    u"VolumeSerialNumber:string";

constexpr const char16_t* ServiceProps =
    u"AcceptPause:boolean;AcceptStop:boolean;Caption:string;CheckPoint:uint32;CreationClassName:string;"
    u"DelayedAutoStart:boolean;Description:string;DesktopInteract:boolean;DisplayName:string;"
    u"ErrorControl:string;ExitCode:uint32;InstallDate:datetime;Name:string:key;PathName:string;"
    u"ProcessId:uint32;ServiceSpecificExitCode:uint32;ServiceType:string;Started:boolean;StartMode:string;"
    u"StartName:string;State:string;Status:string;SystemCreationClassName:string;SystemName:string;"
    u"TagId:uint32;WaitHint:uint32";

constexpr const char16_t* AccountProps =
    u"Caption:string;Description:string;Domain:string:key;InstallDate:datetime;LocalAccount:boolean:write;"
    u"Name:string:key;SID:string;SIDType:uint8;Status:string";

constexpr const char16_t* UserAccountProps =
    u"AccountType:uint32;Caption:string;Description:string:write;Disabled:boolean:write;Domain:string:key;"
    u"FullName:string:write;InstallDate:datetime;LocalAccount:boolean:write;Lockout:boolean:write;"
    u"Name:string:key;PasswordChangeable:boolean:write;PasswordExpires:boolean:write;"
    u"PasswordRequired:boolean:write;SID:string;SIDType:uint8;Status:string";

constexpr const char16_t* GroupProps =
    u"Caption:string;Description:string;Domain:string:key;InstallDate:datetime;"
    u"LocalAccount:boolean:write;Name:string:key;SID:string;SIDType:uint8;"
    u"Status:string";

constexpr const char16_t* AdapterConfigProps =
    u"ArpAlwaysSourceRoute:boolean;ArpUseEtherSNAP:boolean;Caption:string;DatabasePath:string;"
    u"DeadGWDetectEnabled:boolean;DefaultIPGateway:string[];DefaultTOS:uint8;DefaultTTL:uint8;"
    u"Description:string;DHCPEnabled:boolean;DHCPLeaseExpires:datetime;DHCPLeaseObtained:datetime;"
    u"DHCPServer:string;DNSDomain:string;DNSDomainSuffixSearchOrder:string[];"
    u"DNSEnabledForWINSResolution:boolean;DNSHostName:string;DNSServerSearchOrder:string[];"
    u"DomainDNSRegistrationEnabled:boolean;ForwardBufferMemory:uint32;FullDNSRegistrationEnabled:boolean;"
    u"GatewayCostMetric:uint16[];IGMPLevel:uint8;Index:uint32:key;InterfaceIndex:uint32;IPAddress:string[];"
    u"IPConnectionMetric:uint32;IPEnabled:boolean;IPFilterSecurityEnabled:boolean;"
    u"IPPortSecurityEnabled:boolean;IPSecPermitIPProtocols:string[];IPSecPermitTCPPorts:string[];"
    u"IPSecPermitUDPPorts:string[];IPSubnet:string[];IPUseZeroBroadcast:boolean;IPXAddress:string;"
    u"IPXEnabled:boolean;IPXFrameType:uint32[];IPXMediaType:uint32;IPXNetworkNumber:string[];"
    u"IPXVirtualNetNumber:string;KeepAliveInterval:uint32;KeepAliveTime:uint32;MACAddress:string;MTU:uint32;"
    u"NumForwardPackets:uint32;PMTUBHDetectEnabled:boolean;PMTUDiscoveryEnabled:boolean;ServiceName:string;"
    u"SettingID:string;TcpipNetbiosOptions:uint32;TcpMaxConnectRetransmissions:uint32;"
    u"TcpMaxDataRetransmissions:uint32;TcpNumConnections:uint32;TcpUseRFC1122UrgentPointer:boolean;"
    u"TcpWindowSize:uint16;WINSEnableLMHostsLookup:boolean;WINSHostLookupFile:string;"
    u"WINSPrimaryServer:string;WINSScopeID:string;WINSSecondaryServer:string";

constexpr const char16_t* PerfProcessorProps =
    u"C1TransitionsPersec:uint64;C2TransitionsPersec:uint64;C3TransitionsPersec:uint64;Caption:string;"
    u"Description:string;DPCRate:uint32;DPCsQueuedPersec:uint32;Frequency_Object:uint64;"
    u"Frequency_PerfTime:uint64;Frequency_Sys100NS:uint64;InterruptsPersec:uint32;Name:string:key;"
    u"PercentC1Time:uint64;PercentC2Time:uint64;PercentC3Time:uint64;PercentDPCTime:uint64;"
    u"PercentIdleTime:uint64;PercentInterruptTime:uint64;PercentPrivilegedTime:uint64;"
    u"PercentProcessorTime:uint64;PercentUserTime:uint64;";

constexpr const char16_t* PerfMemoryProps =
    u"AvailableBytes:uint64;AvailableKBytes:uint64;AvailableMBytes:uint64;CacheBytes:uint64;"
    u"CacheBytesPeak:uint64;CacheFaultsPersec:uint32;Caption:string;CommitLimit:uint64;CommittedBytes:uint64;"
    u"DemandZeroFaultsPersec:uint32;Description:string;FreeAndZeroPageListBytes:uint64;"
    u"FreeSystemPageTableEntries:uint32;Frequency_Object:uint64;Frequency_PerfTime:uint64;"
    u"Frequency_Sys100NS:uint64;ModifiedPageListBytes:uint64;Name:string;PageFaultsPersec:uint32;"
    u"PageReadsPersec:uint32;PagesInputPersec:uint32;PagesOutputPersec:uint32;PagesPersec:uint32;"
    u"PageWritesPersec:uint32;PercentCommittedBytesInUse:uint32;PoolNonpagedAllocs:uint32;"
    u"PoolNonpagedBytes:uint64;PoolPagedAllocs:uint32;PoolPagedBytes:uint64;PoolPagedResidentBytes:uint64;"
    u"StandbyCacheCoreBytes:uint64;StandbyCacheNormalPriorityBytes:uint64;StandbyCacheReserveBytes:uint64;"
    u"SystemCacheResidentBytes:uint64;SystemCodeResidentBytes:uint64;SystemCodeTotalBytes:uint64;"
    u"SystemDriverResidentBytes:uint64;SystemDriverTotalBytes:uint64;";

constexpr const char16_t* PerfMemoryTail =
    u"TransitionFaultsPersec:uint32;TransitionPagesRePurposedPersec:uint32;WriteCopiesPersec:uint32";

constexpr const char16_t* PerfDiskProps =
    u"AvgDiskBytesPerRead:uint64;AvgDiskBytesPerTransfer:uint64;AvgDiskBytesPerWrite:uint64;"
    u"AvgDiskQueueLength:uint64;AvgDiskReadQueueLength:uint64;AvgDisksecPerRead:uint32;"
    u"AvgDisksecPerTransfer:uint32;AvgDisksecPerWrite:uint32;AvgDiskWriteQueueLength:uint64;Caption:string;"
    u"CurrentDiskQueueLength:uint32;Description:string;DiskBytesPersec:uint64;DiskReadBytesPersec:uint64;"
    u"DiskReadsPersec:uint32;DiskTransfersPersec:uint32;DiskWriteBytesPersec:uint64;DiskWritesPersec:uint32;"
    u"FreeMegabytes:uint32;Frequency_Object:uint64;Frequency_PerfTime:uint64;Frequency_Sys100NS:uint64;"
    u"Name:string:key;PercentDiskReadTime:uint64;PercentDiskTime:uint64;PercentDiskWriteTime:uint64;"
    u"PercentFreeSpace:uint32;PercentIdleTime:uint64;SplitIOPerSec:uint32;";

constexpr const char16_t* RawNetProps =
    u"BytesReceivedPersec:uint32;BytesSentPersec:uint32;BytesTotalPersec:uint64;Caption:string;"
    u"CurrentBandwidth:uint32;Description:string;Frequency_Object:uint64;Frequency_PerfTime:uint64;"
    u"Frequency_Sys100NS:uint64;Name:string:key;OffloadedConnections:uint64;OutputQueueLength:uint32;"
    u"PacketsOutboundDiscarded:uint32;PacketsOutboundErrors:uint32;PacketsPersec:uint32;"
    u"PacketsReceivedDiscarded:uint32;PacketsReceivedErrors:uint32;PacketsReceivedNonUnicastPersec:uint32;"
    u"PacketsReceivedPersec:uint32;PacketsReceivedUnicastPersec:uint32;PacketsReceivedUnknown:uint32;"
    u"PacketsSentNonUnicastPersec:uint32;PacketsSentPersec:uint32;PacketsSentUnicastPersec:uint32;"
    u"TCPActiveRSCConnections:uint64;TCPRSCAveragePacketSize:uint64;TCPRSCCoalescedPacketsPersec:uint64;"
    u"TCPRSCExceptionsPersec:uint64;";

struct TEntry {
    const char16_t* Name;
    std::vector<WideString> Derivation;
    WideString Properties;
    TInstanceProvider Provider;
    bool Abstract = false;
    bool Singleton = false;
    TNamespace Namespace = TNamespace::Cimv2;
};

std::vector<std::unique_ptr<TClassDef>> BuildTable() {
    const std::vector<WideString> logical{u"CIM_LogicalElement", u"CIM_ManagedSystemElement"};
    auto with = [](std::vector<WideString> head, const std::vector<WideString>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    const std::vector<WideString> formatted{u"Win32_PerfFormattedData", u"Win32_Perf",
                                            u"CIM_StatisticalInformation"};
    const std::vector<WideString> raw{u"Win32_PerfRawData", u"Win32_Perf", u"CIM_StatisticalInformation"};
    std::vector<TEntry> entries = {
        {u"__NAMESPACE",
         {u"__SystemClass"},
         u"Name:string:key",
         ProvideRootNamespaces,
         false,
         false,
         TNamespace::Root},
        {u"__NAMESPACE", {u"__SystemClass"}, u"Name:string:key", nullptr},
        {u"Win32_OperatingSystem", with({u"CIM_OperatingSystem"}, logical), OperatingSystemProps,
         ProvideOperatingSystem, false, true},
        {u"Win32_Process", with({u"CIM_Process"}, logical), ProcessProps, ProvideProcess},
        {u"Win32_ComputerSystem",
         with({u"CIM_UnitaryComputerSystem", u"CIM_ComputerSystem", u"CIM_System"}, logical),
         ComputerSystemProps, ProvideComputerSystem},
        {u"Win32_Processor", with({u"CIM_Processor", u"CIM_LogicalDevice"}, logical), ProcessorProps,
         ProvideProcessor},
        {u"Win32_LogicalDisk",
         with({u"CIM_LogicalDisk", u"CIM_StorageExtent", u"CIM_LogicalDevice"}, logical), LogicalDiskProps,
         ProvideLogicalDisk},
        {u"Win32_Service", with({u"Win32_BaseService", u"CIM_Service"}, logical), ServiceProps,
         ProvideService},
        {u"Win32_Account", logical, AccountProps, nullptr, true},
        {u"Win32_UserAccount", with({u"Win32_Account"}, logical), UserAccountProps, ProvideUserAccount},
        {u"Win32_Group", with({u"Win32_Account"}, logical), GroupProps, ProvideGroup},
        {u"Win32_NetworkAdapterConfiguration",
         {u"CIM_Setting"},
         AdapterConfigProps,
         ProvideNetworkAdapterConfiguration},
        {u"Win32_PerfFormattedData_PerfDisk_LogicalDisk", formatted, WideString(PerfDiskProps) + PerfStamps,
         ProvidePerfLogicalDisk},
        {u"Win32_PerfFormattedData_PerfOS_Memory", formatted,
         WideString(PerfMemoryProps) + PerfStamps + PerfMemoryTail, ProvidePerfMemory, false, true},
        {u"Win32_PerfFormattedData_PerfOS_Processor", formatted, WideString(PerfProcessorProps) + PerfStamps,
         ProvidePerfProcessor},
        {u"Win32_PerfRawData_Tcpip_NetworkInterface", raw, WideString(RawNetProps) + PerfStamps,
         ProvideRawNetworkInterface},
    };
    std::vector<std::unique_ptr<TClassDef>> table;
    for (auto& e : entries) {
        auto cls = std::make_unique<TClassDef>();
        cls->Name = e.Name;
        cls->Derivation = e.Derivation;
        cls->SuperClass = e.Derivation.empty() ? WideString() : e.Derivation.front();
        cls->Properties = ParseProperties(e.Properties);
        cls->Abstract = e.Abstract;
        cls->Singleton = e.Singleton;
        cls->Namespace = e.Namespace;
        cls->Provider = e.Provider;
        table.push_back(std::move(cls));
    }
    return table;
}

} // namespace

const std::vector<std::unique_ptr<TClassDef>>& ClassTable() {
    static const std::vector<std::unique_ptr<TClassDef>> table = BuildTable();
    return table;
}

} // namespace tarnwick::localwmi
