#include "app/StringGrid.h"

namespace tarnwick::app {

namespace {
const WideString kEmpty;
}

TStringGrid::TStringGrid() : FRows(1, std::vector<WideString>(1)), FColWidths(1, DefaultColWidth) {}

void TStringGrid::SetColCount(int count) {
    if (count < 1) count = 1;
    if (count == FColCount) return;
    FColCount = count;
    for (auto& row : FRows)
        row.resize(std::size_t(count));
    FColWidths.resize(std::size_t(count), DefaultColWidth);
    if (FObserver) FObserver->GridReset();
}

void TStringGrid::SetRowCount(int count) {
    if (count < 1) count = 1;
    int old = RowCount();
    if (count == old) return;
    FRows.resize(std::size_t(count), std::vector<WideString>(std::size_t(FColCount)));
    if (FFixedRows >= count) FFixedRows = count - 1;
    if (!FObserver) return;
    if (count > old)
        FObserver->RowsAdded(old, count - 1);
    else
        FObserver->GridReset();
}

void TStringGrid::SetFixedRows(int count) {
    if (count < 0) count = 0;
    if (count >= RowCount()) count = RowCount() - 1;
    if (count == FFixedRows) return;
    FFixedRows = count;
    if (FObserver) FObserver->GridReset();
}

const WideString& TStringGrid::Cell(int col, int row) const {
    if (col < 0 || row < 0 || col >= FColCount || row >= RowCount()) return kEmpty;
    return FRows[std::size_t(row)][std::size_t(col)];
}

void TStringGrid::SetCell(int col, int row, WideString text) {
    if (col < 0 || row < 0 || col >= FColCount || row >= RowCount()) return;
    FRows[std::size_t(row)][std::size_t(col)] = std::move(text);
    if (FObserver) FObserver->CellChanged(col, row);
}

int TStringGrid::ColWidth(int col) const {
    return col >= 0 && col < FColCount ? FColWidths[std::size_t(col)] : DefaultColWidth;
}

void TStringGrid::SetColWidth(int col, int width) {
    if (col < 0 || col >= FColCount || FColWidths[std::size_t(col)] == width) return;
    FColWidths[std::size_t(col)] = width;
    if (FObserver) FObserver->ColWidthChanged(col);
}

int TStringGrid::TextWidth(const WideString& text) const {
    return FMeasure ? FMeasure(text) : int(text.size()) * 7;
}

void TStringGrid::Clear() {
    FColCount = 1;
    FFixedRows = 0;
    FRows.assign(1, std::vector<WideString>(1));
    FColWidths.assign(1, DefaultColWidth);
    if (FObserver) FObserver->GridReset();
}

} // namespace tarnwick::app
