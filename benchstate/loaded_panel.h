// Panels of the bench loaded from the resource file when first shown.
#pragma once

// A panel of the bench loaded on first use: handle is kept while it is a
// panel of the current bench and loaded again when it is not (a bench opened
// anew).  Returns the handle, 0 when the panel cannot be loaded.
int Bench_LoadedPanel(int &handle, int resourceId);
