#pragma once
// TStringGrid: the result grid's cells, free of any toolkit. Cells are addressed by
// column and row; the first FixedRows rows are header rows. The window shows the grid
// through a model that observes it; the command line prints it.
//
// Guarantees: every cell of every row exists (an empty text until written); setting a
// count to its current value costs nothing and notifies nobody; the observer hears of
// every change after it happened.

#include "platform/com/WideString.h"

#include <functional>
#include <vector>

namespace tarnwick::app {

class IStringGridObserver {
public:
    virtual ~IStringGridObserver() = default;
    // Counts or fixed rows changed, or the grid was emptied: read everything again.
    virtual void GridReset() {}
    virtual void RowsAdded(int firstRow, int lastRow) { (void)firstRow, (void)lastRow; }
    virtual void CellChanged(int col, int row) { (void)col, (void)row; }
    virtual void ColWidthChanged(int col) { (void)col; }
};

class TStringGrid {
public:
    TStringGrid();

    int ColCount() const { return FColCount; }
    void SetColCount(int count);
    int RowCount() const { return static_cast<int>(FRows.size()); }
    void SetRowCount(int count);
    void AddRow() { SetRowCount(RowCount() + 1); }
    int FixedRows() const { return FFixedRows; }
    void SetFixedRows(int count);

    // Out-of-range reads give an empty text; out-of-range writes are ignored.
    const WideString& Cell(int col, int row) const;
    void SetCell(int col, int row, WideString text);

    int ColWidth(int col) const;
    void SetColWidth(int col, int width);
    // Width of a text in the grid's font, in pixels. The window measures with its font;
    // without a measure a character counts 7 pixels.
    int TextWidth(const WideString& text) const;
    void SetTextMeasure(std::function<int(const WideString&)> measure) { FMeasure = std::move(measure); }

    // One column, one row, no fixed rows, every cell empty.
    void Clear();

    void SetObserver(IStringGridObserver* observer) { FObserver = observer; }

    static constexpr int DefaultColWidth = 64;

private:
    int FColCount = 1;
    int FFixedRows = 0;
    std::vector<std::vector<WideString>> FRows;
    std::vector<int> FColWidths;
    std::function<int(const WideString&)> FMeasure;
    IStringGridObserver* FObserver = nullptr;
};

} // namespace tarnwick::app
