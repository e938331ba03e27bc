#include "flow/evaluator.h"

#include "app/log.h"
#include "app/play_bounds.h"
#include "app/str_format.h"
#include "draw/dd_palette_fx.h"
#include "flow/flow_engine.h"
#include "flow/status_ops.h"
#include "objects/game_object.h"
#include "objects/game_scene.h"
#include "objects/movement.h"
#include "project/save_data.h"
#include "project/stage_file.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <climits>
#include <cstdarg>
#include <new>
#include <string_view>
#include <type_traits>
#include <vector>

namespace {

bool g_bError = false;

// Deeper nesting than any authored text needs is refused rather than recursed into.
constexpr int MAX_DEPTH = 200;

constexpr std::int32_t VAR_LIMIT = 999999;

enum TokenKind { TK_NUMBER = 0, TK_VARIABLE = 1, TK_STATUS = 2, TK_SYSTEM = 3, TK_OPERATOR = 4 };
enum Operator { OP_ASSIGN = 0, OP_ADD, OP_SUB, OP_MUL, OP_DIV, OP_MOD, OP_COUNT };

// Names are string literals, so each data() is also a C text.
constexpr std::string_view OPERATOR_NAMES[OP_COUNT] = {"=", "+", "-", "*", "/", "%"};
const int OPERATOR_PASS[OP_COUNT] = {2, 1, 1, 0, 0, 0};

enum ObjectIndex { OBJ_MY = 0, OBJ_TG, OBJ_PL, OBJ_SYS, OBJ_COUNT };
constexpr std::string_view OBJECT_NAMES[OBJ_COUNT] = {"my", "tg", "pl", "sys"};

enum StatusIndex {
    ST_HP = 8,
    ST_SP,
    ST_MHP,
    ST_MSP,
    ST_CID,
    ST_Z,
    ST_MARK,
    ST_SIGHT,
    ST_POWER,
    ST_IMP,
    ST_DEF,
    ST_IMPD,
    ST_STOP,
    ST_GETSC,
    ST_COUNT
};
constexpr std::string_view STATUS_NAMES[ST_COUNT] = {
    "v1",  "v2",  "v3", "v4",   "v5",    "v6",    "v7",  "v8",  "hp",   "sp",   "mhp",
    "msp", "cid", "z",  "mark", "sight", "power", "imp", "def", "impd", "stop", "getsc"};

enum SystemIndex { SY_TIME = 0, SY_SCRLX, SY_SCRLY, SY_SCORE, SY_LIFE, SY_COUNT };
constexpr std::string_view SYSTEM_NAMES[SY_COUNT] = {"time", "scrlx", "scrly", "score", "life"};

struct Token {
    int kind = TK_NUMBER;
    std::int32_t value = 0;
    StatusField target;
    std::int32_t lower = 0;
    std::int32_t upper = 0;
    int op = 0;
    int status = 0;
    cChara* object = nullptr;
};

int Fail() {
    g_bError = true;
    return 0;
}

// Names are never empty, and none begins with a digit: a word that does (a number) is looked up no
// further, and the first byte is compared before the rest.
template <std::size_t N> int FindName(const std::string_view (&names)[N], std::string_view word) {
    if (!word.empty() && word[0] >= '0' && word[0] <= '9') return -1;
    for (std::size_t i = 0; i < N; ++i)
        if (names[i].size() == word.size() && names[i][0] == word[0] && names[i] == word)
            return static_cast<int>(i);
    return -1;
}

// The decimal value of a word's leading digits (optional sign), saturated to the int range.
std::int32_t DecimalValue(std::string_view s, std::size_t from = 0) {
    std::size_t i = from;
    bool negative = false;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) negative = s[i++] == '-';
    std::int64_t v = 0;
    for (; i < s.size() && s[i] >= '0' && s[i] <= '9'; ++i) {
        v = v * 10 + (s[i] - '0');
        if (v > static_cast<std::int64_t>(INT_MAX) + 1) v = static_cast<std::int64_t>(INT_MAX) + 1;
    }
    if (negative) v = -v;
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(v, INT_MIN, INT_MAX));
}

std::int32_t Wrap32(std::int64_t v) {
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v)));
}

std::int32_t MaxOf(std::uint32_t v) {
    return static_cast<std::int32_t>(std::min<std::uint32_t>(v, INT_MAX));
}

