// The scope's per-slot record buffers.
#include "scope/scope.h"

short *BufferIn = nullptr;
double *vBufferIn[4] = {nullptr, nullptr, nullptr, nullptr};
double *vAverage[4] = {nullptr, nullptr, nullptr, nullptr};
double *vAverageSave[4] = {nullptr, nullptr, nullptr, nullptr};
double *spectrum[4] = {nullptr, nullptr, nullptr, nullptr};
