// The resource file: every panel loads with the generated numbering,
// callbacks bind by name, and the callback check finds every problem.
#include "test_runtime_support.h"

#include <cstring>

#include "ui/runtime_internal.h"
#include "ui/uir_ids.h"

namespace
{

int Dummy(int, int, int, void *, int, int)
{
    return 0;
}
void DummyMenu(int, int, void *, int) {}

const char kSmall[] = R"({
  "format": "korvax-uir 1",
  "menubars": [{"name": "MB", "menus": [{"name": "FILE", "label": "File", "items": [
     {"name": "OPEN", "label": "Open", "callback": "openCmd"},
     {"name": "BAD", "label": "Bad", "callback": "ctrlCb"}]}]}],
  "panels": [{"name": "P", "title": "Small", "width": 200, "height": 100, "menubar": "MB", "controls": [
     {"name": "A", "type": "command", "label": "A", "callback": "ctrlCb"},
     {"name": "B", "type": "command", "label": "B", "callback": "missingCb"},
     {"name": "C", "type": "numeric", "label": "C", "callback": "openCmd"}]}]
})";

} // namespace

TEST_F(RuntimeTest, EveryPanelLoadsWithTheGeneratedNumbering)
{
    int loaded = 0;
    for (int id = 1;; ++id) {
        const int h = LoadPanel(0, "benchDemo.uir", id);
        if (h == UIE_BAD_RESOURCE)
            break;
        ASSERT_GT(h, 0) << "panel " << id;
        ++loaded;
        DiscardPanel(h);
    }
    EXPECT_EQ(loaded, TAB_COUPLING);
    // Spot checks that names and numbers agree.
    const int scope = Load(0, SCOPE);
    int type = -1;
    GetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_DATA_TYPE, &type);
    EXPECT_EQ(type, VAL_INTEGER);
    EXPECT_EQ(uirt::controlType(scope, SCOPE_TIMEGRAPH), "graph");
    EXPECT_EQ(uirt::controlType(scope, SCOPE_TABCANVAS), "canvas");
    EXPECT_EQ(uirt::controlType(scope, SCOPE_CLOSE), "command");
    EXPECT_EQ(uirt::controlType(scope, SCOPE_CLOSE + 1), "");
    const int bench = Load(0, BENCH);
    double interval = 0;
    GetCtrlAttribute(bench, BENCH_CAPTURE_TIMER, ATTR_INTERVAL, &interval);
    EXPECT_DOUBLE_EQ(interval, 0.02);
}

TEST_F(RuntimeTest, CallbacksBindByName)
{
    const int scope = Load(0, SCOPE);
    // Bound: Update_Parameter_Scope is in the fixture's table.
    OperateCtrl(scope, SCOPE_SAMPLING_RATE, 1e6);
    EXPECT_EQ(EventsOf(SCOPE_SAMPLING_RATE).size(), 2u);
    // Select_Scope_Device is not registered: the control loads without a callback.
    EXPECT_EQ(OperateCtrl(scope, SCOPE_DEVICE, 1), 0);
    EXPECT_TRUE(EventsOf(SCOPE_DEVICE).empty());
    // Registering twice keeps the first and says so.
    const CallbackEntry again[] = {{"quit", Dummy, nullptr}, {"fresh", Dummy, nullptr}};
    EXPECT_EQ(RegisterCallbackTable(again, 2), UIE_BAD_VALUE);
    const int bench = Load(0, BENCH);
    OperateCtrl(bench, BENCH_QUIT, 0);
    EXPECT_EQ(EventsOf(BENCH_QUIT).size(), 1u) << "the first registration stays";
}

TEST_F(RuntimeTest, CheckFindsUnknownDuplicateUnusedAndWrongKind)
{
    TempFolder dir;
    const std::string file = dir.write("small.uir", kSmall);
    ClearCallbackTables();
    const CallbackEntry table[] = {
        {"ctrlCb", Dummy, nullptr}, {"openCmd", nullptr, DummyMenu}, {"unusedCb", Dummy, nullptr}};
    ASSERT_EQ(RegisterCallbackTable(table, 3), 0);
    const CallbackEntry dup[] = {{"ctrlCb", Dummy, nullptr}};
    EXPECT_EQ(RegisterCallbackTable(dup, 1), UIE_BAD_VALUE);

    char report[2048];
    const int problems = CheckResourceCallbacks(file.c_str(), report, sizeof report);
    EXPECT_EQ(problems, 5) << report;
    const std::string r = report;
    EXPECT_NE(r.find("P_B: unknown callback 'missingCb'"), std::string::npos) << r;
    EXPECT_NE(r.find("P_C: 'openCmd' is a menu command"), std::string::npos) << r;
    EXPECT_NE(r.find("MB_FILE_BAD: 'ctrlCb' is a control callback"), std::string::npos) << r;
    EXPECT_NE(r.find("'ctrlCb' registered twice"), std::string::npos) << r;
    EXPECT_NE(r.find("'unusedCb' registered but never used"), std::string::npos) << r;

    // The report is cut to its buffer.
    char tiny[16];
    std::memset(tiny, '#', sizeof tiny);
    EXPECT_EQ(CheckResourceCallbacks(file.c_str(), tiny, 10), 5);
    EXPECT_EQ(std::strlen(tiny), 9u);
    EXPECT_EQ(tiny[10], '#');
    EXPECT_EQ(CheckResourceCallbacks(dir.file("none.uir").c_str(), report, sizeof report),
              UIE_FILE_NOT_FOUND);
    const std::string broken = dir.write("broken.uir", "{ not json");
    EXPECT_EQ(CheckResourceCallbacks(broken.c_str(), report, sizeof report), UIE_BAD_RESOURCE);
    EXPECT_EQ(LoadPanel(0, broken.c_str(), 1), UIE_BAD_RESOURCE);

    // A panel whose controls name missing or wrong-kind callbacks still loads.
    const int p = LoadPanel(0, file.c_str(), 1);
    ASSERT_GT(p, 0);
    EXPECT_EQ(OperateCtrl(p, 3, 0), 0);
    EXPECT_EQ(OperateCtrl(p, 4, 1.0), 0);
    DiscardPanel(p);
}

