// Parsing of SCPI program messages into program units.
#include "remote/scpi_parser.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <system_error>

namespace scpi
{

namespace
{

char Upper(char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; }
bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
// IEEE 488.2 white space: every byte up to the space except the newline
// ends a message; inside ParseMessage the newline counts as white space too.
bool IsSpace(char c) { return static_cast<unsigned char>(c) <= 0x20; }

std::string UpperOf(std::string_view s)
{
    std::string u(s);
    for (char &c : u)
        c = Upper(c);
    return u;
}

struct Unit {
    const char *name;
    bool rate; // a plain M prefix means mega, as in MHZ
};
const Unit kUnits[] = {{"HZ", true}, {"S/S", true}, {"SA/S", true}, {"V", false},   {"S", false},
                       {"OHM", false}, {"DEG", false}, {"RAD", false},  {"PCT", false}, {"DB", false},
                       {"DBM", false}, {"W", false}};

const Unit *FindUnit(std::string_view u)
{
    for (const Unit &unit : kUnits)
        if (u == unit.name)
            return &unit;
    return nullptr;
}

struct Prefix {
    const char *name;
    double factor;
};
// Two-letter prefixes first, so MA (mega) is tried before M (milli).
const Prefix kPrefixes[] = {{"EX", 1e18}, {"PE", 1e15}, {"MA", 1e6}, {"T", 1e12}, {"G", 1e9},
                            {"K", 1e3},   {"M", 1e-3},  {"U", 1e-6}, {"N", 1e-9}, {"P", 1e-12},
                            {"F", 1e-15}, {"A", 1e-18}};

// Splits an upper-case suffix into multiplier and base unit.  SCPI reads M
// as milli, except in MOHM and in rates (MHZ, MS/S: mega).
bool ResolveSuffix(const std::string &suffix, double &factor, std::string &unit)
{
    if (FindUnit(suffix)) {
        factor = 1.0;
        unit = suffix;
        return true;
    }
    if (suffix.size() > 1 && suffix[0] == 'M') {
        const std::string rest = suffix.substr(1);
        const Unit *u = FindUnit(rest);
        if (rest == "OHM" || (u && u->rate)) {
            factor = 1e6;
            unit = rest;
            return true;
        }
    }
    for (const Prefix &p : kPrefixes) {
        const std::string_view name(p.name);
        if (suffix.size() > name.size() && suffix.compare(0, name.size(), name) == 0 &&
            FindUnit(std::string_view(suffix).substr(name.size()))) {
            factor = p.factor;
            unit = suffix.substr(name.size());
            return true;
        }
    }
    return false;
}

class Parser
{
public:
    explicit Parser(std::string_view s) : s_(s) {}

    ParseResult Run()
    {
        ParseResult r;
        SkipSpace();
        while (i_ < s_.size()) {
            if (r.units.size() >= kMaxUnits) {
                Error(kSyntaxError);
                return Fail();
            }
            ProgramUnit unit;
            if (!ParseUnit(unit))
                return Fail();
            r.units.push_back(std::move(unit));
            SkipSpace();
            if (i_ >= s_.size())
                break;
            if (s_[i_] != ';') {
                Error(kInvalidSeparator);
                return Fail();
            }
            ++i_;
            SkipSpace();
            if (i_ < s_.size() && s_[i_] == ';') {
                Error(kSyntaxError);
                return Fail();
            }
        }
        return r;
    }

private:
    std::string_view s_;
    std::size_t i_ = 0;
    int error_ = kNoError;
    std::size_t errorAt_ = 0;

    char Peek(std::size_t ahead = 0) const { return i_ + ahead < s_.size() ? s_[i_ + ahead] : '\0'; }
    bool AtEnd() const { return i_ >= s_.size(); }
    void SkipSpace()
    {
        while (i_ < s_.size() && IsSpace(s_[i_]))
            ++i_;
    }
    bool Error(int code)
    {
        error_ = code;
        errorAt_ = i_;
        return false;
    }
    // An unexpected byte: invalid when it is no printable ASCII at all.
    bool Unexpected()
    {
        if (AtEnd())
            return Error(kSyntaxError);
        const unsigned char c = static_cast<unsigned char>(Peek());
        return Error(c >= 0x7F || c < 0x20 ? kInvalidCharacter : kSyntaxError);
    }

