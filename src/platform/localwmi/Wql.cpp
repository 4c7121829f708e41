#include "platform/localwmi/Wql.h"

#include <cmath>
#include <cstdlib>
#include <string>

namespace tarnwick::localwmi {

namespace {

enum class TTok { Ident, String, Number, Star, Comma, LParen, RParen, Op, End, Bad };

struct TToken {
    TTok Kind = TTok::End;
    WideString Text;
};

bool IsIdentStart(char16_t c) {
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
}
bool IsDigit(char16_t c) {
    return c >= u'0' && c <= u'9';
}
bool IsIdentPart(char16_t c) {
    return IsIdentStart(c) || IsDigit(c);
}
bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

class TLexer {
public:
    explicit TLexer(WideStringView text) : FText(text) {}

    TToken Next() {
        while (FPos < FText.size() && IsBlank(FText[FPos]))
            ++FPos;
        if (FPos >= FText.size()) return {TTok::End, {}};
        char16_t c = FText[FPos];
        if (IsIdentStart(c)) {
            std::size_t start = FPos;
            while (FPos < FText.size() && IsIdentPart(FText[FPos]))
                ++FPos;
            return {TTok::Ident, WideString(FText.substr(start, FPos - start))};
        }
        if (IsDigit(c) || ((c == u'-' || c == u'+') && FPos + 1 < FText.size() &&
                           (IsDigit(FText[FPos + 1]) || FText[FPos + 1] == u'.'))) {
            return Number();
        }
        if (c == u'.' && FPos + 1 < FText.size() && IsDigit(FText[FPos + 1])) return Number();
        if (c == u'\'' || c == u'"') return String(c);
        ++FPos;
        switch (c) {
        case u'*':
            return {TTok::Star, u"*"};
        case u',':
            return {TTok::Comma, u","};
        case u'(':
            return {TTok::LParen, u"("};
        case u')':
            return {TTok::RParen, u")"};
        case u'=':
            return {TTok::Op, u"="};
        case u'!':
            if (FPos < FText.size() && FText[FPos] == u'=') {
                ++FPos;
                return {TTok::Op, u"<>"};
            }
            return {TTok::Bad, {}};
        case u'<':
            if (FPos < FText.size() && (FText[FPos] == u'>' || FText[FPos] == u'=')) {
                WideString op{u'<', FText[FPos++]};
                return {TTok::Op, op};
            }
            return {TTok::Op, u"<"};
        case u'>':
            if (FPos < FText.size() && FText[FPos] == u'=') {
                ++FPos;
                return {TTok::Op, u">="};
            }
            return {TTok::Op, u">"};
        default:
            return {TTok::Bad, {}};
        }
    }

private:
    TToken Number() {
        std::size_t start = FPos;
        if (FText[FPos] == u'-' || FText[FPos] == u'+') ++FPos;
        while (FPos < FText.size() && IsDigit(FText[FPos]))
            ++FPos;
        if (FPos < FText.size() && FText[FPos] == u'.') {
            ++FPos;
            while (FPos < FText.size() && IsDigit(FText[FPos]))
                ++FPos;
        }
        if (FPos < FText.size() && (FText[FPos] == u'e' || FText[FPos] == u'E')) {
            ++FPos;
            if (FPos < FText.size() && (FText[FPos] == u'-' || FText[FPos] == u'+')) ++FPos;
            if (FPos >= FText.size() || !IsDigit(FText[FPos])) return {TTok::Bad, {}};
            while (FPos < FText.size() && IsDigit(FText[FPos]))
                ++FPos;
        }
        // A number runs straight into a name: "12abc" is no token.
        if (FPos < FText.size() && IsIdentPart(FText[FPos])) return {TTok::Bad, {}};
        return {TTok::Number, WideString(FText.substr(start, FPos - start))};
    }

    TToken String(char16_t quote) {
        ++FPos;
        WideString value;
        while (FPos < FText.size()) {
            char16_t c = FText[FPos++];
            if (c == 0) return {TTok::Bad, {}};
            if (c == quote) return {TTok::String, std::move(value)};
            if (c == u'\\') {
                if (FPos >= FText.size() || FText[FPos] == 0) return {TTok::Bad, {}};
                c = FText[FPos++];
            }
            value.push_back(c);
        }
        return {TTok::Bad, {}}; // unterminated
    }

    WideStringView FText;
    std::size_t FPos = 0;
};

bool IsKeyword(const TToken& t, const char16_t* word) {
    return t.Kind == TTok::Ident && SameText(t.Text, word);
}

bool IsReserved(const TToken& t) {
    static const char16_t* const words[] = {u"SELECT", u"FROM", u"WHERE", u"AND",         u"OR",
                                            u"NOT",    u"LIKE", u"IS",    u"NULL",        u"TRUE",
                                            u"FALSE",  u"ISA",  u"OF",    u"ASSOCIATORS", u"REFERENCES"};
    for (const char16_t* w : words)
        if (IsKeyword(t, w)) return true;
    return false;
}

class TParser {
public:
    explicit TParser(WideStringView text) : FLexer(text) { Advance(); }