// The storage and range of status s of character c.
void StatusTarget(cChara& c, int s, Token& t) {
    cEdCharaDef& d = c.m_Def;
    auto set = [&t](StatusField f, std::int32_t lo, std::int32_t hi) {
        t.target = f;
        t.lower = lo;
        t.upper = hi;
    };
    if (s < ST_HP) {
        set(StatusField{&VariableAt(c.m_Vars, s + 1), 4}, -VAR_LIMIT, VAR_LIMIT);
        return;
    }
    switch (s) {
    case ST_HP:
        set(StatusField{&c.m_nHP, 4}, 0, MaxOf(d.m_nMaxHP));
        break;
    case ST_SP:
        set(StatusField{&c.m_nSP, 4}, 0, MaxOf(d.m_nMaxSP));
        break;
    case ST_MHP:
        set(StatusField{&d.m_nMaxHP, 4}, 1, VAR_LIMIT);
        break;
    case ST_MSP:
        set(StatusField{&d.m_nMaxSP, 4}, 1, VAR_LIMIT);
        break;
    case ST_CID:
        set(StatusField{&d.m_nCharaId, 1}, 0, 99);
        break;
    case ST_Z:
        set(StatusField{&d.m_nZ, 1}, 0, 7);
        break;
    case ST_MARK:
        set(StatusField{&d.m_nMarkNo, 2}, 0, 119);
        break;
    case ST_SIGHT:
        set(StatusField{&d.m_nSightRange, 1}, 0, 40);
        break;
    case ST_POWER:
        set(StatusField{&d.m_nBodyPower, 4}, -VAR_LIMIT, VAR_LIMIT);
        break;
    case ST_IMP:
        set(StatusField{&d.m_nBodyImpact, 1}, -20, 20);
        break;
    case ST_DEF:
        set(StatusField{&d.m_nDefense, 4}, 0, VAR_LIMIT);
        break;
    case ST_IMPD:
        set(StatusField{&d.m_nImpactResist, 1}, 0, 20);
        break;
    case ST_STOP:
        set(StatusField{&d.m_nStoppability, 2}, 0, 200);
        break;
    default:
        set(StatusField{&d.m_nScore, 4}, -VAR_LIMIT, VAR_LIMIT);
        break;
    }
}

void SystemRange(int s, Token& t) {
    static const std::int32_t ranges[SY_COUNT][2] = {
        {0, 999}, {-480, 480}, {-480, 480}, {0, VAR_LIMIT}, {0, 99}};
    t.lower = ranges[s][0];
    t.upper = ranges[s][1];
}

std::int32_t ReadSystemValue(int s) {
    switch (s) {
    case SY_TIME:
        return g_lpGameScene ? g_lpGameScene->m_nTimeLimit : 0;
    case SY_SCRLX:
        return g_Stage.m_nAutoScrollSpeedH;
    case SY_SCRLY:
        return g_Stage.m_nAutoScrollSpeedV;
    case SY_SCORE:
        return g_nScore;
    default:
        return g_SaveData.m_nLives == UNLIMITED_LIVES ? 0 : g_SaveData.m_nLives;
    }
}

// "=": stores the right value into the left operand's target, with the side effects of what it
// writes; the stored value.
std::int32_t Assign(const Token& left, std::int32_t value, cChara& self) {
    std::int32_t v = value;
    ClampValue(&v, left.lower, left.upper);
    if (left.kind == TK_SYSTEM) {
        switch (left.status) {
        case SY_TIME:
            if (g_lpGameScene) g_lpGameScene->m_nTimeLimit = v;
            break;
        case SY_SCRLX:
            g_Stage.m_nAutoScrollSpeedH = v;
            ViewX().SetAutoSpeed(g_Stage.m_nScrollModeH, v);
            break;
        case SY_SCRLY:
            g_Stage.m_nAutoScrollSpeedV = v;
            ViewY().SetAutoSpeed(g_Stage.m_nScrollModeV, v);
            break;
        case SY_SCORE:
            g_nScore = v;
            break;
        default:
            if (g_SaveData.m_nLives == UNLIMITED_LIVES) v = UNLIMITED_LIVES;
            g_SaveData.m_nLives = v;
            break;
        }
        return v;
    }
    left.target.Write(v);
    if (left.kind != TK_STATUS || !left.object) return v;
    cChara& c = *left.object;
    switch (left.status) {
    case ST_HP:
        if (&c != &self && c.m_nHP < 1 && g_lpGameScene) g_lpGameScene->m_bHpCheck = 1;
        break;
    case ST_MHP:
        ClampValue(&c.m_nHP, 1, v);
        break;
    case ST_MSP:
        ClampValue(&c.m_nSP, 1, v);
        break;
    case ST_SIGHT:
        if (c.m_nObjKind == OBJKIND_HERO) {
            c.m_nLightRadius = HalfBlocksToPixels(static_cast<std::int8_t>(v));
            if (g_FlowHooks.CreateWorkSurfaces) g_FlowHooks.CreateWorkSurfaces();
        }
        break;
    default:
        break;
    }
    return v;
}

