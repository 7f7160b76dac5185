// Table controls: rows x columns of text cells under column headers, with an
// optional row selection.  The control's value is the selected row (1-based,
// 0 when none is selected), so SetCtrlVal, GetCtrlVal and OperateCtrl work on
// it as on any integer control.  Cells hold text only and are filled by code;
// a user reads them and, when the resource allows it, selects a row.  Behind
// the handle is a QTableWidget, which screen readers see as a table.
#include "rt_core.h"

#include <QHeaderView>
#include <QJsonArray>
#include <QSignalBlocker>
#include <QTableWidget>

#include <algorithm>
#include <climits>
#include <cmath>

#include "runtime_internal.h"

namespace uirt
{

namespace
{

QTableWidget *tableOf(Control *c)
{
    return c ? qobject_cast<QTableWidget *>(c->widget.data()) : nullptr;
}

QTableWidgetItem *newCell(const Control *c, const QString &text)
{
    auto *item = new QTableWidgetItem(text);
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (c->desc.value("rowSelect").toBool(false))
        flags |= Qt::ItemIsSelectable;
    item->setFlags(flags);
    return item;
}

// Every cell of a row exists, so a screen reader finds an (empty) cell
// rather than a hole.
void fillRow(Control *c, QTableWidget *t, int row)
{
    for (int col = 0; col < t->columnCount(); ++col)
        if (!t->item(row, col))
            t->setItem(row, col, newCell(c, QString()));
}

int selectedRow(QTableWidget *t)
{
    const QList<QTableWidgetSelectionRange> ranges = t->selectedRanges();
    return ranges.isEmpty() ? 0 : ranges.first().topRow() + 1;
}

} // namespace

QWidget *buildTable(QWidget *parent, Control *c, int panelHandle)
{
    const QJsonObject &d = c->desc;
    auto *t = new QTableWidget(parent);
    const QJsonArray columns = d.value("columns").toArray();
    t->setColumnCount(static_cast<int>(columns.size()));
    QStringList labels;
    for (const QJsonValue &v : columns)
        labels << v.toString();
    t->setHorizontalHeaderLabels(labels);
    const QJsonArray widths = d.value("columnWidths").toArray();
    for (int i = 0; i < widths.size() && i < t->columnCount(); ++i)
        t->setColumnWidth(i, std::clamp(widths[i].toInt(80), 10, 2000));
    t->horizontalHeader()->setStretchLastSection(d.value("stretchLast").toBool(true));
    t->verticalHeader()->setVisible(d.value("rowHeaders").toBool(false));
    t->verticalHeader()->setDefaultSectionSize(std::clamp(d.value("rowHeight").toInt(20), 12, 200));
    t->setEditTriggers(QAbstractItemView::NoEditTriggers);
    // Tab leaves the table for the next control (the arrows move in it).
    t->setTabKeyNavigation(false);
    t->setWordWrap(false);
    const bool selectable = d.value("rowSelect").toBool(false);
    t->setSelectionBehavior(QAbstractItemView::SelectRows);
    t->setSelectionMode(selectable ? QAbstractItemView::SingleSelection : QAbstractItemView::NoSelection);
    const int rows = std::clamp(d.value("rows").toInt(0), 0, 100000);
    t->setRowCount(rows);
    for (int r = 0; r < rows; ++r)
        fillRow(c, t, r);
    const int id = c->id;
    QObject::connect(t, &QTableWidget::itemSelectionChanged, t, [panelHandle, id]() {
        fireCallback(panelHandle, id, EVENT_VAL_CHANGED, 0, 0);
        fireCallback(panelHandle, id, EVENT_COMMIT, 0, 0);
    });
    return t;
}

int tableSetRow(Control *c, double v)
{
    QTableWidget *t = tableOf(c);
    if (!t)
        return UIE_BAD_CONTROL;
    const double r = std::round(v);
    if (r < 0 || r > t->rowCount())
        return UIE_BAD_INDEX;
    if (r > 0 && t->selectionMode() == QAbstractItemView::NoSelection)
        return UIE_BAD_VALUE;
    const QSignalBlocker block(t);
    t->clearSelection();
    if (r > 0) {
        t->selectRow(static_cast<int>(r) - 1);
        t->scrollToItem(t->item(static_cast<int>(r) - 1, 0));
    }
    t->viewport()->update();
    return 0;
}

int tableGetRow(Control *c, double *v)
{
    QTableWidget *t = tableOf(c);
    if (!t)
        return UIE_BAD_CONTROL;
    *v = selectedRow(t);
    return 0;
}

} // namespace uirt

