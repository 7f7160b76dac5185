// The analyzer's decoder controls: the list of added decoders, the
// "Protocol Decoder" panel that adds or edits one, and the drawing of a
// decode (traces, annotation rows, status).
#include "digital/digital_decode_panel.h"

#include <algorithm>
#include <cstdio>

#include "digital/digital.h"
#include "digital/digital_annotations.h"
#include "digital/digital_decode.h"
#include "ui/graph_annotations.h"

namespace
{

int panelDecoder = 0;
DigitalDecoder draft;      // the decoder being set up
int editingId = 0;         // 0: adding
std::vector<int> shownFailures; // decoders whose error has been shown in a popup

// Lines of the simulated bus, so that a decoder of one of its protocols
// starts mapped to them.
const std::map<std::string, std::map<std::string, int>> kBusLines = {
    {"uart", {{"rx", 0}}},
    {"i2c", {{"scl", 1}, {"sda", 2}}},
    {"spi", {{"cs", 3}, {"clk", 4}, {"mosi", 5}, {"miso", 6}}},
};

const int kRowColors[6] = {0x2F6FB0, 0x2E8B57, 0xB8860B, 0x8B3A8B, 0xB04A2F, 0x4A6A8A};

std::string OptionValue(const decoders::OptionInfo &opt)
{
    const auto it = draft.options.find(opt.id);
    return it != draft.options.end() ? it->second : opt.defaultValue;
}

const decoders::DecoderInfo *DraftInfo()
{
    return decoders::Find(draft.decoder);
}

void FillSummary()
{
    const decoders::DecoderInfo *info = DraftInfo();
    if (!info)
        return;
    std::string text;
    if (draft.parent) {
        const DigitalDecoder *below = Digital_FindDecoder(draft.parent);
        text += "Reads the output of " + (below ? Digital_DecoderLabel(*below) : std::string("?")) + "\n";
    } else {
        for (const auto *list : {&info->channels, &info->optionalChannels})
            for (const auto &ch : *list) {
                const auto it = draft.channels.find(ch.id);
                text += ch.name + (list == &info->optionalChannels ? " (optional)" : "") + ": " +
                        (it != draft.channels.end() ? "line " + std::to_string(it->second) : "not connected") + "\n";
            }
    }
    for (const auto &opt : info->options)
        text += opt.desc + " = " + OptionValue(opt) + "\n";
    SetCtrlVal(panelDecoder, DECODER_SUMMARY, text.c_str());
}

void FillOptionValue()
{
    const decoders::DecoderInfo *info = DraftInfo();
    int index = -1;
    GetCtrlVal(panelDecoder, DECODER_OPTION, &index);
    const bool any = info && index >= 0 && index < static_cast<int>(info->options.size());
    const decoders::OptionInfo *opt = any ? &info->options[static_cast<size_t>(index)] : nullptr;
    const bool listed = opt && !opt->values.empty();
    SetCtrlAttribute(panelDecoder, DECODER_OPTION_VALUE, ATTR_VISIBLE, listed || !opt ? 1 : 0);
    SetCtrlAttribute(panelDecoder, DECODER_OPTION_TEXT, ATTR_VISIBLE, opt && !listed ? 1 : 0);
    ClearListCtrl(panelDecoder, DECODER_OPTION_VALUE);
    if (!opt)
        return;
    const std::string value = OptionValue(*opt);
    if (listed) {
        for (size_t i = 0; i < opt->values.size(); ++i)
            InsertListItem(panelDecoder, DECODER_OPTION_VALUE, -1, opt->values[i].c_str(), static_cast<int>(i));
        const auto it = std::find(opt->values.begin(), opt->values.end(), value);
        if (it != opt->values.end())
            SetCtrlIndex(panelDecoder, DECODER_OPTION_VALUE, static_cast<int>(it - opt->values.begin()));
    } else
        SetCtrlVal(panelDecoder, DECODER_OPTION_TEXT, value.c_str());
}

void FillLine()
{
    const decoders::DecoderInfo *info = DraftInfo();
    int index = -1;
    GetCtrlVal(panelDecoder, DECODER_CHANNEL, &index);
    std::vector<decoders::ChannelInfo> all;
    if (info) {
        all = info->channels;
        all.insert(all.end(), info->optionalChannels.begin(), info->optionalChannels.end());
    }
    const bool any = index >= 0 && index < static_cast<int>(all.size()) && !draft.parent;
    SetCtrlAttribute(panelDecoder, DECODER_LINE, ATTR_DIMMED, any ? 0 : 1);
    SetCtrlAttribute(panelDecoder, DECODER_CHANNEL, ATTR_DIMMED, draft.parent ? 1 : 0);
    int line = -1;
    if (any) {
        const auto it = draft.channels.find(all[static_cast<size_t>(index)].id);
        if (it != draft.channels.end())
            line = it->second;
    }
    SetCtrlVal(panelDecoder, DECODER_LINE, line);
}

// Fills every control of the panel from the draft.
void FillPanel()
{
    const decoders::DecoderInfo *info = DraftInfo();
    if (!info)
        return;
    const auto &list = decoders::List();
    for (size_t i = 0; i < list.size(); ++i)
        if (list[i].id == info->id)
            SetCtrlIndex(panelDecoder, DECODER_DECODER, static_cast<int>(i));
    std::string desc = info->longname + "\n" + info->desc + "\n";
    auto join = [](const std::vector<std::string> &v) {
        std::string s;
        for (const auto &x : v)
            s += (s.empty() ? "" : ", ") + x;
        return s.empty() ? std::string("none") : s;
    };
    desc += "Reads: " + join(info->inputs) + "; gives: " + join(info->outputs);
    SetCtrlVal(panelDecoder, DECODER_DESCRIPTION, desc.c_str());

    // Where it can read from: the lines, or an added decoder whose output it reads.
    ClearListCtrl(panelDecoder, DECODER_STACK_ON);
    if (std::find(info->inputs.begin(), info->inputs.end(), "logic") != info->inputs.end())
        InsertListItem(panelDecoder, DECODER_STACK_ON, -1, "Logic lines", 0);
    for (const auto &d : dDecoders) {
        if (d.id == editingId)
            break; // only decoders before it
        const decoders::DecoderInfo *below = decoders::Find(d.decoder);
        if (below && decoders::CanStack(*below, *info))
            InsertListItem(panelDecoder, DECODER_STACK_ON, -1, Digital_DecoderLabel(d).c_str(), d.id);
    }
    int stackIndex = 0;
    if (GetIndexFromValue(panelDecoder, DECODER_STACK_ON, &stackIndex, draft.parent) == 0)
        SetCtrlIndex(panelDecoder, DECODER_STACK_ON, stackIndex);

    ClearListCtrl(panelDecoder, DECODER_CHANNEL);
    int n = 0;
    for (const auto &ch : info->channels)
        InsertListItem(panelDecoder, DECODER_CHANNEL, -1, (ch.name + " - " + ch.desc).c_str(), n++);
    for (const auto &ch : info->optionalChannels)
        InsertListItem(panelDecoder, DECODER_CHANNEL, -1, (ch.name + " (optional) - " + ch.desc).c_str(), n++);
    ClearListCtrl(panelDecoder, DECODER_OPTION);
    for (size_t i = 0; i < info->options.size(); ++i)
        InsertListItem(panelDecoder, DECODER_OPTION, -1, info->options[i].desc.c_str(), static_cast<int>(i));
    FillLine();
    FillOptionValue();
    FillSummary();
    SetCtrlAttribute(panelDecoder, DECODER_DECODER, ATTR_DIMMED, editingId ? 1 : 0);
    SetCtrlAttribute(panelDecoder, DECODER_OK, ATTR_LABEL_TEXT, editingId ? "Apply" : "Add");
}

// A fresh draft of a decoder: its defaults, reading the lines, its channels
// on the simulated bus's lines when it decodes one of its protocols, else on
// lines 0, 1, 2, ... in order.
void NewDraft(const decoders::DecoderInfo &info)
{
    draft = DigitalDecoder();
    draft.decoder = info.id;
    if (std::find(info.inputs.begin(), info.inputs.end(), "logic") == info.inputs.end()) {
        // A decoder that reads another's output: stack it on the newest that fits.
        for (auto it = dDecoders.rbegin(); it != dDecoders.rend(); ++it) {
            const decoders::DecoderInfo *below = decoders::Find(it->decoder);
            if (below && decoders::CanStack(*below, info)) {
                draft.parent = it->id;
                break;
            }
        }
        return;
    }
    const auto bus = kBusLines.find(info.id);
    if (bus != kBusLines.end()) {
        draft.channels = bus->second;
        return;
    }
    int line = 0;
    for (const auto &ch : info.channels)
        if (line < 16)
            draft.channels[ch.id] = line++;
}

bool EnsurePanel()
{
    if (panelDecoder > 0 && GetPanelParent(panelDecoder) == panelBench)
        return true;
    panelDecoder = LoadPanel(panelBench, kResourceFile, DECODER);
    if (panelDecoder <= 0)
        return false;
    for (size_t i = 0; i < decoders::List().size(); ++i) {
        const auto &d = decoders::List()[i];
        InsertListItem(panelDecoder, DECODER_DECODER, -1, (d.id + " - " + d.name).c_str(), static_cast<int>(i));
    }
    return true;
}

int SelectedDecoderId()
{
    int id = 0;
    int count = 0;
    GetNumListItems(panelDig, DIG_DECODERS, &count);
    if (count <= 0 || GetCtrlVal(panelDig, DIG_DECODERS, &id) != 0)
        return 0;
    return id;
}

void StartPolling()
{
    SetCtrlVal(panelDig, DIG_DECODE_STATUS, "Decoding...");
    SetCtrlAttribute(panelDig, DIG_DECODE_TIMER, ATTR_ENABLED, 1);
}

} // namespace

