#include "platform/registry/Registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

using namespace tarnwick;
using namespace tarnwick::registry;

namespace {

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override {
        char pattern[] = "/tmp/registry_tests.XXXXXX";
        FDir = ::mkdtemp(pattern);
        FPath = FDir + "/sub/registry.reg";
    }
    void TearDown() override { std::filesystem::remove_all(FDir); }

    void WriteFile(const std::string& text) {
        std::filesystem::create_directories(FDir + "/sub");
        std::ofstream(FPath, std::ios::binary) << text;
    }
    std::string ReadFile() const {
        std::ifstream in(FPath, std::ios::binary);
        std::ostringstream s;
        s << in.rdbuf();
        return s.str();
    }

    std::string FDir, FPath;
};

} // namespace

TEST_F(RegistryTest, TypedValuesRoundTripThroughTheFile) {
    {
        TRegistry reg(FPath);
        reg.SetRootKey(TRootKey::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(u"\\Software\\Veltrano\\Tarnwick", true));
        reg.WriteString(u"Host", u"srv \"1\" C:\\x");
        reg.WriteString(u"Query", u"SELECT *\r\nFROM Win32_Process"); // control characters
        reg.WriteString(u"Empty", u"");
        reg.WriteString(u"Umlaut", u"Gr\u00fc\u00dfe \u20ac");
        reg.WriteInteger(u"WsmanPort", 5986);
        reg.WriteInteger(u"Selection", -1);
        reg.WriteBool(u"UseWSMan", true);
        reg.CloseKey();
    }
    std::string text = ReadFile();
    EXPECT_EQ(text.rfind("Windows Registry Editor Version 5.00\n", 0), 0u);
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Veltrano\\Tarnwick]"), std::string::npos);
    EXPECT_NE(text.find("\"WsmanPort\"=dword:00001762"), std::string::npos);
    EXPECT_NE(text.find("\"Host\"=\"srv \\\"1\\\" C:\\\\x\""), std::string::npos);

    TRegistry reg(FPath);
    reg.SetRootKey(TRootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(u"Software\\Veltrano\\Tarnwick", false));
    EXPECT_EQ(reg.ReadString(u"host"), u"srv \"1\" C:\\x"); // names ignore case
    EXPECT_EQ(reg.ReadString(u"Query"), u"SELECT *\r\nFROM Win32_Process");
    EXPECT_TRUE(reg.ValueExists(u"Empty"));
    EXPECT_EQ(reg.ReadString(u"Empty"), u"");
    EXPECT_EQ(reg.ReadString(u"Umlaut"), u"Gr\u00fc\u00dfe \u20ac");
    EXPECT_EQ(reg.ReadInteger(u"WsmanPort"), 5986);
    EXPECT_EQ(reg.ReadInteger(u"Selection"), -1);
    EXPECT_TRUE(reg.ReadBool(u"UseWSMan"));
    EXPECT_FALSE(reg.ValueExists(u"Domain"));
    EXPECT_EQ(reg.ReadString(u"Domain"), u"");
}

TEST_F(RegistryTest, WrongTypeOrMissingIntegerFails) {
    WriteFile("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Software\\T]\n"
              "\"Selection\"=\"two\"\n\"Port\"=dword:1\n");
    TRegistry reg(FPath);
    reg.SetRootKey(TRootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\T", false));
    try {
        reg.ReadInteger(u"Selection");
        FAIL() << "read a text as an integer";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), u"Invalid data type for 'Selection'");
    }
    EXPECT_THROW(reg.ReadString(u"Port"), ERegistryException);
    EXPECT_THROW(reg.ReadInteger(u"Missing"), ERegistryException);
    EXPECT_EQ(reg.ReadInteger(u"Port"), 1);
}

TEST_F(RegistryTest, MissingFileAndKey) {
    TRegistry reg(FPath);
    reg.SetRootKey(TRootKey::LocalMachine);
    EXPECT_FALSE(reg.OpenKey(u"\\Software\\Veltrano\\Tarnwick", false));
    EXPECT_FALSE(std::filesystem::exists(FPath)); // nothing written by a failed open
    ASSERT_TRUE(reg.OpenKey(u"\\Software\\Veltrano\\Tarnwick", true));
    reg.CloseKey();
    EXPECT_TRUE(std::filesystem::exists(FPath)); // the created key is kept, folders too
}