TEST_F(RuntimeTest, ResourceChangesAreReadAgain)
{
    TempFolder dir;
    const std::string file = dir.write("small.uir", kSmall);
    int p = LoadPanel(0, file.c_str(), 1);
    ASSERT_GT(p, 0);
    char title[256];
    GetPanelAttribute(p, ATTR_TITLE, title);
    EXPECT_STREQ(title, "Small");
    DiscardPanel(p);
    std::string changed = kSmall;
    changed.replace(changed.find("\"Small\""), 7, "\"Changed title\"");
    dir.write("small.uir", changed);
    p = LoadPanel(0, file.c_str(), 1);
    ASSERT_GT(p, 0);
    GetPanelAttribute(p, ATTR_TITLE, title);
    EXPECT_STREQ(title, "Changed title");
    DiscardPanel(p);
    // An unknown control type is refused.
    std::string unknown = kSmall;
    unknown.replace(unknown.find("\"numeric\""), 9, "\"slider\"");
    const std::string bad = dir.write("unknown.uir", unknown);
    EXPECT_EQ(LoadPanel(0, bad.c_str(), 1), UIE_BAD_RESOURCE);
}

TEST_F(RuntimeTest, EveryControlTypeLoadsAndAMisspeltOneRefusesItsPanel)
{
    // One control of every type a resource may name: each loads as that type.
    std::string controls;
    for (const uirt::ControlTypeName &t : uirt::kResourceControlTypes) {
        if (!controls.empty())
            controls += ",";
        controls += std::string(R"({"name": "C_)") + t.name + R"(", "type": ")" + t.name + "\"}";
    }
    const std::string good = R"({"panels": [{"name": "ALL", "controls": [)" + controls + "]}]}";
    TempFolder dir;
    const std::string all = dir.write("all.uir", good);
    const int p = LoadPanel(0, all.c_str(), 1);
    ASSERT_GT(p, 0);
    int index = 0;
    for (const uirt::ControlTypeName &t : uirt::kResourceControlTypes) {
        const int id = uirids::controlId(index++);
        EXPECT_EQ(uirt::controlType(p, id), t.name);
        EXPECT_TRUE(uirt::controlIs(p, id, t.type)) << t.name;
    }
    DiscardPanel(p);

    // A misspelt, differently cased, run-time-only or missing type refuses
    // its panel; the other panels of the same file still load.
    int n = 0;
    for (const char *type : {"numerc", "Numeric", "numeric ", "tab", ""}) {
        const std::string text = std::string(R"({"panels": [
          {"name": "OK", "controls": [{"name": "A", "type": "command"}]},
          {"name": "BAD", "controls": [{"name": "A", "type": "command"}, {"name": "B", "type": ")") +
                                 type + R"("}]}]})";
        const std::string file = dir.write("typo" + std::to_string(n++) + ".uir", text);
        EXPECT_EQ(LoadPanel(0, file.c_str(), 2), UIE_BAD_RESOURCE) << "'" << type << "'";
        const int ok = LoadPanel(0, file.c_str(), 1);
        EXPECT_GT(ok, 0) << "'" << type << "'";
        DiscardPanel(ok);
    }
    const std::string untyped =
        dir.write("untyped.uir", R"({"panels": [{"name": "P", "controls": [{"name": "A"}]}]})");
    EXPECT_EQ(LoadPanel(0, untyped.c_str(), 1), UIE_BAD_RESOURCE);
}

TEST_F(RuntimeTest, TheBenchResourceBindsOnlyKnownKinds)
{
    // With the fixture's table, the check reports unknown names but never a
    // name of the wrong kind: control callbacks and menu commands are apart.
    char report[16384];
    const int problems = CheckResourceCallbacks("benchDemo.uir", report, sizeof report);
    EXPECT_GT(problems, 0);
    EXPECT_EQ(std::string(report).find("is a menu command"), std::string::npos) << report;
    EXPECT_EQ(std::string(report).find("is a control callback"), std::string::npos) << report;
    EXPECT_EQ(std::string(report).find("registered but never used"), std::string::npos) << report;
}