void Digital_FillDecoderList(int selectId)
{
    ClearListCtrl(panelDig, DIG_DECODERS);
    for (const auto &d : dDecoders) {
        std::string label = Digital_DecoderLabel(d);
        if (d.parent)
            if (const DigitalDecoder *below = Digital_FindDecoder(d.parent))
                label += " on " + Digital_DecoderLabel(*below);
        InsertListItem(panelDig, DIG_DECODERS, -1, label.c_str(), d.id);
    }
    int index = 0;
    if (selectId && GetIndexFromValue(panelDig, DIG_DECODERS, &index, selectId) == 0)
        SetCtrlIndex(panelDig, DIG_DECODERS, index);
    const int none = dDecoders.empty() ? 1 : 0;
    SetCtrlAttribute(panelDig, DIG_EDIT_DECODER, ATTR_DIMMED, none);
    SetCtrlAttribute(panelDig, DIG_REMOVE_DECODER, ATTR_DIMMED, none);
}

void Digital_ShowDecoderControls(void)
{
    // Without the decoder runtime, the decoder controls are not shown at all.
    const int shown = decoders::Available() ? 1 : 0;
    const int controls[] = {DIG_DECODERS,       DIG_ADD_DECODER,   DIG_EDIT_DECODER,
                            DIG_REMOVE_DECODER, DIG_DECODE_STATUS, DIG_ANNOTATIONS};
    for (int c : controls)
        SetCtrlAttribute(panelDig, c, ATTR_VISIBLE, shown);
    Digital_FillDecoderList(SelectedDecoderId());
}

