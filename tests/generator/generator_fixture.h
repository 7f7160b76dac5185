// A whole bench with helpers to set and operate the generator panel.
#pragma once

#include <string>
#include <vector>

#include "support/bench_fixture.h"

class GeneratorTest : public BenchTest
{
  protected:
    // Sets CH1 or CH2 (k = 0, 1) on the panel without running any callback.
    static void SetChannel(int k, int type, double amplitude, double offset = 0.0, double phase = 0.0,
                           int noise = 0)
    {
        const int c[2][5] = {
            {GENE_CH1_TYPE, GENE_CH1_AMPLITUDE, GENE_CH1_OFFSET, GENE_CH1_PHASE, GENE_CH1_NOISE},
            {GENE_CH2_TYPE, GENE_CH2_AMPLITUDE, GENE_CH2_OFFSET, GENE_CH2_PHASE, GENE_CH2_NOISE}};
        SetCtrlVal(panelGene, c[k][0], type);
        SetCtrlVal(panelGene, c[k][1], amplitude);
        SetCtrlVal(panelGene, c[k][2], offset);
        SetCtrlVal(panelGene, c[k][3], phase);
        SetCtrlVal(panelGene, c[k][4], noise);
    }
    // Operates a channel switch as a user would.
    static int Switch(int k, int on)
    {
        const int control = k ? static_cast<int>(GENE_CH2_SWITCH) : static_cast<int>(GENE_CH1_SWITCH);
        return OperateCtrl(panelGene, control, on);
    }
    static int NumPlots(int panel, int graph)
    {
        int n = -1;
        GetCtrlAttribute(panel, graph, ATTR_NUM_PLOTS, &n);
        return n;
    }
    static int PlotLength(int panel, int graph, int plot)
    {
        int count = -1;
        if (GetPlotData(panel, graph, plot, nullptr, 0, &count) < 0)
            return -1;
        return count;
    }
    static std::vector<double> PlotValues(int panel, int graph, int plot)
    {
        const int n = PlotLength(panel, graph, plot);
        std::vector<double> v(n > 0 ? n : 0);
        int count = 0;
        if (n > 0)
            GetPlotData(panel, graph, plot, v.data(), n, &count);
        return v;
    }
    // Writes text into a file of the test's temporary folder.
    std::string WriteFile(const std::string &name, const std::string &text);
};
