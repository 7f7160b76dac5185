// Protocol decoders on the analyzer: the decoders the user has added (with
// their channel maps, options and stacking), the decoding of every completed
// capture on a worker thread, and the annotations of the last decode.
//
// The worker only reads a copy of the capture and writes its result into a
// slot; the analyzer's state (the list, the annotations, the graph) is
// touched only on the UI thread, when a tick or the poll timer takes the
// finished result.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "decoders/decoders.h"

// One decoder the user added.  id is stable while it exists; parent is the
// id of the decoder it is stacked on, 0 when it reads the lines.
struct DigitalDecoder {
    int id = 0;
    std::string decoder;
    int parent = 0;
    std::map<std::string, int> channels;
    std::map<std::string, std::string> options;
};

// One annotation of the last decode, with the decoder (by id) it came from.
struct DigitalAnnotation {
    uint64_t start = 0, end = 0;
    int decoderId = 0;
    int cls = 0, row = 0;
    std::vector<std::string> texts;
};

extern std::vector<DigitalDecoder> dDecoders;        // in stacking order: a parent before its children
extern std::vector<DigitalAnnotation> dAnnotations;  // of the capture shown, by decoder then start
extern std::vector<std::string> dDecodeMessages;     // errors of the last decode (one per failed decoder)
extern std::vector<int> dDecodeFailedIds;            // the decoders those errors belong to
extern double dDecodedRate;                          // sample rate of the decoded capture

// Adds a decoder after checking it (known decoder, channels, options,
// stacking).  Returns its id (> 0), or 0 with the reason in message.
int Digital_AddDecoder(const DigitalDecoder &decoder, std::string *message);
// Replaces a decoder's channels, options and parent (same checks).
int Digital_EditDecoder(const DigitalDecoder &decoder, std::string *message);
// Removes a decoder and those stacked on it.  Returns the number removed.
int Digital_RemoveDecoder(int id);
const DigitalDecoder *Digital_FindDecoder(int id);
// "uart #1" style name of a decoder in lists and rows.
std::string Digital_DecoderLabel(const DigitalDecoder &decoder);

// Hands a capture (samples x 2 raw bytes at rate) to the worker.  A decode
// still running for an older capture is abandoned.  Nothing happens when no
// decoder is added.
void Digital_DecodeStart(const uint8_t *raw, int samples, double rate);
// Whether a decode is running or waiting to be taken.
int Digital_DecodeBusy(void);
// UI thread: takes a finished decode, if any, into dAnnotations and
// dDecodeMessages and calls the display hook.  Returns 1 when it took one.
int Digital_DecodePoll(void);
// Waits for the running decode and takes it (tests, exit).
int Digital_DecodeWait(void);
// Decodes the last capture again (after a change of decoders).
void Digital_DecodeAgain(void);
// The raw samples of the capture dAnnotations belong to.
const std::vector<uint8_t> &Digital_DecodedCapture(void);

// Called on the UI thread after dAnnotations changed (the panel draws the
// rows and fills the table).  Set by the panel code; may be null.
extern void (*digitalDecodeDisplayHook)(void);

// Forgets every decoder and annotation, waits for the worker (tests).
void Digital_DecodeReset(void);
