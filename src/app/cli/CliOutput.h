#pragma once
// The three forms in which tarnwick-cli prints the result grid.

#include "app/StringGrid.h"

#include <string>

namespace tarnwick::app::cli {

// Aligned columns: the header row, a line of dashes, then the rows; line breaks and
// tabs inside cells are shown as blanks. UTF-8, lines ended by LF. The error row's
// text does not widen its column.
std::string FormatTable(const TStringGrid& grid, bool lastRowIsError = false);
// As the window saves the grid (";" separated, UTF-8).
std::string FormatCsv(const TStringGrid& grid);
// A JSON array with one object per data row: the header texts as keys, the cell texts
// as string values. The error row and the rows of a grid without a header row (an
// error before any row) are left out: the error is reported on its own.
std::string FormatJson(const TStringGrid& grid, bool lastRowIsError = false);

std::string JsonString(const std::string& utf8);

} // namespace tarnwick::app::cli
