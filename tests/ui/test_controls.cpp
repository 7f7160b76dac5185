// Control values, clamping, types, attributes, rings and callbacks.
#include "test_runtime_support.h"

#include <QAbstractButton>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QSpinBox>

#include <cmath>
#include <cstring>

#include "ui/runtime_internal.h"

class ControlsTest : public RuntimeTest
{
  protected:
    void SetUp() override
    {
        RuntimeTest::SetUp();
        scope = Load(0, SCOPE);
        gene = Load(0, GENE);
        dig = Load(0, DIG);
    }
    int scope = 0, gene = 0, dig = 0;
};

TEST_F(ControlsTest, NumericValuesClampAndKeepFullPrecision)
{
    double v = 0;
    ASSERT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &v), 0);
    EXPECT_EQ(v, 0.0);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, 25.0), 0);
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &v);
    EXPECT_EQ(v, 10.0);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, -1e300), 0);
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &v);
    EXPECT_EQ(v, -10.0);
    // The shown precision does not round the held value.
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_PARAM_PKPK, 123.456789), 0);
    GetCtrlVal(scope, SCOPE_PARAM_PKPK, &v);
    EXPECT_EQ(v, 123.456789);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_PARAM_RMS, 1e-7), 0);
    GetCtrlVal(scope, SCOPE_PARAM_RMS, &v);
    EXPECT_EQ(v, 1e-7);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, std::nan("")), UIE_BAD_VALUE);
    // An int value into a double control is fine.
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, 3), 0);
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &v);
    EXPECT_EQ(v, 3.0);

    int n = 0;
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 100), 0);
    ASSERT_EQ(GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &n), 0);
    EXPECT_EQ(n, 2048);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 4096.6), 0);
    GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &n);
    EXPECT_EQ(n, 4097);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 1e12), 0);
    GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &n);
    EXPECT_EQ(n, 7999488);
    auto *box = qobject_cast<QSpinBox *>(uirt::controlWidget(scope, SCOPE_RECORD_LENGTH));
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->value(), 7999488);
    EXPECT_FALSE(box->keyboardTracking());
}

TEST_F(ControlsTest, ReadsConvertOnlyWhereSound)
{
    int i = 0;
    short s = 0;
    unsigned short us = 0;
    double d = 0;
    // A double control never reads into an integer.
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &i), UIE_BAD_TYPE);
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &s), UIE_BAD_TYPE);
    // An int ring reads into short and double.
    SetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, 50);
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, &s), 0);
    EXPECT_EQ(s, 50);
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, &d), 0);
    EXPECT_EQ(d, 50.0);
    // Values that do not fit the target are refused, the target untouched.
    SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 100000);
    s = 77;
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &s), UIE_BAD_VALUE);
    EXPECT_EQ(s, 77);
    // Unsigned short numerics.
    EXPECT_EQ(SetCtrlVal(dig, DIG_TRIG_MASK, 70000), 0);
    EXPECT_EQ(GetCtrlVal(dig, DIG_TRIG_MASK, &us), 0);
    EXPECT_EQ(us, 65535);
    EXPECT_EQ(SetCtrlVal(dig, DIG_TRIG_MASK, -5), 0);
    GetCtrlVal(dig, DIG_TRIG_MASK, &us);
    EXPECT_EQ(us, 0);
    // Text controls.
    char text[1024];
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_IDLE, text), 0);
    EXPECT_STREQ(text, "Idle");
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_IDLE, 1), UIE_BAD_TYPE);
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_IDLE, &i), UIE_BAD_TYPE);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, "1"), UIE_BAD_TYPE);
    EXPECT_EQ(GetCtrlVal(scope, 999, &d), UIE_BAD_CONTROL);
    EXPECT_EQ(GetCtrlVal(999, SCOPE_IDLE, &d), UIE_BAD_PANEL);
    // A long text is cut to the 1024-byte buffer, never past it.
    std::string longText(3000, 'x');
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_IDLE, longText.c_str()), 0);
    char big[1100];
    std::memset(big, '#', sizeof big);
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_IDLE, big), 0);
    EXPECT_EQ(std::strlen(big), 1023u);
    EXPECT_EQ(big[1024], '#');
    // A cut never splits a character in two.
    const std::string micro = std::string(1022, 'x') + "\xC2\xB5V";
    SetCtrlVal(scope, SCOPE_IDLE, micro.c_str());
    GetCtrlVal(scope, SCOPE_IDLE, big);
    EXPECT_EQ(std::string(big), std::string(1022, 'x'));
}

