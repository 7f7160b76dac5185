// Table controls: cells, rows, columns, headers, the selected row as the
// control's value, the events a selection sends, and what a screen reader
// sees.
#include "test_runtime_support.h"

#include <QAccessible>
#include <QHeaderView>
#include <QTableWidget>

#include <cstring>

#include "ui/runtime_internal.h"

class TableTest : public RuntimeTest
{
  protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        scope = Load(0, SCOPE);
    }
    QTableWidget *widget() { return qobject_cast<QTableWidget *>(uirt::controlWidget(scope, SCOPE_MEAS_TABLE)); }
    int scope = 0;
};

TEST_F(TableTest, CellsRowsAndColumnsFollowTheCalls)
{
    ASSERT_NE(widget(), nullptr);
    int rows = -1, cols = -1;
    ASSERT_EQ(GetNumTableRows(scope, SCOPE_MEAS_TABLE, &rows), 0);
    ASSERT_EQ(GetNumTableColumns(scope, SCOPE_MEAS_TABLE, &cols), 0);
    EXPECT_EQ(rows, 0);
    EXPECT_EQ(cols, 9);
    char text[1024] = "x";
    ASSERT_EQ(GetTableColumnLabel(scope, SCOPE_MEAS_TABLE, 3, text), 0);
    EXPECT_STREQ(text, "Value");

    // Appending, inserting before a row, and every cell starting empty.
    EXPECT_EQ(InsertTableRows(scope, SCOPE_MEAS_TABLE, -1, 2), 0);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 1, "first"), 0);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 2, 9, "last"), 0);
    EXPECT_EQ(InsertTableRows(scope, SCOPE_MEAS_TABLE, 1, 1), 0);
    GetNumTableRows(scope, SCOPE_MEAS_TABLE, &rows);
    EXPECT_EQ(rows, 3);
    ASSERT_EQ(GetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 1, text), 0);
    EXPECT_STREQ(text, "");
    GetTableCellVal(scope, SCOPE_MEAS_TABLE, 2, 1, text);
    EXPECT_STREQ(text, "first");
    GetTableCellVal(scope, SCOPE_MEAS_TABLE, 3, 9, text);
    EXPECT_STREQ(text, "last");
    // UTF-8 round trip (the dash a failed measurement shows).
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 3, "\xE2\x80\x94 µs"), 0);
    GetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 3, text);
    EXPECT_STREQ(text, "\xE2\x80\x94 µs");

    // Out of range, null and wrong-type arguments are refused, nothing changes.
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 0, 1, "a"), UIE_BAD_INDEX);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 4, 1, "a"), UIE_BAD_INDEX);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 10, "a"), UIE_BAD_INDEX);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 1, nullptr), UIE_BAD_VALUE);
    EXPECT_EQ(GetTableCellVal(scope, SCOPE_MEAS_TABLE, 1, 1, nullptr), UIE_BAD_VALUE);
    EXPECT_EQ(InsertTableRows(scope, SCOPE_MEAS_TABLE, 5, 1), UIE_BAD_INDEX);
    EXPECT_EQ(InsertTableRows(scope, SCOPE_MEAS_TABLE, 1, -2), UIE_BAD_INDEX);
    EXPECT_EQ(DeleteTableRows(scope, SCOPE_MEAS_TABLE, 2, 5), UIE_BAD_INDEX);
    EXPECT_EQ(SetTableCellVal(scope, SCOPE_RECORD_LENGTH, 1, 1, "a"), UIE_BAD_TYPE);
    EXPECT_EQ(GetNumTableRows(scope, SCOPE_RECORD_LENGTH, &rows), UIE_BAD_TYPE);
    EXPECT_EQ(SetTableCellVal(scope, 9999, 1, 1, "a"), UIE_BAD_CONTROL);
    EXPECT_EQ(SetTableCellVal(-1, SCOPE_MEAS_TABLE, 1, 1, "a"), UIE_BAD_PANEL);
    GetNumTableRows(scope, SCOPE_MEAS_TABLE, &rows);
    EXPECT_EQ(rows, 3);

    // Deleting one row in the middle, then everything from row 1.
    EXPECT_EQ(DeleteTableRows(scope, SCOPE_MEAS_TABLE, 2, 1), 0);
    GetTableCellVal(scope, SCOPE_MEAS_TABLE, 2, 9, text);
    EXPECT_STREQ(text, "last");
    EXPECT_EQ(DeleteTableRows(scope, SCOPE_MEAS_TABLE, 1, -1), 0);
    GetNumTableRows(scope, SCOPE_MEAS_TABLE, &rows);
    EXPECT_EQ(rows, 0);
    // Clearing an empty table is no error.
    EXPECT_EQ(DeleteTableRows(scope, SCOPE_MEAS_TABLE, 1, -1), 0);

    // Columns: insert with a label, rename, delete.
    EXPECT_EQ(InsertTableColumns(scope, SCOPE_MEAS_TABLE, -1, 1, "Extra"), 0);
    GetNumTableColumns(scope, SCOPE_MEAS_TABLE, &cols);
    EXPECT_EQ(cols, 10);
    GetTableColumnLabel(scope, SCOPE_MEAS_TABLE, 10, text);
    EXPECT_STREQ(text, "Extra");
    EXPECT_EQ(SetTableColumnLabel(scope, SCOPE_MEAS_TABLE, 10, "Renamed"), 0);
    GetTableColumnLabel(scope, SCOPE_MEAS_TABLE, 10, text);
    EXPECT_STREQ(text, "Renamed");
    EXPECT_EQ(SetTableColumnLabel(scope, SCOPE_MEAS_TABLE, 11, "x"), UIE_BAD_INDEX);
    EXPECT_EQ(DeleteTableColumns(scope, SCOPE_MEAS_TABLE, 10, 1), 0);
    GetNumTableColumns(scope, SCOPE_MEAS_TABLE, &cols);
    EXPECT_EQ(cols, 9);
    EXPECT_EQ(SetTableColumnWidth(scope, SCOPE_MEAS_TABLE, 1, 0), UIE_BAD_VALUE);
    EXPECT_EQ(SetTableColumnWidth(scope, SCOPE_MEAS_TABLE, 1, 120), 0);
    EXPECT_EQ(widget()->columnWidth(0), 120);
}

