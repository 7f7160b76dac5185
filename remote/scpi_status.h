// Per-client SCPI state: the error/event queue, the IEEE 488.2 status
// registers, pending operations (*OPC, *OPC?, *WAI) and the session that
// takes a client's bytes, runs its commands through the tree and collects
// the replies.  No sockets: the network front end feeds bytes in, sends
// TakeOutput() back and calls Poll() on its timer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "remote/scpi_parser.h"
#include "remote/scpi_tree.h"

namespace scpi
{

// Clients served at once; the front end refuses more connections.
inline constexpr int kMaxClients = 8;

// Standard Event Status Register bits.
enum EsrBit : std::uint8_t {
    kEsrOperationComplete = 0x01,
    kEsrRequestControl = 0x02,
    kEsrQueryError = 0x04,
    kEsrDeviceError = 0x08,
    kEsrExecutionError = 0x10,
    kEsrCommandError = 0x20,
    kEsrUserRequest = 0x40,
    kEsrPowerOn = 0x80,
};
// Status byte bits.
enum StbBit : std::uint8_t {
    kStbErrorQueue = 0x04,  // the error/event queue is not empty
    kStbQuestionable = 0x08,
    kStbMessageAvailable = 0x10,
    kStbEventSummary = 0x20, // ESR & ESE
    kStbRequestService = 0x40,
    kStbOperation = 0x80,
};

// The error/event queue: first in, first out.  When it is full, a further
// error replaces the newest entry with -350 "Queue overflow" and is lost,
// as are any after it until an entry is read.
class ErrorQueue
{
public:
    explicit ErrorQueue(std::size_t capacity = 16) : capacity_(capacity < 2 ? 2 : capacity) {}

    void Push(int code, std::string_view detail = {});
    // The oldest entry as SYSTem:ERRor? gives it, removed from the queue:
    // -113,"Undefined header;FOO".  0,"No error" when the queue is empty.
    std::string Pop();
    std::size_t Count() const { return entries_.size(); }
    std::size_t Capacity() const { return capacity_; }
    void Clear() { entries_.clear(); }

private:
    struct Entry {
        int code;
        std::string text;
    };
    std::size_t capacity_;
    std::deque<Entry> entries_;
};

struct SessionLimits {
    FramerLimits framer;
    std::size_t errorQueue = 16;
    // Input kept while the session is held (by *WAI or *OPC?); more is
    // refused with -363 "Input buffer overrun".  The front end should stop
    // reading the socket while AcceptsInput() is false.
    std::size_t maxHeldInput = std::size_t(4) << 20;
};

class Session
{
public:
    explicit Session(const Tree &tree, SessionLimits limits = {});

    // Bytes from the client.  Complete messages run at once unless the
    // session is held; a message is parsed and resolved whole before any of
    // it runs, so a malformed one changes nothing.  A handler's error skips
    // the rest of its message.
    void Feed(const char *data, std::size_t size);
    void Feed(std::string_view text) { Feed(text.data(), text.size()); }
    // Replies ready to send (each message's replies joined by ';' and ended
    // by a newline); taken out of the session.
    std::string TakeOutput();
    bool HasOutput() const { return !output_.empty(); }

    // Checks pending operations; when none is left, sets OPC for an armed
    // *OPC and resumes a held session.  Call on every timer tick and after
    // an operation ends.
    void Poll();
    // Device clear: drops buffered input, held commands, replies not yet
    // taken and pending operations.  Status registers and errors stay.
    void DeviceClear();

    // Pending operations: a command that starts work finishing later (a
    // single acquisition) begins one; it ends when EndOperation is called
    // or, checked in Poll, when done() is true.  done must also be true
    // when the work is abandoned (stopped, reset), or the session waits on.
    int BeginOperation(std::function<bool()> done = {});
    void EndOperation(int id);
    bool OperationPending() const { return !pending_.empty(); }
    // Held by *WAI or *OPC? until pending operations are complete.
    bool Holding() const { return holding_; }
    bool AcceptsInput() const { return !holding_ || framer_.Buffered() < limits_.maxHeldInput; }

    // Status.
    ErrorQueue &Errors() { return errors_; }
    const ErrorQueue &Errors() const { return errors_; }
    // Queues an error and sets its class's ESR bit (command, execution,
    // device-specific or query error).
    void ReportError(int code, std::string_view detail = {});
    std::uint8_t Esr() const { return esr_; }
    std::uint8_t TakeEsr();
    void SetEsrBits(std::uint8_t bits) { esr_ |= bits; }
    std::uint8_t Ese() const { return ese_; }
    void SetEse(std::uint8_t v) { ese_ = v; }
    std::uint8_t Sre() const { return sre_; }
    void SetSre(std::uint8_t v) { sre_ = std::uint8_t(v & ~kStbRequestService); }
    // The status byte; summary holds the device's bits 0, 1, 3 and 7
    // (questionable and operation summaries).
    std::uint8_t StatusByte(std::uint8_t summary = 0) const;
    // *CLS: clears the error queue and ESR and disarms *OPC.
    void ClearStatus();
    // *OPC: sets OPC in ESR now or, while operations are pending, when the
    // last of them ends.  *RST and *CLS disarm it.
    void ArmOperationComplete();
    void DisarmOperationComplete() { opcArmed_ = false; }
    // *RST: forgets pending operations (the reset abandons them) and
    // disarms *OPC.
    void ResetOperations();

private:
    const Tree &tree_;
    SessionLimits limits_;
    MessageFramer framer_;
    ErrorQueue errors_;
    // A connection starts with clear registers: power-on is the device's
    // event, not the client's.
    std::uint8_t esr_ = 0;
    std::uint8_t ese_ = 0;
    std::uint8_t sre_ = 0;

    std::map<int, std::function<bool()>> pending_;
    int nextOperation_ = 1;
    bool opcArmed_ = false;

    // The message being run: resolved units, the next to run, its replies.
    std::vector<Resolved> units_;
    std::size_t next_ = 0;
    bool inMessage_ = false;
    std::vector<std::string> replies_;
    bool holding_ = false;
    bool heldQuery_ = false;
    std::string heldReply_;
    std::string output_;
    bool pumping_ = false;
    unsigned clears_ = 0; // device clears so far

    void Pump();
    void StartMessage(const std::string &text);
    void RunUnit(Resolved &unit);
    void FinishMessage();
    void OperationsEnded();
};

// What the common commands need of the bench.
struct CommonHooks {
    std::function<std::string()> serial;       // *IDN?: serial number of the selected device
    std::string version = "2.0";               // *IDN?: the software version
    std::function<void()> reset;               // *RST: every instrument to its start-up state
    std::function<int()> selfTest;             // *TST?: 0 when passed, else a failure code
    std::function<std::uint8_t()> summaryBits; // status byte bits 0, 1, 3 and 7
};

// Adds the IEEE 488.2 common commands (*IDN? *RST *CLS *ESE *ESE? *ESR?
// *OPC *OPC? *SRE *SRE? *STB? *TST? *WAI) and SYSTem:ERRor[:NEXT]?,
// SYSTem:ERRor:COUNt? and SYSTem:VERSion? to a tree.
void InstallCommonCommands(Tree &tree, CommonHooks hooks);

} // namespace scpi