TEST_F(ControlsTest, LimitsInTheControlsType)
{
    int n = 0;
    double d = 0;
    SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 500000);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, 262144), 0);
    GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &n);
    EXPECT_EQ(n, 262144) << "a new maximum clamps the value";
    GetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, &n);
    EXPECT_EQ(n, 262144);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, 10), UIE_BAD_VALUE);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MIN_VALUE, 300000), UIE_BAD_VALUE);
    GetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MIN_VALUE, &n);
    EXPECT_EQ(n, 2048);
    GetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_DFLT_VALUE, &n);
    EXPECT_EQ(n, 8192);

    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, 20e6), 0);
    EXPECT_EQ(GetCtrlAttribute(scope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &n), UIE_BAD_TYPE);
    EXPECT_EQ(GetCtrlAttribute(scope, SCOPE_SAMPLING_RATE, ATTR_MAX_VALUE, &d), 0);
    EXPECT_EQ(d, 20e6);
    GetCtrlVal(scope, SCOPE_SAMPLING_RATE, &d);
    EXPECT_EQ(d, 10e6);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_SAMPLING_RATE, ATTR_MIN_VALUE, 15e6), 0);
    GetCtrlVal(scope, SCOPE_SAMPLING_RATE, &d);
    EXPECT_EQ(d, 15e6) << "a new minimum clamps the value";
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TRIGGER_SOURCE, ATTR_MAX_VALUE, 5), UIE_BAD_ATTRIBUTE);
    int type = 0;
    GetCtrlAttribute(scope, SCOPE_SAMPLING_RATE, ATTR_DATA_TYPE, &type);
    EXPECT_EQ(type, VAL_DOUBLE);
    GetCtrlAttribute(dig, DIG_TRIG_MASK, ATTR_DATA_TYPE, &type);
    EXPECT_EQ(type, VAL_UNSIGNED_SHORT_INTEGER);
}

TEST_F(ControlsTest, RingsHoldLabelledValues)
{
    int n = 0, index = -1, v = 0;
    ASSERT_EQ(GetNumListItems(scope, SCOPE_TRIGGER_SOURCE, &n), 0);
    EXPECT_EQ(n, 6);
    GetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, &index);
    EXPECT_EQ(index, 5);
    GetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, &v);
    EXPECT_EQ(v, 100);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, 2), 0);
    GetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, &index);
    EXPECT_EQ(index, 2);
    // A value no item holds is refused and leaves the selection.
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, 7), UIE_BAD_VALUE);
    GetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, &index);
    EXPECT_EQ(index, 2);
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, 2.5), UIE_BAD_VALUE);

    char label[256];
    EXPECT_EQ(GetLabelFromIndex(scope, SCOPE_TRIGGER_SOURCE, 4, label), 0);
    EXPECT_STREQ(label, "EXT");
    EXPECT_EQ(GetLabelFromIndex(scope, SCOPE_TRIGGER_SOURCE, 6, label), UIE_BAD_INDEX);
    EXPECT_EQ(GetValueFromIndex(scope, SCOPE_TRIGGER_SOURCE, 4, &v), 0);
    EXPECT_EQ(v, 50);
    EXPECT_EQ(GetIndexFromValue(scope, SCOPE_TRIGGER_SOURCE, &index, 100), 0);
    EXPECT_EQ(index, 5);
    EXPECT_EQ(GetIndexFromValue(scope, SCOPE_TRIGGER_SOURCE, &index, 42), UIE_BAD_VALUE);
    EXPECT_EQ(SetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, 6), UIE_BAD_INDEX);
    EXPECT_EQ(SetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, -1), UIE_BAD_INDEX);
    EXPECT_EQ(SetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, 0), 0);

    // Delete everything, refill, insert in the middle.
    EXPECT_EQ(DeleteListItem(scope, SCOPE_TRIGGER_SOURCE, 0, -1), 0);
    GetNumListItems(scope, SCOPE_TRIGGER_SOURCE, &n);
    EXPECT_EQ(n, 0);
    v = 1234;
    EXPECT_EQ(GetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, &v), UIE_BAD_INDEX) << "an empty ring has no value";
    EXPECT_EQ(v, 1234);
    EXPECT_EQ(DeleteListItem(scope, SCOPE_TRIGGER_SOURCE, 0, -1), 0);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_SOURCE, -1, "CH1", 0), 0);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_SOURCE, -1, "NONE", 100), 0);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_SOURCE, 1, "EXT", 50), 0);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_SOURCE, 9, "X", 1), UIE_BAD_INDEX);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_SOURCE, -1, "half", 0.5), UIE_BAD_TYPE);
    GetNumListItems(scope, SCOPE_TRIGGER_SOURCE, &n);
    EXPECT_EQ(n, 3);
    GetLabelFromIndex(scope, SCOPE_TRIGGER_SOURCE, 1, label);
    EXPECT_STREQ(label, "EXT");
    GetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, &v);
    EXPECT_EQ(v, 0) << "the first item inserted into an empty ring is selected";
    EXPECT_EQ(DeleteListItem(scope, SCOPE_TRIGGER_SOURCE, 1, 1), 0);
    EXPECT_EQ(DeleteListItem(scope, SCOPE_TRIGGER_SOURCE, 5, 1), UIE_BAD_INDEX);
    EXPECT_EQ(ClearListCtrl(scope, SCOPE_TRIGGER_SOURCE), 0);
    GetNumListItems(scope, SCOPE_TRIGGER_SOURCE, &n);
    EXPECT_EQ(n, 0);
    EXPECT_EQ(InsertListItem(scope, SCOPE_TRIGGER_LEVEL, -1, "x", 1), UIE_BAD_TYPE);
}

