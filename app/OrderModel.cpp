#include "app/OrderModel.h"

#include "app/OrderValue.h"
#include "app/TemplateClS.h"

const QString OrderModel::NotPrinted = QStringLiteral("未打印");
const QString OrderModel::Printed = QStringLiteral("已打印");

OrderModel::OrderModel(QObject *parent) : QAbstractTableModel(parent) {}

int OrderModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int OrderModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : int(m_captions.size()); }

QVariant OrderModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows)
        return QVariant();
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const int column = index.column();
        if (column == 0)
            return QString::number(index.row() + 1);
        if (column == 1)
            return m_status[size_t(index.row())];
        if (column == 2)
            return LastPrint(index.row());
        // The cell shows what a template prints; its tool tip keeps the export's raw text.
        if (size_t(index.row()) < OrderRows.size() && column - FixedColumns < m_keys.size()) {
            const QString raw = OrderRows[size_t(index.row())].LookupValue(m_keys[column - FixedColumns]);
            return role == Qt::ToolTipRole ? raw : ShownOrderValue(raw);
        }
        return QString();
    }
    return QVariant();
}

QVariant OrderModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_captions.size())
        return m_captions[section];
    return QVariant();
}

void OrderModel::ShowColumnStrut()
{
    beginResetModel();
    m_rows = 0;
    m_status.clear();
    m_captions = {QStringLiteral("序号"), QStringLiteral("状态"), QStringLiteral("上次打印")};
    m_widths = {40, 60, 150};
    m_keys.clear();
    for (int j = 1; j <= OrderColumns.size(); ++j) {
        const TColumn &column = OrderColumns[j - 1];
        m_captions << QStringLiteral("C%1-%2").arg(j).arg(column.ColName);
        m_widths << column.ColWidth;
        m_keys << QStringLiteral("C%1").arg(j);
    }
    endResetModel();
}

void OrderModel::ShowData()
{
    beginResetModel();
    m_rows = int(OrderRows.size());
    m_status.assign(OrderRows.size(), NotPrinted);
    m_lastPrint.clear();
    endResetModel();
}

void OrderModel::ClearRows()
{
    beginResetModel();
    m_rows = 0;
    m_status.clear();
    m_lastPrint.clear();
    endResetModel();
}

QString OrderModel::Status(int row) const
{
    return row >= 0 && row < m_rows ? m_status[size_t(row)] : QString();
}

void OrderModel::SetStatus(int row, const QString &status)
{
    if (row < 0 || row >= m_rows)
        return;
    m_status[size_t(row)] = status;
    const QModelIndex cell = index(row, 1);
    emit dataChanged(cell, cell, {Qt::DisplayRole});
}

void OrderModel::SetLastPrints(std::vector<QString> texts)
{
    m_lastPrint = std::move(texts);
    if (m_rows > 0)
        emit dataChanged(index(0, 2), index(m_rows - 1, 2), {Qt::DisplayRole});
}

QString OrderModel::LastPrint(int row) const
{
    return row >= 0 && size_t(row) < m_lastPrint.size() ? m_lastPrint[size_t(row)] : QString();
}