// A text's length as the precision of "%.*s": the texts evaluated hold no NUL, so "%.*s" prints
// exactly the bytes "%s" would print of the same text as a C string.
int Printed(std::string_view text) {
    return static_cast<int>(std::min<std::size_t>(text.size(), INT_MAX));
}

// The error boxes that quote the text evaluated, by their format. A faulty code command raises the
// same box each time it runs: the text of each box is kept with the text it quotes, and shown again
// as it was formatted. A box raised while another is open formats its own.
enum QuotedError { QE_ASSIGN, QE_DIVIDE, QE_COUNT };
constexpr const char* QUOTED_FORMATS[QE_COUNT] = {"値を代入できません！(%.*s)",
                                                  "0除算が行われました！(%.*s)"};
struct QuotedBox {
    bool made = false;
    std::string quoted;
    std::string text;
};
std::array<QuotedBox, QE_COUNT> g_QuotedBoxes;
int g_nQuotedBoxesOpen = 0;

// As ErrorBox formats its text.
void FormatInto(char (&text)[LOG_FORMAT_BUFFER], const char* format, ...) {
    va_list args;
    va_start(args, format);
    FormatBounded(text, LOG_FORMAT_BUFFER, format, args);
    va_end(args);
}

void FormatQuoted(char (&text)[LOG_FORMAT_BUFFER], QuotedError e, std::string_view quoted) {
    FormatInto(text, QUOTED_FORMATS[e], Printed(quoted), quoted.data());
}

void QuotedErrorBox(QuotedError e, std::string_view quoted) {
    char text[LOG_FORMAT_BUFFER];
    if (g_nQuotedBoxesOpen > 0) {
        FormatQuoted(text, e, quoted);
        ErrorBoxText(text);
        return;
    }
    QuotedBox& box = g_QuotedBoxes[e];
    if (!box.made || box.quoted != quoted) {
        FormatQuoted(text, e, quoted);
        box.text = text;
        box.quoted.assign(quoted);
        box.made = true;
    }
    ++g_nQuotedBoxesOpen;
    ErrorBoxText(box.text.c_str());
    --g_nQuotedBoxesOpen;
}

// Applies operator `op` to its neighbours; false after an error.
bool Apply(int op, const Token& left, const Token& right, std::string_view text, cChara& self,
           std::int32_t& result) {
    const std::int64_t a = left.value, b = right.value;
    switch (op) {
    case OP_ASSIGN:
        if (left.kind == TK_NUMBER) {
            QuotedErrorBox(QE_ASSIGN, text);
            return Fail(), false;
        }
        result = Assign(left, right.value, self);
        return true;
    case OP_ADD:
        result = Wrap32(a + b);
        return true;
    case OP_SUB:
        result = Wrap32(a - b);
        return true;
    case OP_MUL:
        result = Wrap32(a * b);
        return true;
    case OP_DIV:
    case OP_MOD:
        if (b == 0) {
            QuotedErrorBox(QE_DIVIDE, text);
            return Fail(), false;
        }
        result = Wrap32(op == OP_DIV ? a / b : a % b);
        return true;
    default:
        DebugErrorBox("演算子のエラー（未定義？）");
        return Fail(), false;
    }
}

// The character an object name stands for; false (with the flag set) when there is none.
bool ResolveObject(int obj, cChara& self, cChara*& out) {
    switch (obj) {
    case OBJ_MY:
        out = &self;
        return true;
    case OBJ_TG:
        out = self.m_pTarget;
        return out != nullptr || Fail();
    case OBJ_PL:
        out = g_Heroes.empty() ? nullptr : &g_Heroes[0];
        return out != nullptr || Fail();
    case OBJ_SYS:
        out = nullptr;
        return true;
    default:
        ErrorBox("オブジェクトの設定エラー!");
        return Fail();
    }
}