using namespace uirt;

namespace
{

// The table behind a handle pair, or an error code in *err.
QTableWidget *lookupTable(int panelHandle, int id, int *err, Control **out = nullptr)
{
    Panel *p = panel(panelHandle);
    if (!p) {
        *err = UIE_BAD_PANEL;
        return nullptr;
    }
    Control *c = control(p, id);
    if (!c) {
        *err = UIE_BAD_CONTROL;
        return nullptr;
    }
    QTableWidget *t = c->type == ControlType::Table ? tableOf(c) : nullptr;
    if (!t)
        *err = UIE_BAD_TYPE;
    if (out)
        *out = c;
    return t;
}

bool validCell(QTableWidget *t, int row, int column)
{
    return row >= 1 && row <= t->rowCount() && column >= 1 && column <= t->columnCount();
}

} // namespace

int SetTableCellVal(int panel, int control, int row, int column, const char *value)
{
    int err = 0;
    Control *c = nullptr;
    QTableWidget *t = lookupTable(panel, control, &err, &c);
    if (!t)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (!validCell(t, row, column))
        return UIE_BAD_INDEX;
    QTableWidgetItem *item = t->item(row - 1, column - 1);
    const QString text = QString::fromUtf8(value);
    if (!item)
        t->setItem(row - 1, column - 1, newCell(c, text));
    else if (item->text() != text)
        item->setText(text);
    return 0;
}

int GetTableCellVal(int panel, int control, int row, int column, char *value)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!value)
        return UIE_BAD_VALUE;
    if (!validCell(t, row, column))
        return UIE_BAD_INDEX;
    const QTableWidgetItem *item = t->item(row - 1, column - 1);
    copyOut(item ? item->text() : QString(), value, 1024);
    return 0;
}

int SetTableCellTextColor(int panel, int control, int row, int column, int color)
{
    int err = 0;
    Control *c = nullptr;
    QTableWidget *t = lookupTable(panel, control, &err, &c);
    if (!t)
        return err;
    if (!validCell(t, row, column))
        return UIE_BAD_INDEX;
    QTableWidgetItem *item = t->item(row - 1, column - 1);
    if (!item) {
        item = newCell(c, QString());
        t->setItem(row - 1, column - 1, item);
    }
    item->setForeground(QColor::fromRgb(static_cast<QRgb>(color & 0xFFFFFF)));
    return 0;
}

int SetTableCellToolTip(int panel, int control, int row, int column, const char *text)
{
    int err = 0;
    Control *c = nullptr;
    QTableWidget *t = lookupTable(panel, control, &err, &c);
    if (!t)
        return err;
    if (!text)
        return UIE_BAD_VALUE;
    if (!validCell(t, row, column))
        return UIE_BAD_INDEX;
    QTableWidgetItem *item = t->item(row - 1, column - 1);
    if (!item) {
        item = newCell(c, QString());
        t->setItem(row - 1, column - 1, item);
    }
    item->setToolTip(QString::fromUtf8(text));
    return 0;
}

int InsertTableRows(int panel, int control, int index, int count)
{
    int err = 0;
    Control *c = nullptr;
    QTableWidget *t = lookupTable(panel, control, &err, &c);
    if (!t)
        return err;
    const int rows = t->rowCount();
    if (index == -1)
        index = rows + 1;
    if (index < 1 || index > rows + 1 || count < 0 || count > 100000 - rows)
        return UIE_BAD_INDEX;
    const QSignalBlocker block(t);
    for (int i = 0; i < count; ++i) {
        t->insertRow(index - 1 + i);
        fillRow(c, t, index - 1 + i);
    }
    return 0;
}

