// Index files attached to tables.
#include "store/cdx_index.h"

#include <algorithm>

#include "base/text.h"

namespace vorn::store {
namespace {

constexpr uint8_t kLdidCp850 = 0x02;
constexpr uint64_t kFullCheckBytes = 4 << 20;  // tables up to this size are checked key by key

std::string stem_upper(std::string_view path) {
    std::string base = base_of(path);
    size_t dot = base.rfind('.');
    return upper(dot == std::string::npos ? base : base.substr(0, dot));
}

// The tag a file of ours holds: named after the file, at most ten characters.
std::string tag_name(std::string_view path) {
    return stem_upper(path).substr(0, 10);
}

// Key expressions compared as xBase reads them: case and blanks do not count.
std::string normalized(std::string_view expr) {
    std::string r;
    for (char c : expr)
        if (c != ' ' && c != '\t') r += c;
    return upper(r);
}

// Every record's key (those the FOR condition admits).
Status collect_keys(Table& table, const KeyExpr& expr, const KeyExpr* cond, KeyBuffer& keys) {
    bool cp850 = table.code_page_mark() == kLdidCp850;
    std::string key;
    return table.scan_rows([&](uint32_t recno, std::string_view row) {
        if (cond && !cond->is_true_of_row(row)) return;
        expr.key_of_row(row, cp850, &key);
        keys.add(key, recno);
    });
}

Status build_tag(Table& table, const std::string& path, const TagSpec& spec, const KeyExpr& expr,
                 const KeyExpr* cond, Durability durability = Durability::kSynced) {
    auto collect = [&](KeyBuffer& keys) { return collect_keys(table, expr, cond, keys); };
    if (!table.exclusive()) return CdxFile::rewrite(table.env(), path, spec, collect);
    KeyBuffer keys(spec.key_length);
    if (Status s = collect(keys); !s) return s;
    return CdxFile::create(table.env(), path, spec, keys, durability);
}

}  // namespace

std::string damaged_index_notice(std::string_view file) {
    return "O índice " + std::string(file) + " está danificado ou desatualizado e será recriado.";
}

// ---------------------------------------------------------------------------------------------
// Opening, building, checking

Status CdxIndex::open(Table& table, const std::string& path, std::unique_ptr<CdxIndex>* out) {
    std::unique_ptr<CdxIndex> ix(new CdxIndex(table, path));
    ix->cp850_ = table.code_page_mark() == kLdidCp850;
    if (Status s = ix->attach_file(); !s) return s;
    *out = std::move(ix);
    return Status::ok();
}

Status CdxIndex::attach_file() {
    CdxMode mode = table_.read_only()   ? CdxMode::kReadOnly
                   : table_.exclusive() ? CdxMode::kExclusive
                                        : CdxMode::kShared;
    cursor_.reset();
    if (Status s = CdxFile::open(table_.env(), path_, mode, &table_.layout(), &file_); !s) return s;
    tag_ = std::max(0, file_->find_tag(tag_name(path_)));
    const CdxFile::Tag& t = file_->tags()[static_cast<size_t>(tag_)];
    if (t.expr.empty())
        return Status::corrupt(name() + ": a chave " + t.spec.key_expr +
                               " não corresponde aos campos de " + base_of(table_.path()));
    if (!t.spec.for_expr.empty() && t.condition.empty())
        return Status::corrupt(name() + ": condição " + t.spec.for_expr + " não reconhecida");
    spec_ = t.spec;
    expr_ = t.expr;
    cond_ = t.condition;
    cursor_ = std::make_unique<CdxCursor>(file_.get(), tag_);
    return Status::ok();
}

Status CdxIndex::build(Table& table, const std::string& path, std::string_view key,
                       Durability durability) {
    KeyExpr expr;
    if (Status s = KeyExpr::parse(key, table.layout(), &expr); !s) return s;
    TagSpec spec;
    spec.name = tag_name(path);
    spec.key_expr = std::string(key);
    spec.type = expr.type();
    spec.key_length = expr.key_length();
    return build_tag(table, path, spec, expr, nullptr, durability);
}

// After pack or zap. Until it succeeds the index refuses every use: its record numbers are gone.
Status CdxIndex::rebuild() {
    cursor_.reset();
    file_.reset();
    if (Status s = build_tag(table_, path_, spec_, expr_, cond_.empty() ? nullptr : &cond_); !s)
        return s;
    return attach_file();
}

Status CdxIndex::unusable() const {
    return Status::corrupt(name() + " precisa ser recriado");
}

Status CdxIndex::check(std::string_view key, Operator& pause_with) {
    if (!cursor_) return unusable();
    if (normalized(spec_.key_expr) != normalized(key))
        return Status::corrupt(name() + ": a chave é " + spec_.key_expr + ", não " +
                               std::string(key));
    for (int attempt = 0;; ++attempt) {
        std::string problem;
        Status s = file_->read_locked([&] { return find_problem(&problem); });
        if (!s) return s;
        if (problem.empty()) return Status::ok();
        // What another terminal left locked is excused above; a difference that stays after a
        // pause and a second look is damage.
        if (table_.exclusive() || attempt == 1) return Status::corrupt(name() + ": " + problem);
        pause_with.pause(0.2);
    }
}

// Runs with the index read lock held: no key changes meanwhile. Records still change, but only
// under their writer's lock, which the writer keeps until their keys are written too; so a
// record whose key is missing or different while another terminal holds its lock (or the table
// lock) is a write in progress, not damage. The record count comes from the file's size, read
// after the lock: every key then has its record.
Status CdxIndex::find_problem(std::string* problem) {
    CdxFile::Check c;
    if (Status s = file_->verify(tag_, &c); !s) return s;
    uint32_t count = 0;
    if (Status s = table_.record_count(&count); !s) return s;
    const bool every_record = spec_.for_expr.empty() && !spec_.unique;
    if (c.max_recno > count) {
        *problem = "chave do registro " + std::to_string(c.max_recno) + ", além do fim";
        return Status::ok();
    }
    if (c.keys > count) {
        *problem = std::to_string(c.keys) + " chaves para " + std::to_string(count) + " registros";
        return Status::ok();
    }
    // Records whose key is wrong (or kept for a record that has none), then those without one.
    std::vector<uint32_t> wrong, unkeyed;
    // A table of a few megabytes is read whole: every key is compared with its record, and each
    // record has one key. A bigger one is judged by the keys spread over the index, and, when
    // keys are missing, by which records have none.
    const bool whole = uint64_t{count} * table_.record_length() <= kFullCheckBytes;
    std::vector<IndexEntry> entries;
    if (whole || (every_record && c.keys < count)) {
        if (Status s = file_->entries(tag_, &entries); !s) return s;
    }
    std::vector<char> keyed(count + 1u, 0);
    for (const IndexEntry& e : entries) {
        if (keyed[e.recno]) {
            *problem = "o registro " + std::to_string(e.recno) + " tem mais de uma chave";
            return Status::ok();
        }
        keyed[e.recno] = 1;
    }
    std::string row_key;
    if (whole) {
        std::vector<std::string> keys(count + 1u);
        std::vector<char> has(count + 1u, 0);
        Status s = table_.scan_rows([&](uint32_t recno, std::string_view row) {
            if (recno <= count) has[recno] = key_of(row, &keys[recno]) ? 1 : 0;
        });
        if (!s) return s;
        for (const IndexEntry& e : entries)
            if (!has[e.recno] || keys[e.recno] != e.key) wrong.push_back(e.recno);
    } else {
        for (const IndexEntry& e : c.samples) {
            if (Status s = table_.go_to(e.recno); !s) return s;
            bool has = !table_.eof() && key_of(table_.bytes(), &row_key);
            if (!has || row_key != e.key) wrong.push_back(e.recno);
        }
    }
    if (every_record && c.keys < count)
        for (uint32_t n = 1; n <= count; ++n)
            if (!keyed[n]) unkeyed.push_back(n);
    // A handful of writes in progress at once is what a busy office makes; more is damage.
    constexpr size_t kMostInProgress = 64;
    const bool few = wrong.size() + unkeyed.size() <= kMostInProgress;
    // The first of `records` that no other terminal is writing (0 when every one is).
    auto settled = [&](const std::vector<uint32_t>& records, uint32_t* out) {
        *out = 0;
        for (uint32_t n : records) {
            bool held = false;
            if (few)
                if (Status s = table_.locked_elsewhere(n, &held); !s) return s;
            if (!held) {
                *out = n;
                break;
            }
        }
        return Status::ok();
    };
    uint32_t n = 0;
    if (Status s = settled(wrong, &n); !s) return s;
    if (n) {
        *problem = "o registro " + std::to_string(n) + " não tem a sua chave";
        return Status::ok();
    }
    if (Status s = settled(unkeyed, &n); !s) return s;
    if (n)
        *problem = std::to_string(c.keys) + " chaves para " + std::to_string(count) +
                   " registros (o registro " + std::to_string(n) + " não tem chave)";
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Keeping the keys

std::string CdxIndex::name() const {
    return base_of(path_);
}

bool CdxIndex::key_of(std::string_view row, std::string* key) const {
    expr_.key_of_row(row, cp850_, key);
    return cond_.empty() || cond_.is_true_of_row(row);
}

Status CdxIndex::on_append(uint32_t recno, std::string_view rec) {
    if (!cursor_) return unusable();
    if (!key_of(rec, &new_key_)) return Status::ok();
    return file_->insert(tag_, new_key_, recno);
}

Status CdxIndex::on_replace(uint32_t recno, std::string_view old_rec, std::string_view new_rec) {
    if (!cursor_) return unusable();
    bool had = key_of(old_rec, &old_key_);
    bool has = key_of(new_rec, &new_key_);
    if (had && has) {
        if (old_key_ == new_key_) return Status::ok();
        return file_->replace(tag_, old_key_, new_key_, recno);
    }
    if (had) return file_->erase(tag_, old_key_, recno);
    if (has) return file_->insert(tag_, new_key_, recno);
    return Status::ok();
}

Status CdxIndex::on_pack() {
    return rebuild();
}
Status CdxIndex::on_zap() {
    return rebuild();
}

// ---------------------------------------------------------------------------------------------
// Key order

Status CdxIndex::first(uint32_t* recno) {
    *recno = 0;
    if (!cursor_) return unusable();
    Status s = cursor_->first();
    *recno = s && cursor_->on() ? cursor_->recno() : 0;
    return s;
}

Status CdxIndex::last(uint32_t* recno) {
    *recno = 0;
    if (!cursor_) return unusable();
    Status s = cursor_->last();
    *recno = s && cursor_->on() ? cursor_->recno() : 0;
    return s;
}

Status CdxIndex::next(uint32_t recno, std::string_view rec, uint32_t* out) {
    return step(recno, rec, true, out);
}

Status CdxIndex::prev(uint32_t recno, std::string_view rec, uint32_t* out) {
    return step(recno, rec, false, out);
}

// From record `recno`: where the cursor already is when it sits on that record's entry;
// otherwise the entry is found again from the record's key (it moved, or the cursor was used
// for another position), or, when the record has no entry, the place it would have.
Status CdxIndex::step(uint32_t recno, std::string_view rec, bool forward, uint32_t* out) {
    *out = 0;
    if (!cursor_) return unusable();
    key_of(rec, &new_key_);
    Status s;
    if (!(cursor_->on() && cursor_->recno() == recno && cursor_->key() == new_key_)) {
        s = cursor_->seek_entry(new_key_, recno);
        if (s && !cursor_->found()) {  // already on the entry that follows the record's place
            if (forward) {
                *out = cursor_->on() ? cursor_->recno() : 0;
                return s;
            }
            s = cursor_->on() ? cursor_->prev() : cursor_->last();
            *out = s && cursor_->on() ? cursor_->recno() : 0;
            return s;
        }
    }
    if (s) s = forward ? cursor_->next() : cursor_->prev();
    *out = s && cursor_->on() ? cursor_->recno() : 0;
    return s;
}

Status CdxIndex::seek_value(const Value& v, std::string* key) const {
    switch (spec_.type) {
        case KeyType::kChar:
            if (const auto* text = std::get_if<std::string>(&v)) {
                *key = cp850_ ? to_cp850(*text) : to_cp1252(*text);
                if (key->size() > static_cast<size_t>(spec_.key_length))
                    key->resize(static_cast<size_t>(spec_.key_length));
                return Status::ok();
            }
            break;
        case KeyType::kNumeric:
            if (const auto* d = std::get_if<Decimal>(&v)) {
                *key = numeric_key(*d);
                return Status::ok();
            }
            break;
        case KeyType::kDate:
            if (const auto* d = std::get_if<Date>(&v)) {
                *key = date_key(*d);
                return Status::ok();
            }
            break;
        case KeyType::kLogical:
            if (const auto* l = std::get_if<Logical>(&v)) {
                *key = logical_key(*l == Logical::kTrue);
                return Status::ok();
            }
            break;
    }
    return Status::invalid(name() + ": valor procurado de tipo diferente da chave " +
                           spec_.key_expr);
}

Status CdxIndex::seek(const Value& key, uint32_t* recno) {
    *recno = 0;
    if (!cursor_) return unusable();
    std::string k;
    if (Status s = seek_value(key, &k); !s) return s;
    Status s = cursor_->seek(k);
    *recno = s && cursor_->on() ? cursor_->recno() : 0;
    return s;
}

bool CdxIndex::matches(std::string_view rec, const Value& key) const {
    std::string k, row_key;
    if (!seek_value(key, &k)) return false;
    key_of(rec, &row_key);
    return row_key.compare(0, k.size(), k) == 0;
}

// ---------------------------------------------------------------------------------------------
// The opening routine's index files

Status CdxIndexFiles::build(Table& table, const std::string& path, std::string_view key,
                            Durability durability) {
    if (Status s = CdxIndex::build(table, path, key, durability); !s) return s;
    just_built_.insert(path);
    // The first index, named after its table, is the structural one: other xBase programs open
    // it with the table, and the table's locks take the Visual FoxPro offsets.
    if (table.exclusive() && !table.structural_index_flag() &&
        stem_upper(path) == stem_upper(table.path()))
        return table.set_structural_index_flag(true);
    return Status::ok();
}

Status CdxIndexFiles::attach(Table& table, const std::string& path, std::string_view key) {
    bool fresh = just_built_.erase(path) > 0;
    std::unique_ptr<CdxIndex> ix;
    Status s = CdxIndex::open(table, path, &ix);
    if (s && !fresh) s = ix->check(key, op_);
    if (!s) {
        if (s.code() != Status::Code::kCorrupt) return s;
        op_.notice(NoticeKind::kWarning, "",
                   damaged_index_notice(base_of(path)) + "\n" + s.message());
        ix.reset();
        s = build(table, path, key, Durability::kSynced);
        if (s) s = CdxIndex::open(table, path, &ix);
        if (!s) return s;
    }
    table.add_index(std::move(ix));
    return Status::ok();
}

}  // namespace vorn::store
