#include "support/VelRegistry.h"

#include "platform/registry/IniFile.h"
#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace tarnwick;
using namespace std::string_literals;
using registry::ERegistryException;
using support::TVelRegistry;
namespace fs = std::filesystem;

namespace {

// Each test gets its own local-machine store and its own RegPath folder; the
// process-wide state is shut down before and after.
class VelRegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tarnwick-velreg-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
        FStore = (FDir / "registry.reg").string();
        ::setenv("TARNWICK_REGISTRY_FILE", FStore.c_str(), 1);
        TVelRegistry::Shutdown();
    }
    void TearDown() override {
        TVelRegistry::Shutdown();
        ::unsetenv("TARNWICK_REGISTRY_FILE");
        fs::remove_all(FDir);
    }

    // RegPath under HKLM\software\Veltrano, through the local-machine stand-in.
    void SetRegPath(const std::optional<WideString>& text) {
        registry::TRegistry reg(FStore);
        reg.SetRootKey(registry::TRootKey::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(u"\\software\\Veltrano", true));
        if (text) reg.WriteString(u"RegPath", *text);
        reg.CloseKey();
    }
    // File mode on, with pod.reg in FDir/ini.
    void EnableFileMode() {
        SetRegPath(FromUtf8((FDir / "ini").string()));
        TVelRegistry::Shutdown();
        TVelRegistry::Startup();
        ASSERT_TRUE(TVelRegistry::FileModeAvailable());
    }
    std::string IniText() const {
        std::ifstream in(TVelRegistry::IniPath(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }

    fs::path FDir;
    std::string FStore;
};

struct TProbeCase {
    const char* Name;
    std::optional<std::string> RegPath; // relative to the test folder when it starts with '+'
    bool FileMode;
};

class VelRegistryProbe : public VelRegistryTest, public ::testing::WithParamInterface<TProbeCase> {};

TEST_P(VelRegistryProbe, DecidesFileModeFromRegPath) {
    const TProbeCase& c = GetParam();
    std::ofstream(FDir / "plainfile") << "x";
    std::optional<WideString> text;
    if (c.RegPath)
        text = FromUtf8(c.RegPath->starts_with("+") ? (FDir / c.RegPath->substr(1)).string() : *c.RegPath);
    SetRegPath(text);
    TVelRegistry::Startup();
    EXPECT_EQ(TVelRegistry::FileModeAvailable(), c.FileMode);
    TVelRegistry reg;
    EXPECT_EQ(reg.IsFileMode(), c.FileMode);
    if (c.FileMode) {
        std::string dir = ToUtf8(*text);
        if (!dir.ends_with("/")) dir += "/";
        EXPECT_EQ(TVelRegistry::IniPath(), dir + "pod.reg");
        EXPECT_TRUE(fs::is_directory(dir)) << "the folder is created with its parents";
        EXPECT_FALSE(fs::exists(TVelRegistry::IniPath())) << "the probe does not touch the file";
    }
}

INSTANTIATE_TEST_SUITE_P(Table, VelRegistryProbe,
                         ::testing::Values(TProbeCase{"NoValue", std::nullopt, false},
                                           TProbeCase{"Empty", "", false},
                                           TProbeCase{"OnlyBlanks", " \t  ", false},
                                           TProbeCase{"ExistingFolder", "+", true},
                                           TProbeCase{"ExistingFolderWithDelimiter", "+/", true},
                                           TProbeCase{"MissingFolders", "+a/b/c", true},
                                           TProbeCase{"FolderBelowAFile", "+plainfile/sub", false},
                                           TProbeCase{"AFileNotAFolder", "+plainfile", false}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST_F(VelRegistryTest, ProbeCreatesTheKeyAndIgnoresRegPathOfAnotherType) {
    {
        registry::TRegistry reg(FStore);
        reg.SetRootKey(registry::TRootKey::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(u"\\software\\Veltrano", true));
        reg.WriteInteger(u"RegPath", 1);
        reg.CloseKey();
    }
    TVelRegistry::Startup();
    EXPECT_FALSE(TVelRegistry::FileModeAvailable());
    TVelRegistry::Shutdown();

    fs::remove(FStore);
    TVelRegistry::Startup();
    TVelRegistry reg(true);
    EXPECT_TRUE(reg.KeyExists(u"\\Software\\Veltrano"))
        << "the probe opens the key allowing it to be created";
}

TEST_F(VelRegistryTest, DamagedStoreLeavesFileModeOffQuietly) {
    std::ofstream(FStore) << "this is not a registry file\n[HKEY_LOCAL_MACHINE\\software\n\"RegPath\"=";
    TVelRegistry::Startup();
    EXPECT_FALSE(TVelRegistry::FileModeAvailable());
    TVelRegistry reg;
    EXPECT_FALSE(reg.OpenKey(u"\\software\\Veltrano", false));
}

TEST_F(VelRegistryTest, CreateTrueGivesRegistryModeEvenWhenFileModeIsAvailable) {
    EnableFileMode();
    TVelRegistry file;
    TVelRegistry forced(true);
    TVelRegistry forcedWithAccess(support::KEY_READ, true);
    EXPECT_TRUE(file.IsFileMode());
    EXPECT_FALSE(forced.IsFileMode());
    EXPECT_FALSE(forcedWithAccess.IsFileMode());
    ASSERT_TRUE(forced.OpenKey(u"\\Software\\Veltrano\\Forced", true));
    forced.WriteString(u"Where", u"registry");
    ASSERT_TRUE(file.OpenKey(u"\\Software\\Veltrano\\Forced", false));
    EXPECT_FALSE(file.ValueExists(u"Where"));
}

TEST_F(VelRegistryTest, KeysMapToSectionsWithoutTheWow64View) {
    EnableFileMode();
    TVelRegistry reg;
    EXPECT_TRUE(reg.OpenKey(u"", false));
    EXPECT_EQ(reg.CurrentKey(), u"root");
    reg.WriteInteger(u"AtRoot", 1);

    ASSERT_TRUE(reg.OpenKey(u"\\Software\\WoW6432Node\\X", false)) << "nothing needs to exist";
    EXPECT_EQ(reg.CurrentKey(), u"\\Software\\X");
    reg.WriteString(u"Bits", u"32");
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\X", false));
    EXPECT_EQ(reg.ReadString(u"Bits"), u"32");
    EXPECT_TRUE(reg.KeyExists(u"\\SOFTWARE\\wow6432node\\x"));
    EXPECT_EQ(TVelRegistry::SectionName(u"\\A\\WOW6432NODE\\B\\wow6432Node"), u"\\A\\B");

    reg.SetRootkey(support::HKEY_CURRENT_USER);
    EXPECT_EQ(reg.Rootkey(), support::HKEY_CURRENT_USER);
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\X", false));
    EXPECT_EQ(reg.ReadString(u"Bits"), u"32") << "the root key plays no part in the section";

    EXPECT_TRUE(reg.KeyExists(u"")) << "the empty key is the root section everywhere";
    EXPECT_TRUE(reg.OpenKeyReadOnly(u"\\Software\\X"));
    EXPECT_FALSE(reg.OpenKeyReadOnly(u"\\Software\\Y"));
    EXPECT_EQ(reg.CurrentKey(), u"\\Software\\Y");
    EXPECT_TRUE(reg.CreateKey(u"\\Software\\Z"));
    EXPECT_FALSE(reg.KeyExists(u"\\Software\\Z")) << "CreateKey creates nothing in file mode";
    reg.CloseKey();
    EXPECT_EQ(reg.CurrentKey(), u"");
}

TEST_F(VelRegistryTest, LineBreaksTravelAsCrlfMarkers) {
    EnableFileMode();
    {
        TVelRegistry reg;
        reg.OpenKey(u"\\Software\\Veltrano\\Tarnwick", true);
        reg.WriteString(u"Query", u"SELECT *\r\nFROM Win32_Process");
        reg.WriteString(u"Literal", u"a#CRLFb");
        reg.WriteString(u"Lone", u"cr\ronly lf\nonly");
    }
    EXPECT_NE(IniText().find("Query=SELECT *#CRLFFROM Win32_Process\n"), std::string::npos) << IniText();
    TVelRegistry reg;
    reg.OpenKey(u"\\Software\\Veltrano\\Tarnwick", false);
    EXPECT_EQ(reg.ReadString(u"Query"), u"SELECT *\r\nFROM Win32_Process");
    EXPECT_EQ(reg.ReadString(u"Literal"), u"a\r\nb");
    EXPECT_EQ(reg.ReadString(u"Lone"), u"cr\ronly lf\nonly") << "lone breaks are kept, not lost in the file";
}

TEST_F(VelRegistryTest, GetKeyNamesListsEverySectionWhateverKeyIsOpen) {
    EnableFileMode();
    TVelRegistry reg;
    for (const char16_t* key : {u"\\Software\\A", u"\\Software\\A\\Sub", u"\\Other"}) {
        reg.OpenKey(key, true);
        reg.WriteBool(u"v", true);
    }
    reg.OpenKey(u"\\Software\\A", false);
    std::vector<WideString> names{u"stale"};
    reg.GetKeyNames(&names);
    EXPECT_EQ(names, (std::vector<WideString>{u"\\Software\\A", u"\\Software\\A\\Sub", u"\\Other"}));
    reg.GetKeyNames(nullptr);
    reg.GetValuenames(&names);
    EXPECT_EQ(names, std::vector<WideString>{u"v"});

    EXPECT_TRUE(reg.DeleteValue(u"V"));
    EXPECT_FALSE(reg.DeleteValue(u"v"));
    EXPECT_TRUE(reg.DeleteKey(u"\\Software\\WoW6432Node\\A\\Sub"));
    EXPECT_FALSE(reg.DeleteKey(u"\\Software\\A\\Sub"));
    reg.GetKeyNames(&names);
    EXPECT_EQ(names, (std::vector<WideString>{u"\\Software\\A", u"\\Other"}));
}

// The tolerant reads in both modes: absent values give the empty value or the default,
// present ones (also 0 and false) their own.
class VelRegistryTolerant : public VelRegistryTest, public ::testing::WithParamInterface<bool> {};

TEST_P(VelRegistryTolerant, AbsentGivesTheDefaultPresentGivesTheValue) {
    bool fileMode = GetParam();
    if (fileMode) EnableFileMode();
    TVelRegistry reg(!fileMode);
    ASSERT_EQ(reg.IsFileMode(), fileMode);
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Veltrano\\Tolerant", true));
    TDateTime when = EncodeDateTime({2025, 1, 2, 3, 4, 5, 6});
    reg.WriteInteger(u"Zero", 0);
    reg.WriteBool(u"Off", false);
    reg.WriteString(u"Empty", u"");
    reg.WriteDateTime(u"When", when);
    reg.WriteDate(u"Day", EncodeDate(2025, 1, 2));

    EXPECT_EQ(reg.ReadValueAsIntegerOrDefault(u"Absent", 17), 17);
    EXPECT_EQ(reg.ReadValueAsIntegerOrDefault(u"Zero", 17), 0);
    EXPECT_EQ(reg.ReadValueAsBoolOrDefault(u"Absent", true), true);
    EXPECT_EQ(reg.ReadValueAsBoolOrDefault(u"Off", true), false);
    EXPECT_EQ(reg.ReadValueAsStringOrDefault(u"Absent", u"d"), u"d");
    EXPECT_EQ(reg.ReadValueAsStringOrDefault(u"Empty", u"d"), u"");
    EXPECT_EQ(reg.ReadValueAsDateTimeOrDefault(u"Absent", 1.5), 1.5);
    EXPECT_EQ(reg.ReadValueAsDateTimeOrDefault(u"When", 1.5), when);
    EXPECT_EQ(reg.ReadValueAsDateOrDefault(u"Day", 1.5), EncodeDate(2025, 1, 2));

    std::int32_t i = 5;
    bool b = true;
    WideString s = u"x";
    TDateTime d = 9;
    EXPECT_FALSE(reg.TryReadValueAsInteger(u"Absent", i));
    EXPECT_FALSE(reg.TryReadValueAsBool(u"Absent", b));
    EXPECT_FALSE(reg.TryReadValueAsString(u"Absent", s));
    EXPECT_FALSE(reg.TryReadValueAsDate(u"Absent", d));
    EXPECT_EQ(std::make_tuple(i, b, s, d), std::make_tuple(0, false, WideString(), 0.0));
    EXPECT_TRUE(reg.TryReadValueAsDateTime(u"When", d));
    EXPECT_EQ(d, when);
}

INSTANTIATE_TEST_SUITE_P(Modes, VelRegistryTolerant, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "FileMode" : "RegistryMode"; });

TEST_F(VelRegistryTest, RegistryModeReadsFailAsTheRegistryDoes) {
    TVelRegistry reg;
    ASSERT_FALSE(reg.IsFileMode());
    EXPECT_EQ(reg.Rootkey(), 0u) << "0 until assigned";
    EXPECT_FALSE(reg.OpenKey(u"\\Software\\Veltrano\\Missing", false));
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Veltrano\\Typed", true));
    reg.WriteString(u"Text", u"two\r\nlines");
    EXPECT_EQ(reg.ReadString(u"Text"), u"two\r\nlines");
    EXPECT_EQ(reg.ReadString(u"Absent"), u"");
    EXPECT_THROW(reg.ReadInteger(u"Absent"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(u"Text"), ERegistryException);
    EXPECT_THROW(reg.ReadDateTime(u"Text"), ERegistryException);
    EXPECT_FALSE(reg.ValueExists(u"Absent"));

    ASSERT_TRUE(reg.OpenKey(u"Child", true)) << "relative to the open key";
    EXPECT_TRUE(reg.KeyExists(u"\\Software\\Veltrano\\Typed\\Child"));
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Veltrano\\Typed", false));
    std::vector<WideString> names;
    reg.GetKeyNames(&names);
    EXPECT_EQ(names, std::vector<WideString>{u"Child"});
    reg.GetValuenames(&names);
    EXPECT_EQ(names, std::vector<WideString>{u"Text"});
    EXPECT_TRUE(reg.DeleteKey(u"\\Software\\Veltrano\\Typed"));
    EXPECT_FALSE(reg.KeyExists(u"\\Software\\Veltrano\\Typed\\Child")) << "subkeys go with their key";
    EXPECT_FALSE(reg.OpenKeyReadOnly(u"\\Software\\Veltrano\\Typed"));
}

TEST_F(VelRegistryTest, ShutdownReleasesTheFileAndTheNextCreateProbesAgain) {
    EnableFileMode();
    {
        TVelRegistry reg;
        reg.OpenKey(u"\\K", true);
        reg.WriteInteger(u"N", 42);
    }
    TVelRegistry::Shutdown();
    EXPECT_FALSE(TVelRegistry::FileModeAvailable());
    EXPECT_EQ(TVelRegistry::IniPath(), "");
    TVelRegistry::Shutdown(); // a second shutdown finds nothing to release

    TVelRegistry again; // probes again: RegPath is still there
    EXPECT_TRUE(again.IsFileMode());
    again.OpenKey(u"\\K", false);
    EXPECT_EQ(again.ReadInteger(u"N"), 42);
}

TEST_F(VelRegistryTest, AnInstanceThatOutlivesTheShutdownFailsCleanly) {
    EnableFileMode();
    TVelRegistry reg;
    reg.OpenKey(u"\\K", true);
    TVelRegistry::Shutdown();
    EXPECT_THROW(reg.ReadString(u"N"), ERegistryException);
    EXPECT_THROW(reg.WriteInteger(u"N", 1), ERegistryException);
}

// Instances on several threads share the one file under the store lock.
TEST_F(VelRegistryTest, ThreadsShareTheFileThroughTheStoreLock) {
    EnableFileMode();
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([t] {
            TVelRegistry reg;
            for (int i = 0; i < 20; ++i) {
                reg.OpenKey(u"\\T" + IntToStr(t), true);
                reg.WriteInteger(IntToStr(i), i);
                std::vector<WideString> sections;
                reg.GetKeyNames(&sections);
                (void)reg.ReadValueAsIntegerOrDefault(u"0", -1);
            }
        });
    for (auto& th : threads)
        th.join();
    TVelRegistry::Shutdown();
    TVelRegistry reg;
    for (int t = 0; t < 4; ++t) {
        reg.OpenKey(u"\\T" + IntToStr(t), false);
        std::vector<WideString> names;
        reg.GetValuenames(&names);
        EXPECT_EQ(names.size(), 20u);
    }
}

TEST_F(VelRegistryTest, ADamagedIniFileReadsAsFarAsItCan) {
    EnableFileMode();
    std::ofstream(TVelRegistry::IniPath(), std::ios::binary)
        << "[\\K]\nN=7\n\x00\xFF garbage\n[\\L\nM=x#CRLFy"s;
    TVelRegistry reg;
    reg.OpenKey(u"\\K", false);
    EXPECT_EQ(reg.ReadInteger(u"N"), 7);
    reg.OpenKey(u"\\L", false);
    EXPECT_EQ(reg.ReadString(u"M"), u"x\r\ny");
}

} // namespace