    // The result for the fault recorded by Error(): its code, no units and
    // a printable excerpt from where it lies.
    ParseResult Fail() const
    {
        ParseResult f;
        f.error = error_;
        for (std::size_t k = errorAt_; k < s_.size() && f.detail.size() < 24; ++k) {
            const unsigned char c = static_cast<unsigned char>(s_[k]);
            f.detail += (c < 0x20 || c >= 0x7F) ? '?' : (c == '"' ? '\'' : char(c));
        }
        return f;
    }

    bool ParseMnemonic(std::string &name, long &suffix)
    {
        const std::size_t begin = i_;
        if (!IsAlpha(Peek()))
            return Unexpected();
        while (IsAlpha(Peek()) || IsDigit(Peek()) || Peek() == '_')
            ++i_;
        std::size_t end = i_;
        while (end > begin && IsDigit(s_[end - 1]))
            --end;
        if (end - begin > kMaxMnemonic) {
            i_ = begin;
            return Error(kMnemonicTooLong);
        }
        name = UpperOf(s_.substr(begin, end - begin));
        suffix = -1;
        if (end < i_) {
            if (i_ - end > 9) {
                i_ = begin;
                return Error(kHeaderSuffixOutOfRange);
            }
            long v = 0;
            for (std::size_t k = end; k < i_; ++k)
                v = v * 10 + (s_[k] - '0');
            suffix = v;
        }
        return true;
    }

    bool ParseUnit(ProgramUnit &unit)
    {
        if (Peek() == '*') {
            ++i_;
            unit.common = true;
            const std::size_t begin = i_;
            while (IsAlpha(Peek()))
                ++i_;
            if (i_ == begin)
                return Unexpected();
            if (i_ - begin > kMaxMnemonic) {
                i_ = begin;
                return Error(kMnemonicTooLong);
            }
            unit.path.push_back({UpperOf(s_.substr(begin, i_ - begin)), -1});
        } else {
            if (Peek() == ':') {
                unit.absolute = true;
                ++i_;
            }
            for (;;) {
                if (unit.path.size() >= kMaxPathNodes)
                    return Error(kSyntaxError);
                HeaderNode node;
                if (!ParseMnemonic(node.mnemonic, node.suffix))
                    return false;
                unit.path.push_back(std::move(node));
                if (Peek() != ':')
                    break;
                ++i_;
            }
        }
        if (Peek() == '?') {
            unit.query = true;
            ++i_;
        }
        if (AtEnd() || Peek() == ';')
            return true;
        if (!IsSpace(Peek()))
            return Error(kHeaderSeparatorError);
        SkipSpace();
        if (AtEnd() || Peek() == ';')
            return true;
        for (;;) {
            if (unit.params.size() >= kMaxParams)
                return Error(kSyntaxError);
            Value v;
            if (!ParseValue(v))
                return false;
            unit.params.push_back(std::move(v));
            SkipSpace();
            if (Peek() != ',')
                return true;
            ++i_;
            SkipSpace();
            if (AtEnd() || Peek() == ';' || Peek() == ',')
                return Error(kSyntaxError);
        }
    }

    bool ParseValue(Value &v)
    {
        const char c = Peek();
        if (c == '\'' || c == '"')
            return ParseString(v);
        if (c == '#')
            return ParseHash(v);
        if (c == '(')
            return ParseExpression(v);
        if (IsDigit(c) || c == '+' || c == '-' || c == '.')
            return ParseNumber(v);
        if (IsAlpha(c))
            return ParseWord(v);
        return Unexpected();
    }

    bool ParseString(Value &v)
    {
        const char quote = Peek();
        const std::size_t begin = i_;
        ++i_;
        v.kind = ValueKind::String;
        for (;;) {
            if (AtEnd()) {
                i_ = begin;
                return Error(kInvalidStringData);
            }
            const char c = s_[i_++];
            if (c == quote) {
                if (Peek() != quote)
                    return true;
                ++i_;
            }
            v.text += c;
        }
    }

    bool ParseExpression(Value &v)
    {
        const std::size_t begin = i_;
        int depth = 0;
        char quote = 0;
        for (; i_ < s_.size(); ++i_) {
            const char c = s_[i_];
            if (quote) {
                if (c == quote)
                    quote = 0;
            } else if (c == '\'' || c == '"') {
                quote = c;
            } else if (c == '(') {
                ++depth;
            } else if (c == ')' && --depth == 0) {
                v.kind = ValueKind::Expression;
                v.text = std::string(s_.substr(begin + 1, i_ - begin - 1));
                ++i_;
                return true;
            }
        }
        i_ = begin;
        return Error(kInvalidExpression);
    }