// The tokens of one term. A term of n words is at least 2n - 1 bytes long, so the tokens of all but
// long texts fit the inline room; a longer text gets room for as many as it can hold.
class TokenList {
  public:
    explicit TokenList(std::size_t textLength) {
        const std::size_t most = (textLength + 1) / 2;
        if (most > INLINE_TOKENS) {
            m_Heap.resize(most);
            m_Data = m_Heap.data();
        }
    }
    TokenList(const TokenList&) = delete;
    TokenList& operator=(const TokenList&) = delete;

    std::size_t size() const { return m_Size; }
    bool empty() const { return m_Size == 0; }
    Token& operator[](std::size_t i) { return m_Data[i]; }
    const Token& back() const { return m_Data[m_Size - 1]; }
    void push_back(const Token& t) {
        ::new (static_cast<void*>(m_Data + m_Size)) Token(t);
        ++m_Size;
    }
    // Removes the two tokens from `first` on.
    void ErasePair(std::size_t first) {
        std::move(m_Data + first + 2, m_Data + m_Size, m_Data + first);
        m_Size -= 2;
    }

  private:
    static constexpr std::size_t INLINE_TOKENS = 16;
    // The inline room holds tokens only from their push: nothing is made ahead for every term.
    static_assert(std::is_trivially_copyable_v<Token> && std::is_trivially_destructible_v<Token>);
    alignas(Token) unsigned char m_Inline[INLINE_TOKENS * sizeof(Token)];
    std::vector<Token> m_Heap;
    Token* m_Data = reinterpret_cast<Token*>(m_Inline);
    std::size_t m_Size = 0;
};

// What a word of a text without parentheses says, whatever the state it is evaluated in: the
// object its name prefix names (with nothing after the dot, the object the next word takes), and
// what the rest of it is.
enum WordKind { WK_OPERATOR, WK_VARIABLE, WK_STATUS, WK_SYSTEM, WK_NUMBER };
struct Word {
    std::string_view text;   // the word after its object prefix
    std::string_view prefix; // the name before the dot; empty without one
    bool hasPrefix = false;
    int obj = -1; // the object the prefix names; -1 when it names none
    int kind = WK_NUMBER;
    int index = 0;          // operator, status or system value number; variable scope (0 common, 1 stage)
    std::int32_t value = 0; // a number's value; a variable's number
};

// The words of a text without parentheses and without NUL, in order.
template <class Out> void SplitWords(std::string_view text, Out&& out) {
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == ' ') {
            ++i;
            continue;
        }
        const std::size_t end = std::min(text.find(' ', i), text.size());
        Word w;
        w.text = text.substr(i, end - i);
        i = end;
        if (const std::size_t dot = w.text.find('.'); dot != std::string_view::npos) {
            w.hasPrefix = true;
            w.prefix = w.text.substr(0, dot);
            w.obj = FindName(OBJECT_NAMES, w.prefix);
            w.text = w.text.substr(dot + 1);
        }
        if (!w.text.empty()) {
            if (const int op = FindName(OPERATOR_NAMES, w.text); op >= 0) {
                w.kind = WK_OPERATOR;
                w.index = op;
            } else if (w.text[0] == 'C' || w.text[0] == 'S') {
                w.kind = WK_VARIABLE;
                w.index = w.text[0] == 'C' ? 0 : 1;
                w.value = DecimalValue(w.text, 1);
            } else if (const int st = FindName(STATUS_NAMES, w.text); st >= 0) {
                w.kind = WK_STATUS;
                w.index = st;
            } else if (const int sy = FindName(SYSTEM_NAMES, w.text); sy >= 0) {
                w.kind = WK_SYSTEM;
                w.index = sy;
            } else {
                w.kind = WK_NUMBER;
                w.value = DecimalValue(w.text);
            }
        }
        if (!out(w)) return;
    }
}