void Digital_ShowDecode(void)
{
    const std::vector<uint8_t> &raw = Digital_DecodedCapture();
    if (!raw.empty())
        Digital_PlotCapture(raw.data(), static_cast<int>(raw.size() / 2));

    // One row per decoder and annotation row that has annotations, in the
    // order of the decoders.
    std::vector<std::pair<int, int>> keys; // (decoder id, row)
    for (const auto &d : dDecoders) {
        std::vector<int> rows;
        for (const auto &a : dAnnotations)
            if (a.decoderId == d.id && std::find(rows.begin(), rows.end(), a.row) == rows.end())
                rows.push_back(a.row);
        std::sort(rows.begin(), rows.end());
        for (int r : rows)
            keys.emplace_back(d.id, r);
    }
    const int count = static_cast<int>(keys.size());
    const double rowHeight = 1.6, firstY = -1.0;
    SetGraphAnnotationRows(panelDig, DIG_GRAPH, count, firstY, rowHeight);
    SetAxisScalingMode(panelDig, DIG_GRAPH, VAL_LEFT_YAXIS, VAL_MANUAL, count ? firstY - rowHeight * count - 0.2 : -1.0,
                       32.0);
    for (int k = 0; k < count; ++k) {
        const DigitalDecoder *d = Digital_FindDecoder(keys[static_cast<size_t>(k)].first);
        const decoders::DecoderInfo *info = d ? decoders::Find(d->decoder) : nullptr;
        const int row = keys[static_cast<size_t>(k)].second;
        const std::string label = (d ? Digital_DecoderLabel(*d) : std::string()) + ": " + (info ? info->rowName(row) : "");
        size_t decoderIndex = 0;
        while (decoderIndex < dDecoders.size() && dDecoders[decoderIndex].id != keys[static_cast<size_t>(k)].first)
            ++decoderIndex;
        SetGraphAnnotationRowLabel(panelDig, DIG_GRAPH, k, label.c_str(), kRowColors[decoderIndex % 6]);
        std::vector<double> x0, x1;
        std::vector<std::string> texts;
        for (const auto &a : dAnnotations)
            if (a.decoderId == keys[static_cast<size_t>(k)].first && a.row == row) {
                x0.push_back(static_cast<double>(a.start));
                // A box reaches to the start of the sample after its end.
                x1.push_back(static_cast<double>(std::max(a.end, a.start + 1)) - 0.0);
                std::string t;
                for (const auto &f : a.texts)
                    t += (t.empty() ? "" : "\n") + f;
                texts.push_back(std::move(t));
            }
        std::vector<const char *> ptrs;
        for (const auto &t : texts)
            ptrs.push_back(t.c_str());
        PlotGraphAnnotations(panelDig, DIG_GRAPH, k, static_cast<int>(x0.size()), x0.data(), x1.data(), ptrs.data());
    }

    std::string status;
    if (!dDecodeMessages.empty()) {
        for (const auto &m : dDecodeMessages)
            status += (status.empty() ? "" : "; ") + m;
        // A decoder's error shows once when it starts failing; it does not
        // come back with every capture.
        bool fresh = false;
        for (int id : dDecodeFailedIds)
            fresh |= std::find(shownFailures.begin(), shownFailures.end(), id) == shownFailures.end();
        if (fresh)
            MessagePopup("Decoder error", status.c_str());
    } else if (!dDecoders.empty())
        status = std::to_string(dAnnotations.size()) + " annotations";
    shownFailures = dDecodeFailedIds;
    SetCtrlVal(panelDig, DIG_DECODE_STATUS, status.c_str());
    SetCtrlAttribute(panelDig, DIG_DECODE_STATUS, ATTR_TEXT_COLOR, dDecodeMessages.empty() ? VAL_BLACK : VAL_RED);
    Digital_FillAnnotationTable();
    RefreshGraph(panelDig, DIG_GRAPH);
}

