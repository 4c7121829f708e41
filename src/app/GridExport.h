#pragma once
// Saving the result grid as delimited text and copying a range of it as
// tab-separated text.

#include "app/StringGrid.h"

#include <string>

namespace tarnwick::app {

// One cell as it is written to a delimited file (delimiter ";"):
// 1. double quotes are doubled;
// 2. a text without ";" but with a double quote is enclosed in double quotes (quoted cell);
// 3. an empty text becomes "";
// 4. a text with ";" or a line break: in a quoted cell the CR of every CR LF is dropped;
//    otherwise every line break (CR LF, a lone LF or a lone CR) becomes character 11
//    and the text is enclosed in double quotes.
WideString QuoteDelimitedCell(const WideString& text);

// Every row (the fixed header row included) as one line of every column, cells joined
// by ";", each line ended by CR LF.
WideString GridToDelimitedText(const TStringGrid& grid);

// Writes GridToDelimitedText in UTF-8 (no byte-order mark), replacing the file.
// Throws tarnwick::Exception naming the file when it cannot be written.
void SaveGridToFile(const TStringGrid& grid, const std::string& path);

// The cells of columns left..right and rows top..bottom (inclusive, clipped to the grid)
// as tab-separated lines ended by LF. A cell holding a tab, a line break or a double
// quote is enclosed in double quotes with its quotes doubled.
WideString GridRangeToClipboardText(const TStringGrid& grid, int left, int top, int right, int bottom);

} // namespace tarnwick::app
