// Shared pieces of the runtime tests: a recorder callback registered under
// the names the resource file binds, and a fixture that loads panels from
// the resource file and discards them afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "benchDemo.h"
#include "ui/testseam.h"
#include "ui/toolbox.h"
#include "ui/userint.h"

struct RecordedEvent {
    int panel;
    int control;
    int event;
    void *data;
    int data1;
    int data2;
};

struct RecordedMenu {
    int menuBar;
    int item;
    void *data;
    int panel;
};

class RuntimeTest : public ::testing::Test
{
  protected:
    static std::vector<RecordedEvent> events;
    static std::vector<RecordedMenu> menus;
    // A control callback to run for the next recorded event (then cleared).
    static void (*onEvent)(const RecordedEvent &);

    static int Record(int panel, int control, int event, void *data, int d1, int d2)
    {
        events.push_back({panel, control, event, data, d1, d2});
        if (onEvent) {
            auto f = onEvent;
            f(events.back());
        }
        return 0;
    }
    static void RecordMenu(int menuBar, int item, void *data, int panel)
    {
        menus.push_back({menuBar, item, data, panel});
    }

    void SetUp() override
    {
        testseam::Enable(true);
        testseam::Reset();
        testseam::SetClockMs(5000);
        events.clear();
        menus.clear();
        onEvent = nullptr;
        ClearCallbackTables();
        static const CallbackEntry table[] = {
            {"Update_Parameter_Scope", Record, nullptr},
            {"quit", Record, nullptr},
            {"CaptureTimer", Record, nullptr},
            {"Select_Channel", Record, nullptr},
            {"Scope_Reset_Position", Record, nullptr},
            {"Close_Scope", Record, nullptr},
            {"Read_Scope_Cursor", Record, nullptr},
            {"Update_Parameter_Digital", Record, nullptr},
            {"Start_Stop_Generator", Record, nullptr},
            {"Update_Parameter_Generator", Record, nullptr},
            {"Load_Setup", nullptr, RecordMenu},
            {"close", nullptr, RecordMenu},
            {"Display_Oscilloscope", nullptr, RecordMenu},
            {"Probe_Calibration", nullptr, RecordMenu},
        };
        ASSERT_EQ(RegisterCallbackTable(table, static_cast<int>(sizeof table / sizeof table[0])), 0);
    }

    void TearDown() override
    {
        for (auto it = loaded_.rbegin(); it != loaded_.rend(); ++it)
            DiscardPanel(*it); // already discarded ones just fail
        loaded_.clear();
        ClearCallbackTables();
        testseam::Reset();
        onEvent = nullptr;
    }

    // Loads a panel from the bench's resource file; discarded at the end.
    int Load(int parent, int resourceId)
    {
        const int h = LoadPanel(parent, "benchDemo.uir", resourceId);
        EXPECT_GT(h, 0) << "resource id " << resourceId;
        if (h > 0 && parent == 0)
            loaded_.push_back(h);
        return h;
    }

    std::vector<int> EventsOf(int control) const
    {
        std::vector<int> out;
        for (const auto &e : events)
            if (e.control == control)
                out.push_back(e.event);
        return out;
    }

  private:
    std::vector<int> loaded_;
};

// A temporary folder removed at the end of the test.
class TempFolder
{
  public:
    TempFolder();
    ~TempFolder();
    const std::string &path() const { return path_; }
    std::string file(const std::string &name) const { return path_ + "/" + name; }
    // Writes bytes into a file of the folder and returns its path.
    std::string write(const std::string &name, const std::string &bytes) const;

  private:
    std::string path_;
};
