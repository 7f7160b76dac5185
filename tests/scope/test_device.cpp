// Device selection: the Demo Card's configuration of the panels.
#include "test_capture_support.h"

using namespace acqtest;

namespace
{

using Strings = std::vector<std::string>;

class DeviceTest : public AcqTest
{
  protected:
    static std::string Text(int panel, int control)
    {
        char text[1024] = "";
        GetCtrlVal(panel, control, text);
        return text;
    }
    static double Marker(int cursor, double *x)
    {
        double y = 0.0;
        GetGraphCursor(panelScope, SCOPE_TIMEGRAPH, cursor, x, &y);
        return y;
    }
    static int SheetVisible(int sheet)
    {
        int visible = -1;
        TabSheet_GetTabAttribute(panelScope, tabCtrl, sheet, ATTR_SHEET_VISIBLE, &visible);
        return visible;
    }
    void ExpectStartupLists()
    {
        const int ranges[4] = {TAB_RANGE_CH1, TAB_RANGE_CH2, TAB_RANGE_CH3, TAB_RANGE_CH4};
        for (int control : ranges) {
            EXPECT_EQ(RingLabels(panelRange, control), Strings({"\u00B1 50mV", "\u00B1 100mV", "\u00B1 500mV",
                                                                "\u00B1 1V", "\u00B1 2V", "\u00B1 5V"}));
            EXPECT_EQ(RingIndex(panelRange, control), 4);
            double volts = 0.0;
            GetCtrlVal(panelRange, control, &volts);
            EXPECT_DOUBLE_EQ(volts, 2.0);
        }
        EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE),
                  Strings({"CH1", "CH2", "CH3", "CH4", "EXT", "NONE"}));
        EXPECT_EQ(RingIndex(panelScope, SCOPE_TRIGGER_SOURCE), 5);
        EXPECT_EQ(RingIndex(panelScope, SCOPE_PARAMETER_CHANNEL), 0);
        EXPECT_EQ(RingLabels(panelScope, SCOPE_VERTICAL_CHANNEL),
                  Strings({"CH1", "CH2", "CH3", "CH4", "ALL"}));
        EXPECT_EQ(RingIndex(panelScope, SCOPE_VERTICAL_CHANNEL), 4);
        EXPECT_EQ(RingLabels(panelVoltmeter, VOLTMETER_CHANNEL), Strings({"CH1", "CH2", "CH3", "CH4"}));
        EXPECT_EQ(RingIndex(panelVoltmeter, VOLTMETER_CHANNEL), 0);
    }
};

TEST_F(DeviceTest, StartupConfigurationOfTheDemoCard)
{
    ExpectStartupLists();
    char title[256] = "";
    GetPanelAttribute(panelBench, ATTR_TITLE, title);
    EXPECT_STREQ(title, "Korvax Demo 2.0");
    EXPECT_EQ(Text(panelAbout, ABOUT_DEVICE), "Demo Card");
    EXPECT_EQ(Text(panelAbout, ABOUT_SERIAL), "1234");
    EXPECT_EQ(Visible(panelScope, SCOPE_PRE_SAMPLES), 1);

    double maxRate = 0.0, minRate = 0.0, defaultRate = 0.0;
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &maxRate);
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_MIN_VALUE, &minRate);
    GetCtrlAttribute(panelScope, SCOPE_SAMPLING_RATE, ATTR_DFLT_VALUE, &defaultRate);
    EXPECT_DOUBLE_EQ(maxRate, 40000000.0);
    EXPECT_DOUBLE_EQ(minRate, 10000.0);
    EXPECT_DOUBLE_EQ(defaultRate, 10000000.0);
    GetCtrlAttribute(panelDig, DIG_RATE, ATTR_MAX_VALUE, &maxRate);
    EXPECT_DOUBLE_EQ(maxRate, 40000000.0);

    EXPECT_EQ(SheetVisible(panelMode), 0);
    EXPECT_EQ(SheetVisible(panelCoupling), 1);
    const int modes[4] = {TAB_MODE_CH1, TAB_MODE_CH2, TAB_MODE_CH3, TAB_MODE_CH4};
    const int couplings[4] = {TAB_COUPLING_CH1, TAB_COUPLING_CH2, TAB_COUPLING_CH3, TAB_COUPLING_CH4};
    for (int k = 0; k < 4; ++k) {
        int mode = -1;
        GetCtrlAttribute(panelMode, modes[k], ATTR_CTRL_MODE, &mode);
        EXPECT_EQ(mode, VAL_INDICATOR);
        EXPECT_EQ(RingIndex(panelMode, modes[k]), 2);
        GetCtrlAttribute(panelCoupling, couplings[k], ATTR_CTRL_MODE, &mode);
        EXPECT_NE(mode, VAL_INDICATOR);
    }
    EXPECT_EQ(Dimmed(kToolbarOneShot), 0);
    EXPECT_EQ(Dimmed(kToolbarContinuous), 0);
    EXPECT_EQ(Dimmed(kToolbarZoomIn), 0);
    EXPECT_EQ(Dimmed(kToolbarZoomOut), 0);
}

