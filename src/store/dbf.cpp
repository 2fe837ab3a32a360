// The DBF engine: header and field codecs, navigation, locks, writes and whole-file rewrites.
#include "store/dbf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "base/text.h"

namespace vorn::store {
namespace {

constexpr uint64_t kOpenMarkByte = 0x7FFFFFFF;  // read lock = shared use, write lock = exclusive
constexpr uint32_t kReadAheadBytes = 64 * 1024;
constexpr size_t kWriteBehindBytes = 64 * 1024;
constexpr size_t kRewriteChunk = 1 << 20;
constexpr uint8_t kLdidCp850 = 0x02;
constexpr uint8_t kLdidCp1252 = 0x03;

uint16_t get16(const char* p) {
    return static_cast<uint16_t>(static_cast<uint8_t>(p[0]) | (static_cast<uint8_t>(p[1]) << 8));
}
uint32_t get32(const char* p) {
    return static_cast<uint32_t>(get16(p)) | (static_cast<uint32_t>(get16(p + 2)) << 16);
}
void put16(char* p, uint32_t v) {
    p[0] = static_cast<char>(v & 0xFF);
    p[1] = static_cast<char>((v >> 8) & 0xFF);
}
void put32(char* p, uint32_t v) {
    put16(p, v & 0xFFFF);
    put16(p + 2, v >> 16);
}

// Bytes 1-3 (date of last update, year - 1900 as dBASE III+ writes it) and 4-7 (record count).
void put_date_and_count(char* p, Date d, uint32_t count) {
    p[0] = static_cast<char>(d.year() - 1900);
    p[1] = static_cast<char>(d.month());
    p[2] = static_cast<char>(d.day());
    put32(p + 3, count);
}

Date header_date(const char* h) {
    int y = static_cast<uint8_t>(h[1]);
    // Writers store year - 1900 (126 for 2026) or year mod 100 (26).
    int year = y >= 100 ? 1900 + y : (y >= 80 ? 1900 + y : 2000 + y);
    auto d = Date::make(year, static_cast<uint8_t>(h[2]), static_cast<uint8_t>(h[3]));
    return d ? *d : Date();
}

std::string_view trim_blanks(std::string_view s) {
    size_t b = 0, e = s.size();
    while (b < e && (s[b] == ' ' || s[b] == '\0')) ++b;
    while (e > b && (s[e - 1] == ' ' || s[e - 1] == '\0')) --e;
    return s.substr(b, e - b);
}

// The text of an N field: blank reads as 0; false for anything that is not a number.
bool parse_number(std::string_view s, Decimal* out) {
    s = trim_blanks(s);
    *out = Decimal();
    // Most amounts of a declaration's wide records are zero.
    if (s.empty() || s == "0.00" || s == "0") return true;
    size_t i = 0;
    bool neg = false;
    if (s[0] == '-' || s[0] == '+') {
        neg = s[0] == '-';
        ++i;
    }
    __int128 whole = 0, frac = 0;
    int frac_digits = 0, digits = 0;
    bool point = false;
    for (; i < s.size(); ++i) {
        char c = s[i];
        if (c == '.' && !point) {
            point = true;
        } else if (c >= '0' && c <= '9') {
            if (++digits > 30) return false;
            if (point) {
                if (frac_digits == Decimal::kScale) return false;
                frac = frac * 10 + (c - '0');
                ++frac_digits;
            } else {
                whole = whole * 10 + (c - '0');
            }
        } else {
            return false;
        }
    }
    if (digits == 0) return false;
    for (int k = frac_digits; k < Decimal::kScale; ++k) frac *= 10;
    __int128 raw = whole * Decimal::unit() + frac;
    *out = Decimal::from_raw(neg ? -raw : raw);
    return true;
}

bool parse_date(std::string_view s, Date* out) {
    *out = Date();
    if (trim_blanks(s).empty()) return true;
    auto d = Date::from_dtos(s);
    if (!d) return false;
    *out = *d;
    return true;
}

Logical parse_logical(char c) {
    switch (c) {
        case 'T':
        case 't':
        case 'Y':
        case 'y':
            return Logical::kTrue;
        case 'F':
        case 'f':
        case 'N':
        case 'n':
            return Logical::kFalse;
        default:
            return Logical::kUnset;
    }
}

std::string type_text(const Field& f) {
    std::string t(1, static_cast<char>(f.type));
    t += std::to_string(f.width);
    if (f.type == FieldType::kNumeric) {
        t += '.';
        t += std::to_string(f.decimals);
    }
    return t;
}

std::vector<Field> resolve_fields(const Layout& layout) {
    std::vector<Field> out;
    out.reserve(layout.size());
    uint32_t off = 1;
    for (size_t i = 0; i < layout.size(); ++i) {
        const FieldDef& d = layout[i];
        Field f;
        f.index = i;
        f.offset = off;
        f.width = static_cast<uint32_t>(d.width);
        f.decimals = d.decimals;
        f.type = d.type;
        out.push_back(f);
        off += f.width;
    }
    return out;
}

// Writes an N value right-aligned in f.width bytes, rounded half away from zero to the field's
// decimals; false when it does not fit.
bool put_number(const Field& f, Decimal v, char* out) {
    __int128 step = 1;
    for (int k = f.decimals; k < Decimal::kScale; ++k) step *= 10;
    __int128 raw = v.raw(), q = raw / step, r = raw % step;
    if (2 * (r < 0 ? -r : r) >= step) q += raw < 0 ? -1 : 1;
    bool neg = q < 0;
    unsigned __int128 a = static_cast<unsigned __int128>(neg ? -q : q);
    char digits[48];
    int n = 0;
    if (a <= UINT64_MAX) {
        uint64_t b = static_cast<uint64_t>(a);
        do digits[n++] = static_cast<char>('0' + b % 10), b /= 10;
        while (b);
    } else {
        do digits[n++] = static_cast<char>('0' + static_cast<int>(a % 10)), a /= 10;
        while (a);
    }
    while (n < f.decimals + 1) digits[n++] = '0';
    uint32_t len = static_cast<uint32_t>(n + (f.decimals ? 1 : 0) + (neg ? 1 : 0));
    if (len > f.width) return false;
    char* p = out + f.width;
    for (int i = 0; i < n; ++i) {
        if (f.decimals && i == f.decimals) *--p = '.';
        *--p = digits[i];
    }
    if (neg) *--p = '-';
    std::memset(out, ' ', static_cast<size_t>(p - out));
    return true;
}

// Encodes one value into exactly f.width bytes at `out`; text in the given code page.
Status encode_value(const Field& f, const FieldDef& def, const Value& v, bool cp850, char* out) {
    switch (f.type) {
        case FieldType::kChar: {
            const std::string& text = std::get<std::string>(v);
            bool ascii = std::all_of(text.begin(), text.end(),
                                     [](char c) { return static_cast<unsigned char>(c) < 0x80; });
            std::string converted;
            if (!ascii) converted = cp850 ? to_cp850(text) : to_cp1252(text);
            const std::string& bytes = ascii ? text : converted;
            size_t n = std::min<size_t>(bytes.size(), f.width);
            std::memcpy(out, bytes.data(), n);
            std::memset(out + n, ' ', f.width - n);
            return Status::ok();
        }
        case FieldType::kNumeric: {
            Decimal d = std::get<Decimal>(v);
            if (put_number(f, d, out)) return Status::ok();
            return Status::invalid("Valor " + d.to_string(f.decimals) + " não cabe no campo " +
                                   def.name + " (" + type_text(f) + ")");
        }
        case FieldType::kDate: {
            Date d = std::get<Date>(v);
            std::memset(out, ' ', f.width);
            if (!d.blank()) {
                std::string s = d.dtos();
                std::memcpy(out, s.data(), std::min<size_t>(s.size(), f.width));
            }
            return Status::ok();
        }
        case FieldType::kLogical:
            std::memset(out, ' ', f.width);
            out[0] = static_cast<char>(std::get<Logical>(v));
            return Status::ok();
        case FieldType::kMemo:
            break;
    }
    return Status::invalid("Campo memo " + def.name + " é somente para leitura");
}

// Header bytes of a new table (version 0x03, Windows-1252 mark, dBASE III+ header length).
std::string build_header(const Layout& layout, Date today, uint32_t count) {
    size_t n = layout.size();
    size_t header_len = 32 + 32 * n + 1;
    size_t rec_len = layout.record_length();
    if (n == 0) throw std::invalid_argument("a table needs at least one field");
    if (header_len > 0xFFFF || rec_len > 0xFFFF)
        throw std::invalid_argument("table layout too large for a DBF header");
    std::string h(header_len, '\0');
    h[0] = 0x03;
    put_date_and_count(&h[1], today, count);
    put16(&h[8], static_cast<uint32_t>(header_len));
    put16(&h[10], static_cast<uint32_t>(rec_len));
    h[29] = static_cast<char>(kLdidCp1252);
    uint32_t off = 1;
    for (size_t i = 0; i < n; ++i) {
        const FieldDef& f = layout[i];
        if (f.name.empty() || f.name.size() > 10)
            throw std::invalid_argument("field name must have 1 to 10 characters: " + f.name);
        char* d = &h[32 + 32 * i];
        std::string name = upper(f.name);
        std::memcpy(d, name.data(), name.size());
        d[11] = static_cast<char>(f.type);
        put32(d + 12, off);
        if (f.type == FieldType::kChar) {
            // Widths above 255 keep their high byte in the decimal-count byte.
            d[16] = static_cast<char>(f.width & 0xFF);
            d[17] = static_cast<char>((f.width >> 8) & 0xFF);
        } else {
            d[16] = static_cast<char>(f.width);
            d[17] = static_cast<char>(f.decimals);
        }
        off += static_cast<uint32_t>(f.width);
    }
    h[header_len - 1] = 0x0D;
    return h;
}

// Parses the header bytes of an existing table into its layout.
Status parse_header(const std::string& h, const std::string& path, std::vector<FieldDef>* defs) {
    uint32_t header_len = get16(&h[8]);
    uint32_t rec_len = get16(&h[10]);
    uint32_t sum = 1;
    for (size_t p = 32; p + 32 <= header_len && h[p] != 0x0D; p += 32) {
        const char* d = &h[p];
        FieldDef f;
        size_t len = 0;
        while (len < 11 && d[len] != '\0') ++len;
        f.name = std::string(d, len);
        char type = d[11];
        unsigned w = static_cast<uint8_t>(d[16]), dec = static_cast<uint8_t>(d[17]);
        switch (type) {
            case 'C':
                f.type = FieldType::kChar;
                f.width = static_cast<int>(w + dec * 256);
                break;
            case 'N':
            case 'F':
                f.type = FieldType::kNumeric;
                f.width = static_cast<int>(w);
                f.decimals = static_cast<int>(dec);
                break;
            case 'D':
                f.type = FieldType::kDate;
                f.width = static_cast<int>(w);
                break;
            case 'L':
                f.type = FieldType::kLogical;
                f.width = static_cast<int>(w);
                break;
            case 'M':
                f.type = FieldType::kMemo;
                f.width = static_cast<int>(w);
                if (w != 10)
                    return Status::invalid(path + ": campo memo " + f.name + " em formato binário");
                break;
            default:
                return Status::invalid(path + ": tipo de campo '" + std::string(1, type) +
                                       "' não suportado (" + f.name + ")");
        }
        if (f.name.empty() || f.width <= 0)
            return Status::corrupt(path + ": descritor de campo inválido");
        sum += static_cast<uint32_t>(f.width);
        defs->push_back(std::move(f));
    }
    if (defs->empty()) return Status::corrupt(path + ": tabela sem campos");
    if (sum != rec_len)
        return Status::corrupt(path + ": tamanho de registro " + std::to_string(rec_len) +
                               " não confere com os campos (" + std::to_string(sum) + ")");
    return Status::ok();
}

Date system_today() {
    static SystemClock clock;
    return clock.today();
}

struct HeaderInfo {
    uint8_t version = 0, flags = 0, ldid = 0;
    uint32_t header_len = 0, rec_len = 0;
    uint32_t count = 0;  // records the header counts
    Date last_update;
    std::shared_ptr<const Layout> layout;
};

Status read_header(File& file, const std::string& path, HeaderInfo* info) {
    char h32[32];
    size_t got = 0;
    Status s = file.read(0, h32, 32, &got);
    if (!s) return s;
    if (got < 32) return Status::corrupt(path + ": cabeçalho incompleto");
    info->version = static_cast<uint8_t>(h32[0]);
    info->count = get32(h32 + 4);
    info->header_len = get16(h32 + 8);
    info->rec_len = get16(h32 + 10);
    info->flags = static_cast<uint8_t>(h32[28]);
    info->ldid = static_cast<uint8_t>(h32[29]);
    info->last_update = header_date(h32);
    if (info->header_len < 65 || info->rec_len < 2)
        return Status::corrupt(path + ": cabeçalho inválido");
    std::string h(info->header_len, '\0');
    s = file.read(0, h.data(), h.size(), &got);
    if (!s) return s;
    if (got < h.size()) return Status::corrupt(path + ": cabeçalho incompleto");
    std::vector<FieldDef> defs;
    s = parse_header(h, path, &defs);
    if (!s) return s;
    try {
        info->layout = std::make_shared<const Layout>(std::move(defs));
    } catch (const std::invalid_argument& e) {
        return Status::corrupt(path + ": " + e.what());
    }
    return Status::ok();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// Opening, creating, closing

Status Table::open(Env& env, const std::string& path, const OpenOptions& opt,
                   std::unique_ptr<Table>* out) {
    std::unique_ptr<Table> t(new Table());
    t->env_ = &env;
    t->path_ = path;
    t->clock_ = opt.clock;
    t->exclusive_ = opt.exclusive;
    t->read_only_ = opt.read_only;

    // A table renamed over by a pack or an upgrade while we were opening it: open the new one.
    for (int attempt = 0;; ++attempt) {
        std::unique_ptr<File> f;
        Status s = env.open(path, t->read_only_ ? OpenFor::kRead : OpenFor::kReadWrite, &f);
        if (!s && s.code() != Status::Code::kNotFound && !t->read_only_) {
            s = env.open(path, OpenFor::kRead, &f);  // a file this user may only read
            if (s) t->read_only_ = true;
        }
        if (!s) return s;
        if (t->exclusive_ && t->read_only_)
            return Status::invalid(path + ": sem permissão de gravação para uso exclusivo");
        s = f->try_lock(kOpenMarkByte, 1, t->exclusive_ ? LockType::kWrite : LockType::kRead);
        if (!s) {
            if (s.code() == Status::Code::kLocked)
                return Status::locked(path + (t->exclusive_ ? " está aberto em outro terminal"
                                                            : " está em uso exclusivo"));
            return s;
        }
        uint64_t d1, i1, d2, i2;
        s = f->identity(&d1, &i1);
        if (!s) return s;
        if (env.identity(path, &d2, &i2) && d1 == d2 && i1 == i2) {
            t->file_ = std::move(f);
            break;
        }
        if (attempt == 5) return Status::io_error(path + ": arquivo trocado durante a abertura");
    }

    HeaderInfo info;
    Status s = read_header(*t->file_, path, &info);
    if (!s) return s;
    t->version_ = info.version;
    t->header_len_ = info.header_len;
    t->rec_len_ = info.rec_len;
    t->table_flags_ = info.flags;
    t->ldid_ = info.ldid;
    t->last_update_ = info.last_update;
    t->layout_ = std::move(info.layout);
    t->fields_ = resolve_fields(*t->layout_);
    for (const auto& f : t->fields_)
        if (f.type == FieldType::kMemo) t->read_only_ = true;  // memo tables are only read

    uint64_t size = 0;
    s = t->file_->size(&size);
    if (!s) return s;
    t->count_ =
        size > t->header_len_ ? static_cast<uint32_t>((size - t->header_len_) / t->rec_len_) : 0;
    // Records the header counts that the file does not hold were lost (a copy cut short, a
    // damaged disk): reading on would take a part of the table for the whole. More records than
    // the header counts are those of a writer that stopped before updating the header.
    if (t->count_ < info.count) {
        const bool partial = size > t->record_offset(t->count_ + 1) + 1;
        return Status::corrupt(path + ": o cabeçalho indica " + std::to_string(info.count) +
                               " registros e o arquivo tem " + std::to_string(t->count_) +
                               (partial ? " e parte de outro" : ""));
    }
    t->load_blank_eof();
    s = t->go_top();
    if (!s) return s;
    *out = std::move(t);
    return Status::ok();
}

Status Table::create(Env& env, const std::string& path, const Layout& layout,
                     const std::vector<Record>& rows, const Clock* clock, bool replace,
                     bool* existed, Durability durability) {
    if (existed) *existed = false;
    Date today = clock ? clock->today() : system_today();
    std::string data = build_header(layout, today, static_cast<uint32_t>(rows.size()));
    std::vector<Field> fields = resolve_fields(layout);
    size_t rec_len = layout.record_length();
    auto shared_layout = std::make_shared<const Layout>(layout);
    for (const Record& r : rows) {
        const Record* src = &r;
        Record mine;
        if (&r.layout() != &layout) {
            mine = Record(shared_layout);
            mine.assign_by_name(r);
            src = &mine;
        }
        size_t at = data.size();
        data.append(rec_len, ' ');
        for (const Field& f : fields) {
            Status s =
                encode_value(f, layout[f.index], src->at(f.index), false, &data[at + f.offset]);
            if (!s) return Status::invalid(path + ": " + s.message());
        }
    }
    data += '\x1A';

    std::unique_ptr<File> tmp;
    std::string tmp_path;
    Status s = env.create_temp(path, &tmp, &tmp_path);
    if (!s) return s;
    s = tmp->write(0, data);
    if (s && durability == Durability::kSynced) s = tmp->sync();
    tmp.reset();
    bool was_there = false;
    if (s) s = replace ? env.rename(tmp_path, path) : env.rename_new(tmp_path, path, &was_there);
    if (!s || was_there) {
        (void)env.remove(tmp_path);  // the error that matters is s; a leftover is only litter
        if (existed) *existed = was_there;
        return s;
    }
    return durability == Durability::kSynced ? env.sync_dir(dir_of(path)) : Status::ok();
}

Status Table::read_layout(Env& env, const std::string& path,
                          std::shared_ptr<const Layout>* layout) {
    std::unique_ptr<File> f;
    Status s = env.open(path, OpenFor::kRead, &f);
    if (!s) return s;
    HeaderInfo info;
    s = read_header(*f, path, &info);
    if (s) *layout = std::move(info.layout);
    return s;
}

Status Table::write_pending() {
    if (pending_.empty()) return Status::ok();
    pending_ += '\x1A';
    Status s = write_file(record_offset(pending_first_), pending_);
    pending_.pop_back();
    if (s) pending_.clear();
    return s;
}

Status Table::write_file(uint64_t offset, std::string_view data) {
    unsynced_ = true;
    return file_->write(offset, data);
}

Status Table::write_out() {
    if (read_only_) return Status::ok();
    Status s = write_pending();
    if (s && changed_) {
        s = write_header_counts();
        if (s) changed_ = false;
    }
    return s;
}

Status Table::flush() {
    Status s = write_out();
    if (!s || !unsynced_) return s;
    s = file_->sync();
    if (s) unsynced_ = false;
    return s;
}

Table::~Table() {
    if (!file_) return;
    Status s = close();
    if (!s) std::fprintf(stderr, "%s\n", s.message().c_str());
}

Status Table::close() {
    if (!file_) return Status::ok();
    Status s = unlock();
    if (changed_ && !read_only_) {
        Status h = write_pending();
        if (h) h = write_header_counts();
        if (s) s = h;
    }
    indexes_.clear();
    file_.reset();
    memo_.reset();
    return s;
}

Status Table::set_structural_index_flag(bool on) {
    if (!exclusive_) throw std::logic_error("structural index flag needs exclusive use");
    if (read_only_) return Status::invalid(path_ + ": somente leitura");
    uint8_t flags = on ? (table_flags_ | 1) : (table_flags_ & ~1);
    char b = static_cast<char>(flags);
    Status s = write_file(28, std::string_view(&b, 1));
    if (s) table_flags_ = flags;
    return s;
}

// ---------------------------------------------------------------------------------------------
// Fields and values

Field Table::field(std::string_view name) const {
    return fields_[layout_->index(name)];
}

std::string Table::decode_text(std::string_view bytes) const {
    size_t e = bytes.size();
    while (e > 0 && (bytes[e - 1] == ' ' || bytes[e - 1] == '\0')) --e;
    bytes = bytes.substr(0, e);
    bool ascii = true;
    for (char c : bytes)
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    if (ascii) return std::string(bytes);
    return ldid_ == kLdidCp850 ? from_cp850(bytes) : from_cp1252(bytes);
}

std::string Table::str(const Field& f) const {
    if (f.type != FieldType::kChar && f.type != FieldType::kMemo)
        return std::string(trim_blanks(raw(f)));
    return decode_text(raw(f));
}

Decimal Table::num(const Field& f) const {
    Decimal d;
    parse_number(raw(f), &d);
    return d;
}

Date Table::date(const Field& f) const {
    Date d;
    parse_date(raw(f), &d);
    return d;
}

Logical Table::logical3(const Field& f) const {
    return parse_logical(raw(f)[0]);
}
bool Table::logical(const Field& f) const {
    return logical3(f) == Logical::kTrue;
}

Value Table::value_of(std::string_view rec, const Field& f) const {
    Value v = blank_value((*layout_)[f.index]);
    Status ignored;  // malformed bytes read as blank, as in num() and date()
    decode_into(field_bytes(rec, f), f, v, ignored);
    return v;
}

std::string Table::context(const Field* f) const {
    std::string c;
    if (f) c = "campo " + (*layout_)[f->index].name + " do ";
    return c + "registro " + std::to_string(recno_) + " de " + path_;
}

void Table::decode_into(std::string_view b, const Field& f, Value& v, Status& bad) const {
    switch (f.type) {
        case FieldType::kNumeric: {
            Decimal d;
            if (!parse_number(b, &d) && bad)
                bad = Status::corrupt("Valor numérico inválido no " + context(&f));
            v = d;
            break;
        }
        case FieldType::kDate: {
            Date d;
            if (!parse_date(b, &d) && bad) bad = Status::corrupt("Data inválida no " + context(&f));
            v = d;
            break;
        }
        case FieldType::kLogical:
            v = parse_logical(b[0]);
            break;
        default:
            if (auto* s = std::get_if<std::string>(&v))
                *s = decode_text(b);
            else
                v = decode_text(b);
    }
}

const Table::Mapping& Table::mapping(const std::shared_ptr<const Layout>& other) const {
    if (mapping_.other != other) {
        Mapping m;
        m.other = other;
        m.ours_in_theirs.assign(layout_->size(), -1);
        m.theirs_in_ours.assign(other->size(), -1);
        for (size_t i = 0; i < layout_->size(); ++i) {
            int j = other->find((*layout_)[i].name);
            if (j < 0) continue;
            if ((*other)[static_cast<size_t>(j)].type != (*layout_)[i].type) m.same_types = false;
            m.ours_in_theirs[i] = j;
            m.theirs_in_ours[static_cast<size_t>(j)] = static_cast<int>(i);
        }
        mapping_ = std::move(m);
    }
    return mapping_;
}

Status Table::read(Record& rec) const {
    Status bad;
    if (rec.layout_ptr().get() == layout_.get()) {
        for (const Field& f : fields_) decode_into(raw(f), f, rec.at(f.index), bad);
    } else if (const Mapping& m = mapping(rec.layout_ptr()); m.same_types) {
        for (size_t j = 0; j < m.theirs_in_ours.size(); ++j)
            if (int i = m.theirs_in_ours[j]; i >= 0)
                decode_into(raw(fields_[static_cast<size_t>(i)]), fields_[static_cast<size_t>(i)],
                            rec.at(j), bad);
    } else {
        Record mine(layout_);
        for (const Field& f : fields_) decode_into(raw(f), f, mine.at(f.index), bad);
        rec.assign_by_name(mine);
    }
    rec.deleted = deleted();
    rec.recno = eof_ ? 0 : recno_;
    return bad;
}

Status Table::memo(const Field& f, std::string* text) {
    if (f.type != FieldType::kMemo) throw std::logic_error("not a memo field");
    text->clear();
    std::string_view b = trim_blanks(raw(f));
    if (b.empty() || eof_) return Status::ok();
    Decimal blockd;
    if (!parse_number(b, &blockd) || blockd.is_negative())
        return Status::corrupt("Referência de memo inválida no " + context(&f));
    uint64_t block = static_cast<uint64_t>(blockd.whole());
    if (block == 0) return Status::ok();  // block 0 is the memo file's header: no text
    if (!memo_) {
        std::string name = base_of(path_);
        size_t dot = name.rfind('.');
        if (dot != std::string::npos) name.resize(dot);
        Status s =
            env_->open(find_file(*env_, dir_of(path_), name + ".DBT"), OpenFor::kRead, &memo_);
        if (!s) return s;
    }
    constexpr size_t kBlock = 512, kMaxMemo = 16u << 20;
    std::string data;
    char chunk[kBlock];
    uint64_t off = block * kBlock;
    size_t want = kMaxMemo;
    for (;;) {
        size_t got = 0;
        Status s = memo_->read(off, chunk, kBlock, &got);
        if (!s) return s;
        size_t from = 0;
        if (data.empty() && off == block * kBlock && got >= 8 && version_ == 0x8B &&
            static_cast<uint8_t>(chunk[0]) == 0xFF && static_cast<uint8_t>(chunk[1]) == 0xFF) {
            // dBASE IV memo block: FF FF 08 00, then the length including these 8 bytes.
            uint32_t len = get32(chunk + 4);
            if (len < 8) return Status::corrupt("Memo inválido no " + context(&f));
            want = std::min<size_t>(len - 8, kMaxMemo);
            from = 8;
        }
        std::string_view part(chunk + from, got - from);
        size_t end = want == kMaxMemo ? part.find('\x1A') : std::string_view::npos;
        data.append(part.substr(0, std::min(end, want - data.size())));
        if (end != std::string_view::npos || data.size() >= want || got < kBlock) break;
        off += kBlock;
    }
    *text = ldid_ == kLdidCp850 ? from_cp850(data) : from_cp1252(data);
    return Status::ok();
}

Status Table::scan_rows(const std::function<void(uint32_t recno, std::string_view row)>& fn,
                        uint32_t from) {
    Status s = refresh_count();
    if (!s) return s;
    uint32_t in_file = pending_.empty() ? count_ : pending_first_ - 1;
    uint32_t per_read = std::max<uint32_t>(1, static_cast<uint32_t>(kRewriteChunk / rec_len_));
    std::string chunk;
    for (uint32_t first = std::max<uint32_t>(from, 1); first <= in_file; first += per_read) {
        uint32_t n = std::min(per_read, in_file - first + 1);
        chunk.resize(static_cast<size_t>(n) * rec_len_);
        size_t got = 0;
        s = file_->read(record_offset(first), chunk.data(), chunk.size(), &got);
        if (!s) return s;
        uint32_t rows = static_cast<uint32_t>(got / rec_len_);
        for (uint32_t i = 0; i < rows; ++i)
            fn(first + i,
               std::string_view(chunk).substr(static_cast<size_t>(i) * rec_len_, rec_len_));
        if (rows < n) return Status::ok();  // cut short by another program meanwhile
    }
    for (size_t at = 0; at < pending_.size(); at += rec_len_) {
        const uint32_t recno = pending_first_ + static_cast<uint32_t>(at / rec_len_);
        if (recno >= from) fn(recno, std::string_view(pending_).substr(at, rec_len_));
    }
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Navigation

Status Table::record_count(uint32_t* n) {
    Status s = refresh_count();
    *n = count_;
    return s;
}

Status Table::refresh_count() {
    if (exclusive_) return Status::ok();
    uint64_t size = 0;
    Status s = file_->size(&size);
    if (!s) return s;
    count_ = size > header_len_ ? static_cast<uint32_t>((size - header_len_) / rec_len_) : 0;
    return Status::ok();
}

void Table::load_blank_eof() {
    buf_.assign(rec_len_, ' ');
    recno_ = count_ + 1;
    eof_ = true;
}

Status Table::load(uint32_t n) {
    if (n == 0 || n > count_) {
        load_blank_eof();
        return Status::ok();
    }
    buf_.resize(rec_len_);
    if (!pending_.empty() && n >= pending_first_) {
        std::memcpy(buf_.data(),
                    pending_.data() + static_cast<size_t>(n - pending_first_) * rec_len_, rec_len_);
    } else if (exclusive_) {
        if (n < cache_first_ || n >= cache_first_ + cache_n_) {
            // Reading ahead pays when records are read in file order; in key order they come
            // one here, one there.
            bool in_order = cache_n_ > 0 && n == cache_first_ + cache_n_;
            uint32_t want =
                in_order || n == 1 ? std::max<uint32_t>(1, kReadAheadBytes / rec_len_) : 1;
            want = std::min(want, count_ - n + 1);
            cache_.resize(static_cast<size_t>(want) * rec_len_);
            size_t got = 0;
            Status s = file_->read(record_offset(n), cache_.data(), cache_.size(), &got);
            if (!s) {
                cache_n_ = 0;
                return s;
            }
            cache_first_ = n;
            cache_n_ = static_cast<uint32_t>(got / rec_len_);
            if (cache_n_ == 0) {
                load_blank_eof();
                return Status::ok();
            }
        }
        std::memcpy(buf_.data(), cache_.data() + static_cast<size_t>(n - cache_first_) * rec_len_,
                    rec_len_);
    } else {
        size_t got = 0;
        Status s = file_->read(record_offset(n), buf_.data(), rec_len_, &got);
        if (!s) return s;
        if (got < rec_len_) {  // gone: the table was cut short by another program
            count_ = n - 1;
            load_blank_eof();
            return Status::ok();
        }
    }
    recno_ = n;
    eof_ = false;
    return Status::ok();
}

bool Table::hidden() const {
    return deleted() || (filter_ && !filter_(*this));
}

Status Table::step(int dir, uint32_t* n) {
    *n = 0;
    if (order_ > 0) {
        Index& ix = *indexes_[order_ - 1];
        return dir > 0 ? ix.next(recno_, buf_, n) : ix.prev(recno_, buf_, n);
    }
    if (dir < 0) {
        *n = recno_ > 1 ? recno_ - 1 : 0;
        if (*n > count_) {
            Status s = refresh_count();
            if (!s) return s;
            *n = std::min(*n, count_);
        }
        return Status::ok();
    }
    if (recno_ + 1 > count_) {
        Status s = refresh_count();
        if (!s) return s;
    }
    *n = recno_ + 1 <= count_ ? recno_ + 1 : 0;
    return Status::ok();
}

// From the loaded record, moves in direction dir until a visible record; at the end of the order
// the table goes to eof (forward) or reports 0 in recno_ (backward: the caller decides).
Status Table::settle(int dir) {
    while (!eof_ && hidden()) {
        uint32_t n = 0;
        Status s = step(dir, &n);
        if (!s) return s;
        if (n == 0) {
            load_blank_eof();
            return Status::ok();
        }
        s = load(n);
        if (!s) return s;
    }
    return Status::ok();
}

// The first visible record from the top (dir > 0) or from the bottom (dir < 0).
Status Table::first_visible(int dir) {
    Status s = refresh_count();
    if (!s) return s;
    uint32_t n = 0;
    if (order_ > 0) {
        Index& ix = *indexes_[order_ - 1];
        s = dir > 0 ? ix.first(&n) : ix.last(&n);
        if (!s) return s;
    } else {
        n = count_ == 0 ? 0 : (dir > 0 ? 1 : count_);
    }
    s = load(n);
    if (!s) return s;
    return settle(dir);
}

Status Table::go_top() {
    found_ = false;
    Status s = first_visible(+1);
    bof_ = eof_;
    return s;
}

Status Table::go_bottom() {
    found_ = false;
    Status s = first_visible(-1);
    bof_ = eof_;
    return s;
}

Status Table::go_to(uint32_t n) {
    found_ = false;
    bof_ = false;
    if (n > count_) {
        Status s = refresh_count();
        if (!s) return s;
    }
    return load(n);
}

Status Table::skip(long n) {
    if (n == 0) return eof_ ? Status::ok() : load(recno_);
    bof_ = false;
    if (n > 0) {
        for (long i = 0; i < n && !eof_; ++i) {
            do {
                uint32_t m = 0;
                Status s = step(+1, &m);
                if (!s) return s;
                if (m == 0) {
                    load_blank_eof();
                    return Status::ok();
                }
                s = load(m);
                if (!s) return s;
            } while (!eof_ && hidden());
        }
        return Status::ok();
    }
    long left = -n;
    if (eof_) {  // from the end, the first step back lands on the last visible record
        Status s = first_visible(-1);
        if (!s) return s;
        if (eof_) {
            bof_ = true;
            return Status::ok();
        }
        --left;
    }
    for (long i = 0; i < left; ++i) {
        do {
            uint32_t m = 0;
            Status s = step(-1, &m);
            if (!s) return s;
            if (m == 0) {  // passed the beginning: stay on the first visible record
                s = go_top();
                bof_ = true;
                return s;
            }
            s = load(m);
            if (!s) return s;
        } while (!eof_ && hidden());
    }
    return Status::ok();
}

Status Table::seek(const Value& key, bool soft) {
    if (order_ == 0) throw std::logic_error("seek without a controlling order");
    Index& ix = *indexes_[order_ - 1];
    bof_ = false;
    found_ = false;
    Status s = refresh_count();
    if (!s) return s;
    uint32_t n = 0;
    s = ix.seek(key, &n);
    if (!s) return s;
    s = load(n);
    if (!s) return s;
    s = settle(+1);
    if (!s) return s;
    if (eof_) return Status::ok();
    found_ = ix.matches(buf_, key);
    if (!found_ && !soft) load_blank_eof();
    return Status::ok();
}

void Table::clear_indexes() {
    indexes_.clear();
    order_ = 0;
}

void Table::set_order(size_t n) {
    if (n > indexes_.size()) throw std::out_of_range("no index " + std::to_string(n));
    order_ = n;
}

// ---------------------------------------------------------------------------------------------
// Writing

Status Table::read_only_error() const {
    return Status::invalid(path_ + " está aberto somente para leitura");
}

Date Table::today() const {
    return clock_ ? clock_->today() : system_today();
}

void Table::require_write(uint32_t n) const {
    if (n == 0 || n > count_) throw std::logic_error("write outside the table's records");
    if (!exclusive_ && !table_locked_ && locked_.count(n) == 0)
        throw std::logic_error("write to " + path_ + " record " + std::to_string(n) +
                               " without its lock");
}

Status Table::encode_field(const Field& f, const Value& v, char* out) const {
    Status s = encode_value(f, (*layout_)[f.index], v, ldid_ == kLdidCp850, out);
    if (!s) return Status::invalid(s.message() + " (" + context(nullptr) + ")");
    return s;
}

Status Table::encode_record(const Record& rec, std::string* out) const {
    const Record* src = &rec;
    const Mapping* m = nullptr;
    Record mine;
    if (rec.layout_ptr().get() != layout_.get()) {
        m = &mapping(rec.layout_ptr());
        if (!m->same_types) {
            mine = Record(layout_);
            mine.assign_by_name(rec);
            src = &mine;
            m = nullptr;
        }
    }
    for (const Field& f : fields_) {
        if (f.type == FieldType::kMemo) continue;
        char* at = out->data() + f.offset;
        Status s;
        if (!m) {
            s = encode_field(f, src->at(f.index), at);
        } else if (int j = m->ours_in_theirs[f.index]; j >= 0) {
            s = encode_field(f, rec.at(static_cast<size_t>(j)), at);
        } else {
            s = encode_field(f, blank_value((*layout_)[f.index]), at);
        }
        if (!s) return s;
    }
    return Status::ok();
}

Status Table::write_record(uint32_t n, const std::string& old_bytes) {
    if (buf_ == old_bytes) return Status::ok();  // nothing changes: nothing to write
    Status s;
    if (!pending_.empty() && n >= pending_first_)
        std::memcpy(pending_.data() + static_cast<size_t>(n - pending_first_) * rec_len_,
                    buf_.data(), rec_len_);
    else
        s = write_file(record_offset(n), buf_);
    if (!s) {
        buf_ = old_bytes;
        return s;
    }
    changed_ = true;
    if (n >= cache_first_ && n < cache_first_ + cache_n_)
        std::memcpy(cache_.data() + static_cast<size_t>(n - cache_first_) * rec_len_, buf_.data(),
                    rec_len_);
    for (auto& ix : indexes_) {
        s = ix->on_replace(n, old_bytes, buf_);
        if (!s) return s;
    }
    return Status::ok();
}

Status Table::change_current(const char* what,
                             const std::function<Status(std::string& rec)>& change) {
    if (eof_) throw std::logic_error(std::string(what) + " at end of file");
    if (read_only_) return read_only_error();
    require_write(recno_);
    std::string old = buf_;
    Status s = change(buf_);
    if (!s) {
        buf_ = std::move(old);
        return s;
    }
    return write_record(recno_, old);
}

Status Table::replace(const Field& f, const Value& v) {
    return change_current(
        "replace", [&](std::string& rec) { return encode_field(f, v, rec.data() + f.offset); });
}

Status Table::put(const Record& r) {
    return change_current("put", [&](std::string& rec) { return encode_record(r, &rec); });
}

Status Table::delete_record() {
    return change_current("delete", [](std::string& rec) {
        rec[0] = '*';
        return Status::ok();
    });
}

Status Table::recall() {
    return change_current("recall", [](std::string& rec) {
        rec[0] = ' ';
        return Status::ok();
    });
}

Status Table::write_header_counts() {
    char b[7];
    put_date_and_count(b, today(), count_);
    if (exclusive_) return write_file(1, std::string_view(b, 7));
    Status s = file_->wait_lock(lock_header_byte(), 1, LockType::kWrite);
    if (!s) return s;
    s = refresh_count();
    if (s) {
        put_date_and_count(b, today(), count_);
        s = write_file(1, std::string_view(b, 7));
    }
    Status u = file_->unlock(lock_header_byte(), 1);
    return s ? u : s;
}

Status Table::append(const Record* rec) {
    if (read_only_) return read_only_error();
    std::string bytes(rec_len_, ' ');
    if (rec) {
        Status s = encode_record(*rec, &bytes);
        if (!s) return s;
    }
    uint32_t n = 0;
    if (exclusive_) {
        // Nobody else sees the table: appends are gathered and written a batch at a time.
        if (pending_.size() + rec_len_ > kWriteBehindBytes) {
            // The header counts what is now in the file, so that a machine stopping before the
            // next batch leaves a table other programs read to its last whole batch.
            Status s = write_pending();
            if (s) s = write_header_counts();
            if (!s) return s;
        }
        n = count_ + 1;
        if (pending_.empty()) pending_first_ = n;
        pending_ += bytes;
        count_ = n;
    } else {
        std::string tail = bytes + '\x1A';
        Status s = file_->wait_lock(lock_header_byte(), 1, LockType::kWrite);
        if (!s) return s;
        s = refresh_count();
        n = count_ + 1;
        bool took = false;
        if (s && !table_locked_) {
            s = file_->try_lock(lock_record_byte(n), 1, LockType::kWrite);
            took = s.is_ok();
        }
        if (s) s = write_file(record_offset(n), tail);
        if (s) {
            count_ = n;
            char b[7];
            put_date_and_count(b, today(), count_);
            s = write_file(1, std::string_view(b, 7));
        }
        if (!s && took && count_ < n) (void)file_->unlock(lock_record_byte(n), 1);
        Status u = file_->unlock(lock_header_byte(), 1);
        if (!s) return s;
        if (!u) return u;
        if (took) {
            locked_.erase(n);
            Status r = release_record_locks();
            locked_.insert(n);
            if (!r) return r;
        }
    }
    changed_ = true;
    buf_ = std::move(bytes);
    recno_ = n;
    eof_ = bof_ = false;
    found_ = false;
    for (auto& ix : indexes_) {
        Status s = ix->on_append(n, buf_);
        if (!s) return s;
    }
    return Status::ok();
}

Status Table::pack() {
    return rewrite(true);
}
Status Table::zap() {
    return rewrite(false);
}

Status Table::rewrite(bool keep_active) {
    if (!exclusive_) throw std::logic_error("pack/zap need exclusive use of " + path_);
    if (read_only_) return read_only_error();
    std::string header(header_len_, '\0');
    size_t got = 0;
    Status s = file_->read(0, header.data(), header.size(), &got);
    if (!s) return s;
    if (got < header.size()) return Status::corrupt(path_ + ": cabeçalho incompleto");

    std::unique_ptr<File> tmp;
    std::string tmp_path;
    s = env_->create_temp(path_, &tmp, &tmp_path);
    if (!s) return s;
    auto fail = [&](Status err) {
        tmp.reset();
        (void)env_->remove(tmp_path);  // the error that matters is err; a leftover is only litter
        return err;
    };

    // The kept rows (gathered appends included) go out a megabyte at a time.
    uint32_t kept = 0;
    uint64_t out_off = header_len_;
    std::string out;
    Status written;
    auto write_out = [&] {
        if (written && !out.empty()) written = tmp->write(out_off, out);
        out_off += out.size();
        out.clear();
    };
    if (keep_active) {
        uint32_t seen = 0;
        s = scan_rows([&](uint32_t, std::string_view row) {
            ++seen;
            if (row[0] == '*') return;
            out.append(row);
            ++kept;
            if (out.size() >= kRewriteChunk) write_out();
        });
        write_out();
        if (s && seen != count_) s = Status::corrupt(path_ + ": registros incompletos");
        if (!s) return fail(s);
        if (!written) return fail(written);
    }
    s = tmp->write(out_off, "\x1A");
    if (!s) return fail(s);
    put_date_and_count(&header[1], today(), kept);
    s = tmp->write(0, header);
    if (s) s = tmp->sync();
    // The new file is ours alone before its name is: no other terminal can slip in.
    if (s) s = tmp->try_lock(kOpenMarkByte, 1, LockType::kWrite);
    if (s) s = env_->rename(tmp_path, path_);
    if (!s) return fail(s);

    // From here the new file is the table, whatever else happens.
    file_ = std::move(tmp);
    unsynced_ = false;
    pending_.clear();
    count_ = kept;
    cache_n_ = 0;
    changed_ = false;
    last_update_ = today();
    Status durable = env_->sync_dir(dir_of(path_));
    for (auto& ix : indexes_) {
        s = keep_active ? ix->on_pack() : ix->on_zap();
        if (!s) return s;
    }
    s = go_top();
    return durable ? s : durable;
}

// ---------------------------------------------------------------------------------------------
// Locks

uint64_t Table::lock_header_byte() const {
    return structural_index_flag() ? 0x7FFFFFFEull : 0x40000000ull;
}

uint64_t Table::lock_record_byte(uint32_t n) const {
    return structural_index_flag() ? 0x7FFFFFFEull - n : 0x40000000ull + record_offset(n);
}

uint64_t Table::lock_table_start() const {
    return structural_index_flag() ? 0x77FFFFFFull : 0x40000001ull;
}

uint64_t Table::lock_table_len() const {
    return structural_index_flag() ? 0x07FFFFFFull : 0x3FFFFFFDull;
}

bool Table::record_locked(uint32_t n) const {
    return exclusive_ || table_locked_ || locked_.count(n) > 0;
}

Status Table::locked_elsewhere(uint32_t n, bool* held) {
    *held = false;
    if (exclusive_) return Status::ok();
    return file_->locked_elsewhere(lock_record_byte(n), 1, LockType::kRead, held);
}

Status Table::release_record_locks() {
    Status first;
    for (uint32_t n : locked_) {
        Status s = file_->unlock(lock_record_byte(n), 1);
        if (!s && first) first = s;
    }
    locked_.clear();
    return first;
}

Status Table::lock_record(uint32_t n, bool keep_others) {
    if (n == 0) {
        if (eof_) return Status::invalid("Nenhum registro para bloquear em " + path_);
        n = recno_;
    }
    if (!exclusive_ && !table_locked_ && locked_.count(n) == 0) {
        if (read_only_) return read_only_error();
        if (!keep_others) {
            Status s = release_record_locks();
            if (!s) return s;
        }
        Status s = file_->try_lock(lock_record_byte(n), 1, LockType::kWrite);
        if (!s) return s;
        locked_.insert(n);
    }
    if (!eof_ && n == recno_) return load(n);  // what others wrote before we held the lock
    return Status::ok();
}

Status Table::lock_table() {
    if (exclusive_ || table_locked_) return Status::ok();
    if (read_only_) return read_only_error();
    Status s = release_record_locks();
    if (!s) return s;
    s = file_->try_lock(lock_table_start(), lock_table_len(), LockType::kWrite);
    if (!s) return s;
    table_locked_ = true;
    return eof_ ? Status::ok() : load(recno_);
}

Status Table::unlock() {
    Status s = release_record_locks();
    if (table_locked_) {
        Status t = file_->unlock(lock_table_start(), lock_table_len());
        table_locked_ = false;
        if (s) s = t;
    }
    return s;
}

}  // namespace vorn::store
