// The SCPI command tree: pattern compilation and header resolution.
#include "remote/scpi_tree.h"

namespace scpi
{

namespace
{

bool IsAlpha(char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); }
bool IsDigit(char c) { return c >= '0' && c <= '9'; }
bool IsUpper(char c) { return c >= 'A' && c <= 'Z'; }

// No pattern is deeper than this; a longer path (which relative headers
// could build up) is undefined without trying every pattern.
constexpr std::size_t kMaxResolvedDepth = 32;

std::string HeaderText(const std::vector<HeaderNode> &path, bool common, bool query)
{
    std::string s = common ? "*" : "";
    for (std::size_t k = 0; k < path.size(); ++k) {
        if (!common)
            s += ':';
        s += path[k].mnemonic;
        if (path[k].suffix >= 0)
            s += std::to_string(path[k].suffix);
    }
    if (query)
        s += '?';
    if (s.size() > 48)
        s.resize(48);
    return s;
}

bool ParseLong(std::string_view s, std::size_t &i, long &out)
{
    const std::size_t begin = i;
    out = 0;
    while (i < s.size() && IsDigit(s[i]) && i - begin < 9)
        out = out * 10 + (s[i++] - '0');
    return i > begin;
}

} // namespace

int ExpectParams(const Params &p, std::size_t min, std::size_t max)
{
    if (p.size() < min)
        return kMissingParameter;
    if (p.size() > max)
        return kParameterNotAllowed;
    return kNoError;
}

bool Tree::Add(std::string_view pattern, Handler set, Handler query)
{
    Entry e;
    int groups = 0;
    int group = -1;
    std::size_t groupStart = 0;
    std::size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '[') {
            if (group >= 0)
                return false;
            group = groups++;
            groupStart = e.nodes.size();
            ++i;
        } else if (c == ']') {
            if (group < 0 || e.nodes.size() == groupStart)
                return false;
            group = -1;
            ++i;
        } else if (c == ':') {
            ++i;
            if (i >= pattern.size() || !IsAlpha(pattern[i]))
                return false;
        } else if (IsAlpha(c)) {
            Node n;
            const std::size_t begin = i;
            bool upper = false;
            while (i < pattern.size() && (IsAlpha(pattern[i]) || IsDigit(pattern[i]) || pattern[i] == '_'))
                upper |= IsUpper(pattern[i++]);
            n.name = std::string(pattern.substr(begin, i - begin));
            if (!upper || n.name.size() > kMaxMnemonic)
                return false;
            n.group = group;
            if (i < pattern.size() && pattern[i] == '#') {
                n.suffix = true;
                ++i;
                if (i < pattern.size() && pattern[i] == '(') {
                    ++i;
                    if (!ParseLong(pattern, i, n.lo) || i >= pattern.size() || pattern[i] != '-')
                        return false;
                    ++i;
                    if (!ParseLong(pattern, i, n.hi) || i >= pattern.size() || pattern[i] != ')')
                        return false;
                    ++i;
                    if (n.lo > n.hi)
                        return false;
                }
            }
            e.nodes.push_back(std::move(n));
        } else {
            return false;
        }
    }
    if (group >= 0 || e.nodes.empty() || e.nodes.size() > kMaxResolvedDepth)
        return false;
    e.set = std::move(set);
    e.query = std::move(query);
    entries_.push_back(std::move(e));
    return true;
}

bool Tree::AddCommon(std::string_view name, Handler set, Handler query)
{
    if (name.size() < 2 || name[0] != '*' || name.size() - 1 > kMaxMnemonic)
        return false;
    Common c;
    for (std::size_t k = 1; k < name.size(); ++k) {
        if (!IsAlpha(name[k]))
            return false;
        c.name += IsUpper(name[k]) ? name[k] : char(name[k] - 'a' + 'A');
    }
    c.set = std::move(set);
    c.query = std::move(query);
    common_.push_back(std::move(c));
    return true;
}