TEST_F(RegistryTest, OtherKeysAndUnknownTypesSurviveAWrite) {
    WriteFile("\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n; a comment\r\n"
              "[HKEY_LOCAL_MACHINE\\Software\\Other]\r\n\"Bin\"=hex:01,02,\\\r\n  03\r\n"
              "\"Multi\"=hex(7):41,00,00,00,00,00\r\n@=\"default\"\r\n");
    {
        TRegistry reg(FPath);
        reg.SetRootKey(TRootKey::LocalMachine);
        ASSERT_TRUE(reg.OpenKey(u"\\Software\\Mine", true));
        reg.WriteInteger(u"X", 7);
        reg.CloseKey();
    }
    std::string text = ReadFile();
    EXPECT_NE(text.find("\"Bin\"=hex:01,02,03\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\"Multi\"=hex(7):41,00,00,00,00,00\n"), std::string::npos) << text;
    EXPECT_NE(text.find("@=\"default\"\n"), std::string::npos) << text;
    EXPECT_NE(text.find("[HKEY_LOCAL_MACHINE\\Software\\Mine]\n\"X\"=dword:00000007"), std::string::npos);
}

TEST_F(RegistryTest, DamagedFilesGiveAClearErrorAndAreNotOverwritten) {
    const struct {
        const char* Text;
        const char* Expect;
    } cases[] = {
        {"garbage\n", "line 1"},
        {"Windows Registry Editor Version 5.00\n\"Orphan\"=\"x\"\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S\n", "line 2"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=\"unterminated\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=dword:123456789\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=dword:xyz\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=hex:1,zz\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=hex(1):41\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\" \"x\"\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=\"x\" tail\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\S]\nA=1\n", "line 3"},
        {"Windows Registry Editor Version 5.00\n[-HKEY_LOCAL_MACHINE\\S]\n", "line 2"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Text);
        WriteFile(c.Text);
        TRegistry reg(FPath);
        reg.SetRootKey(TRootKey::LocalMachine);
        try {
            reg.OpenKey(u"\\S", true);
            FAIL() << "parsed";
        } catch (const ERegistryException& e) {
            std::string msg = e.what();
            EXPECT_NE(msg.find("damaged"), std::string::npos) << msg;
            EXPECT_NE(msg.find(FPath), std::string::npos) << msg;
            EXPECT_NE(msg.find(c.Expect), std::string::npos) << msg;
        }
        EXPECT_THROW(reg.WriteInteger(u"A", 1), ERegistryException); // no key is open
        reg.CloseKey();
        EXPECT_EQ(ReadFile(), c.Text);
    }
}

TEST_F(RegistryTest, Utf16FileWithByteOrderMarkIsRead) {
    std::u16string text =
        u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\S]\r\n\"A\"=\"\u00e4\"\r\n";
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    WriteFile(bytes);
    TRegistry reg(FPath);
    reg.SetRootKey(TRootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(u"\\S", false));
    EXPECT_EQ(reg.ReadString(u"A"), u"\u00e4");
}

TEST_F(RegistryTest, AFailedWriteKeepsTheOldFile) {
    WriteFile("Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\S]\n\"A\"=dword:00000001\n");
    std::string before = ReadFile();
    TRegistry reg(FPath);
    reg.SetRootKey(TRootKey::LocalMachine);
    ASSERT_TRUE(reg.OpenKey(u"\\S", false));
    reg.WriteInteger(u"A", 2);
    std::filesystem::permissions(FDir + "/sub",
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    bool root = ::geteuid() == 0; // root writes anyway
    if (!root) {
        EXPECT_THROW(reg.CloseKey(), ERegistryException);
    }
    reg.CloseKey();
    std::filesystem::permissions(FDir + "/sub", std::filesystem::perms::owner_all);
    if (!root) {
        EXPECT_EQ(ReadFile(), before);
    }
    for (const auto& entry : std::filesystem::directory_iterator(FDir + "/sub"))
        EXPECT_EQ(entry.path().filename(), "registry.reg"); // no temporary file left behind
}

TEST(RegistryPath, EnvironmentChoosesTheFile) {
    const char* saved = std::getenv("TARNWICK_REGISTRY_FILE");
    std::string keep = saved ? saved : "";
    ::setenv("TARNWICK_REGISTRY_FILE", "/tmp/x.reg", 1);
    EXPECT_EQ(LocalMachineRegistryPath(), "/tmp/x.reg");
    ::unsetenv("TARNWICK_REGISTRY_FILE");
    ::setenv("XDG_CONFIG_HOME", "/cfg", 1);
    EXPECT_EQ(LocalMachineRegistryPath(), "/cfg/veltrano/registry.reg");
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("HOME", "/home/u", 1);
    EXPECT_EQ(LocalMachineRegistryPath(), "/home/u/.config/veltrano/registry.reg");
    if (saved) ::setenv("TARNWICK_REGISTRY_FILE", keep.c_str(), 1);
}