TEST_F(ControlsTest, DoubleRingsMatchValuesReadBackFromText)
{
    const int range = Load(0, TAB_RANGE);
    double d = 0;
    ASSERT_EQ(GetCtrlVal(range, TAB_RANGE_CH1, &d), 0);
    EXPECT_EQ(d, 2.0);
    int i = 0;
    EXPECT_EQ(GetCtrlVal(range, TAB_RANGE_CH1, &i), UIE_BAD_TYPE);
    // 0.05 written as "%f" and read back.
    EXPECT_EQ(SetCtrlVal(range, TAB_RANGE_CH1, std::stod("0.050000")), 0);
    GetCtrlVal(range, TAB_RANGE_CH1, &d);
    EXPECT_EQ(d, 0.05);
    EXPECT_EQ(SetCtrlVal(range, TAB_RANGE_CH1, 5), 0);
    GetCtrlVal(range, TAB_RANGE_CH1, &d);
    EXPECT_EQ(d, 5.0);
    EXPECT_EQ(SetCtrlVal(range, TAB_RANGE_CH1, 0.051), UIE_BAD_VALUE);
    char label[256];
    GetLabelFromIndex(range, TAB_RANGE_CH1, 0, label);
    EXPECT_STREQ(label, "\xC2\xB1 50mV");
}

TEST_F(ControlsTest, CodeNeverCallsBackUsersDo)
{
    SetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, 1.0);
    SetCtrlVal(scope, SCOPE_TRIGGER_SOURCE, 1);
    SetCtrlIndex(scope, SCOPE_TRIGGER_SOURCE, 2);
    SetCtrlVal(scope, SCOPE_TRIGGER_SLOPE, 0);
    SetCtrlVal(scope, SCOPE_RECORD_LENGTH, 4096);
    SetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_MAX_VALUE, 3000);
    EXPECT_TRUE(events.empty());

    // Operating as a user: value changed, then commit.
    EXPECT_EQ(OperateCtrl(scope, SCOPE_TRIGGER_LEVEL, 50.0), 0);
    EXPECT_EQ(EventsOf(SCOPE_TRIGGER_LEVEL), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    double d = 0;
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &d);
    EXPECT_EQ(d, 10.0);
    EXPECT_EQ(events[0].panel, scope);
    // Command buttons commit only.
    EXPECT_EQ(OperateCtrl(scope, SCOPE_RESET_POSITION, 0), 0);
    EXPECT_EQ(EventsOf(SCOPE_RESET_POSITION), std::vector<int>{EVENT_COMMIT});
    // A ring refuses an absent value without calling back.
    events.clear();
    EXPECT_EQ(OperateCtrl(scope, SCOPE_TRIGGER_SOURCE, 9), UIE_BAD_VALUE);
    EXPECT_TRUE(events.empty());

    // Real widgets: an arrow step on a numeric box, a ring choice, a switch click.
    auto *spin = qobject_cast<QSpinBox *>(uirt::controlWidget(scope, SCOPE_RECORD_LENGTH));
    spin->stepUp();
    EXPECT_TRUE(EventsOf(SCOPE_RECORD_LENGTH).empty()) << "no step past the maximum";
    spin->stepDown();
    EXPECT_EQ(EventsOf(SCOPE_RECORD_LENGTH), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    int n = 0;
    GetCtrlVal(scope, SCOPE_RECORD_LENGTH, &n);
    EXPECT_EQ(n, 2999);
    auto *dspin = qobject_cast<QDoubleSpinBox *>(uirt::controlWidget(scope, SCOPE_TRIGGER_LEVEL));
    dspin->stepDown();
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &d);
    EXPECT_EQ(d, 9.0);
    auto *ring = qobject_cast<QComboBox *>(uirt::controlWidget(scope, SCOPE_TRIGGER_SOURCE));
    ring->setCurrentIndex(4);
    emit ring->activated(4);
    EXPECT_EQ(EventsOf(SCOPE_TRIGGER_SOURCE), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    auto *sw = qobject_cast<QAbstractButton *>(uirt::controlWidget(scope, SCOPE_TRIGGER_SLOPE));
    sw->click();
    n = -1;
    GetCtrlVal(scope, SCOPE_TRIGGER_SLOPE, &n);
    EXPECT_EQ(n, 1);
    EXPECT_EQ(sw->text(), "Rising");
    EXPECT_EQ(EventsOf(SCOPE_TRIGGER_SLOPE), (std::vector<int>{EVENT_VAL_CHANGED, EVENT_COMMIT}));
    // Typed text beyond the limit is brought to it when confirmed.
    events.clear();
    dspin->findChild<QLineEdit *>()->setText("123");
    dspin->interpretText();
    GetCtrlVal(scope, SCOPE_TRIGGER_LEVEL, &d);
    EXPECT_EQ(d, 10.0);
}

