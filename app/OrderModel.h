#pragma once
// The order grid's model: column 0 the row number, column 1 the print status, then one column per
// order column. Cells are read from OrderRows when the view paints them, so a grid of 100,000
// orders costs no more than the rows themselves.

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class OrderModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit OrderModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // Rebuilds the columns from OrderColumns and removes every row.
    void ShowColumnStrut();
    // Rebuilds the rows from OrderRows; every status reads "未打印".
    void ShowData();
    // Removes every row (the columns stay).
    void ClearRows();

    QString Status(int row) const;
    void SetStatus(int row, const QString &status);
    // "上次打印" of each row: time and printer of its last print as the print journal knows it.
    void SetLastPrints(std::vector<QString> texts);
    QString LastPrint(int row) const;
    // Caption and width of each column, in order.
    QStringList Captions() const { return m_captions; }
    QList<int> Widths() const { return m_widths; }

    static const QString NotPrinted;   // "未打印"
    static const QString Printed;      // "已打印"
    // 序号, 状态 and 上次打印 stand before the order columns.
    static constexpr int FixedColumns = 3;

private:
    QStringList m_captions;
    QList<int> m_widths;
    QStringList m_keys;                // "C1" … "Cn"
    int m_rows = 0;
    std::vector<QString> m_status;
    std::vector<QString> m_lastPrint;
};