TEST_F(DeviceTest, AnyDeviceNumberGivesTheDemoCard)
{
    Select_Device(7);
    ExpectStartupLists();
    Select_Device(-3);
    ExpectStartupLists();
}

TEST_F(DeviceTest, OneChannelKeepsItsListsButResetsRangesAndMarkers)
{
    Channels({2});
    SetCtrlIndex(panelRange, TAB_RANGE_CH2, 0);
    VerticalOffset[0] = 0.5;
    Select_Device(device);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), Strings({"CH2", "EXT", "NONE"}));
    EXPECT_EQ(RingIndex(panelRange, TAB_RANGE_CH2), 4);
    double x = -1.0;
    EXPECT_DOUBLE_EQ(Marker(3, &x), 3.0);
    EXPECT_DOUBLE_EQ(VerticalOffset[0], 3.0);
    EXPECT_DOUBLE_EQ(Marker(6, &x), -3.0);
}

TEST_F(DeviceTest, TwoChannelsHideAndSwitchOffChannelsThreeAndFour)
{
    Channels({1, 3});
    Select_Device(device);
    EXPECT_EQ(Visible(panelAin, TAB_AIN_CH3), 0);
    EXPECT_EQ(Visible(panelAin, TAB_AIN_CH4), 0);
    EXPECT_EQ(Visible(panelRange, TAB_RANGE_CH4), 0);
    EXPECT_EQ(Visible(panelCoupling, TAB_COUPLING_CH3), 0);
    int box = -1;
    GetCtrlVal(panelAin, TAB_AIN_CH3, &box);
    EXPECT_EQ(box, 0);
    EXPECT_EQ(Ain[2], 0);
    EXPECT_EQ(Ain[3], 0);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_TRIGGER_SOURCE), Strings({"CH1", "CH2", "EXT", "NONE"}));
    EXPECT_EQ(RingIndex(panelScope, SCOPE_TRIGGER_SOURCE), 3);
    EXPECT_EQ(RingLabels(panelScope, SCOPE_VERTICAL_CHANNEL), Strings({"CH1", "CH2", "ALL"}));
    EXPECT_EQ(RingLabels(panelVoltmeter, VOLTMETER_CHANNEL), Strings({"CH1", "CH2"}));
}

TEST_F(DeviceTest, MarkersSitInTheMiddleOfTheWindow)
{
    double x = -1.0;
    for (int thumb : {0, 1}) {
        Scroll_Thumb_Size = thumb;
        Select_Device(device);
        Marker(4, &x);
        EXPECT_DOUBLE_EQ(x, 0.0);
    }
    Scroll_Thumb_Size = 1001;
    Select_Device(device);
    Marker(5, &x);
    EXPECT_DOUBLE_EQ(x, 500.0);
}

TEST_F(DeviceTest, DeviceChangeDuringAContinuousRunEndsItAfterTheNextRecord)
{
    Scope(2048, 100000.0);
    ASSERT_EQ(Continuous(), 0);
    Tick();
    EXPECT_EQ(isScopeStartOn, 1);
    Select_Scope_Device(panelScope, SCOPE_DEVICE, EVENT_COMMIT, nullptr, 0, 0);
    EXPECT_EQ(isScopeContOn, 0);
    EXPECT_EQ(device, 1);
    Tick();
    EXPECT_EQ(isScopeStartOn, 0);
    EXPECT_EQ(TimerEnabled(), 0);
}

} // namespace