TEST_F(ControlsTest, DimmedAndDisplayOnlyControlsRefuseUsers)
{
    int dimmed = 0;
    GetCtrlAttribute(scope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, &dimmed);
    EXPECT_EQ(dimmed, 1);
    EXPECT_FALSE(uirt::controlWidget(scope, SCOPE_PRE_SAMPLES)->isEnabled());
    EXPECT_EQ(OperateCtrl(scope, SCOPE_PRE_SAMPLES, 10), UIE_DIMMED);
    EXPECT_TRUE(events.empty());
    // Code still sets it.
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_PRE_SAMPLES, 10), 0);
    SetCtrlAttribute(scope, SCOPE_PRE_SAMPLES, ATTR_DIMMED, 0);
    EXPECT_TRUE(uirt::controlWidget(scope, SCOPE_PRE_SAMPLES)->isEnabled());
    EXPECT_EQ(OperateCtrl(scope, SCOPE_PRE_SAMPLES, 20), 0);
    EXPECT_EQ(EventsOf(SCOPE_PRE_SAMPLES).size(), 2u);

    int mode = -1;
    GetCtrlAttribute(scope, SCOPE_PARAM_RMS, ATTR_CTRL_MODE, &mode);
    EXPECT_EQ(mode, VAL_INDICATOR);
    auto *box = qobject_cast<QAbstractSpinBox *>(uirt::controlWidget(scope, SCOPE_PARAM_RMS));
    EXPECT_TRUE(box->isReadOnly());
    EXPECT_EQ(OperateCtrl(scope, SCOPE_PARAM_RMS, 1.0), UIE_DIMMED);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TRIGGER_SOURCE, ATTR_CTRL_MODE, VAL_INDICATOR), 0);
    EXPECT_EQ(OperateCtrl(scope, SCOPE_TRIGGER_SOURCE, 1), UIE_DIMMED);
    EXPECT_TRUE(
        uirt::controlWidget(scope, SCOPE_TRIGGER_SOURCE)->testAttribute(Qt::WA_TransparentForMouseEvents));
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TRIGGER_SOURCE, ATTR_CTRL_MODE, VAL_HOT), 0);
    EXPECT_EQ(OperateCtrl(scope, SCOPE_TRIGGER_SOURCE, 1), 0);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TRIGGER_SOURCE, ATTR_CTRL_MODE, 7), UIE_BAD_VALUE);

    int visible = 1;
    GetCtrlAttribute(scope, SCOPE_STATUS, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 0);
    SetCtrlAttribute(scope, SCOPE_STATUS, ATTR_VISIBLE, 1);
    GetCtrlAttribute(scope, SCOPE_STATUS, ATTR_VISIBLE, &visible);
    EXPECT_EQ(visible, 1);
    // Hiding a captioned control hides its caption too.
    SetCtrlAttribute(scope, SCOPE_RECORD_LENGTH, ATTR_VISIBLE, 0);
    QWidget *rl = uirt::controlWidget(scope, SCOPE_RECORD_LENGTH);
    for (QLabel *l : rl->parentWidget()->findChildren<QLabel *>()) {
        if (l->buddy() == rl) {
            EXPECT_TRUE(l->isHidden());
        }
    }
}

