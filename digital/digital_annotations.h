// The "Decoded Annotations" panel: a table of every annotation of the last
// decode (sample, time, decoder, class, text) and its export as CSV.
#pragma once

#include <cstdio>

// Refills the table from dAnnotations (when the panel has been opened).
void Digital_FillAnnotationTable(void);
// Writes every annotation as CSV (header, then one line per annotation,
// CR LF); 0, or -1 when a write failed.
int Digital_WriteAnnotationsCsv(std::FILE *f);
int Digital_AnnotationPanelHandle(void);
void Digital_AnnotationPanelReset(void);

int Display_Annotations(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Export_Annotations(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Close_Annotations(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
