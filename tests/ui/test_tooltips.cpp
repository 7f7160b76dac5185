// Tooltips of the resource's controls: every control whose caption is
// abbreviated (a short form in capitals such as "CH1" or "RMS", a word cut
// short with a full stop, a lone letter, "Δt") explains it in a tooltip, on
// the control and on its caption.
#include "test_runtime_support.h"

#include <QLabel>
#include <QRegularExpression>

#include "ui/rt_core.h"

namespace
{

// The words of a caption that are abbreviations; parts in parentheses are
// units ("(mV)", "(S/s)") and do not count.
QStringList Abbreviations(QString caption)
{
    caption.remove(QRegularExpression("\\([^)]*\\)"));
    QStringList found;
    const QStringList words = caption.split(QRegularExpression("[\\s,;:]+"), Qt::SkipEmptyParts);
    // In a sentence (a message of more than four words) a full stop ends it.
    const bool sentence = words.size() > 4;
    for (const QString &word : words) {
        if (word == "OK" || word.endsWith("...") || word.endsWith(QChar(0x2026)))
            continue;
        int capitals = 0;
        for (QChar ch : word)
            capitals += ch.isUpper() ? 1 : 0;
        const bool shortForm = capitals >= 2;
        const bool cut = word.endsWith('.') && !sentence;
        const bool letter = word.size() == 1 && word[0].isLetter();
        if (shortForm || cut || letter || word.contains(QChar(0x0394)))
            found << word;
    }
    return found;
}

class TooltipTest : public RuntimeTest
{
};

} // namespace

TEST_F(TooltipTest, TheRuleFindsShortFormsButNotUnits)
{
    EXPECT_EQ(Abbreviations("RMS (mV)"), QStringList{"RMS"});
    EXPECT_EQ(Abbreviations("Cursor freq."), QStringList{"freq."});
    EXPECT_EQ(Abbreviations("Cursor 1 V"), QStringList{"V"});
    EXPECT_EQ(Abbreviations("Δt"), QStringList{"Δt"});
    EXPECT_TRUE(Abbreviations("Sampling rate (S/s)").isEmpty());
    EXPECT_TRUE(Abbreviations("Export image...").isEmpty());
    EXPECT_TRUE(Abbreviations("OK").isEmpty());
    EXPECT_TRUE(Abbreviations("Connect the probe, then press Start.").isEmpty());
}

TEST_F(TooltipTest, EveryAbbreviatedCaptionHasATooltip)
{
    int checked = 0;
    for (int id = 1; id <= TAB_COUPLING; ++id) {
        const int h = Load(0, id);
        ASSERT_GT(h, 0);
        uirt::Panel *p = uirt::panel(h);
        ASSERT_NE(p, nullptr);
        for (auto &kv : p->controls) {
            const uirt::Control *c = kv.second.get();
            using uirt::ControlType;
            if (!c->widget || c->type == ControlType::Graph || c->type == ControlType::Canvas ||
                c->type == ControlType::Timer)
                continue;
            QString caption = c->labelText;
            if (c->type == ControlType::TextMsg)
                caption = static_cast<QLabel *>(c->widget.data())->text();
            if (Abbreviations(caption).isEmpty())
                continue;
            ++checked;
            const QString where = p->name + "_" + c->name + " \"" + caption + "\"";
            EXPECT_FALSE(c->widget->toolTip().isEmpty()) << where.toStdString();
            if (c->label) {
                EXPECT_EQ(c->label->toolTip(), c->widget->toolTip()) << where.toStdString();
            }
        }
    }
    // The channel boxes, the spectrum readouts, the bus settings ...
    EXPECT_GT(checked, 40);
}
