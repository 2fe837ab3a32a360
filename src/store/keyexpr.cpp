// Key expressions: a small recursive-descent parser into a tree, evaluated per record.
#include "store/keyexpr.h"

#include <algorithm>
#include <bit>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <vector>

#include "base/text.h"

namespace vorn::store {

struct KeyExpr::Node {
    enum class Kind { kField, kText, kNumber, kConcat, kAdd, kUpper, kStr, kStrZero, kDtos, kDtoc };
    Kind kind = Kind::kField;
    KeyType type = KeyType::kChar;
    int width = 0;      // characters of a text value; display width of a number (STR default)
    int decimals = 0;   // of a number (STR default)
    size_t field = 0;   // kField: position in the layout
    size_t offset = 0;  // kField: first byte in a table row (after the deletion flag)
    std::string text;   // kText
    Decimal number;     // kNumber
    std::vector<std::shared_ptr<const Node>> args;
};

namespace {

using Node = KeyExpr::Node;
using NodePtr = std::shared_ptr<const Node>;

std::string upper_ascii(std::string_view s) {
    std::string r(s);
    for (char& c : r) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return r;
}

// STR(): the value with `decimals` places, right-aligned in `width`; asterisks when it does not
// fit.
std::string str_of(Decimal v, int width, int decimals) {
    Decimal r = v.round(decimals);
    std::string s = (r.is_zero() ? Decimal() : r).to_string(decimals);
    if (static_cast<int>(s.size()) > width) return std::string(static_cast<size_t>(width), '*');
    return std::string(static_cast<size_t>(width) - s.size(), ' ') + s;
}

std::string strzero_of(Decimal v, int width, int decimals) {
    std::string s = str_of(v, width, decimals);
    if (s.find('*') != std::string::npos) return s;
    size_t first = s.find_first_not_of(' ');
    bool negative = s[first] == '-';
    std::string digits = s.substr(negative ? first + 1 : first);
    std::string zeros(static_cast<size_t>(width) - digits.size() - (negative ? 1 : 0), '0');
    return (negative ? "-" : "") + zeros + digits;
}

class Parser {
  public:
    Parser(std::string_view text, const Layout& layout) : s_(text), layout_(layout) {}

    NodePtr parse_all() {
        NodePtr n = parse_sum();
        skip_blanks();
        if (pos_ != s_.size()) fail("texto inesperado");
        return n;
    }

  private:
    [[noreturn]] void fail(const std::string& what) {
        throw std::invalid_argument(what + " na posição " + std::to_string(pos_ + 1));
    }

    void skip_blanks() {
        while (pos_ < s_.size() && std::isspace(static_cast<unsigned char>(s_[pos_]))) ++pos_;
    }
    bool accept(char c) {
        skip_blanks();
        if (pos_ < s_.size() && s_[pos_] == c) {
            ++pos_;
            return true;
        }
        return false;
    }
    void expect(char c) {
        if (!accept(c)) fail(std::string("esperado '") + c + "'");
    }

    NodePtr parse_sum() {
        NodePtr first = parse_term();
        std::vector<NodePtr> terms{first};
        while (accept('+')) {
            NodePtr t = parse_term();
            if (t->type != first->type) fail("'+' une valores de tipos diferentes");
            terms.push_back(t);
        }
        if (terms.size() == 1) return first;
        auto n = std::make_shared<Node>();
        n->type = first->type;
        if (first->type == KeyType::kChar) {
            n->kind = Node::Kind::kConcat;
            for (const auto& t : terms) n->width += t->width;
        } else if (first->type == KeyType::kNumeric) {
            n->kind = Node::Kind::kAdd;
            n->width = 10;
            for (const auto& t : terms) n->decimals = std::max(n->decimals, t->decimals);
        } else {
            fail("'+' pede texto ou números");
        }
        n->args = std::move(terms);
        return n;
    }