// Evaluates the words of `text` (a text without parentheses and without NUL) given one by one by
// `words`, which calls its argument on each in order until it returns false.
template <class Words> std::int32_t RunWords(std::string_view text, Words&& words, cChara& chara) {
    TokenList tokens(text.size());
    int pendingObject = -1;
    bool failed = false;
    words([&](const Word& w) {
        int obj = pendingObject;
        if (w.hasPrefix) {
            obj = w.obj;
            if (obj < 0) {
                ErrorBox("オブジェクト \"%.*s.\" が認識できません！", Printed(w.prefix), w.prefix.data());
                Fail();
                failed = true;
                return false;
            }
            cChara* who = nullptr;
            if (!ResolveObject(obj, chara, who)) {
                failed = true;
                return false;
            }
            if (w.text.empty()) {
                pendingObject = obj;
                return true;
            }
        }
        pendingObject = -1;

        Token t;
        switch (w.kind) {
        case WK_OPERATOR:
            t.kind = TK_OPERATOR;
            t.op = w.index;
            break;
        case WK_VARIABLE: {
            t.kind = TK_VARIABLE;
            std::int32_t& v = ScopedVariable(w.index, w.value);
            t.target = StatusField{&v, 4};
            t.value = v;
            t.lower = -VAR_LIMIT;
            t.upper = VAR_LIMIT;
            break;
        }
        case WK_STATUS: {
            cChara* who = nullptr;
            if (!ResolveObject(obj < 0 ? OBJ_MY : obj, chara, who)) {
                failed = true;
                return false;
            }
            if (!who) {
                ErrorBox("オブジェクト \"sys.\" に %.*s はありません！", Printed(w.text), w.text.data());
                Fail();
                failed = true;
                return false;
            }
            t.kind = TK_STATUS;
            t.status = w.index;
            t.object = who;
            StatusTarget(*who, w.index, t);
            t.value = t.target.Read();
            break;
        }
        case WK_SYSTEM:
            t.kind = TK_SYSTEM;
            t.status = w.index;
            SystemRange(w.index, t);
            t.value = ReadSystemValue(w.index);
            break;
        default:
            t.kind = TK_NUMBER;
            t.value = w.value;
            break;
        }
        tokens.push_back(t);
        return true;
    });
    if (failed) return 0;

    bool applied = false;
    std::int32_t result = 0;
    for (int pass = 0; pass < 3; ++pass) {
        for (;;) {
            std::size_t k = 0;
            while (k < tokens.size() &&
                   !(tokens[k].kind == TK_OPERATOR && OPERATOR_PASS[tokens[k].op] == pass))
                ++k;
            if (k == tokens.size()) break;
            if (k == 0 || k + 1 >= tokens.size() || tokens[k - 1].kind == TK_OPERATOR ||
                tokens[k + 1].kind == TK_OPERATOR) {
                ErrorBox("演算子 %s の前後に値がありません！(%.*s)", OPERATOR_NAMES[tokens[k].op].data(),
                         Printed(text), text.data());
                return Fail();
            }
            if (!Apply(tokens[k].op, tokens[k - 1], tokens[k + 1], text, chara, result)) return 0;
            applied = true;
            Token r;
            r.value = result;
            tokens[k - 1] = r;
            tokens.ErasePair(k);
        }
    }
    if (applied) return result;
    return tokens.empty() ? 0 : tokens.back().value;
}

// Evaluates a text without parentheses and without NUL.
std::int32_t Term(std::string_view text, cChara& chara) {
    return RunWords(
        text, [text](auto&& each) { SplitWords(text, each); }, chara);
}

// The words of the last texts without parentheses evaluated whole: code commands run the same few
// texts again and again, and what their words say does not change.
struct SplitText {
    std::string text;
    std::vector<Word> words; // views into `text`
};
std::array<SplitText, 8> g_SplitTexts;
std::size_t g_NextSplitText = 0;

const SplitText& SplitOf(std::string_view text) {
    for (const SplitText& s : g_SplitTexts)
        if (!s.text.empty() && s.text == text) return s;
    SplitText& s = g_SplitTexts[g_NextSplitText];
    g_NextSplitText = (g_NextSplitText + 1) % g_SplitTexts.size();
    s.text.assign(text);
    s.words.clear();
    SplitWords(std::string_view(s.text), [&s](const Word& w) {
        s.words.push_back(w);
        return true;
    });
    return s;
}

// Evaluations of kept words under way (an error box or a hook could start another evaluation,
// which must then leave the kept words alone).
int g_nKeptRuns = 0;

// Term for a whole text without parentheses, its words kept for the next evaluation of the text.
std::int32_t WholeTerm(std::string_view text, cChara& chara) {
    if (text.empty() || g_nKeptRuns > 0) return Term(text, chara);
    struct Running {
        Running() { ++g_nKeptRuns; }
        ~Running() { --g_nKeptRuns; }
    } running;
    const SplitText& split = SplitOf(text);
    // The error texts quote the kept copy: the same bytes as `text`.
    const std::string_view kept(split.text);
    return RunWords(
        kept,
        [&split](auto&& each) {
            for (const Word& w : split.words)
                if (!each(w)) return;
        },
        chara);
}

