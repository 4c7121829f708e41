"""Demo WMI data for the WinRM emulator: a few Win32 classes with made-up values.

Each class is a list of rows; a row maps property name to a value:
None (null), bool, int, str, list (an array property) or Datetime (a CIM datetime).
Every value here is invented for tests and demos.
"""

import datetime


class Datetime:
    """A CIM datetime, sent as <cim:Datetime>ISO 8601</cim:Datetime>."""

    def __init__(self, text):
        self.text = text


SERVICE_NAMES = [
    ("AppReadiness", "App Readiness", "Manual", "Stopped"),
    ("BFE", "Base Filtering Engine", "Auto", "Running"),
    ("BITS", "Background Intelligent Transfer Service", "Manual", "Running"),
    ("CryptSvc", "Cryptographic Services", "Auto", "Running"),
    ("Dhcp", "DHCP Client", "Auto", "Running"),
    ("Dnscache", "DNS Client", "Auto", "Running"),
    ("EventLog", "Windows Event Log", "Auto", "Running"),
    ("LanmanServer", "Server", "Auto", "Running"),
    ("LanmanWorkstation", "Workstation", "Auto", "Running"),
    ("mpssvc", "Windows Defender Firewall", "Auto", "Running"),
    ("RemoteRegistry", "Remote Registry", "Disabled", "Stopped"),
    ("Spooler", "Print Spooler", "Auto", "Stopped"),
    ("W32Time", "Windows Time", "Manual", "Stopped"),
    ("WinRM", "Windows Remote Management (WS-Management)", "Auto", "Running"),
    ("Winmgmt", "Windows Management Instrumentation", "Auto", "Running"),
    ("wuauserv", "Windows Update", "Manual", "Stopped"),
]


def services(count):
    rows = []
    for i in range(count):
        if i < len(SERVICE_NAMES):
            name, display, mode, state = SERVICE_NAMES[i]
        else:
            name, display = "DemoSvc%05d" % i, "Demo Service %d" % i
            mode, state = ("Auto", "Running") if i % 3 else ("Manual", "Stopped")
        rows.append({
            "AcceptPause": False,
            "AcceptStop": state == "Running",
            "Caption": display,
            "CheckPoint": 0,
            "CreationClassName": "Win32_Service",
            "Description": "Demo description of %s & <friends>" % display if i % 7 == 0 else "Runs %s" % name,
            "DesktopInteract": False,
            "DisplayName": display,
            "ErrorControl": "Normal",
            "ExitCode": 0 if state == "Running" else 1077,
            "InstallDate": None,
            "Name": name,
            "PathName": "\"C:\\Program Files\\Demo\\%s.exe\" -k netsvcs" % name,
            "ProcessId": 1000 + i * 4 if state == "Running" else 0,
            "ServiceSpecificExitCode": 0,
            "ServiceType": "Share Process" if i % 2 else "Own Process",
            "Started": state == "Running",
            "StartMode": mode,
            "StartName": "LocalSystem",
            "State": state,
            "Status": "OK",
            "SystemCreationClassName": "Win32_ComputerSystem",
            "SystemName": "DEMO-SRV01",
            "TagId": 0,
            "WaitHint": 0,
        })
    return rows


def processes(count):
    rows = []
    base = datetime.datetime(2026, 3, 9, 2, 57, 32)
    for i in range(count):
        started = base + datetime.timedelta(seconds=37 * i, microseconds=(i * 123457) % 1000000)
        text = started.strftime("%Y-%m-%dT%H:%M:%S.%f").rstrip("0").rstrip(".") + ("Z" if i % 2 else "-07:00")
        rows.append({
            "Caption": "demo%d.exe" % i if i else "System Idle Process",
            "CommandLine": None if i < 2 else "C:\\Windows\\demo%d.exe /run" % i,
            "CreationDate": None if i == 0 else Datetime(text),
            "Handle": str(i * 4),
            "KernelModeTime": 15625 * i * 1000,
            "Name": "demo%d.exe" % i if i else "System Idle Process",
            "ParentProcessId": 0 if i < 2 else 4,
            "ProcessId": i * 4,
            "ThreadCount": 1 + i % 17,
            "WorkingSetSize": 4096 * (100 + i) * 1024,
        })
    return rows


def operating_system():
    return [{
        "BootDevice": "\\Device\\HarddiskVolume1",
        "BuildNumber": "20348",
        "Caption": "Demo Server OS 2022 Datacenter",
        "CSDVersion": None,
        "CSName": "DEMO-SRV01",
        "CurrentTimeZone": 60,
        "FreePhysicalMemory": 6291456,
        "InstallDate": Datetime("2024-03-09T02:57:32Z"),
        "LastBootUpTime": Datetime("2026-12-01T06:15:02.1234567+01:00"),
        "Locale": "0409",
        "MUILanguages": ["en-US", "de-DE"],
        "OSArchitecture": "64-bit",
        "SerialNumber": "00000-00000-00000-AA000",
        "TotalVisibleMemorySize": 16777216,
        "Version": "10.0.20348",
    }]


def adapters():
    return [
        {
            "Description": "Demo Ethernet Adapter",
            "DHCPEnabled": True,
            "DNSDomainSuffixSearchOrder": ["corp.example", "example", "lab.example", "test.example"],
            "DefaultIPGateway": ["192.0.2.1"],
            "Index": 1,
            "IPAddress": ["192.0.2.10", "fe80::1"],
            "IPEnabled": True,
            "MACAddress": "00:15:5D:00:00:01",
            "WINSScopeID": "",
        },
        {
            "Description": "Demo Loopback Adapter",
            "DHCPEnabled": False,
            "DNSDomainSuffixSearchOrder": None,
            "DefaultIPGateway": None,
            "Index": 2,
            "IPAddress": None,
            "IPEnabled": False,
            "MACAddress": None,
            "WINSScopeID": "",
        },
    ]


def build(service_count=300, process_count=120):
    return {
        "Win32_Service": services(service_count),
        "Win32_Process": processes(process_count),
        "Win32_OperatingSystem": operating_system(),
        "Win32_NetworkAdapterConfiguration": adapters(),
    }
