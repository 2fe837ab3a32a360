// The JSON reader and writer: a recursive-descent reader over the text with a depth limit, and a
// writer that escapes every string it writes.
#include "output/json.h"

#include <cstdio>
#include <stdexcept>

#include "base/text.h"

namespace vorn::output {
namespace {

const Json::Array kNoItems;
const Json::Object kNoMembers;
constexpr int kMaxDepth = 100;

bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

// Length of the JSON number at the start of `s`, 0 when there is none.
size_t number_length(std::string_view s) {
    size_t i = 0;
    if (i < s.size() && s[i] == '-') ++i;
    if (i >= s.size() || !is_digit(s[i])) return 0;
    if (s[i] == '0') {
        ++i;
    } else {
        while (i < s.size() && is_digit(s[i])) ++i;
    }
    if (i < s.size() && s[i] == '.') {
        if (i + 1 >= s.size() || !is_digit(s[i + 1])) return 0;
        i += 2;
        while (i < s.size() && is_digit(s[i])) ++i;
    }
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-')) ++j;
        if (j >= s.size() || !is_digit(s[j])) return 0;
        while (j < s.size() && is_digit(s[j])) ++j;
        i = j;
    }
    return i;
}

class Reader {
  public:
    explicit Reader(std::string_view text) : s_(text) {}

    Status read(Json* out) {
        if (!value(out, 0)) return fail();
        blanks();
        if (pos_ != s_.size()) {
            error_ = "texto depois do valor";
            return fail();
        }
        return Status::ok();
    }

  private:
    Status fail() const {
        return Status::corrupt("JSON inválido na posição " + std::to_string(pos_) + ": " + error_);
    }
    bool stop(const char* why) {
        error_ = why;
        return false;
    }
    void blanks() {
        while (pos_ < s_.size() &&
               (s_[pos_] == ' ' || s_[pos_] == '\t' || s_[pos_] == '\n' || s_[pos_] == '\r'))
            ++pos_;
    }
    bool literal(std::string_view word) {
        if (s_.substr(pos_, word.size()) != word) return stop("valor desconhecido");
        pos_ += word.size();
        return true;
    }

    bool value(Json* out, int depth) {
        if (depth > kMaxDepth) return stop("aninhamento profundo demais");
        blanks();
        if (pos_ >= s_.size()) return stop("fim inesperado");
        switch (s_[pos_]) {
            case '{':
                return object(out, depth);
            case '[':
                return array(out, depth);
            case '"': {
                std::string str;
                if (!string(&str)) return false;
                *out = Json(std::move(str));
                return true;
            }
            case 't':
                *out = Json(true);
                return literal("true");
            case 'f':
                *out = Json(false);
                return literal("false");
            case 'n':
                *out = Json();
                return literal("null");
            default: {
                const size_t n = number_length(s_.substr(pos_));
                if (n == 0) return stop("valor desconhecido");
                *out = Json::number(std::string(s_.substr(pos_, n)));
                pos_ += n;
                return true;
            }
        }
    }

    bool array(Json* out, int depth) {
        ++pos_;  // '['
        Json::Array items;
        blanks();
        if (pos_ < s_.size() && s_[pos_] == ']') {
            ++pos_;
            *out = Json(std::move(items));
            return true;
        }
        for (;;) {
            Json item;
            if (!value(&item, depth + 1)) return false;
            items.push_back(std::move(item));
            blanks();
            if (pos_ >= s_.size()) return stop("fim inesperado");
            if (s_[pos_] == ']') break;
            if (s_[pos_] != ',') return stop("esperava , ou ]");
            ++pos_;
        }
        ++pos_;
        *out = Json(std::move(items));
        return true;
    }

    bool object(Json* out, int depth) {
        ++pos_;  // '{'
        Json::Object members;
        blanks();
        if (pos_ < s_.size() && s_[pos_] == '}') {
            ++pos_;
            *out = Json(std::move(members));
            return true;
        }
        for (;;) {
            blanks();
            if (pos_ >= s_.size() || s_[pos_] != '"') return stop("esperava um nome entre aspas");
            std::string key;
            if (!string(&key)) return false;
            blanks();
            if (pos_ >= s_.size() || s_[pos_] != ':') return stop("esperava :");
            ++pos_;
            Json v;
            if (!value(&v, depth + 1)) return false;
            members.insert_or_assign(std::move(key), std::move(v));
            blanks();
            if (pos_ >= s_.size()) return stop("fim inesperado");
            if (s_[pos_] == '}') break;
            if (s_[pos_] != ',') return stop("esperava , ou }");
            ++pos_;
        }
        ++pos_;
        *out = Json(std::move(members));
        return true;
    }

