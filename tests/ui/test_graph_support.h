// A panel with graphs for the graph-control tests, loaded from a resource
// file written into a temporary folder, with a callback that records the
// events the graph sends.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ui/graph_widget.h"
#include "ui/runtime_internal.h"
#include "ui/testseam.h"
#include "ui/userint.h"

struct GraphEvent {
    int control;
    int event;
    int data1;
};

class GraphTest : public ::testing::Test
{
  protected:
    // Control ids in the test resource file.
    enum { kPlot = 2, kAuto = 3, kNumeric = 4 };

    static std::vector<GraphEvent> events;
    // Runs after an event is recorded (then stays set until cleared).
    static void (*onEvent)(int panel, const GraphEvent &);

    void SetUp() override;
    void TearDown() override;

    uigraph::GraphWidget *graph(int control = kPlot) const
    {
        return uigraph::asGraph(uirt::controlWidget(panel_, control));
    }
    double attr(int attribute, int control = kPlot) const;
    // Sends one mouse event to the graph at widget position (x, y).
    void mouse(int type, double x, double y, int control = kPlot) const;

    int panel_ = 0;
    std::string dir_;

  private:
    static int Record(int panel, int control, int event, void *data, int data1, int data2);
};
