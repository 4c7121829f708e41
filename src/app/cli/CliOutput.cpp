#include "app/cli/CliOutput.h"

#include "app/GridExport.h"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace tarnwick::app::cli {

namespace {

std::string CellForTable(const WideString& text) {
    std::string s = ToUtf8(text);
    for (char& c : s)
        if (c == '\r' || c == '\n' || c == '\t' || c == '\v') c = ' ';
    return s;
}

// Terminal columns of a UTF-8 text, counting each code point as one.
std::size_t DisplayWidth(const std::string& s) {
    std::size_t n = 0;
    for (unsigned char c : s)
        if ((c & 0xC0) != 0x80) ++n;
    return n;
}

} // namespace

std::string FormatTable(const TStringGrid& grid, bool lastRowIsError) {
    int cols = grid.ColCount(), rows = grid.RowCount();
    std::vector<std::vector<std::string>> cells(static_cast<std::size_t>(rows));
    std::vector<std::size_t> widths(std::size_t(cols), 0);
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) {
            cells[std::size_t(r)].push_back(CellForTable(grid.Cell(c, r)));
            // An error row's long text does not widen the column.
            bool errorRow = lastRowIsError && r == rows - 1 && c == 0 && cols > 1;
            if (!errorRow)
                widths[std::size_t(c)] =
                    std::max(widths[std::size_t(c)], DisplayWidth(cells[std::size_t(r)].back()));
        }
    std::string out;
    for (int r = 0; r < rows; ++r) {
        const auto& line = cells[std::size_t(r)];
        bool blank = std::all_of(line.begin(), line.end(), [](const std::string& s) { return s.empty(); });
        if (blank && r == 0 && grid.FixedRows() == 0)
            continue; // the empty first row of a run that failed before any row
        std::string text;
        for (int c = 0; c < cols; ++c) {
            if (c) text += "  ";
            text += line[std::size_t(c)];
            if (c + 1 < cols)
                text.append(widths[std::size_t(c)] -
                                std::min(widths[std::size_t(c)], DisplayWidth(line[std::size_t(c)])),
                            ' ');
        }
        while (!text.empty() && text.back() == ' ')
            text.pop_back();
        out += text + "\n";
        if (r == 0 && grid.FixedRows() > 0) {
            std::string dashes;
            for (int c = 0; c < cols; ++c) {
                if (c) dashes += "  ";
                dashes.append(std::max<std::size_t>(widths[std::size_t(c)], 1), '-');
            }
            out += dashes + "\n";
        }
    }
    return out;
}

std::string FormatCsv(const TStringGrid& grid) {
    return ToUtf8(GridToDelimitedText(grid));
}

std::string JsonString(const std::string& utf8) {
    std::string out = "\"";
    for (unsigned char c : utf8) {
        switch (c) {
        case '"':
            out += "\\\"";
            break;
        case '\\':
            out += "\\\\";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        case '\t':
            out += "\\t";
            break;
        default:
            if (c < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", c);
                out += buf;
            } else {
                out += char(c);
            }
        }
    }
    return out + "\"";
}

std::string FormatJson(const TStringGrid& grid, bool lastRowIsError) {
    std::string out = "[";
    bool first = true;
    if (grid.FixedRows() > 0) {
        int end = grid.RowCount() - (lastRowIsError ? 1 : 0);
        for (int r = 1; r < end; ++r) {
            out += first ? "\n  {" : ",\n  {";
            first = false;
            for (int c = 0; c < grid.ColCount(); ++c) {
                if (c) out += ", ";
                out += JsonString(ToUtf8(grid.Cell(c, 0))) + ": " + JsonString(ToUtf8(grid.Cell(c, r)));
            }
            out += "}";
        }
    }
    out += first ? "]\n" : "\n]\n";
    return out;
}

} // namespace tarnwick::app::cli