    bool ParseHash(Value &v)
    {
        const char kind = Upper(Peek(1));
        int base = 0;
        if (kind == 'H')
            base = 16;
        else if (kind == 'Q')
            base = 8;
        else if (kind == 'B')
            base = 2;
        if (base) {
            i_ += 2;
            std::uint64_t value = 0;
            std::size_t digits = 0;
            for (;; ++i_, ++digits) {
                const char d = Upper(Peek());
                int n = IsDigit(d) ? d - '0' : (d >= 'A' && d <= 'F') ? d - 'A' + 10 : 99;
                if (n >= base)
                    break;
                if (value > (std::uint64_t(1) << 53) / std::uint64_t(base))
                    return Error(kTooManyDigits);
                value = value * std::uint64_t(base) + std::uint64_t(n);
            }
            if (digits == 0 || IsAlpha(Peek()) || IsDigit(Peek()))
                return Error(kInvalidCharacterInNumber);
            v.kind = ValueKind::Number;
            v.number = double(value);
            return true;
        }
        if (!IsDigit(kind))
            return Error(kInvalidBlockData);
        const int n = kind - '0';
        if (n == 0) // indefinite length: no END to close it on a socket
            return Error(kInvalidBlockData);
        if (i_ + 2 + std::size_t(n) > s_.size())
            return Error(kInvalidBlockData);
        std::size_t length = 0;
        for (int k = 0; k < n; ++k) {
            const char d = s_[i_ + 2 + std::size_t(k)];
            if (!IsDigit(d))
                return Error(kInvalidBlockData);
            length = length * 10 + std::size_t(d - '0');
        }
        const std::size_t data = i_ + 2 + std::size_t(n);
        if (length > s_.size() - data)
            return Error(kInvalidBlockData);
        v.kind = ValueKind::Block;
        v.text = std::string(s_.substr(data, length));
        i_ = data + length;
        return true;
    }

    bool ParseWord(Value &v)
    {
        const std::size_t begin = i_;
        while (IsAlpha(Peek()) || IsDigit(Peek()) || Peek() == '_')
            ++i_;
        if (i_ - begin > kMaxMnemonic) {
            i_ = begin;
            return Error(kCharacterDataTooLong);
        }
        v.text = std::string(s_.substr(begin, i_ - begin));
        const std::string u = UpperOf(v.text);
        v.kind = ValueKind::Word;
        if (u == "MIN" || u == "MINIMUM" || u == "MAX" || u == "MAXIMUM" || u == "DEF" || u == "DEFAULT") {
            v.kind = ValueKind::Special;
            v.text = u.substr(0, 3);
        }
        return true;
    }