// The text up to its first NUL, as every evaluation reads it.
std::string_view UpToNul(const std::string& text) {
    return std::string_view(text.data(), std::min(text.find('\0'), text.size()));
}

// Resolves the parentheses and calls of a text without NUL, innermost value by value, then
// evaluates the flat rest.
std::int32_t Parse(std::string_view input, cChara& chara, int depth) {
    if (depth > MAX_DEPTH) {
        ErrorBox("式が深すぎます！");
        return Fail();
    }
    std::string_view text = input;
    std::string rewritten; // holds the text once a group has been replaced by its value
    for (;;) {
        std::size_t open = std::string_view::npos, wordStart = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const char ch = text[i];
            if (ch == '(') {
                open = i;
                break;
            }
            if (ch == ' ' || ch == ')') wordStart = i + 1;
        }
        if (open == std::string_view::npos) return Term(text, chara);
        const std::string_view word = text.substr(wordStart, open - wordStart);
        const bool isRand = word == "rand";
        std::size_t close = std::string_view::npos;
        int nest = 0;
        for (std::size_t i = open; i < text.size(); ++i) {
            if (text[i] == '(')
                ++nest;
            else if (text[i] == ')' && --nest == 0) {
                close = i;
                break;
            }
        }
        if (close == std::string_view::npos) {
            if (isRand)
                ErrorBox("関数 %.*s で\")\"が見つかりません！", Printed(word), word.data());
            else
                ErrorBox("\")\"が見つかりません！");
            return Fail();
        }
        const std::string_view inner = text.substr(open + 1, close - open - 1);
        std::int32_t value = 0;
        std::size_t replaceFrom = open;
        if (isRand) {
            // Two arguments: exactly one comma outside nested parentheses.
            std::size_t comma = std::string_view::npos;
            int commas = 0, level = 0;
            for (std::size_t i = 0; i < inner.size(); ++i) {
                if (inner[i] == '(')
                    ++level;
                else if (inner[i] == ')')
                    --level;
                else if (inner[i] == ',' && level == 0 && commas++ == 0)
                    comma = i;
            }
            if (commas != 1) {
                ErrorBox("関数 %.*s の引数が不正です！", Printed(word), word.data());
                return Fail();
            }
            const std::int32_t a = Parse(inner.substr(0, comma), chara, depth + 1);
            if (g_bError) return 0;
            const std::int32_t b = Parse(inner.substr(comma + 1), chara, depth + 1);
            if (g_bError) return 0;
            value = RandRange(a, b);
            replaceFrom = wordStart;
        } else {
            value = Parse(inner, chara, depth + 1);
            if (g_bError) return 0;
        }
        char digits[16];
        const std::to_chars_result printed = std::to_chars(digits, digits + sizeof digits, value);
        const std::string_view rest = text.substr(close + 1);
        std::string next;
        next.reserve(replaceFrom + static_cast<std::size_t>(printed.ptr - digits) + rest.size());
        next.append(text.substr(0, replaceFrom)).append(digits, printed.ptr).append(rest);
        rewritten = std::move(next);
        text = rewritten;
    }
}

} // namespace

int SyncStringLength(std::string& s) {
    const std::size_t nul = s.find('\0');
    if (nul != std::string::npos) s.resize(nul);
    return static_cast<int>(s.size());
}

bool EvaluateExpression(const std::string& text, cChara& chara) {
    g_bError = false;
    const std::string_view code = UpToNul(text);
    if (code.size() > PlayBoundLimit(PlayBound::CodeText)) {
        PlayBoundRoom(PlayBound::CodeText, code.size());
        return Fail(), false;
    }
    const int hp = chara.m_nHP, sp = chara.m_nSP;
    if (code.find('(') == std::string_view::npos)
        WholeTerm(code, chara);
    else
        Parse(code, chara, 0);
    if (g_bError) return false;
    if (chara.m_nHP != hp) chara.ShowHPGauge(static_cast<std::int64_t>(chara.m_nHP) - hp);
    if (chara.m_nSP != sp) chara.ShowSPGauge(static_cast<std::int64_t>(chara.m_nSP) - sp);
    return true;
}

std::int32_t ParseExpression(const std::string& text, cChara& chara) {
    return Parse(UpToNul(text), chara, 0);
}

std::int32_t EvaluateTerm(const std::string& text, cChara& chara) {
    return Term(UpToNul(text), chara);
}
