#include "app/GridExport.h"
#include "app/Presets.h"
#include "app/QueryHistory.h"
#include "platform/com/Exception.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

using namespace tarnwick;
using namespace tarnwick::app;

TEST(GridExport, CellQuoting) {
    const struct {
        const char16_t* In;
        const char16_t* Out;
    } cases[] = {
        {u"plain", u"plain"},
        {u"", u"\"\""},
        {u"a;b", u"\"a;b\""},
        {u"5\"", u"\"5\"\"\""},
        {u"a\"b;c", u"\"a\"\"b;c\""},             // ";" wins: quoted once, by step 4
        {u"line1\r\nline2", u"\"line1\vline2\""}, // two lines join with character 11
        {u"x\r\ny;z", u"\"x\vy;z\""},
        {u"say \"hi\"\r\nbye", u"\"say \"\"hi\"\"\nbye\""}, // quoted cell: CR of CR LF dropped
        {u"unix\nline", u"\"unix\vline\""},                 // a lone LF would break the line too
        {u"old\rmac", u"\"old\vmac\""},
        {u"\u00e4\u20ac", u"\u00e4\u20ac"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ToUtf8(c.In));
        EXPECT_EQ(QuoteDelimitedCell(c.In), c.Out);
    }
}

TEST(GridExport, SavesEveryRowAndColumnWithTheErrorRow) {
    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetFixedRows(1);
    grid.SetCell(0, 0, u"Name");
    grid.SetCell(1, 0, u"Value");
    grid.SetCell(2, 0, u"Size");
    grid.SetCell(0, 1, u"a;b");
    grid.SetCell(1, 1, u"\u00fcber");
    grid.SetRowCount(3);
    grid.SetCell(0, 2, u"Error: 80041001: Call failed");
    EXPECT_EQ(GridToDelimitedText(grid), u"Name;Value;Size\r\n\"a;b\";\u00fcber;\"\"\r\n"
                                         u"Error: 80041001: Call failed;\"\";\"\"\r\n");

    char dir[] = "/tmp/app_export.XXXXXX";
    ASSERT_TRUE(::mkdtemp(dir));
    std::string path = std::string(dir) + "/out.csv";
    std::ofstream(path)
        << "old content that is longer than the new one........................................";
    SaveGridToFile(grid, path);
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    EXPECT_EQ(s.str(), ToUtf8(GridToDelimitedText(grid))); // UTF-8, replaced, no mark
    EXPECT_THROW(SaveGridToFile(grid, std::string(dir) + "/missing/out.csv"), Exception);
    std::filesystem::remove_all(dir);
}

TEST(GridExport, ClipboardRangeIsTabSeparated) {
    TStringGrid grid;
    grid.SetColCount(3);
    grid.SetRowCount(3);
    grid.SetCell(0, 1, u"a");
    grid.SetCell(1, 1, u"b\tc");
    grid.SetCell(2, 1, u"x");
    grid.SetCell(0, 2, u"say \"q\"");
    EXPECT_EQ(GridRangeToClipboardText(grid, 0, 1, 1, 2), u"a\t\"b\tc\"\n\"say \"\"q\"\"\"\t\n");
    EXPECT_EQ(GridRangeToClipboardText(grid, 2, 1, 9, 1), u"x\n"); // clipped to the grid
}

TEST(StringGrid, CountsAndOutOfRangeCells) {
    TStringGrid grid;
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.RowCount(), 1);
    grid.SetColCount(2);
    grid.AddRow();
    grid.SetFixedRows(1);
    grid.SetCell(1, 1, u"v");
    grid.SetCell(5, 5, u"ignored");
    EXPECT_EQ(grid.Cell(5, 5), u"");
    EXPECT_EQ(grid.Cell(1, 1), u"v");
    grid.SetFixedRows(5);
    EXPECT_EQ(grid.FixedRows(), 1); // at least one row stays a data row
    grid.Clear();
    EXPECT_EQ(grid.ColCount(), 1);
    EXPECT_EQ(grid.RowCount(), 1);
    EXPECT_EQ(grid.FixedRows(), 0);
    EXPECT_EQ(grid.Cell(0, 0), u"");
}

TEST(QueryHistory, AddAndLeafThrough) {
    TQueryHistory h;
    EXPECT_EQ(h.HistoryIndex, 0);
    EXPECT_FALSE(h.Older());
    EXPECT_FALSE(h.Newer()); // nothing at index 0 yet
    h.AddToHistory(u"  \r\n");
    EXPECT_TRUE(h.History.empty());
    EXPECT_EQ(h.HistoryIndex, -1);
    h.AddToHistory(u" Q1\r\n");
    h.AddToHistory(u"Q2");
    h.AddToHistory(u"Q2"); // the same text again is kept
    EXPECT_EQ(h.History, (std::vector<WideString>{u"Q1", u"Q2", u"Q2"}));
    EXPECT_EQ(h.HistoryIndex, 2);
    EXPECT_EQ(h.Older(), u"Q2");
    EXPECT_EQ(h.Older(), u"Q1");
    EXPECT_FALSE(h.Older());
    EXPECT_EQ(h.HistoryIndex, 0);
    EXPECT_EQ(h.Newer(), u"Q2");
    EXPECT_EQ(h.Newer(), u"Q2");
    EXPECT_FALSE(h.Newer());
    h.AddToHistory(u"");
    EXPECT_EQ(h.HistoryIndex, 2); // an empty memo resets the index to the last entry
}

TEST(Presets, CaptionAndQueries) {
    EXPECT_EQ(VersionCaption(u"Tarnwick", u"26.1.2.747"), u"Tarnwick V26.1.2");
    EXPECT_EQ(VersionCaption(u"Tarnwick", u"1.0.0.0"), u"Tarnwick V1.0.0");
    EXPECT_EQ(VersionCaption(u"Tarnwick", u"7"), u"Tarnwick V");
    EXPECT_EQ(QueryPresets().size(), 7u);
    EXPECT_EQ(WideString(QueryPresets()[5].Query),
              u"SELECT *  FROM Win32_PerfRawData_Tcpip_NetworkInterface");
    EXPECT_EQ(WideString(QueryPresets()[6].Caption), u"Custom ");
    EXPECT_EQ(QueryPresets()[6].Query, nullptr);
}
