#include "platform/registry/IniFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <random>
#include <sstream>
#include <thread>
#include <unistd.h>

using namespace tarnwick;
using namespace std::string_literals;
using registry::ERegistryException;
using registry::TIniFile;
namespace fs = std::filesystem;

namespace {

class IniFileTest : public ::testing::Test {
protected:
    void SetUp() override {
        FDir = fs::temp_directory_path() / ("tarnwick-ini-" + std::to_string(::getpid()) + "-" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(FDir);
        fs::create_directories(FDir);
        FPath = (FDir / "pod.reg").string();
    }
    void TearDown() override { fs::remove_all(FDir); }

    void WriteFile(const std::string& bytes) {
        std::ofstream out(FPath, std::ios::binary | std::ios::trunc);
        out << bytes;
    }
    std::string FileText() const {
        std::ifstream in(FPath, std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
    std::vector<std::string> DirEntries() const {
        std::vector<std::string> names;
        for (const auto& e : fs::directory_iterator(FDir))
            names.push_back(e.path().filename().string());
        return names;
    }

    fs::path FDir;
    std::string FPath;
};

// Names and values that cannot stand in a line as they are; each must read back
// exactly, from a fresh accessor that reads the file.
TEST_F(IniFileTest, EveryTextReadsBackAsWritten) {
    const WideString texts[] = {
        u"plain",
        u"",
        u"  leading",
        u"trailing\t",
        u"lone\rcr",
        u"lone\nlf",
        u"two\r\nlines",
        u"\"quoted\"",
        u"back\\slash\\n",
        u"a=b;c[d]",
        u";comment-like",
        u"[header-like]",
        u"#CRLF",
        u"Gr\u00FC\u00DFe \u65E5\u672C",
        WideString(u"nul\0inside", 10),
        u"\x01\x1F\x7F",
        WideString(1, char16_t(0xD800)) + u"lone surrogate",
        u"\U0001F600 pair",
    };
    {
        TIniFile ini(FPath);
        int i = 0;
        for (const WideString& text : texts) {
            WideString n = IntToStr(i++);
            ini.WriteString(u"values", n, text);
            ini.WriteString(u"keys", text, n);
            ini.WriteString(text, u"value", n);
        }
    }
    TIniFile ini(FPath);
    int i = 0;
    for (const WideString& text : texts) {
        SCOPED_TRACE(ToUtf8(text));
        WideString n = IntToStr(i++);
        EXPECT_EQ(ini.ReadString(u"values", n, u"?"), text);
        EXPECT_EQ(ini.ReadString(u"keys", text, u"?"), n);
        EXPECT_EQ(ini.ReadString(text, u"value", u"?"), n);
    }
    // One line per entry: nothing broke the layout.
    std::vector<WideString> keys;
    ini.ReadSection(u"values", keys);
    EXPECT_EQ(keys.size(), std::size(texts));
}

TEST_F(IniFileTest, NamesIgnoreAsciiCaseAndKeepTheirFirstSpelling) {
    TIniFile ini(FPath);
    ini.WriteString(u"\\Software\\Veltrano", u"RegPath", u"one");
    ini.WriteString(u"\\SOFTWARE\\veltrano", u"regpath", u"two");
    EXPECT_EQ(ini.ReadString(u"\\software\\VELTRANO", u"REGPATH", {}), u"two");
    std::vector<WideString> names;
    ini.ReadSections(names);
    EXPECT_EQ(names, std::vector<WideString>{u"\\Software\\Veltrano"});
    ini.ReadSection(u"\\software\\veltrano", names);
    EXPECT_EQ(names, std::vector<WideString>{u"RegPath"});
    EXPECT_EQ(FileText(), "[\\Software\\Veltrano]\nRegPath=two\n");
}

TEST_F(IniFileTest, TypedValuesReadBackAndFallBackToTheDefault) {
    TIniFile ini(FPath);
    TDateTime when = EncodeDateTime({2026, 12, 11, 13, 45, 7, 89});
    ini.WriteInteger(u"s", u"int", -2147483647 - 1);
    ini.WriteBool(u"s", u"yes", true);
    ini.WriteBool(u"s", u"no", false);
    ini.WriteDate(u"s", u"date", when);
    ini.WriteDateTime(u"s", u"stamp", when);
    TIniFile fresh(FPath);
    EXPECT_EQ(fresh.ReadInteger(u"s", u"int", 7), -2147483647 - 1);
    EXPECT_TRUE(fresh.ReadBool(u"s", u"yes", false));
    EXPECT_FALSE(fresh.ReadBool(u"s", u"no", true));
    EXPECT_EQ(fresh.ReadDate(u"s", u"date", 0), EncodeDate(2026, 12, 11));
    EXPECT_EQ(fresh.ReadDateTime(u"s", u"stamp", 0), when);
    EXPECT_EQ(fresh.ReadDate(u"s", u"stamp", 0), EncodeDate(2026, 12, 11)) << "a date-time read as a date";

    struct {
        const char16_t* Text;
        std::optional<std::int32_t> Integer;
        std::optional<bool> Bool;
        bool IsDate;
    } const cases[] = {
        {u"42", 42, true, false},
        {u"  -3 ", -3, true, false},
        {u"0x1F", 31, true, false},
        {u"$FFFFFFFF", -1, true, false},
        {u"0x123456789", {}, {}, false},
        {u"2147483648", {}, {}, false},
        {u"12abc", {}, {}, false},
        {u"TRUE", {}, true, false},
        {u"false", {}, false, false},
        {u"", {}, {}, false},
        {u"2026-02-30", {}, {}, false},
        {u"2026-02-28 24:00", {}, {}, false},
        {u"2026-02-28 23:59", {}, {}, true},
        {u"2026-02-28T23:59:58.999", {}, {}, true},
        {u"28.02.2026", {}, {}, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.Text));
        ini.WriteString(u"t", u"v", c.Text);
        EXPECT_EQ(ini.ReadInteger(u"t", u"v", 99), c.Integer.value_or(99));
        EXPECT_EQ(ini.ReadBool(u"t", u"v", true), c.Bool.value_or(true));
        EXPECT_EQ(ini.ReadDateTime(u"t", u"v", -1) != -1, c.IsDate);
    }
    EXPECT_EQ(ini.ReadInteger(u"t", u"absent", 5), 5);
    EXPECT_EQ(ini.ReadString(u"absent", u"v", u"d"), u"d");
}

TEST_F(IniFileTest, SectionsAndKeysAreListedTestedAndRemoved) {
    TIniFile ini(FPath);
    ini.WriteString(u"a", u"x", u"1");
    ini.WriteString(u"a", u"y", u"2");
    ini.WriteString(u"b", u"z", u"3");
    EXPECT_TRUE(ini.SectionExists(u"A"));
    EXPECT_TRUE(ini.ValueExists(u"a", u"Y"));
    EXPECT_FALSE(ini.ValueExists(u"b", u"x"));

    ini.DeleteKey(u"a", u"x");
    ini.DeleteKey(u"a", u"missing");
    std::vector<WideString> names{u"stale"};
    ini.ReadSection(u"a", names);
    EXPECT_EQ(names, std::vector<WideString>{u"y"});
    ini.EraseSection(u"A");
    ini.EraseSection(u"missing");
    ini.ReadSections(names);
    EXPECT_EQ(names, std::vector<WideString>{u"b"});
    EXPECT_FALSE(ini.SectionExists(u"a"));
    EXPECT_EQ(TIniFile(FPath).ReadString(u"b", u"z", {}), u"3");
}

// A file nobody wrote is read as far as it goes; what cannot be understood stays in
// the file when something else is changed.
struct TBrokenFile {
    const char* Name;
    std::string Bytes;
    std::vector<std::pair<WideString, WideString>> Found; // "section/key" -> value
    std::vector<WideString> Sections;
};

class IniFileDamaged : public IniFileTest, public ::testing::WithParamInterface<TBrokenFile> {};

TEST_P(IniFileDamaged, ReadsAsFarAsItCanAndKeepsTheRest) {
    const TBrokenFile& c = GetParam();
    WriteFile(c.Bytes);
    TIniFile ini(FPath);
    std::vector<WideString> sections;
    ini.ReadSections(sections);
    EXPECT_EQ(sections, c.Sections);
    for (const auto& [where, value] : c.Found) {
        auto slash = where.find(u'/');
        SCOPED_TRACE(ToUtf8(where));
        EXPECT_EQ(ini.ReadString(where.substr(0, slash), where.substr(slash + 1), u"<absent>"), value);
    }
    ini.WriteString(u"added", u"k", u"v");
    TIniFile again(FPath);
    EXPECT_EQ(again.ReadString(u"added", u"k", {}), u"v");
    for (const auto& [where, value] : c.Found) {
        auto slash = where.find(u'/');
        EXPECT_EQ(again.ReadString(where.substr(0, slash), where.substr(slash + 1), u"<absent>"), value);
    }
}

std::string Utf16Le(const std::u16string& text) {
    std::string bytes = "\xFF\xFE";
    for (char16_t c : text) {
        bytes.push_back(char(c & 0xFF));
        bytes.push_back(char(c >> 8));
    }
    return bytes;
}

INSTANTIATE_TEST_SUITE_P(
    Table, IniFileDamaged,
    ::testing::Values(
        TBrokenFile{"Empty", "", {{u"s/k", u"<absent>"}}, {}},
        TBrokenFile{"BinaryJunk", std::string("\x00\xFF\x13[\x80=\x01\n\x00\x00", 10), {}, {}},
        TBrokenFile{"TruncatedHeader", "[ok]\nk=1\n[Softw", {{u"ok/k", u"1"}}, {u"ok", u"Softw"}},
        TBrokenFile{"TruncatedEntry", "[s]\nk=1\nlon", {{u"s/k", u"1"}, {u"s/lon", u"<absent>"}}, {u"s"}},
        TBrokenFile{"LinesWithoutEquals",
                    "[s]\ngarbage here\nk = v \n=novalue\n",
                    {{u"s/k", u"v"}, {u"s/garbage here", u"<absent>"}, {u"s/", u"<absent>"}},
                    {u"s"}},
        TBrokenFile{"UnterminatedQuotes",
                    "[s]\na=\"open\nb=\"x\\\n\"c=1\n",
                    {{u"s/a", u"\"open"}, {u"s/b", u"\"x\\"}, {u"s/\"c", u"<absent>"}},
                    {u"s"}},
        TBrokenFile{"UnknownEscapesStay", "[s]\np=\"C:\\dir\\q\"\n", {{u"s/p", u"C:\\dir\\q"}}, {u"s"}},
        TBrokenFile{"EntriesBeforeAnyHeader", "k=1\n[s]\nk=2\n", {{u"s/k", u"2"}}, {u"s"}},
        TBrokenFile{"RepeatedSectionsAndKeys",
                    "[s]\nk=first\n[t]\nx=1\n[S]\nk=second\nm=2\n",
                    {{u"s/k", u"first"}, {u"s/m", u"2"}, {u"t/x", u"1"}},
                    {u"s", u"t"}},
        TBrokenFile{"OldMacAndMixedLineEnds",
                    "[s]\rk=1\r\nj=2\n\n\r[t]\rx=3",
                    {{u"s/k", u"1"}, {u"s/j", u"2"}, {u"t/x", u"3"}},
                    {u"s", u"t"}},
        TBrokenFile{"InvalidUtf8", "[s]\nk=a\xC3\x28z\n", {{u"s/k", u"a\uFFFD(z"}}, {u"s"}},
        TBrokenFile{"Utf8ByteOrderMark", "\xEF\xBB\xBF[s]\nk=v\n", {{u"s/k", u"v"}}, {u"s"}},
        TBrokenFile{
            "RepeatedByteOrderMarks", Utf16Le(u"\uFEFF\uFEFFk=pre\r\n[s]\r\nk=v"), {{u"s/k", u"v"}}, {u"s"}},
        TBrokenFile{"Utf16WithOddLastByte",
                    Utf16Le(u"[s]\r\nk=v\u00E9\r\n") + "\x41",
                    {{u"s/k", u"v\u00E9"}},
                    {u"s"}},
        TBrokenFile{"NulBytesInLines",
                    std::string("[s]\nk=a\0b\n\0\0\0\n", 14),
                    {{u"s/k", WideString(u"a\0b", 3)}},
                    {u"s"}},
        TBrokenFile{
            "HugeLine", "[s]\nbig=" + std::string(1 << 20, 'x') + "\nk=1\n", {{u"s/k", u"1"}}, {u"s"}},
        TBrokenFile{"HeaderTrailingText",
                    "[s] ; note\nk=1\n[ ]\nx=2\n",
                    {{u"s/k", u"1"}, {u"/x", u"2"}},
                    {u"s", u""}}),
    [](const auto& info) { return std::string(info.param.Name); });

// Any bytes parse without failing, and what is written out parses back to the same
// sections, keys and values (the written form is stable after one round).
TEST(IniFileParse, RandomBytesParseAndRoundTrip) {
    std::mt19937 random(20261211);
    const std::string alphabet = "[]=\"\\;# \t\r\nabcK\x00\x01\x7F\xC3\xA9\xFF\xFE\xEF\xBB\xBF"s;
    auto entries = [](const TIniFile::TDocument& doc) {
        std::vector<std::tuple<WideString, WideString, WideString>> out;
        for (const auto& section : doc.Sections)
            for (const auto& line : section.Lines)
                if (line.IsEntry) out.emplace_back(section.Name, line.Key, line.Value);
        return out;
    };
    for (int round = 0; round < 3000; ++round) {
        std::string bytes(random() % 80, ' ');
        for (char& c : bytes)
            c = alphabet[random() % alphabet.size()];
        SCOPED_TRACE(::testing::PrintToString(bytes));
        TIniFile::TDocument first = TIniFile::Parse(bytes);
        std::string written = TIniFile::Serialize(first);
        TIniFile::TDocument second = TIniFile::Parse(written);
        ASSERT_EQ(entries(second), entries(first));
        ASSERT_EQ(TIniFile::Serialize(second), written);
    }
}

TEST_F(IniFileTest, CommentsAndUnknownLinesSurviveAWrite) {
    WriteFile("; kept by the administrator\n[s]\n# not a key\nk=1\n\n; trailing note\n");
    TIniFile ini(FPath);
    ini.WriteString(u"s", u"new", u"2");
    EXPECT_EQ(FileText(), "; kept by the administrator\n[s]\n# not a key\nk=1\nnew=2\n\n; trailing note\n");
}

TEST_F(IniFileTest, WritesLeaveNoTemporaryFileAndFailuresStayPending) {
    TIniFile ini(FPath);
    ini.WriteString(u"s", u"k", u"1");
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"pod.reg"});

