#include "app/window/GridModel.h"

#include <algorithm>

namespace tarnwick::app::window {

TGridModel::TGridModel(TStringGrid& grid, QObject* parent) : QAbstractTableModel(parent), FGrid(grid) {
    FGrid.SetObserver(this);
    FFixedRows = FGrid.FixedRows();
    FRows = FGrid.RowCount() - FFixedRows;
    FCols = FGrid.ColCount();
}

TGridModel::~TGridModel() {
    FGrid.SetObserver(nullptr);
}

int TGridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FRows;
}

int TGridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : FCols;
}

QVariant TGridModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid()) return {};
    return QString::fromStdU16String(FGrid.Cell(index.column(), GridRow(index.row())));
}

QVariant TGridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) // the header's own (bold) font is the grid's
        return FFixedRows > 0 ? QString::fromStdU16String(FGrid.Cell(section, 0)) : QString();
    return {};
}

void TGridModel::Flush() {
    if (FResetPending) {
        beginResetModel();
        FFixedRows = FGrid.FixedRows();
        FRows = FGrid.RowCount() - FFixedRows;
        FCols = FGrid.ColCount();
        FResetPending = false;
        FDirtyFirst = FDirtyLast = -1;
        endResetModel();
        for (int c = 0; c < FCols; ++c)
            emit ColumnWidthChanged(c, FGrid.ColWidth(c));
        FWidthsPending.clear();
        return;
    }
    int rows = FGrid.RowCount() - FFixedRows;
    if (rows > FRows) {
        beginInsertRows(QModelIndex(), FRows, rows - 1);
        FRows = rows;
        endInsertRows();
    }
    if (FDirtyFirst >= 0) {
        int first = std::max(FDirtyFirst - FFixedRows, 0), last = FDirtyLast - FFixedRows;
        if (FDirtyFirst < FFixedRows) emit headerDataChanged(Qt::Horizontal, 0, FCols - 1);
        if (last >= first && last < FRows)
            emit dataChanged(index(first, 0), index(last, FCols - 1), {Qt::DisplayRole});
        FDirtyFirst = FDirtyLast = -1;
    }
    for (int c : FWidthsPending)
        if (c < FCols) emit ColumnWidthChanged(c, FGrid.ColWidth(c));
    FWidthsPending.clear();
}

void TGridModel::GridReset() {
    FResetPending = true;
}

void TGridModel::RowsAdded(int, int) {}

void TGridModel::CellChanged(int, int row) {
    if (FResetPending) return;
    if (FDirtyFirst < 0 || row < FDirtyFirst) FDirtyFirst = row;
    if (row > FDirtyLast) FDirtyLast = row;
}

void TGridModel::ColWidthChanged(int col) {
    if (std::find(FWidthsPending.begin(), FWidthsPending.end(), col) == FWidthsPending.end())
        FWidthsPending.push_back(col);
}

} // namespace tarnwick::app::window