TEST_F(TableTest, TheSelectedRowIsTheValueAndAUserSelectionSendsEvents)
{
    InsertTableRows(scope, SCOPE_MEAS_TABLE, -1, 3);
    int row = -1;
    ASSERT_EQ(GetCtrlVal(scope, SCOPE_MEAS_TABLE, &row), 0);
    EXPECT_EQ(row, 0);
    // Code selects without a callback; out of range is refused.
    events.clear();
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_MEAS_TABLE, 2), 0);
    GetCtrlVal(scope, SCOPE_MEAS_TABLE, &row);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_MEAS_TABLE, 4), UIE_BAD_INDEX);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_MEAS_TABLE, -1), UIE_BAD_INDEX);
    GetCtrlVal(scope, SCOPE_MEAS_TABLE, &row);
    EXPECT_EQ(row, 2);
    EXPECT_TRUE(events.empty());
    // Deleting the selected row leaves no row selected.
    DeleteTableRows(scope, SCOPE_MEAS_TABLE, 2, 1);
    GetCtrlVal(scope, SCOPE_MEAS_TABLE, &row);
    EXPECT_EQ(row, 0);

}

TEST_F(TableTest, AUserSelectionSendsEventsAndScreenReadersSeeATable)
{
    // A small resource: a selectable table bound to the recorder and one
    // without selection.
    TempFolder dir;
    const std::string file = dir.write("table.uir", R"({"panels": [{"name": "T", "title": "T", "width": 400,
        "height": 300, "controls": [
        {"name": "PICK", "type": "table", "top": 20, "left": 10, "width": 380, "height": 120, "label": "Picks",
         "columns": ["Name", "Value"], "rows": 2, "rowSelect": true, "callback": "Update_Parameter_Scope"},
        {"name": "SHOW", "type": "table", "top": 160, "left": 10, "width": 380, "height": 120,
         "columns": ["A"], "rows": 1}]}], "menubars": []})");
    const int p = LoadPanel(0, file.c_str(), 1);
    ASSERT_GT(p, 0);
    const int pick = 2, show = 3;
    auto *t = qobject_cast<QTableWidget *>(uirt::controlWidget(p, pick));
    ASSERT_NE(t, nullptr);
    SetTableCellVal(p, pick, 2, 1, "Frequency");
    SetTableCellVal(p, pick, 2, 2, "1.000 kHz");

    // What a click does: the row is selected, value changed then commit.
    events.clear();
    t->selectRow(1);
    int row = 0;
    GetCtrlVal(p, pick, &row);
    EXPECT_EQ(row, 2);
    EXPECT_EQ(EventsOf(pick), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    // OperateCtrl does the same as a user.
    events.clear();
    EXPECT_EQ(OperateCtrl(p, pick, 1), 0);
    GetCtrlVal(p, pick, &row);
    EXPECT_EQ(row, 1);
    EXPECT_EQ(EventsOf(pick), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    // No selection on a table that does not allow it; display-only refuses users.
    EXPECT_EQ(SetCtrlVal(p, show, 1), UIE_BAD_VALUE);
    EXPECT_EQ(SetCtrlVal(p, show, 0), 0);
    SetCtrlAttribute(p, pick, ATTR_CTRL_MODE, VAL_INDICATOR);
    EXPECT_EQ(OperateCtrl(p, pick, 2), UIE_DIMMED);
    // Cells are never edited in place.
    EXPECT_EQ(t->editTriggers(), QAbstractItemView::NoEditTriggers);

    // A screen reader sees a table named by the label, headers and cell texts.
    QAccessibleInterface *a = QAccessible::queryAccessibleInterface(t);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->role(), QAccessible::Table);
    EXPECT_EQ(a->text(QAccessible::Name), "Picks");
    QAccessibleTableInterface *ti = a->tableInterface();
    ASSERT_NE(ti, nullptr);
    EXPECT_EQ(ti->rowCount(), 2);
    EXPECT_EQ(ti->columnCount(), 2);
    QAccessibleInterface *cell = ti->cellAt(1, 1);
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text(QAccessible::Name), "1.000 kHz");
    DiscardPanel(p);
}
