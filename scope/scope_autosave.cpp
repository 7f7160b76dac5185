// Autosave: one file per slot and capture into a time-stamped run folder.
#include "scope/scope.h"

int isAutoSaveON = 0;

void DisplayMenuAutosave(int, int, void *, int) {}

int select_directory(int, int, int, void *, int, int)
{
    return 0;
}

int close_autosave(int, int, int, void *, int, int)
{
    return 0;
}

void AutoSave(void) {}
