// Splitting a byte stream into SCPI messages, with the size limits that
// keep a client from making the server hold unbounded input.
#include "remote/scpi_parser.h"

namespace scpi
{

void MessageFramer::Append(const char *data, std::size_t size)
{
    // Bytes before start_ are taken or discarded; drop them once they are
    // the larger part of the buffer, so appending stays amortised linear.
    if (start_ > 4096 && start_ * 2 > buf_.size()) {
        buf_.erase(0, start_);
        scan_ -= start_;
        start_ = 0;
    }
    buf_.append(data, size);
}

void MessageFramer::Clear()
{
    buf_.clear();
    start_ = scan_ = 0;
    state_ = State::Text;
    StartMessage();
}

void MessageFramer::StartMessage()
{
    quote_ = 0;
    lengthDigits_ = 0;
    blockLeft_ = 0;
    textBytes_ = 0;
    blockBytes_ = 0;
}

bool MessageFramer::Next(Frame &out)
{
    const auto refuse = [&](int code) {
        // The message so far is dropped; the rest of its line follows.
        state_ = State::Discard;
        start_ = scan_;
        out.error = code;
        out.text.clear();
        return true;
    };
    while (scan_ < buf_.size()) {
        const char c = buf_[scan_];
        switch (state_) {
        case State::Discard:
            ++scan_;
            start_ = scan_;
            if (c == '\n') {
                state_ = State::Text;
                StartMessage();
            }
            continue;
        case State::BlockBytes: {
            std::size_t n = buf_.size() - scan_;
            if (n > blockLeft_)
                n = blockLeft_;
            scan_ += n;
            blockLeft_ -= n;
            if (blockLeft_ == 0)
                state_ = State::Text;
            continue;
        }
        case State::BlockLength:
            if (c >= '0' && c <= '9') {
                ++scan_;
                if (++textBytes_ > limits_.maxMessage)
                    return refuse(kInputBufferOverrun);
                blockLeft_ = blockLeft_ * 10 + std::size_t(c - '0');
                if (--lengthDigits_ == 0) {
                    blockBytes_ += blockLeft_;
                    if (blockLeft_ > limits_.maxBlock || blockBytes_ > limits_.maxBlock)
                        return refuse(kTooMuchData);
                    state_ = blockLeft_ ? State::BlockBytes : State::Text;
                }
                continue;
            }
            // A malformed block header is left to the parser to report.
            state_ = State::Text;
            continue;
        case State::Text:
        case State::Quote:
            if (c == '\n') {
                out.error = kNoError;
                out.text.assign(buf_, start_, scan_ - start_);
                ++scan_;
                start_ = scan_;
                state_ = State::Text;
                StartMessage();
                return true;
            }
            if (state_ == State::Quote) {
                if (c == quote_)
                    state_ = State::Text;
            } else if (c == '\'' || c == '"') {
                quote_ = c;
                state_ = State::Quote;
            } else if (c == '#') {
                if (scan_ + 1 >= buf_.size())
                    return false; // the next byte decides whether a block starts
                const char d = buf_[scan_ + 1];
                if (d >= '1' && d <= '9') {
                    textBytes_ += 2;
                    scan_ += 2;
                    if (textBytes_ > limits_.maxMessage)
                        return refuse(kInputBufferOverrun);
                    lengthDigits_ = d - '0';
                    blockLeft_ = 0;
                    state_ = State::BlockLength;
                    continue;
                }
            }
            ++scan_;
            if (++textBytes_ > limits_.maxMessage)
                return refuse(kInputBufferOverrun);
            continue;
        }
    }
    return false;
}

} // namespace scpi
