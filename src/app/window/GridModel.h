#pragma once
// TGridModel: shows a TStringGrid in a QTableView. The grid's first fixed row is the
// horizontal header; the other rows are the table's rows. Changes are gathered and
// handed to the view by Flush, so that filling a row costs no painting.

#include "app/StringGrid.h"

#include <QAbstractTableModel>

namespace tarnwick::app::window {

class TGridModel : public QAbstractTableModel, private IStringGridObserver {
    Q_OBJECT
public:
    explicit TGridModel(TStringGrid& grid, QObject* parent = nullptr);
    ~TGridModel() override;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // The grid row of a table row.
    int GridRow(int tableRow) const { return tableRow + FFixedRows; }
    // Tells the view what changed since the last flush.
    void Flush();

signals:
    void ColumnWidthChanged(int column, int width);

private:
    void GridReset() override;
    void RowsAdded(int firstRow, int lastRow) override;
    void CellChanged(int col, int row) override;
    void ColWidthChanged(int col) override;

    TStringGrid& FGrid;
    int FRows = 0; // table rows the view knows of
    int FCols = 0;
    int FFixedRows = 0;
    bool FResetPending = false;
    int FDirtyFirst = -1, FDirtyLast = -1; // grid rows with changed cells
    std::vector<int> FWidthsPending;
};

} // namespace tarnwick::app::window
