// The table of decoded annotations (sample, time, decoder, class, text) and
// its export as CSV.
#include "digital/digital_annotations.h"

#include <cstdio>
#include <string>

#include "benchstate/loaded_panel.h"
#include "digital/digital.h"
#include "digital/digital_decode.h"
#include "digital/digital_decode_panel.h"
#include "formats/replace_file.h"

namespace
{

int panelAnnot = 0;
// A table of this many rows stays quick to fill and to scroll; the export
// always holds every annotation.
constexpr int kMaxRows = 5000;

bool EnsureAnnotPanel()
{
    return Bench_LoadedPanel(panelAnnot, ANNOT) > 0;
}

std::string ClassName(const DigitalAnnotation &a, std::string *decoderLabel)
{
    const DigitalDecoder *d = Digital_FindDecoder(a.decoderId);
    *decoderLabel = d ? Digital_DecoderLabel(*d) : std::string("?");
    const decoders::DecoderInfo *info = d ? decoders::Find(d->decoder) : nullptr;
    if (info && a.cls >= 0 && a.cls < static_cast<int>(info->classes.size()))
        return info->classes[static_cast<size_t>(a.cls)];
    return std::to_string(a.cls);
}

std::string TimeText(uint64_t sample)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.9g", dDecodedRate > 0 ? static_cast<double>(sample) / dDecodedRate : 0.0);
    return buf;
}

// A CSV field: quoted when it holds a comma, a quote or a line break.
std::string CsvField(const std::string &s)
{
    if (s.find_first_of(",\"\r\n") == std::string::npos)
        return s;
    std::string out = "\"";
    for (char c : s)
        out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

} // namespace

void Digital_FillAnnotationTable(void)
{
    if (panelAnnot <= 0 || GetPanelParent(panelAnnot) != panelBench)
        return;
    DeleteTableRows(panelAnnot, ANNOT_TABLE, 1, -1);
    const int total = static_cast<int>(dAnnotations.size());
    const int rows = total < kMaxRows ? total : kMaxRows;
    if (rows > 0)
        InsertTableRows(panelAnnot, ANNOT_TABLE, -1, rows);
    for (int r = 0; r < rows; ++r) {
        const DigitalAnnotation &a = dAnnotations[static_cast<size_t>(r)];
        std::string decoder;
        const std::string cls = ClassName(a, &decoder);
        const std::string text = a.texts.empty() ? std::string() : a.texts.front();
        SetTableCellVal(panelAnnot, ANNOT_TABLE, r + 1, 1, std::to_string(a.start).c_str());
        SetTableCellVal(panelAnnot, ANNOT_TABLE, r + 1, 2, TimeText(a.start).c_str());
        SetTableCellVal(panelAnnot, ANNOT_TABLE, r + 1, 3, decoder.c_str());
        SetTableCellVal(panelAnnot, ANNOT_TABLE, r + 1, 4, cls.c_str());
        SetTableCellVal(panelAnnot, ANNOT_TABLE, r + 1, 5, text.c_str());
    }
    std::string count = std::to_string(total) + " annotations";
    if (total > rows)
        count += " (the first " + std::to_string(rows) + " shown; Export CSV writes all)";
    SetCtrlVal(panelAnnot, ANNOT_COUNT, count.c_str());
}

int Digital_WriteAnnotationsCsv(std::FILE *f)
{
    if (std::fprintf(f, "Sample,End sample,Time (s),Decoder,Class,Text\r\n") < 0)
        return -1;
    for (const auto &a : dAnnotations) {
        std::string decoder;
        const std::string cls = ClassName(a, &decoder);
        const std::string line = std::to_string(a.start) + "," + std::to_string(a.end) + "," + TimeText(a.start) +
                                 "," + CsvField(decoder) + "," + CsvField(cls) + "," +
                                 CsvField(a.texts.empty() ? std::string() : a.texts.front()) + "\r\n";
        if (std::fputs(line.c_str(), f) < 0)
            return -1;
    }
    return 0;
}

int Digital_AnnotationPanelHandle(void)
{
    return panelAnnot;
}

void Digital_AnnotationPanelReset(void)
{
    panelAnnot = 0;
}

int Display_Annotations(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT || !EnsureAnnotPanel())
        return 0;
    Digital_FillAnnotationTable();
    DisplayPanel(panelAnnot);
    return 0;
}

int Export_Annotations(int, int, int event, void *, int, int)
{
    if (event != EVENT_COMMIT)
        return 0;
    char path[1024] = "";
    const int answer = FileSelectPopup("", "*.csv", "*.csv", "Export Annotations", VAL_SAVE_BUTTON, 0, 1, 1, 1, path);
    if (answer <= VAL_NO_FILE_SELECTED || path[0] == '\0')
        return 0;
    const formats::Status status = formats::WriteReplacing(path, [](std::FILE *f) {
        return Digital_WriteAnnotationsCsv(f) == 0 ? formats::Status::Ok : formats::Status::WriteFailed;
    });
    if (status != formats::Status::Ok) {
        const std::string message = std::string("Saving File impossible: ") + formats::StatusText(status);
        MessagePopup("Error message", message.c_str());
    }
    return 0;
}

int Close_Annotations(int panel, int, int event, void *, int, int)
{
    if (event == EVENT_COMMIT)
        HidePanel(panel);
    return 0;
}