    bool hex4(unsigned* cp) {
        if (pos_ + 4 > s_.size()) return stop("escape \\u incompleto");
        unsigned v = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = s_[pos_++];
            v <<= 4;
            if (c >= '0' && c <= '9') {
                v |= static_cast<unsigned>(c - '0');
            } else if (c >= 'a' && c <= 'f') {
                v |= static_cast<unsigned>(c - 'a' + 10);
            } else if (c >= 'A' && c <= 'F') {
                v |= static_cast<unsigned>(c - 'A' + 10);
            } else {
                return stop("escape \\u inválido");
            }
        }
        *cp = v;
        return true;
    }

    bool string(std::string* out) {
        ++pos_;  // '"'
        for (;;) {
            if (pos_ >= s_.size()) return stop("texto sem aspas de fechamento");
            const char c = s_[pos_++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return stop("caractere de controle no texto");
            if (c != '\\') {
                *out += c;
                continue;
            }
            if (pos_ >= s_.size()) return stop("escape incompleto");
            switch (s_[pos_++]) {
                case '"':
                    *out += '"';
                    break;
                case '\\':
                    *out += '\\';
                    break;
                case '/':
                    *out += '/';
                    break;
                case 'b':
                    *out += '\b';
                    break;
                case 'f':
                    *out += '\f';
                    break;
                case 'n':
                    *out += '\n';
                    break;
                case 'r':
                    *out += '\r';
                    break;
                case 't':
                    *out += '\t';
                    break;
                case 'u': {
                    unsigned cp = 0;
                    if (!hex4(&cp)) return false;
                    if (cp >= 0xDC00 && cp <= 0xDFFF) return stop("surrogate sem par");
                    if (cp >= 0xD800 && cp <= 0xDBFF) {
                        unsigned low = 0;
                        if (s_.substr(pos_, 2) != "\\u") return stop("surrogate sem par");
                        pos_ += 2;
                        if (!hex4(&low)) return false;
                        if (low < 0xDC00 || low > 0xDFFF) return stop("surrogate sem par");
                        cp = 0x10000 + ((cp - 0xD800) << 10) + (low - 0xDC00);
                    }
                    append_utf8(*out, static_cast<char32_t>(cp));
                    break;
                }
                default:
                    return stop("escape desconhecido");
            }
        }
    }

    std::string_view s_;
    size_t pos_ = 0;
    std::string error_;
};

void dump_to(const Json& v, std::string& out) {
    switch (v.kind()) {
        case Json::Kind::kNull:
            out += "null";
            return;
        case Json::Kind::kBool:
            out += v.boolean() ? "true" : "false";
            return;
        case Json::Kind::kNumber:
            out += v.text();
            return;
        case Json::Kind::kString:
            out += json_quote(v.text());
            return;
        case Json::Kind::kArray: {
            out += '[';
            bool first = true;
            for (const Json& item : v.items()) {
                if (!first) out += ',';
                first = false;
                dump_to(item, out);
            }
            out += ']';
            return;
        }
        case Json::Kind::kObject: {
            out += '{';
            bool first = true;
            for (const auto& [key, item] : v.members()) {
                if (!first) out += ',';
                first = false;
                out += json_quote(key);
                out += ':';
                dump_to(item, out);
            }
            out += '}';
            return;
        }
    }
}

}  // namespace

Json::Json(Array a) : kind_(Kind::kArray), array_(std::make_shared<const Array>(std::move(a))) {}
Json::Json(Object o)
    : kind_(Kind::kObject), object_(std::make_shared<const Object>(std::move(o))) {}

Json Json::number(std::string text) {
    if (text.empty() || number_length(text) != text.size())
        throw std::invalid_argument("not a JSON number: " + text);
    Json j;
    j.kind_ = Kind::kNumber;
    j.text_ = std::move(text);
    return j;
}

const Json::Array& Json::items() const {
    return array_ ? *array_ : kNoItems;
}
const Json::Object& Json::members() const {
    return object_ ? *object_ : kNoMembers;
}

const Json* Json::find(std::string_view key) const {
    if (!object_) return nullptr;
    auto it = object_->find(key);
    return it == object_->end() ? nullptr : &it->second;
}

std::string Json::dump() const {
    std::string out;
    dump_to(*this, out);
    return out;
}

std::string json_quote(std::string_view text) {
    std::string out = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out += c;
                }
        }
    }
    out += '"';
    return out;
}

Status parse_json(std::string_view text, Json* out) {
    return Reader(text).read(out);
}

}  // namespace vorn::output
