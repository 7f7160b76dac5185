// Per-client SCPI state and the IEEE 488.2 common commands.
#include "remote/scpi_status.h"

#include <memory>

namespace scpi
{

namespace
{

// Longest text inside the quotes of an error queue entry.
constexpr std::size_t kMaxErrorText = 255;

} // namespace

void ErrorQueue::Push(int code, std::string_view detail)
{
    if (entries_.size() >= capacity_) {
        if (entries_.back().code != kQueueOverflow)
            entries_.back() = {kQueueOverflow, std::to_string(int(kQueueOverflow)) + ",\"Queue overflow\""};
        return;
    }
    std::string inner = ErrorText(code);
    if (!detail.empty()) {
        inner += ';';
        // The text is sent inside double quotes: printable ASCII only, and
        // no double quote that would end it early.
        for (char c : detail) {
            const unsigned char u = static_cast<unsigned char>(c);
            inner += (u < 0x20 || u >= 0x7F) ? '?' : (c == '"' ? '\'' : c);
        }
    }
    if (inner.size() > kMaxErrorText)
        inner.resize(kMaxErrorText);
    entries_.push_back({code, std::to_string(code) + ",\"" + inner + "\""});
}

std::string ErrorQueue::Pop()
{
    if (entries_.empty())
        return "0,\"No error\"";
    std::string text = std::move(entries_.front().text);
    entries_.pop_front();
    return text;
}

Session::Session(const Tree &tree, SessionLimits limits)
    : tree_(tree), limits_(limits), framer_(limits.framer), errors_(limits.errorQueue)
{
}

void Session::Feed(const char *data, std::size_t size)
{
    if (holding_ && framer_.Buffered() + size > limits_.maxHeldInput) {
        // Held input is bounded: what is buffered and this line are lost;
        // bytes after this data's last newline start afresh.
        ReportError(kInputBufferOverrun);
        std::size_t last = size;
        while (last > 0 && data[last - 1] != '\n')
            --last;
        if (last == 0) {
            framer_.DiscardLine();
            return;
        }
        framer_.Clear();
        data += last;
        size -= last;
    }
    framer_.Append(data, size);
    Pump();
}

std::string Session::TakeOutput()
{
    std::string out;
    out.swap(output_);
    return out;
}

void Session::Pump()
{
    if (pumping_)
        return; // a handler ended an operation; the running loop goes on
    pumping_ = true;
    while (!holding_) {
        if (inMessage_) {
            if (next_ < units_.size())
                RunUnit(units_[next_++]);
            else
                FinishMessage();
            continue;
        }
        Frame frame;
        if (!framer_.Next(frame))
            break;
        if (frame.error != kNoError)
            ReportError(frame.error);
        else
            StartMessage(frame.text);
    }
    pumping_ = false;
}

void Session::StartMessage(const std::string &text)
{
    ParseResult parsed = ParseMessage(text);
    if (parsed.error != kNoError) {
        ReportError(parsed.error, parsed.detail);
        return;
    }
    if (parsed.units.empty())
        return;
    std::string detail;
    const int error = tree_.Resolve(std::move(parsed.units), units_, detail);
    if (error != kNoError) {
        ReportError(error, detail);
        return;
    }
    next_ = 0;
    replies_.clear();
    inMessage_ = true;
}

void Session::RunUnit(Resolved &unit)
{
    // The handler may clear the session, and the unit with it: nothing of
    // the unit is used after the call, and a cleared session drops the result.
    const bool query = unit.query;
    const unsigned clears = clears_;
    Context context{*this, unit.suffixes, query};
    Result result = (*unit.handler)(context, unit.params);
    if (clears != clears_)
        return;
    if (result.error != kNoError) {
        ReportError(result.error, result.detail);
        next_ = units_.size();
        return;
    }
    if (result.hold && OperationPending()) {
        holding_ = true;
        heldQuery_ = query;
        heldReply_ = std::move(result.reply);
        return;
    }
    if (query && !result.reply.empty())
        replies_.push_back(std::move(result.reply));
}

void Session::FinishMessage()
{
    if (replies_.size() == 1 && output_.empty()) {
        // One reply (a waveform block may be tens of megabytes): moved, not copied.
        output_ = std::move(replies_[0]);
        output_ += '\n';
    } else if (!replies_.empty()) {
        for (std::size_t k = 0; k < replies_.size(); ++k) {
            if (k)
                output_ += ';';
            output_ += replies_[k];
        }
        output_ += '\n';
    }
    replies_.clear();
    units_.clear();
    next_ = 0;
    inMessage_ = false;
}

void Session::Poll()
{
    for (auto it = pending_.begin(); it != pending_.end();) {
        if (it->second && it->second())
            it = pending_.erase(it);
        else
            ++it;
    }
    if (pending_.empty())
        OperationsEnded();
}

void Session::OperationsEnded()
{
    if (opcArmed_) {
        esr_ |= kEsrOperationComplete;
        opcArmed_ = false;
    }
    if (holding_) {
        holding_ = false;
        if (heldQuery_ && !heldReply_.empty())
            replies_.push_back(std::move(heldReply_));
        heldReply_.clear();
        Pump();
    }
}

void Session::DeviceClear()
{
    ++clears_;
    framer_.Clear();
    units_.clear();
    next_ = 0;
    inMessage_ = false;
    replies_.clear();
    holding_ = false;
    heldReply_.clear();
    output_.clear();
    pending_.clear();
    opcArmed_ = false;
}

int Session::BeginOperation(std::function<bool()> done)
{
    const int id = nextOperation_++;
    if (nextOperation_ <= 0)
        nextOperation_ = 1;
    pending_[id] = std::move(done);
    return id;
}

void Session::EndOperation(int id)
{
    if (pending_.erase(id) && pending_.empty())
        OperationsEnded();
}

void Session::ReportError(int code, std::string_view detail)
{
    errors_.Push(code, detail);
    if (code <= -100 && code > -200)
        esr_ |= kEsrCommandError;
    else if (code <= -200 && code > -300)
        esr_ |= kEsrExecutionError;
    else if ((code <= -300 && code > -400) || code > 0)
        esr_ |= kEsrDeviceError;
    else if (code <= -400 && code > -500)
        esr_ |= kEsrQueryError;
}

std::uint8_t Session::TakeEsr()
{
    const std::uint8_t v = esr_;
    esr_ = 0;
    return v;
}

std::uint8_t Session::StatusByte(std::uint8_t summary) const
{
    std::uint8_t stb = summary & (0x01 | 0x02 | kStbQuestionable | kStbOperation);
    if (errors_.Count())
        stb |= kStbErrorQueue;
    if (!output_.empty() || !replies_.empty())
        stb |= kStbMessageAvailable;
    if (esr_ & ese_)
        stb |= kStbEventSummary;
    if (stb & sre_)
        stb |= kStbRequestService;
    return stb;
}

void Session::ClearStatus()
{
    errors_.Clear();
    esr_ = 0;
    opcArmed_ = false;
}

void Session::ArmOperationComplete()
{
    if (pending_.empty())
        esr_ |= kEsrOperationComplete;
    else
        opcArmed_ = true;
}

void Session::ResetOperations()
{
    pending_.clear();
    opcArmed_ = false;
}

namespace
{

// A register value from *ESE or *SRE: an integer 0..255.
Result SetRegister(const Params &p, void (Session::*set)(std::uint8_t), Session &session)
{
    if (const int e = ExpectParams(p, 1, 1))
        return Result::Fail(e);
    long v = 0;
    if (const int e = IntegerIn(p[0], 0, 255, 0, v))
        return Result::Fail(e);
    (session.*set)(std::uint8_t(v));
    return Result::Ok();
}

// An *IDN? field: no commas or semicolons, which would split the reply.
std::string IdnField(std::string s)
{
    for (char &c : s) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == ',' || c == ';' || c == '"' || c == '\'' || u <= 0x20 || u >= 0x7F)
            c = '_';
    }
    return s.empty() ? "0" : s;
}

