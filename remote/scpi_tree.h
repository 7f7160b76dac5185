// The SCPI command tree: header patterns with their handlers, and the
// resolution of a parsed message's headers to handlers.
//
// A pattern names the nodes from the root, separated by ':'.  Capitals
// mark the short form ("FREQuency": FREQ or FREQUENCY).  Square brackets
// enclose nodes that may be left out ("[:SOURce#]:FREQuency[:CW]").  '#'
// after a mnemonic takes a numeric suffix, 1 when none is sent; "#(1-4)"
// limits it (a suffix outside the limits is "Header suffix out of range").
//
//   Tree tree;
//   tree.Add(":CHANnel#(1-4):SCALe",
//            [&](Context &c, const Params &p) { ... c.suffixes[0] ... },   // CHAN2:SCAL 0.5
//            [&](Context &c, const Params &p) { return Result::Reply(...); }); // CHAN2:SCAL?
//
// Handlers run on the thread that owns the instruments; the tree itself is
// built once and then only read.
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "remote/scpi_parser.h"

namespace scpi
{

class Session;

// What a handler is called with besides its parameters.
struct Context {
    Session &session;            // the client's status, error queue and pending operations
    std::vector<long> suffixes;  // one per '#' in the pattern, in order
    bool query = false;
};

// What a handler gives back.
struct Result {
    int error = kNoError; // reported to the client's error queue; the rest of the message is skipped
    std::string detail;   // optional text appended to the error's text
    std::string reply;    // a query's response (numbers, strings, a block), without terminator
    bool hold = false;    // hold the session while operations are pending, then give the reply

    static Result Ok() { return {}; }
    static Result Reply(std::string text)
    {
        Result r;
        r.reply = std::move(text);
        return r;
    }
    static Result Fail(int code, std::string detail = {})
    {
        Result r;
        r.error = code;
        r.detail = std::move(detail);
        return r;
    }
    // Nothing more of this client runs until its pending operations are
    // complete; a query's reply (for *OPC?: "1") is given then.
    static Result Hold(std::string replyWhenDone = {})
    {
        Result r;
        r.hold = true;
        r.reply = std::move(replyWhenDone);
        return r;
    }
};

using Params = std::vector<Value>;
using Handler = std::function<Result(Context &, const Params &)>;

// kNoError when the count of parameters lies within min..max, otherwise
// kMissingParameter or kParameterNotAllowed.
int ExpectParams(const Params &p, std::size_t min, std::size_t max);

// A unit ready to run: its handler, suffixes and parameters.
struct Resolved {
    const Handler *handler = nullptr;
    std::vector<long> suffixes;
    bool query = false;
    Params params;
};

class Tree
{
public:
    // Adds a pattern with its command and query handlers (either may be
    // empty: that form is then an undefined header).  False for a malformed
    // pattern, which is a programming error.
    bool Add(std::string_view pattern, Handler set, Handler query);
    // Adds a common command: name with its star ("*IDN").
    bool AddCommon(std::string_view name, Handler set, Handler query);

    // Resolves every unit of a parsed message, applying the rule that a
    // header without a leading ':' continues from the path of the previous
    // header in the message (all but its last node).  All or nothing: the
    // first unit that resolves to no handler gives kUndefinedHeader (or
    // kHeaderSuffixOutOfRange) with the header as detail, and out is empty.
    int Resolve(std::vector<ProgramUnit> units, std::vector<Resolved> &out, std::string &detail) const;

    std::size_t Size() const { return entries_.size() + common_.size(); }

private:
    struct Node {
        std::string name;  // as in the pattern ("FREQuency")
        bool suffix = false;
        long lo = 1, hi = 999999999;
        int group = -1;    // optional group this node belongs to, -1 when required
    };
    struct Entry {
        std::vector<Node> nodes;
        Handler set, query;
    };
    struct Common {
        std::string name; // upper case, without the star
        Handler set, query;
    };
    std::vector<Entry> entries_;
    std::vector<Common> common_;

    // 0 when the path matches (suffixes filled), kHeaderSuffixOutOfRange
    // when only a suffix is outside its limits, kUndefinedHeader otherwise.
    static int Match(const Entry &e, const std::vector<HeaderNode> &path, std::vector<long> &suffixes);
    static int MatchFrom(const Entry &e, std::size_t p, const std::vector<HeaderNode> &path, std::size_t i,
                         std::vector<long> &suffixes);
};

} // namespace scpi