TEST_F(ControlsTest, GeometryLabelsAndColours)
{
    int h = 0;
    GetCtrlAttribute(scope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, &h);
    EXPECT_EQ(h, 510);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, 280), 0);
    GetCtrlAttribute(scope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, &h);
    EXPECT_EQ(h, 280);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_TIMEGRAPH, ATTR_HEIGHT, 0), UIE_BAD_VALUE);
    int top = 0, left = 0, width = 0;
    GetCtrlAttribute(scope, SCOPE_DEVICE, ATTR_TOP, &top);
    GetCtrlAttribute(scope, SCOPE_DEVICE, ATTR_LEFT, &left);
    GetCtrlAttribute(scope, SCOPE_DEVICE, ATTR_WIDTH, &width);
    EXPECT_EQ(top, 44);
    EXPECT_EQ(left, 800);
    EXPECT_EQ(width, 130);

    char label[256];
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_FFT_SWITCH, ATTR_LABEL_TEXT, "Spectrum"), 0);
    EXPECT_EQ(GetCtrlAttribute(scope, SCOPE_FFT_SWITCH, ATTR_LABEL_TEXT, label), 0);
    EXPECT_STREQ(label, "Spectrum");
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_STATUS, ATTR_TEXT_COLOR, VAL_RED), 0);
    int colour = 0;
    GetCtrlAttribute(scope, SCOPE_STATUS, ATTR_TEXT_COLOR, &colour);
    EXPECT_EQ(colour, VAL_RED);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_STATUS, 9999, 1), UIE_BAD_ATTRIBUTE);
    EXPECT_EQ(SetCtrlAttribute(scope, SCOPE_STATUS, ATTR_XAXIS_GAIN, 1.0), UIE_BAD_ATTRIBUTE);

    // Active control.
    EXPECT_EQ(SetActiveCtrl(scope, SCOPE_RECORD_LENGTH), 0);
    EXPECT_EQ(GetActiveCtrl(scope), SCOPE_RECORD_LENGTH);
    EXPECT_EQ(SetActiveCtrl(scope, 999), UIE_BAD_CONTROL);
}

TEST_F(ControlsTest, SwitchesLedsAndStrings)
{
    int v = -1;
    GetCtrlVal(gene, GENE_CH1_NOISE, &v);
    EXPECT_EQ(v, 0);
    EXPECT_EQ(SetCtrlVal(gene, GENE_CH1_NOISE, 5), 0);
    GetCtrlVal(gene, GENE_CH1_NOISE, &v);
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(qobject_cast<QAbstractButton *>(uirt::controlWidget(gene, GENE_CH1_NOISE))->isChecked());
    EXPECT_EQ(SetCtrlVal(scope, SCOPE_AVERAGING_LED, 1), 0);
    GetCtrlVal(scope, SCOPE_AVERAGING_LED, &v);
    EXPECT_EQ(v, 1);
    EXPECT_EQ(uirt::controlWidget(scope, SCOPE_AVERAGING_LED)->accessibleDescription(), "on");

    const int autosave = Load(0, AUTOSAVE);
    char text[1024];
    EXPECT_EQ(SetCtrlVal(autosave, AUTOSAVE_DIRECTORY, "/tmp/x"), 0);
    EXPECT_EQ(GetCtrlVal(autosave, AUTOSAVE_DIRECTORY, text), 0);
    EXPECT_STREQ(text, "/tmp/x");
    EXPECT_EQ(OperateCtrl(autosave, AUTOSAVE_DIRECTORY, "/y"), 0) << "a folder can be typed";
    EXPECT_EQ(GetCtrlVal(autosave, AUTOSAVE_DIRECTORY, text), 0);
    EXPECT_STREQ(text, "/y");
    SetCtrlAttribute(autosave, AUTOSAVE_DIRECTORY, ATTR_CTRL_MODE, VAL_INDICATOR);
    EXPECT_EQ(OperateCtrl(autosave, AUTOSAVE_DIRECTORY, "/z"), UIE_DIMMED) << "display-only string";
    EXPECT_EQ(SetCtrlVal(autosave, AUTOSAVE_DIRECTORY, static_cast<const char *>(nullptr)), UIE_BAD_VALUE);
}
