// Saving a slot's record (text, two-column and binary formats) and printing
// the scope panel.
#include "scope/scope.h"

int SaveCallback(int, int, int, void *, int, int)
{
    return 0;
}

int onOK_Save(int, int, int, void *, int, int)
{
    return 0;
}

int Close_Saving(int, int, int, void *, int, int)
{
    return 0;
}

int SaveChannelonDisk(int slot, const short *rawCodes, const double *values, int start)
{
    (void)slot;
    (void)rawCodes;
    (void)values;
    (void)start;
    return -1;
}

int PrintCallback(int, int, int, void *, int, int)
{
    return 0;
}