int Digital_DecodePanelHandle(void)
{
    return panelDecoder;
}

void Digital_DecodePanelReset(void)
{
    panelDecoder = 0;
    draft = DigitalDecoder();
    editingId = 0;
    shownFailures.clear();
}

// ---------------------------------------------------------------- callbacks

int Add_Decoder(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    if (!decoders::Available()) {
        MessagePopup("Error message", decoders::UnavailableReason().c_str());
        return 0;
    }
    if (!EnsurePanel() || decoders::List().empty())
        return 0;
    editingId = 0;
    const decoders::DecoderInfo *first = decoders::Find("uart");
    NewDraft(first ? *first : decoders::List().front());
    FillPanel();
    SetPanelAttribute(panelDecoder, ATTR_TITLE, "Add Protocol Decoder");
    DisplayPanel(panelDecoder);
    return 0;
}

int Edit_Decoder(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    const DigitalDecoder *d = Digital_FindDecoder(SelectedDecoderId());
    if (!d || !EnsurePanel())
        return 0;
    editingId = d->id;
    draft = *d;
    FillPanel();
    SetPanelAttribute(panelDecoder, ATTR_TITLE, ("Edit " + Digital_DecoderLabel(*d)).c_str());
    DisplayPanel(panelDecoder);
    return 0;
}

int Remove_Decoder(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    const int id = SelectedDecoderId();
    if (!id || !Digital_RemoveDecoder(id))
        return 0;
    if (panelDecoder > 0 && editingId)
        HidePanel(panelDecoder);
    Digital_FillDecoderList(0);
    Digital_ShowDecode();
    return 0;
}

