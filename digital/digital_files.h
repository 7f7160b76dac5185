// Saving the analyzer's last capture (VCD of the 16 lines, or a sigrok
// session with them as logic channels) and exporting its graph as an image.
#pragma once

// Writes the last capture to path: ".sr" a sigrok session, any other name
// a VCD file.  Returns 0, or -1 after the failure was shown.
int Digital_SaveLines(const char *path);

int Save_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
int Export_Image_Digital(int panel, int control, int event, void *callbackData, int eventData1, int eventData2);