    bool Parse(TWqlQuery& query) {
        if (!IsKeyword(FTok, u"SELECT")) return false;
        Advance();
        if (FTok.Kind == TTok::Star) {
            query.AllProperties = true;
            Advance();
        } else {
            while (true) {
                if (FTok.Kind != TTok::Ident || IsReserved(FTok)) return false;
                bool seen = false;
                for (const auto& p : query.Properties)
                    seen = seen || SameText(p, FTok.Text);
                if (!seen) query.Properties.push_back(FTok.Text);
                Advance();
                if (FTok.Kind != TTok::Comma) break;
                Advance();
            }
        }
        if (!IsKeyword(FTok, u"FROM")) return false;
        Advance();
        if (FTok.Kind != TTok::Ident || IsReserved(FTok)) return false;
        query.ClassName = FTok.Text;
        Advance();
        if (IsKeyword(FTok, u"WHERE")) {
            Advance();
            query.Where = Or(0);
            if (!query.Where) return false;
        }
        return FTok.Kind == TTok::End;
    }

private:
    using TNode = std::unique_ptr<TWqlCondition>;

    void Advance() { FTok = FLexer.Next(); }

    TNode Or(int depth) {
        TNode first = And(depth);
        if (!first || !IsKeyword(FTok, u"OR")) return first;
        auto node = std::make_unique<TWqlCondition>();
        node->Kind = TWqlCondition::Or;
        node->Children.push_back(std::move(first));
        while (IsKeyword(FTok, u"OR")) {
            Advance();
            TNode next = And(depth);
            if (!next) return nullptr;
            node->Children.push_back(std::move(next));
        }
        return node;
    }

    TNode And(int depth) {
        TNode first = Unary(depth);
        if (!first || !IsKeyword(FTok, u"AND")) return first;
        auto node = std::make_unique<TWqlCondition>();
        node->Kind = TWqlCondition::And;
        node->Children.push_back(std::move(first));
        while (IsKeyword(FTok, u"AND")) {
            Advance();
            TNode next = Unary(depth);
            if (!next) return nullptr;
            node->Children.push_back(std::move(next));
        }
        return node;
    }

    TNode Unary(int depth) {
        if (depth >= MaxWqlDepth) return nullptr;
        if (IsKeyword(FTok, u"NOT")) {
            Advance();
            TNode inner = Unary(depth + 1);
            if (!inner) return nullptr;
            auto node = std::make_unique<TWqlCondition>();
            node->Kind = TWqlCondition::Not;
            node->Children.push_back(std::move(inner));
            return node;
        }
        if (FTok.Kind == TTok::LParen) {
            Advance();
            TNode inner = Or(depth + 1);
            if (!inner || FTok.Kind != TTok::RParen) return nullptr;
            Advance();
            return inner;
        }
        return Comparison();
    }

    bool Literal(TWqlLiteral& lit) {
        if (FTok.Kind == TTok::String) {
            lit.Kind = TWqlLiteral::String;
            lit.Text = FTok.Text;
        } else if (FTok.Kind == TTok::Number) {
            lit.Text = FTok.Text;
            std::string ascii = ToUtf8(FTok.Text);
            std::size_t digits = ascii.find_first_of(".eE");
            if (digits == std::string::npos) {
                lit.Kind = TWqlLiteral::Integer;
                lit.Negative = ascii[0] == '-';
                std::size_t i = (ascii[0] == '-' || ascii[0] == '+') ? 1 : 0;
                std::uint64_t v = 0;
                for (; i < ascii.size(); ++i) {
                    std::uint64_t d = static_cast<std::uint64_t>(ascii[i] - '0');
                    if (v > (UINT64_MAX - d) / 10) return false; // beyond 64 bits
                    v = v * 10 + d;
                }
                lit.Magnitude = v;
                lit.Real = lit.Negative ? -static_cast<double>(v) : static_cast<double>(v);
            } else {
                lit.Kind = TWqlLiteral::RealNumber;
                lit.Real = std::strtod(ascii.c_str(), nullptr);
                if (!std::isfinite(lit.Real)) return false;
            }
        } else if (IsKeyword(FTok, u"TRUE") || IsKeyword(FTok, u"FALSE")) {
            lit.Kind = TWqlLiteral::Boolean;
            lit.Bool = IsKeyword(FTok, u"TRUE");
        } else if (IsKeyword(FTok, u"NULL")) {
            lit.Kind = TWqlLiteral::Null;
        } else {
            return false;
        }
        Advance();
        return true;
    }

    static bool OpFromText(const WideString& text, TWqlOp& op) {
        if (text == u"=")
            op = TWqlOp::Equal;
        else if (text == u"<>")
            op = TWqlOp::NotEqual;
        else if (text == u"<")
            op = TWqlOp::Less;
        else if (text == u">")
            op = TWqlOp::Greater;
        else if (text == u"<=")
            op = TWqlOp::LessEqual;
        else if (text == u">=")
            op = TWqlOp::GreaterEqual;
        else
            return false;
        return true;
    }