// Matching result: 0 a match, 1 a match but for a suffix outside its
// limits, -1 no match.
int Tree::MatchFrom(const Entry &e, std::size_t p, const std::vector<HeaderNode> &path, std::size_t i,
                    std::vector<long> &suffixes)
{
    if (p == e.nodes.size())
        return i == path.size() ? 0 : -1;
    const std::size_t mark = suffixes.size();
    const Node &n = e.nodes[p];
    if (n.group < 0) {
        if (i >= path.size())
            return -1;
        const HeaderNode &h = path[i];
        int here = 0;
        if (n.suffix) {
            if (!MatchesMnemonic(h.mnemonic, n.name))
                return -1;
            const long s = h.suffix < 0 ? 1 : h.suffix;
            suffixes.push_back(s);
            here = (s < n.lo || s > n.hi) ? 1 : 0;
        } else {
            const std::string typed = h.suffix < 0 ? h.mnemonic : h.mnemonic + std::to_string(h.suffix);
            if (!MatchesMnemonic(typed, n.name))
                return -1;
        }
        const int rest = MatchFrom(e, p + 1, path, i + 1, suffixes);
        if (rest < 0) {
            suffixes.resize(mark);
            return -1;
        }
        if (rest == 0 && here == 0)
            return 0;
        suffixes.resize(mark);
        return 1;
    }
    // An optional group: all its nodes are present, or none.
    std::size_t q = p;
    while (q < e.nodes.size() && e.nodes[q].group == n.group)
        ++q;
    int with = -1;
    if (path.size() - i >= q - p) {
        Entry single; // the group's nodes as required nodes
        single.nodes.assign(e.nodes.begin() + long(p), e.nodes.begin() + long(q));
        for (Node &m : single.nodes)
            m.group = -1;
        std::vector<HeaderNode> part(path.begin() + long(i), path.begin() + long(i + (q - p)));
        with = MatchFrom(single, 0, part, 0, suffixes);
        if (with >= 0) {
            const int rest = MatchFrom(e, q, path, i + (q - p), suffixes);
            if (with == 0 && rest == 0)
                return 0;
            with = rest < 0 ? -1 : 1;
            suffixes.resize(mark);
        }
    }
    for (std::size_t k = p; k < q; ++k)
        if (e.nodes[k].suffix)
            suffixes.push_back(1);
    const int without = MatchFrom(e, q, path, i, suffixes);
    if (without == 0)
        return 0;
    suffixes.resize(mark);
    return (with == 1 || without == 1) ? 1 : -1;
}

int Tree::Match(const Entry &e, const std::vector<HeaderNode> &path, std::vector<long> &suffixes)
{
    suffixes.clear();
    const int m = MatchFrom(e, 0, path, 0, suffixes);
    return m == 0 ? kNoError : m == 1 ? kHeaderSuffixOutOfRange : kUndefinedHeader;
}

int Tree::Resolve(std::vector<ProgramUnit> units, std::vector<Resolved> &out, std::string &detail) const
{
    out.clear();
    std::vector<Resolved> done;
    done.reserve(units.size());
    std::vector<HeaderNode> prefix; // every message starts at the root
    std::vector<long> suffixes;
    for (ProgramUnit &u : units) {
        Resolved r;
        r.query = u.query;
        if (u.common) {
            for (const Common &c : common_)
                if (!u.path.empty() && c.name == u.path[0].mnemonic) {
                    const Handler &h = u.query ? c.query : c.set;
                    if (h)
                        r.handler = &h;
                    break;
                }
            if (!r.handler) {
                detail = HeaderText(u.path, true, u.query);
                return kUndefinedHeader;
            }
        } else {
            std::vector<HeaderNode> full;
            if (!u.absolute)
                full = prefix;
            full.insert(full.end(), u.path.begin(), u.path.end());
            int error = kUndefinedHeader;
            if (full.size() <= kMaxResolvedDepth) {
                for (const Entry &e : entries_) {
                    const Handler &h = u.query ? e.query : e.set;
                    if (!h)
                        continue;
                    const int m = Match(e, full, suffixes);
                    if (m == kNoError) {
                        r.handler = &h;
                        r.suffixes = suffixes;
                        break;
                    }
                    if (m == kHeaderSuffixOutOfRange)
                        error = m;
                }
            }
            if (!r.handler) {
                detail = HeaderText(full, false, u.query);
                return error;
            }
            full.pop_back();
            prefix = std::move(full);
        }
        r.params = std::move(u.params);
        done.push_back(std::move(r));
    }
    out = std::move(done);
    return kNoError;
}

} // namespace scpi