int DeleteTableRows(int panel, int control, int index, int count)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    const int rows = t->rowCount();
    if (rows == 0 && index == 1 && count == -1)
        return 0;
    if (index < 1 || index > rows)
        return UIE_BAD_INDEX;
    if (count == -1)
        count = rows - index + 1;
    if (count < 0 || count > rows - index + 1)
        return UIE_BAD_INDEX;
    // A deleted selected row leaves no selection (Qt would move it to a
    // neighbour); a selection below the deleted rows moves up with its row.
    // Code changes it: no callback.
    const int sel = selectedRow(t);
    const int keep = sel < index ? sel : sel >= index + count ? sel - count : 0;
    const QSignalBlocker block(t);
    const QSignalBlocker blockModel(t->selectionModel());
    for (int i = 0; i < count; ++i)
        t->removeRow(index - 1);
    t->clearSelection();
    if (keep > 0)
        t->selectRow(keep - 1);
    t->viewport()->update();
    return 0;
}

int GetNumTableRows(int panel, int control, int *rows)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!rows)
        return UIE_BAD_VALUE;
    *rows = t->rowCount();
    return 0;
}

int GetNumTableColumns(int panel, int control, int *columns)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!columns)
        return UIE_BAD_VALUE;
    *columns = t->columnCount();
    return 0;
}

int InsertTableColumns(int panel, int control, int index, int count, const char *label)
{
    int err = 0;
    Control *c = nullptr;
    QTableWidget *t = lookupTable(panel, control, &err, &c);
    if (!t)
        return err;
    const int columns = t->columnCount();
    if (index == -1)
        index = columns + 1;
    if (index < 1 || index > columns + 1 || count < 0 || count > 1000 - columns)
        return UIE_BAD_INDEX;
    const QSignalBlocker block(t);
    for (int i = 0; i < count; ++i) {
        t->insertColumn(index - 1 + i);
        t->setHorizontalHeaderItem(index - 1 + i,
                                   new QTableWidgetItem(label ? QString::fromUtf8(label) : QString()));
        for (int r = 0; r < t->rowCount(); ++r)
            t->setItem(r, index - 1 + i, newCell(c, QString()));
    }
    return 0;
}

int DeleteTableColumns(int panel, int control, int index, int count)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    const int columns = t->columnCount();
    if (index < 1 || index > columns)
        return UIE_BAD_INDEX;
    if (count == -1)
        count = columns - index + 1;
    if (count < 0 || count > columns - index + 1)
        return UIE_BAD_INDEX;
    const QSignalBlocker block(t);
    for (int i = 0; i < count; ++i)
        t->removeColumn(index - 1);
    return 0;
}

int SetTableColumnLabel(int panel, int control, int column, const char *label)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!label)
        return UIE_BAD_VALUE;
    if (column < 1 || column > t->columnCount())
        return UIE_BAD_INDEX;
    t->setHorizontalHeaderItem(column - 1, new QTableWidgetItem(QString::fromUtf8(label)));
    return 0;
}

int GetTableColumnLabel(int panel, int control, int column, char *label)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!label)
        return UIE_BAD_VALUE;
    if (column < 1 || column > t->columnCount())
        return UIE_BAD_INDEX;
    const QTableWidgetItem *h = t->horizontalHeaderItem(column - 1);
    copyOut(h ? h->text() : QString(), label, 256);
    return 0;
}

int SetTableColumnWidth(int panel, int control, int column, int width)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (column < 1 || column > t->columnCount())
        return UIE_BAD_INDEX;
    if (width < 1 || width > 10000)
        return UIE_BAD_VALUE;
    t->setColumnWidth(column - 1, width);
    return 0;
}

int SetTableRowLabel(int panel, int control, int row, const char *label)
{
    int err = 0;
    QTableWidget *t = lookupTable(panel, control, &err);
    if (!t)
        return err;
    if (!label)
        return UIE_BAD_VALUE;
    if (row < 1 || row > t->rowCount())
        return UIE_BAD_INDEX;
    t->setVerticalHeaderItem(row - 1, new QTableWidgetItem(QString::fromUtf8(label)));
    return 0;
}