int Digital_Decoder_Choice(int, int, int, void *, int, int)
{
    return 0;
}

int Decoder_Choice(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    int index = 0;
    GetCtrlVal(panel, control, &index);
    const auto &list = decoders::List();
    if (index < 0 || index >= static_cast<int>(list.size()))
        return 0;
    NewDraft(list[static_cast<size_t>(index)]);
    FillPanel();
    return 0;
}

int Decoder_Stack_Choice(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    GetCtrlVal(panel, control, &draft.parent);
    FillLine();
    FillSummary();
    return 0;
}

int Decoder_Channel_Choice(int, int, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED)
        FillLine();
    return 0;
}

int Decoder_Line(int panel, int, int event, void *, int, int)
{
    if (event != EVENT_VAL_CHANGED)
        return 0;
    const decoders::DecoderInfo *info = DraftInfo();
    int index = -1, line = -1;
    GetCtrlVal(panel, DECODER_CHANNEL, &index);
    GetCtrlVal(panel, DECODER_LINE, &line);
    if (!info)
        return 0;
    std::vector<decoders::ChannelInfo> all = info->channels;
    all.insert(all.end(), info->optionalChannels.begin(), info->optionalChannels.end());
    if (index < 0 || index >= static_cast<int>(all.size()))
        return 0;
    const std::string &id = all[static_cast<size_t>(index)].id;
    if (line < 0)
        draft.channels.erase(id);
    else
        draft.channels[id] = line;
    FillSummary();
    return 0;
}

int Decoder_Option_Choice(int, int, int event, void *, int, int)
{
    if (event == EVENT_VAL_CHANGED)
        FillOptionValue();
    return 0;
}

int Decoder_Option_Value(int panel, int control, int event, void *, int, int)
{
    // The ring takes effect when it changes; the text box when it is committed.
    if ((control == DECODER_OPTION_VALUE && event != EVENT_VAL_CHANGED) ||
        (control == DECODER_OPTION_TEXT && event != EVENT_COMMIT))
        return 0;
    const decoders::DecoderInfo *info = DraftInfo();
    int index = -1;
    GetCtrlVal(panel, DECODER_OPTION, &index);
    if (!info || index < 0 || index >= static_cast<int>(info->options.size()))
        return 0;
    const decoders::OptionInfo &opt = info->options[static_cast<size_t>(index)];
    std::string value;
    if (control == DECODER_OPTION_VALUE) {
        int v = -1;
        GetCtrlVal(panel, control, &v);
        if (v < 0 || v >= static_cast<int>(opt.values.size()))
            return 0;
        value = opt.values[static_cast<size_t>(v)];
    } else {
        char text[1024] = "";
        GetCtrlVal(panel, control, text);
        value = text;
    }
    // Checked when the decoder is added or applied, with every other setting.
    draft.options[opt.id] = value;
    FillSummary();
    return 0;
}

int Decoder_OK(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    std::string message;
    DigitalDecoder d = draft;
    d.id = editingId;
    // Options left at their default are not sent; the decoder takes its own.
    if (const decoders::DecoderInfo *info = DraftInfo())
        for (const auto &opt : info->options) {
            const auto it = d.options.find(opt.id);
            std::string canonical;
            if (it != d.options.end() && decoders::CanonicalValue(opt.kind, it->second, &canonical) &&
                canonical == opt.defaultValue)
                d.options.erase(it);
        }
    const int id = editingId ? Digital_EditDecoder(d, &message) : Digital_AddDecoder(d, &message);
    if (!id) {
        MessagePopup("Error message", message.c_str());
        return 0;
    }
    HidePanel(panelDecoder);
    editingId = 0;
    Digital_FillDecoderList(id);
    Digital_DecodeAgain();
    StartPolling();
    return 0;
}

int Decoder_Cancel(int, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT && panelDecoder > 0) {
        HidePanel(panelDecoder);
        editingId = 0;
    }
    return 0;
}

int Digital_Decode_Timer(int panel, int control, int event, void *, int, int)
{
    if (event != EVENT_TIMER_TICK)
        return 0;
    Digital_DecodePoll();
    if (!Digital_DecodeBusy())
        SetCtrlAttribute(panel, control, ATTR_ENABLED, 0);
    return 0;
}
