// libFuzzer target: whole SCPI input streams.  Any bytes must parse or be
// refused with a code and no units, frame the same whatever pieces they
// arrive in, and run through a session without breaking its invariants.
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "remote/scpi_block.h"
#include "remote/scpi_parser.h"
#include "remote/scpi_status.h"
#include "remote/scpi_tree.h"

using namespace scpi;

namespace
{

// Aborts with the line of the failed condition, so a crash tells which.
#define Check(condition)                                                                                     \
    do {                                                                                                       \
        if (!(condition)) {                                                                                    \
            std::fprintf(stderr, "fuzz_scpi.cpp:%d: %s\n", __LINE__, #condition);                             \
            std::abort();                                                                                      \
        }                                                                                                      \
    } while (0)

bool recordDone = true;
double frequency = 1000.0;

const Tree &TestTree()
{
    static const Tree tree = [] {
        Tree t;
        CommonHooks hooks;
        hooks.serial = [] { return std::string("FZ-1"); };
        hooks.reset = [] { frequency = 1000.0; };
        InstallCommonCommands(t, hooks);
        t.Add(
            "[:SOURce#(1-2)]:FREQuency[:CW]",
            [](Context &, const Params &p) {
                if (const int e = ExpectParams(p, 1, 1))
                    return Result::Fail(e);
                double f = 0;
                if (const int e = NumberIn(p[0], 1.0, 1e6, 1e3, "HZ", f))
                    return Result::Fail(e);
                frequency = f;
                return Result::Ok();
            },
            [](Context &, const Params &) { return Result::Reply(FormatNumber(frequency)); });
        t.Add(":SINGle",
              [](Context &c, const Params &) {
                  recordDone = false;
                  c.session.BeginOperation([] { return recordDone; });
                  return Result::Ok();
              },
              nullptr);
        t.Add(":TRACe#(1-4):DATA",
              [](Context &, const Params &p) {
                  std::vector<float> samples;
                  if (p.size() != 1 || p[0].kind != ValueKind::Block || !DecodeFloat32(p[0].text, samples))
                      return Result::Fail(kDataTypeError);
                  return Result::Ok();
              },
              [](Context &c, const Params &) {
                  const std::int16_t w[2] = {std::int16_t(c.suffixes[0]), -1};
                  return Result::Reply(EncodeInt16Block(w, 2));
              });
        return t;
    }();
    return tree;
}

void CheckParse(std::string_view text)
{
    const ParseResult r = ParseMessage(text);
    if (r.error != kNoError) {
        Check(r.error <= -100 && r.error > -500);
        Check(r.units.empty());
        Check(r.detail.size() <= 24);
        for (char c : r.detail)
            Check(c >= 0x20 && c < 0x7F && c != '"');
        return;
    }
    Check(r.units.size() <= kMaxUnits);
    for (const ProgramUnit &u : r.units) {
        Check(!u.path.empty() && u.path.size() <= kMaxPathNodes);
        Check(u.params.size() <= kMaxParams);
        for (const HeaderNode &n : u.path)
            Check(!n.mnemonic.empty() && n.mnemonic.size() <= kMaxMnemonic);
        for (const Value &v : u.params) {
            if (v.kind == ValueKind::Number)
                Check(std::isfinite(v.number));
            if (v.kind == ValueKind::Special)
                Check(v.text == "MIN" || v.text == "MAX" || v.text == "DEF");
            if (v.kind == ValueKind::Block)
                Check(v.text.size() <= text.size());
        }
    }
}

std::vector<Frame> FrameAll(std::string_view data, std::size_t piece)
{
    FramerLimits limits;
    limits.maxMessage = 256;
    limits.maxBlock = 64;
    MessageFramer framer(limits);
    std::vector<Frame> frames;
    for (std::size_t at = 0; at < data.size(); at += piece) {
        const std::size_t n = data.size() - at < piece ? data.size() - at : piece;
        framer.Append(data.data() + at, n);
        Frame f;
        while (framer.Next(f))
            frames.push_back(f);
    }
    return frames;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *bytes, std::size_t size)
{
    const std::string_view data(reinterpret_cast<const char *>(bytes), size);
    CheckParse(data);

    // The same frames whatever the pieces.
    const std::vector<Frame> whole = FrameAll(data, data.size() ? data.size() : 1);
    const std::vector<Frame> split = FrameAll(data, 1 + size % 7);
    Check(whole.size() == split.size());
    for (std::size_t k = 0; k < whole.size(); ++k) {
        Check(whole[k].error == split[k].error && whole[k].text == split[k].text);
        Check(whole[k].error == kNoError || whole[k].text.empty());
        Check(whole[k].error != kNoError || whole[k].text.find('\n') == std::string::npos ||
              whole[k].text.find('#') != std::string::npos);
        CheckParse(whole[k].text);
    }

    // A session over the stream, the record completing now and then.
    recordDone = true;
    frequency = 1000.0;
    SessionLimits limits;
    limits.framer.maxMessage = 256;
    limits.framer.maxBlock = 64;
    limits.maxHeldInput = 512;
    limits.errorQueue = 4;
    Session session(TestTree(), limits);
    std::string output;
    std::size_t at = 0;
    int tick = 0;
    while (at < data.size()) {
        const std::size_t n = std::min<std::size_t>(data.size() - at, 1 + (static_cast<unsigned char>(data[at]) % 32));
        session.Feed(data.data() + at, n);
        at += n;
        if (++tick % 3 == 0)
            recordDone = true;
        session.Poll();
        output += session.TakeOutput();
        Check(session.Errors().Count() <= 4);
        Check(frequency >= 1.0 && frequency <= 1e6);
    }
    // Records complete until nothing is held: what runs after a wait may
    // start another record and wait again, but every round moves on.
    for (int round = 0; round < 100000 && session.Holding(); ++round) {
        recordDone = true;
        session.Poll();
    }
    output += session.TakeOutput();
    Check(!session.Holding());
    Check(output.empty() || output.back() == '\n');
    const std::string first = session.Errors().Pop();
    Check(!first.empty() && (first[0] == '-' || first == "0,\"No error\""));
    return 0;
}