    std::string inMissingDir = (FDir / "gone" / "pod.reg").string();
    TIniFile orphan(inMissingDir);
    EXPECT_THROW(orphan.WriteString(u"s", u"k", u"1"), ERegistryException);
    EXPECT_TRUE(orphan.Modified());
    EXPECT_EQ(orphan.ReadString(u"s", u"k", {}), u"1") << "the change is kept in memory";
    fs::create_directories(FDir / "gone");
    orphan.UpdateFile();
    EXPECT_FALSE(orphan.Modified());
    EXPECT_EQ(TIniFile(inMissingDir).ReadString(u"s", u"k", {}), u"1");
    std::vector<std::string> left;
    for (const auto& e : fs::directory_iterator(FDir / "gone"))
        left.push_back(e.path().filename().string());
    EXPECT_EQ(left, std::vector<std::string>{"pod.reg"});
}

TEST_F(IniFileTest, AFileThatCannotBeReadIsNeverReplaced) {
    fs::create_directories(FPath); // a folder where the file should be: open succeeds, read fails
    TIniFile ini(FPath);
    EXPECT_EQ(ini.ReadString(u"s", u"k", u"d"), u"d");
    EXPECT_THROW(ini.WriteString(u"s", u"k", u"1"), ERegistryException);
    EXPECT_TRUE(fs::is_directory(FPath));
}

TEST_F(IniFileTest, TheConstructorReadsNothing) {
    TIniFile ini(FPath);
    WriteFile("[s]\nk=later\n");
    EXPECT_EQ(ini.ReadString(u"s", u"k", {}), u"later");
}

TEST_F(IniFileTest, ParallelReadersAndWritersKeepEveryWrite) {
    TIniFile ini(FPath);
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&ini, t] {
            for (int i = 0; i < 25; ++i) {
                ini.WriteInteger(u"t" + IntToStr(t), IntToStr(i), i);
                (void)ini.ReadInteger(u"t0", u"0", 0);
            }
        });
    for (auto& th : threads)
        th.join();
    TIniFile fresh(FPath);
    for (int t = 0; t < 4; ++t)
        for (int i = 0; i < 25; ++i)
            EXPECT_EQ(fresh.ReadInteger(u"t" + IntToStr(t), IntToStr(i), -1), i);
}

} // namespace