    NodePtr parse_term() {
        skip_blanks();
        if (pos_ >= s_.size()) fail("expressão termina cedo demais");
        char c = s_[pos_];
        if (c == '"' || c == '\'') return parse_text(c);
        if (std::isdigit(static_cast<unsigned char>(c)) || c == '.') return parse_number();
        if (c == '(') {
            ++pos_;
            NodePtr n = parse_sum();
            expect(')');
            return n;
        }
        if (!std::isalpha(static_cast<unsigned char>(c)) && c != '_') fail("caractere inesperado");
        size_t start = pos_;
        while (pos_ < s_.size() &&
               (std::isalnum(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '_'))
            ++pos_;
        std::string name = upper_ascii(s_.substr(start, pos_ - start));
        if (accept('(')) return parse_call(name);
        return parse_field(name);
    }

    NodePtr parse_text(char quote) {
        size_t end = s_.find(quote, pos_ + 1);
        if (end == std::string_view::npos) fail("texto sem aspas de fechamento");
        auto n = std::make_shared<Node>();
        n->kind = Node::Kind::kText;
        n->text = std::string(s_.substr(pos_ + 1, end - pos_ - 1));
        n->width = static_cast<int>(char_count(n->text));
        pos_ = end + 1;
        return n;
    }

    NodePtr parse_number() {
        size_t start = pos_;
        while (pos_ < s_.size() &&
               (std::isdigit(static_cast<unsigned char>(s_[pos_])) || s_[pos_] == '.'))
            ++pos_;
        auto v = Decimal::parse(s_.substr(start, pos_ - start));
        if (!v) fail("número malformado");
        auto n = std::make_shared<Node>();
        n->kind = Node::Kind::kNumber;
        n->type = KeyType::kNumeric;
        n->number = *v;
        n->width = 10;
        n->decimals = v->decimals_used();
        return n;
    }

    NodePtr parse_field(const std::string& name) {
        int i = layout_.find(name);
        if (i < 0) fail("não há campo " + name);
        const FieldDef& f = layout_[static_cast<size_t>(i)];
        auto n = std::make_shared<Node>();
        n->kind = Node::Kind::kField;
        n->field = static_cast<size_t>(i);
        for (int k = 0; k < i; ++k)
            n->offset += static_cast<size_t>(layout_[static_cast<size_t>(k)].width);
        n->offset += 1;
        n->width = f.width;
        n->decimals = f.decimals;
        switch (f.type) {
            case FieldType::kChar:
                n->type = KeyType::kChar;
                break;
            case FieldType::kNumeric:
                n->type = KeyType::kNumeric;
                break;
            case FieldType::kDate:
                n->type = KeyType::kDate;
                break;
            case FieldType::kLogical:
                n->type = KeyType::kLogical;
                break;
            default:
                fail("campo memo " + name + " não pode fazer parte de uma chave");
        }
        return n;
    }

    // A whole-number literal argument (widths and decimals of STR and STRZERO).
    int parse_count(int min, int max) {
        NodePtr a = parse_sum();
        if (a->kind != Node::Kind::kNumber || a->number.decimals_used() != 0)
            fail("esperado um número inteiro");
        long long v = a->number.whole();
        if (v < min || v > max) fail("número fora do intervalo");
        return static_cast<int>(v);
    }

    NodePtr parse_call(const std::string& name) {
        auto n = std::make_shared<Node>();
        NodePtr arg = parse_sum();
        n->args.push_back(arg);
        auto want = [&](KeyType t, const char* what) {
            if (arg->type != t) fail(name + "() pede " + what);
        };
        if (name == "UPPER") {
            want(KeyType::kChar, "texto");
            n->kind = Node::Kind::kUpper;
            n->width = arg->width;
        } else if (name == "DTOS" || name == "DTOC") {
            want(KeyType::kDate, "uma data");
            n->kind = name == "DTOS" ? Node::Kind::kDtos : Node::Kind::kDtoc;
            n->width = name == "DTOS" ? 8 : 10;
        } else if (name == "STR" || name == "STRZERO") {
            want(KeyType::kNumeric, "um número");
            n->kind = name == "STR" ? Node::Kind::kStr : Node::Kind::kStrZero;
            n->width = name == "STR" ? (arg->kind == Node::Kind::kField ? arg->width : 10) : 0;
            n->decimals = name == "STR" && arg->kind == Node::Kind::kField ? arg->decimals : 0;
            if (accept(',')) {
                n->width = parse_count(1, kMaxKeyLength);
                n->decimals = 0;
                if (accept(',')) n->decimals = parse_count(0, 15);
            } else if (name == "STRZERO") {
                fail("STRZERO() pede um tamanho");
            }
        } else {
            fail("função desconhecida " + name + "()");
        }
        expect(')');
        n->type = KeyType::kChar;
        return n;
    }

    std::string_view s_;
    const Layout& layout_;
    size_t pos_ = 0;
};

// Where field values come from: a Record, or a row's bytes decoded on the way.
struct FromRecord {
    const Record& rec;
    Value field(const Node& n) const {
        const Value& v = rec.at(n.field);
        if (n.type == KeyType::kChar)
            return pad_right(std::get<std::string>(v), static_cast<size_t>(n.width));
        return v;
    }
};

struct FromRow {
    std::string_view row;
    bool cp850;
    Value field(const Node& n) const {
        std::string_view b =
            row.substr(std::min(n.offset, row.size()), static_cast<size_t>(n.width));
        switch (n.type) {
            case KeyType::kChar:
                return cp850 ? from_cp850(b) : from_cp1252(b);
            case KeyType::kNumeric: {
                auto d = Decimal::parse(b);  // blank or overflow ('*') counts as 0
                return d ? *d : Decimal();
            }
            case KeyType::kDate: {
                auto d = Date::from_dtos(b);
                return d ? *d : Date();
            }
            case KeyType::kLogical: {
                char c = b.empty() ? ' ' : b[0];
                if (c == 'T' || c == 't' || c == 'Y' || c == 'y') return Logical::kTrue;
                if (c == 'F' || c == 'f' || c == 'N' || c == 'n') return Logical::kFalse;
                return Logical::kUnset;
            }
        }
        return std::string();
    }
};

template <class Source>
Value eval(const Node& n, const Source& src);

template <class Source>
std::string eval_text(const Node& n, const Source& src) {
    return std::get<std::string>(eval(n, src));
}

template <class Source>
Value eval(const Node& n, const Source& src) {
    switch (n.kind) {
        case Node::Kind::kField:
            return src.field(n);
        case Node::Kind::kText:
            return n.text;
        case Node::Kind::kNumber:
            return n.number;
        case Node::Kind::kConcat: {
            std::string s;
            for (const auto& a : n.args) s += eval_text(*a, src);
            return s;
        }
        case Node::Kind::kAdd: {
            Decimal sum;
            for (const auto& a : n.args) sum += std::get<Decimal>(eval(*a, src));
            return sum;
        }
        case Node::Kind::kUpper:
            return pad_right(upper(eval_text(*n.args[0], src)), static_cast<size_t>(n.width));
        case Node::Kind::kStr:
            return str_of(std::get<Decimal>(eval(*n.args[0], src)), n.width, n.decimals);
        case Node::Kind::kStrZero:
            return strzero_of(std::get<Decimal>(eval(*n.args[0], src)), n.width, n.decimals);
        case Node::Kind::kDtos:
            return std::get<Date>(eval(*n.args[0], src)).dtos();
        case Node::Kind::kDtoc:
            return std::get<Date>(eval(*n.args[0], src)).dmy();
    }
    throw std::logic_error("key expression node");
}

// The index bytes of an expression's value; text in the given code page, padded or cut.
void encode_key(const Node& root, const Value& v, bool cp850, std::string* out) {
    switch (root.type) {
        case KeyType::kChar: {
            const auto& text = std::get<std::string>(v);
            *out = cp850 ? to_cp850(text) : to_cp1252(text);
            out->resize(static_cast<size_t>(std::min(root.width, kMaxKeyLength)), ' ');
            break;
        }
        case KeyType::kNumeric:
            *out = numeric_key(std::get<Decimal>(v));
            break;
        case KeyType::kDate:
            *out = date_key(std::get<Date>(v));
            break;
        case KeyType::kLogical:
            *out = logical_key(std::get<Logical>(v) == Logical::kTrue);
            break;
    }
}

std::string flip_ordered(uint64_t bits) {
    if (bits >> 63)
        bits = ~bits;
    else
        bits |= uint64_t{1} << 63;
    std::string out(8, '\0');
    for (int i = 0; i < 8; ++i)
        out[static_cast<size_t>(i)] = static_cast<char>(bits >> (56 - 8 * i));
    return out;
}

}  // namespace

Status KeyExpr::parse(std::string_view text, const Layout& layout, KeyExpr* out) {
    Parser p(text, layout);
    try {
        NodePtr root = p.parse_all();
        if (root->type == KeyType::kChar && root->width < 1)
            return Status::invalid("expressão de chave " + std::string(text) + " vazia");
        out->text_ = std::string(text);
        out->root_ = std::move(root);
        return Status::ok();
    } catch (const std::invalid_argument& e) {
        return Status::invalid("expressão de chave " + std::string(text) + ": " + e.what());
    }
}

KeyType KeyExpr::type() const {
    return root_->type;
}

int KeyExpr::key_length() const {
    switch (root_->type) {
        case KeyType::kChar:
            return std::min(root_->width, kMaxKeyLength);
        case KeyType::kLogical:
            return 1;
        default:
            return 8;
    }
}

Value KeyExpr::value(const Record& rec) const {
    return eval(*root_, FromRecord{rec});
}

bool KeyExpr::is_true(const Record& rec) const {
    Value v = value(rec);
    return std::holds_alternative<Logical>(v) && std::get<Logical>(v) == Logical::kTrue;
}

bool KeyExpr::is_true_of_row(std::string_view row) const {
    Value v = eval(*root_, FromRow{row, false});
    return std::holds_alternative<Logical>(v) && std::get<Logical>(v) == Logical::kTrue;
}

std::string KeyExpr::key(const Record& rec) const {
    std::string out;
    key(rec, &out);
    return out;
}

void KeyExpr::key(const Record& rec, std::string* out) const {
    encode_key(*root_, value(rec), false, out);
}

void KeyExpr::key_of_row(std::string_view row, bool cp850, std::string* out) const {
    const Node& n = *root_;
    size_t length = static_cast<size_t>(key_length());
    if (n.kind == Node::Kind::kField && n.type == KeyType::kChar &&
        n.offset + length <= row.size()) {
        out->assign(row.substr(n.offset, length));  // the stored bytes
        return;
    }
    encode_key(n, eval(n, FromRow{row, cp850}), cp850, out);
}

std::string numeric_key(double v) {
    if (v == 0) v = 0;  // -0 sorts with +0
    return flip_ordered(std::bit_cast<uint64_t>(v));
}

std::string numeric_key(Decimal v) {
    // The text form read back by strtod gives the correctly rounded nearest double.
    return numeric_key(std::strtod(v.to_plain().c_str(), nullptr));
}

std::string date_key(Date d) {
    constexpr long kJulianDayOf1970 = 2440588;
    return numeric_key(d.blank() ? 0.0 : static_cast<double>(d.serial() + kJulianDayOf1970));
}

std::string logical_key(bool v) {
    return v ? "T" : "F";
}

double decode_numeric_key(std::string_view key8) {
    uint64_t bits = 0;
    for (size_t i = 0; i < 8 && i < key8.size(); ++i)
        bits = (bits << 8) | static_cast<unsigned char>(key8[i]);
    if (bits >> 63)
        bits &= ~(uint64_t{1} << 63);
    else
        bits = ~bits;
    return std::bit_cast<double>(bits);
}

}  // namespace vorn::store
