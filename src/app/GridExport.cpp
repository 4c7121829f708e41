#include "app/GridExport.h"

#include "platform/com/Exception.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>

namespace tarnwick::app {

WideString QuoteDelimitedCell(const WideString& text) {
    WideString s = ReplaceAll(text, u"\"", u"\"\"");
    bool quoted = false;
    if (s.find(u';') == WideString::npos && s.find(u'"') != WideString::npos) {
        s = u"\"" + s + u"\"";
        quoted = true;
    }
    if (s.empty()) return u"\"\"";
    if (s.find_first_of(u";\r\n") != WideString::npos) {
        if (quoted) {
            s = ReplaceAll(s, u"\r\n", u"\n");
        } else {
            WideString joined;
            joined.reserve(s.size() + 2);
            for (std::size_t i = 0; i < s.size(); ++i) {
                if (s[i] == u'\r' && i + 1 < s.size() && s[i + 1] == u'\n') {
                    joined.push_back(u'\v');
                    ++i;
                } else if (s[i] == u'\r' || s[i] == u'\n') {
                    joined.push_back(u'\v');
                } else {
                    joined.push_back(s[i]);
                }
            }
            s = u"\"" + joined + u"\"";
        }
    }
    return s;
}

WideString GridToDelimitedText(const TStringGrid& grid) {
    WideString out;
    for (int row = 0; row < grid.RowCount(); ++row) {
        for (int col = 0; col < grid.ColCount(); ++col) {
            if (col) out.push_back(u';');
            out += QuoteDelimitedCell(grid.Cell(col, row));
        }
        out += u"\r\n";
    }
    return out;
}

void SaveGridToFile(const TStringGrid& grid, const std::string& path) {
    std::string bytes = ToUtf8(GridToDelimitedText(grid));
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), std::streamsize(bytes.size()));
    if (out) out.close();
    if (!out) throw Exception(u"Cannot write \"" + FromUtf8(path) + u"\": " + FromUtf8(std::strerror(errno)));
}

WideString GridRangeToClipboardText(const TStringGrid& grid, int left, int top, int right, int bottom) {
    left = std::max(left, 0);
    top = std::max(top, 0);
    right = std::min(right, grid.ColCount() - 1);
    bottom = std::min(bottom, grid.RowCount() - 1);
    WideString out;
    for (int row = top; row <= bottom; ++row) {
        for (int col = left; col <= right; ++col) {
            if (col > left) out.push_back(u'\t');
            const WideString& cell = grid.Cell(col, row);
            if (cell.find_first_of(u"\t\r\n\"") != WideString::npos)
                out += u"\"" + ReplaceAll(cell, u"\"", u"\"\"") + u"\"";
            else
                out += cell;
        }
        if (left <= right) out.push_back(u'\n');
    }
    return out;
}

} // namespace tarnwick::app
