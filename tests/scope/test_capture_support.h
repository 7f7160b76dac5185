// Helpers for the acquisition tests: the generator's channel 1 as the
// simulated input, the scope's settings through its controls, and the run
// driven by the toolbar and the capture timer (no real time).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/synth.h"
#include "support/bench_fixture.h"

namespace acqtest
{

inline void *Data(int value)
{
    return reinterpret_cast<void *>(static_cast<std::intptr_t>(value));
}

class AcqTest : public BenchTest
{
  protected:
    void SetUp() override
    {
        BenchTest::SetUp();
        ResetAnalysisRandomState();
        Generator(0, 1.0, 1000.0);
    }

    // Generator channel 1, the signal every slot sees.
    static void Generator(short type, double amplitude, double frequency, double offset = 0.0, int noise = 0)
    {
        oChan[0].type = type;
        oChan[0].amplitude = amplitude;
        oChan[0].offset = offset;
        oChan[0].noise = noise;
        oChan[0].phase = 0.0;
        oFrequency = frequency;
    }

    // Scope settings as the user leaves them in the controls.
    static void Scope(int record, double rate, int source = 0, int slope = 1, int pre = 0)
    {
        SetCtrlVal(panelScope, SCOPE_RECORD_LENGTH, record);
        SetCtrlVal(panelScope, SCOPE_SAMPLING_RATE, rate);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SOURCE, source);
        SetCtrlVal(panelScope, SCOPE_TRIGGER_SLOPE, slope);
        SetCtrlVal(panelScope, SCOPE_PRE_SAMPLES, pre);
        pre_iSample = pre;
    }

    // Only the given channels enabled (1..4), as the enable boxes do it.
    static void Channels(std::vector<int> on)
    {
        const int boxes[4] = {TAB_AIN_CH1, TAB_AIN_CH2, TAB_AIN_CH3, TAB_AIN_CH4};
        for (int k = 0; k < 4; ++k) {
            int value = 0;
            for (int ch : on)
                value |= ch == k + 1;
            SetCtrlVal(panelAin, boxes[k], value);
        }
        Select_Channel(panelAin, TAB_AIN_CH1, EVENT_VAL_CHANGED, nullptr, 0, 0);
    }

    static void Streaming(int decimation)
    {
        SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 1);
        SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 0);
        SetCtrlVal(panelAd_Scope, AD_SCOPE_DECIMATION, decimation);
        onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    }

    static void Averaging(int count)
    {
        SetCtrlVal(panelAd_Scope, AD_SCOPE_STREAMING, 0);
        SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGING, 1);
        SetCtrlVal(panelAd_Scope, AD_SCOPE_AVERAGE_COUNT, count);
        onOK_Ad_Scope(panelAd_Scope, AD_SCOPE_OK, EVENT_COMMIT, nullptr, 0, 0);
    }

    static int OneShot() { return GoStopCallback(panelScope, kToolbarOneShot, EVENT_COMMIT, Data(1), 0, 0); }
    static int Continuous()
    {
        return GoStopCallback(panelScope, kToolbarContinuous, EVENT_COMMIT, Data(2), 0, 0);
    }
    static int StopRun() { return GoStopCallback(panelScope, kToolbarStop, EVENT_COMMIT, Data(3), 0, 0); }
    static void Tick() { CaptureTimer(panelBench, BENCH_CAPTURE_TIMER, EVENT_TIMER_TICK, nullptr, 0, 0); }

    static int Dimmed(int position)
    {
        int dimmed = -1;
        Toolbar_GetItemAttribute(Toolbar, position, ATTR_TB_DIMMED, &dimmed);
        return dimmed;
    }
    static int TimerEnabled()
    {
        int enabled = -1;
        GetCtrlAttribute(panelBench, BENCH_CAPTURE_TIMER, ATTR_ENABLED, &enabled);
        return enabled;
    }
    static int Visible(int panel, int control)
    {
        int visible = -1;
        GetCtrlAttribute(panel, control, ATTR_VISIBLE, &visible);
        return visible;
    }
    static int CtrlDimmed(int panel, int control)
    {
        int dimmed = -1;
        GetCtrlAttribute(panel, control, ATTR_DIMMED, &dimmed);
        return dimmed;
    }
    static int NumPlots(int control)
    {
        int n = -1;
        GetCtrlAttribute(panelScope, control, ATTR_NUM_PLOTS, &n);
        return n;
    }
    static std::vector<double> PlotValues(int control, int handle)
    {
        int count = 0;
        GetPlotData(panelScope, control, handle, nullptr, 0, &count);
        std::vector<double> v(count > 0 ? count : 0);
        if (count > 0)
            GetPlotData(panelScope, control, handle, v.data(), count, &count);
        return v;
    }
    static std::vector<std::string> RingLabels(int panel, int control)
    {
        int n = 0;
        GetNumListItems(panel, control, &n);
        std::vector<std::string> labels;
        for (int i = 0; i < n; ++i) {
            char label[256] = "";
            GetLabelFromIndex(panel, control, i, label);
            labels.push_back(label);
        }
        return labels;
    }
    static std::vector<int> RingValues(int panel, int control)
    {
        int n = 0;
        GetNumListItems(panel, control, &n);
        std::vector<int> values;
        for (int i = 0; i < n; ++i) {
            int value = -1;
            GetValueFromIndex(panel, control, i, &value);
            values.push_back(value);
        }
        return values;
    }
    static int RingIndex(int panel, int control)
    {
        int index = -1;
        GetCtrlIndex(panel, control, &index);
        return index;
    }
    static std::vector<std::string> Popups() { return testseam::Shown(); }
};

} // namespace acqtest