// Wraps a handler that takes no parameters.
Handler NoParams(std::function<Result(Context &)> f)
{
    return [f = std::move(f)](Context &c, const Params &p) {
        if (const int e = ExpectParams(p, 0, 0))
            return Result::Fail(e);
        return f(c);
    };
}

} // namespace

void InstallCommonCommands(Tree &tree, CommonHooks hooksIn)
{
    const auto hooks = std::make_shared<const CommonHooks>(std::move(hooksIn));
    tree.AddCommon("*IDN", nullptr, NoParams([hooks](Context &) {
                       const std::string serial = hooks->serial ? hooks->serial() : std::string();
                       return Result::Reply("Korvax,Demo 2.0," + IdnField(serial) + "," +
                                            IdnField(hooks->version));
                   }));
    tree.AddCommon("*RST", NoParams([hooks](Context &c) {
                       if (hooks->reset)
                           hooks->reset();
                       c.session.ResetOperations();
                       return Result::Ok();
                   }),
                   nullptr);
    tree.AddCommon("*CLS", NoParams([](Context &c) {
                       c.session.ClearStatus();
                       return Result::Ok();
                   }),
                   nullptr);
    tree.AddCommon(
        "*ESE", [](Context &c, const Params &p) { return SetRegister(p, &Session::SetEse, c.session); },
        NoParams([](Context &c) { return Result::Reply(std::to_string(c.session.Ese())); }));
    tree.AddCommon("*ESR", nullptr,
                   NoParams([](Context &c) { return Result::Reply(std::to_string(c.session.TakeEsr())); }));
    tree.AddCommon("*OPC", NoParams([](Context &c) {
                       c.session.ArmOperationComplete();
                       return Result::Ok();
                   }),
                   NoParams([](Context &c) {
                       return c.session.OperationPending() ? Result::Hold("1") : Result::Reply("1");
                   }));
    tree.AddCommon(
        "*SRE", [](Context &c, const Params &p) { return SetRegister(p, &Session::SetSre, c.session); },
        NoParams([](Context &c) { return Result::Reply(std::to_string(c.session.Sre())); }));
    tree.AddCommon("*STB", nullptr, NoParams([hooks](Context &c) {
                       const std::uint8_t summary = hooks->summaryBits ? hooks->summaryBits() : 0;
                       return Result::Reply(std::to_string(c.session.StatusByte(summary)));
                   }));
    tree.AddCommon("*TST", nullptr, NoParams([hooks](Context &) {
                       return Result::Reply(std::to_string(hooks->selfTest ? hooks->selfTest() : 0));
                   }));
    tree.AddCommon("*WAI", NoParams([](Context &c) {
                       return c.session.OperationPending() ? Result::Hold() : Result::Ok();
                   }),
                   nullptr);

    tree.Add(":SYSTem:ERRor[:NEXT]", nullptr,
             NoParams([](Context &c) { return Result::Reply(c.session.Errors().Pop()); }));
    tree.Add(":SYSTem:ERRor:COUNt", nullptr,
             NoParams([](Context &c) { return Result::Reply(std::to_string(c.session.Errors().Count())); }));
    tree.Add(":SYSTem:VERSion", nullptr, NoParams([](Context &) { return Result::Reply("1999.0"); }));
}

} // namespace scpi