    static TWqlOp Mirror(TWqlOp op) {
        switch (op) {
        case TWqlOp::Less:
            return TWqlOp::Greater;
        case TWqlOp::Greater:
            return TWqlOp::Less;
        case TWqlOp::LessEqual:
            return TWqlOp::GreaterEqual;
        case TWqlOp::GreaterEqual:
            return TWqlOp::LessEqual;
        default:
            return op;
        }
    }

    // NULL with = or <> reads as IS NULL / IS NOT NULL; other operators refuse it.
    static bool FoldNull(TWqlCondition& node) {
        if (node.Value.Kind != TWqlLiteral::Null) return true;
        if (node.Op == TWqlOp::Equal)
            node.Op = TWqlOp::IsNull;
        else if (node.Op == TWqlOp::NotEqual)
            node.Op = TWqlOp::IsNotNull;
        else
            return false;
        return true;
    }

    TNode Comparison() {
        auto node = std::make_unique<TWqlCondition>();
        node->Kind = TWqlCondition::Compare;
        if (FTok.Kind == TTok::Ident && !IsReserved(FTok)) {
            node->Property = FTok.Text;
            Advance();
            if (IsKeyword(FTok, u"IS")) {
                Advance();
                bool negated = false;
                if (IsKeyword(FTok, u"NOT")) {
                    negated = true;
                    Advance();
                }
                if (!IsKeyword(FTok, u"NULL")) return nullptr;
                Advance();
                node->Op = negated ? TWqlOp::IsNotNull : TWqlOp::IsNull;
                return node;
            }
            bool negated = false;
            if (IsKeyword(FTok, u"NOT")) {
                negated = true;
                Advance();
                if (!IsKeyword(FTok, u"LIKE")) return nullptr;
            }
            if (IsKeyword(FTok, u"LIKE")) {
                Advance();
                if (FTok.Kind != TTok::String) return nullptr;
                node->Op = negated ? TWqlOp::NotLike : TWqlOp::Like;
                node->Value.Kind = TWqlLiteral::String;
                node->Value.Text = FTok.Text;
                Advance();
                return node;
            }
            if (FTok.Kind != TTok::Op || !OpFromText(FTok.Text, node->Op)) return nullptr;
            Advance();
            if (!Literal(node->Value) || !FoldNull(*node)) return nullptr;
            return node;
        }
        if (!Literal(node->Value)) return nullptr;
        if (FTok.Kind != TTok::Op || !OpFromText(FTok.Text, node->Op)) return nullptr;
        node->Op = Mirror(node->Op);
        Advance();
        if (FTok.Kind != TTok::Ident || IsReserved(FTok)) return nullptr;
        node->Property = FTok.Text;
        Advance();
        if (!FoldNull(*node)) return nullptr;
        return node;
    }

    TLexer FLexer;
    TToken FTok;
};

// One character of a LIKE pattern at position i against c; advances i past it.
// Returns -1 for a malformed set.
int MatchOne(WideStringView pattern, std::size_t& i, char16_t c) {
    char16_t p = pattern[i];
    if (p == u'_') {
        ++i;
        return 1;
    }
    if (p != u'[') {
        ++i;
        return AsciiLower(p) == AsciiLower(c) ? 1 : 0;
    }
    std::size_t j = i + 1;
    bool negate = j < pattern.size() && pattern[j] == u'^';
    if (negate) ++j;
    bool hit = false;
    bool first = true;
    char16_t lc = AsciiLower(c);
    while (j < pattern.size() && (pattern[j] != u']' || first)) {
        char16_t lo = AsciiLower(pattern[j]);
        if (j + 2 < pattern.size() && pattern[j + 1] == u'-' && pattern[j + 2] != u']') {
            char16_t hi = AsciiLower(pattern[j + 2]);
            if (lc >= lo && lc <= hi) hit = true;
            j += 3;
        } else {
            if (lc == lo) hit = true;
            ++j;
        }
        first = false;
    }
    if (j >= pattern.size()) return -1;
    i = j + 1;
    return hit != negate ? 1 : 0;
}

} // namespace

HRESULT ParseWql(WideStringView text, TWqlQuery& query) {
    query = TWqlQuery();
    TParser parser(text);
    if (!parser.Parse(query)) {
        query = TWqlQuery();
        return WBEM_E_INVALID_QUERY;
    }
    return com::S_OK;
}

bool WqlLike(WideStringView value, WideStringView pattern) {
    // Greedy match with one back-tracking point per '%': linear in practice,
    // quadratic at worst, never recursive.
    std::size_t v = 0, p = 0;
    std::size_t starP = WideStringView::npos, starV = 0;
    while (v < value.size()) {
        if (p < pattern.size() && pattern[p] == u'%') {
            starP = ++p;
            starV = v;
            continue;
        }
        if (p < pattern.size()) {
            std::size_t next = p;
            int m = MatchOne(pattern, next, value[v]);
            if (m < 0) return false;
            if (m == 1) {
                p = next;
                ++v;
                continue;
            }
        }
        if (starP == WideStringView::npos) return false;
        p = starP;
        v = ++starV;
    }
    while (p < pattern.size() && pattern[p] == u'%')
        ++p;
    return p == pattern.size();
}

} // namespace tarnwick::localwmi