    bool ParseNumber(Value &v)
    {
        const std::size_t begin = i_;
        std::string clean;
        if (Peek() == '+' || Peek() == '-') {
            if (Peek() == '-')
                clean += '-';
            ++i_;
        }
        std::size_t digits = 0;
        while (IsDigit(Peek())) {
            clean += s_[i_++];
            ++digits;
        }
        if (Peek() == '.') {
            clean += s_[i_++];
            while (IsDigit(Peek())) {
                clean += s_[i_++];
                ++digits;
            }
        }
        if (digits == 0) {
            i_ = begin;
            return Error(kNumericDataError);
        }
        if (digits > 255) {
            i_ = begin;
            return Error(kTooManyDigits);
        }
        // Exponent: E, optional white space around it, a sign and digits.
        std::size_t k = i_;
        while (k < s_.size() && IsSpace(s_[k]))
            ++k;
        bool negativeExponent = false;
        if (k < s_.size() && Upper(s_[k]) == 'E') {
            std::size_t e = k + 1;
            while (e < s_.size() && IsSpace(s_[e]))
                ++e;
            std::string exp = "e";
            if (e < s_.size() && (s_[e] == '+' || s_[e] == '-')) {
                negativeExponent = s_[e] == '-';
                if (negativeExponent)
                    exp += '-';
                ++e;
            }
            if (e < s_.size() && IsDigit(s_[e])) {
                std::size_t expDigits = 0;
                while (e < s_.size() && IsDigit(s_[e])) {
                    exp += s_[e++];
                    if (++expDigits > 8) {
                        return Error(kExponentTooLarge);
                    }
                }
                clean += exp;
                i_ = e;
            }
        }
        double value = 0.0;
        const auto res = std::from_chars(clean.data(), clean.data() + clean.size(), value);
        if (res.ec == std::errc::result_out_of_range) {
            if (!negativeExponent) {
                i_ = begin;
                return Error(kExponentTooLarge);
            }
            value = 0.0;
        } else if (res.ec != std::errc() || res.ptr != clean.data() + clean.size()) {
            i_ = begin;
            return Error(kNumericDataError);
        }
        v.kind = ValueKind::Number;
        v.number = value;
        // A unit may follow, after optional white space.
        k = i_;
        while (k < s_.size() && IsSpace(s_[k]))
            ++k;
        if (k < s_.size() && (IsAlpha(s_[k]) || s_[k] == '/')) {
            const std::size_t ub = k;
            while (k < s_.size() && (IsAlpha(s_[k]) || IsDigit(s_[k]) || s_[k] == '/' || s_[k] == '.'))
                ++k;
            i_ = ub;
            if (k - ub > kMaxMnemonic)
                return Error(kSuffixTooLong);
            double factor = 1.0;
            if (!ResolveSuffix(UpperOf(s_.substr(ub, k - ub)), factor, v.unit))
                return Error(kInvalidSuffix);
            v.number *= factor;
            if (!std::isfinite(v.number))
                return Error(kExponentTooLarge);
            i_ = k;
        }
        // Anything else glued to the number ("1.2.3", "5_") is no number.
        if (!AtEnd() && !IsSpace(Peek()) && Peek() != ',' && Peek() != ';')
            return Error(kInvalidCharacterInNumber);
        return true;
    }
};

} // namespace

bool MatchesMnemonic(std::string_view input, std::string_view pattern)
{
    std::string shortForm, longForm;
    for (char c : pattern) {
        if (!(c >= 'a' && c <= 'z'))
            shortForm += c;
        longForm += Upper(c);
    }
    const std::string in = UpperOf(input);
    return in == shortForm || in == longForm;
}

bool Value::IsWord(std::string_view mnemonic) const
{
    return kind == ValueKind::Word && MatchesMnemonic(text, mnemonic);
}

int NumberIn(const Value &v, double lo, double hi, double def, const char *baseUnit, double &out)
{
    if (v.kind == ValueKind::Special) {
        out = v.text == "MIN" ? lo : v.text == "MAX" ? hi : def;
        return kNoError;
    }
    if (v.kind != ValueKind::Number)
        return kDataTypeError;
    if (!v.unit.empty()) {
        if (!baseUnit || !*baseUnit)
            return kSuffixNotAllowed;
        if (v.unit != baseUnit)
            return kInvalidSuffix;
    }
    if (!(v.number >= lo && v.number <= hi))
        return kDataOutOfRange;
    out = v.number;
    return kNoError;
}

int IntegerIn(const Value &v, long lo, long hi, long def, long &out)
{
    if (v.kind == ValueKind::Special) {
        out = v.text == "MIN" ? lo : v.text == "MAX" ? hi : def;
        return kNoError;
    }
    if (v.kind != ValueKind::Number)
        return kDataTypeError;
    if (!v.unit.empty())
        return kSuffixNotAllowed;
    const double r = std::round(v.number);
    if (!(r >= double(lo) && r <= double(hi)) || std::fabs(r) > 9e18)
        return kDataOutOfRange;
    out = static_cast<long>(r);
    return kNoError;
}

int Boolean(const Value &v, bool &out)
{
    if (v.kind == ValueKind::Word) {
        if (v.IsWord("ON") || v.IsWord("OFF")) {
            out = v.IsWord("ON");
            return kNoError;
        }
        return kIllegalParameterValue;
    }
    if (v.kind != ValueKind::Number)
        return kDataTypeError;
    if (!v.unit.empty())
        return kSuffixNotAllowed;
    out = std::round(v.number) != 0.0;
    return kNoError;
}

ParseResult ParseMessage(std::string_view message)
{
    return Parser(message).Run();
}

} // namespace scpi
