// The DBF table engine: create, open shared or exclusive, navigate, read and write records,
// delete/recall, pack and zap, with record and table locks other xBase programs respect.
// Files follow dBASE III+/FoxPro byte for byte; text is Windows-1252 on disk and UTF-8 here.
//
// Index hook. An attached index (the CDX layer implements `Index`) is kept in step by the table:
// after every append, field replace, delete or recall the table calls on_append / on_replace with
// the record's bytes as they were and as they are now (deletion flag included, fields in the
// table's code page); after pack and zap it calls on_pack / on_zap, and the index rebuilds or
// empties itself. The bytes passed are authoritative: in exclusive use an appended record may not
// have reached the file yet (read records through the Table, never from the file directly). The
// controlling order (set_order) drives go_top, go_bottom, skip and seek through the Index
// navigation calls; without one the table moves in record-number order.
// Deleted records (and records a filter rejects) are skipped by every navigation call.
//
// Locks. Open-file-description byte-range locks at the FoxPro offsets: a table whose header has
// the structural-index flag uses the Visual FoxPro scheme (record n at 0x7FFFFFFE - n, header at
// 0x7FFFFFFE), any other the FoxPro 2.x one (0x40000000 + the record's file offset, header at
// 0x40000000). Byte 0x7FFFFFFF marks how the table is open: a read lock for shared use, a write
// lock for exclusive use. In shared mode every write needs the record's lock or the table lock,
// the record count is the file size's, and appends run under the header lock.
#pragma once

#include <concepts>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/date.h"
#include "base/decimal.h"
#include "base/status.h"
#include "store/env.h"
#include "store/record.h"

namespace vorn::store {

class Table;

// One attached index file holding one order. See the header comment for when each call comes.
class Index {
  public:
    virtual ~Index() = default;
    // The index file's name, for messages.
    virtual std::string name() const = 0;

    [[nodiscard]] virtual Status on_append(uint32_t recno, std::string_view rec) = 0;
    [[nodiscard]] virtual Status on_replace(uint32_t recno, std::string_view old_rec,
                                            std::string_view new_rec) = 0;
    // Records were removed and renumbered: rebuild from the table.
    [[nodiscard]] virtual Status on_pack() = 0;
    // The table is empty now.
    [[nodiscard]] virtual Status on_zap() = 0;

    // Navigation in key order. Each sets *recno to a record number, or to 0 when there is none
    // (before the first or after the last). next/prev start from record `recno`, whose current
    // bytes are `rec`.
    [[nodiscard]] virtual Status first(uint32_t* recno) = 0;
    [[nodiscard]] virtual Status last(uint32_t* recno) = 0;
    [[nodiscard]] virtual Status next(uint32_t recno, std::string_view rec, uint32_t* out) = 0;
    [[nodiscard]] virtual Status prev(uint32_t recno, std::string_view rec, uint32_t* out) = 0;
    // The first record whose key is not below `key` (0 when every key is below).
    [[nodiscard]] virtual Status seek(const Value& key, uint32_t* recno) = 0;
    // Whether the record's key begins with `key` (what makes a seek "found").
    virtual bool matches(std::string_view rec, const Value& key) const = 0;
};

// A field resolved once: position, offset inside the record, width and type.
struct Field {
    size_t index = 0;
    uint32_t offset = 0;  // from the start of the record (the deletion flag is byte 0)
    uint32_t width = 0;
    int decimals = 0;
    FieldType type = FieldType::kChar;
};

// How a table is opened.
struct OpenOptions {
    bool exclusive = false;
    bool read_only = false;        // also chosen when the file cannot be written
    const Clock* clock = nullptr;  // date of last update in the header; the system clock if null
};

class Table {
  public:
    // Opens an existing table. Code::kLocked when another handle holds it exclusively or (for
    // an exclusive open) has it open at all; kNotFound when the file is missing; kCorrupt or
    // kInvalid for a file that is not a table this engine reads.
    [[nodiscard]] static Status open(Env& env, const std::string& path, const OpenOptions& opt,
                                     std::unique_ptr<Table>* out);

    // Creates a table with `layout` holding `rows`. The whole file is written under a temporary
    // name beside `path` and then renamed into place, so `path` never names a half-written table.
    // Without `replace` an existing `path` is left alone and *existed is set (may be null).
    // kDeferred leaves the file and its name to a later Env::sync_filesystem of the caller's.
    [[nodiscard]] static Status create(Env& env, const std::string& path, const Layout& layout,
                                       const std::vector<Record>& rows, const Clock* clock,
                                       bool replace, bool* existed = nullptr,
                                       Durability durability = Durability::kSynced);

    // The fields of a table file, read from its header without opening it for use.
    [[nodiscard]] static Status read_layout(Env& env, const std::string& path,
                                            std::shared_ptr<const Layout>* layout);

    ~Table();
    Table(const Table&) = delete;
    Table& operator=(const Table&) = delete;

    // Releases the locks, stamps the date of last update when the table was changed, closes.
    [[nodiscard]] Status close();
    // Writes the gathered appends and stamps the header (record count, date of last update),
    // without forcing them to the disk: from here a killed program loses none of them.
    [[nodiscard]] Status write_out();
    // write_out, then forces the file to the disk when anything was written since the last time.
    [[nodiscard]] Status flush();

    const std::string& path() const { return path_; }
    Env& env() const { return *env_; }
    const Layout& layout() const { return *layout_; }
    const std::shared_ptr<const Layout>& layout_ptr() const { return layout_; }
    bool exclusive() const { return exclusive_; }
    bool read_only() const { return read_only_; }
    uint8_t version() const { return version_; }
    uint8_t code_page_mark() const { return ldid_; }
    uint32_t header_length() const { return header_len_; }
    uint32_t record_length() const { return rec_len_; }
    Date last_update() const { return last_update_; }
    // Byte 28 bit 0: a structural index with the table's own name goes with it.
    bool structural_index_flag() const { return (table_flags_ & 1) != 0; }
    // Sets or clears that flag (exclusive use only; it decides the lock offsets).
    [[nodiscard]] Status set_structural_index_flag(bool on);

    // --- Fields
    // A field handle by name; an unknown name is a programming error (std::out_of_range).
    Field field(std::string_view name) const;
    const std::vector<Field>& fields() const { return fields_; }

    // --- Position
    // Records in the file, deleted ones included (xBase LASTREC); in shared mode it follows the
    // file's size, so records other terminals appended count.
    [[nodiscard]] Status record_count(uint32_t* n);
    uint32_t recno() const { return recno_; }
    bool eof() const { return eof_; }
    bool bof() const { return bof_; }
    bool found() const { return found_; }
    bool deleted() const { return !eof_ && buf_[0] == '*'; }

    [[nodiscard]] Status go_top();
    [[nodiscard]] Status go_bottom();
    // Moves n visible records forward (n > 0) or back (n < 0); n = 0 re-reads the record.
    [[nodiscard]] Status skip(long n = 1);
    // Goes to record n as it is, deleted or not; outside 1..count the table is at eof.
    [[nodiscard]] Status go_to(uint32_t n);
    // Seeks `key` in the controlling order; found() tells the result. Without `soft` a key not
    // found leaves the table at eof; with it, at the next key.
    [[nodiscard]] Status seek(const Value& key, bool soft = false);

    // Hides further records that fail the condition (read on the current record); null clears.
    void set_filter(std::function<bool(const Table&)> keep) { filter_ = std::move(keep); }

    // --- Reading the current record (at eof: blank values)
    std::string str(const Field& f) const;  // trailing blanks removed
    Decimal num(const Field& f) const;      // blank or malformed reads as 0 (see read())
    Date date(const Field& f) const;        // blank or malformed reads as the blank date
    bool logical(const Field& f) const;     // unset reads as false
    Logical logical3(const Field& f) const;
    std::string_view raw(const Field& f) const { return field_bytes(buf_, f); }
    std::string str(std::string_view name) const { return str(field(name)); }
    Decimal num(std::string_view name) const { return num(field(name)); }
    Date date(std::string_view name) const { return date(field(name)); }
    bool logical(std::string_view name) const { return logical(field(name)); }
    // Every field into `rec`; a record of another layout receives the fields it shares by name.
    // Code::kCorrupt names the first field whose bytes are not a value of its type (a foreign
    // row of '*' overflow, for one); such a field reads as blank and the others are filled.
    [[nodiscard]] Status read(Record& rec) const;
    // Text of a memo field from the ".DBT" file beside the table.
    [[nodiscard]] Status memo(const Field& f, std::string* text);

    // Every row in record order from record `from` on, deleted ones included, as bytes (deletion
    // flag first), read a megabyte at a time without moving the table; appends still gathered in
    // memory come last. For building and checking indexes.
    [[nodiscard]] Status scan_rows(
        const std::function<void(uint32_t recno, std::string_view row)>& fn, uint32_t from = 1);

    // The current record's bytes, deletion flag first.
    std::string_view bytes() const { return buf_; }
    // Decoding helpers on record bytes, for index layers.
    static std::string_view field_bytes(std::string_view rec, const Field& f) {
        return rec.substr(f.offset, f.width);
    }
    Value value_of(std::string_view rec, const Field& f) const;

    // --- Writing (shared mode: the record's lock or the table lock must be held)
    // Encodes and writes one field. A number too wide for its field is Code::kInvalid and
    // writes nothing.
    [[nodiscard]] Status replace(const Field& f, const Value& v);
    [[nodiscard]] Status replace(const Field& f, std::string_view text) {
        return replace(f, Value(std::string(text)));
    }
    [[nodiscard]] Status replace(const Field& f, const char* text) {
        return replace(f, std::string_view(text));
    }
    [[nodiscard]] Status replace(const Field& f, const std::string& text) {
        return replace(f, std::string_view(text));
    }
    [[nodiscard]] Status replace(const Field& f, Decimal v) { return replace(f, Value(v)); }
    [[nodiscard]] Status replace(const Field& f, Date v) { return replace(f, Value(v)); }
    // Only a real bool: a pointer or an integer must not become a logical value.
    template <class B>
    requires std::same_as<B, bool>
    [[nodiscard]] Status replace(const Field& f, B v) {
        return replace(f, Value(v ? Logical::kTrue : Logical::kFalse));
    }
    // Writes every field of `rec` (matched by name when its layout is another table's).
    [[nodiscard]] Status put(const Record& rec);
    // Appends a record (blank, or `rec` matched by name) and goes to it. In shared mode the new
    // record is locked and other record locks are released; Code::kLocked when the header or the
    // new record's lock is held by another handle (the table locked elsewhere, for one). In
    // exclusive use appends are gathered and written in batches (at the latest by flush, close,
    // pack or zap), so a write failure may surface on a later call.
    [[nodiscard]] Status append(const Record* rec = nullptr);
    [[nodiscard]] Status delete_record();
    [[nodiscard]] Status recall();
    // Rewrite the whole file (exclusive use only): pack drops deleted records, zap drops all.
    // The new file is written beside the old one and renamed over it: a failure at any point
    // leaves the old or the new table whole.
    [[nodiscard]] Status pack();
    [[nodiscard]] Status zap();

    // --- Locks (no-ops in exclusive use)
    // Locks record n (default: the current one); other record locks are released unless
    // `keep_others`. On success the record is read again, so writes start from fresh data.
    [[nodiscard]] Status lock_record(uint32_t n = 0, bool keep_others = false);
    [[nodiscard]] Status lock_table();
    [[nodiscard]] Status unlock();
    bool record_locked(uint32_t n) const;
    // Whether another handle holds record n's lock or the table lock: a write may be in progress
    // there (its record written, its keys not yet). Always false in exclusive use.
    [[nodiscard]] Status locked_elsewhere(uint32_t n, bool* held);
    bool table_locked() const { return exclusive_ || table_locked_; }

    // --- Indexes
    void add_index(std::unique_ptr<Index> index) { indexes_.push_back(std::move(index)); }
    void clear_indexes();
    size_t index_count() const { return indexes_.size(); }
    Index& index(size_t i) { return *indexes_.at(i); }
    // 0 = record order, 1..index_count() = that index.
    void set_order(size_t n);
    size_t order() const { return order_; }

  private:
    Table() = default;
    struct Header;

    [[nodiscard]] Status load(uint32_t n);
    void load_blank_eof();
    bool hidden() const;
    [[nodiscard]] Status refresh_count();
    [[nodiscard]] Status step(int dir, uint32_t* n);
    [[nodiscard]] Status settle(int dir);
    [[nodiscard]] Status first_visible(int dir);
    [[nodiscard]] Status write_record(uint32_t n, const std::string& old_bytes);
    // Applies `change` to the current record's bytes and writes them (restored on failure).
    [[nodiscard]] Status change_current(const char* what,
                                        const std::function<Status(std::string& rec)>& change);
    Status read_only_error() const;
    [[nodiscard]] Status write_header_counts();
    [[nodiscard]] Status write_file(uint64_t offset, std::string_view data);
    [[nodiscard]] Status write_pending();
    [[nodiscard]] Status encode_field(const Field& f, const Value& v, char* out) const;
    [[nodiscard]] Status encode_record(const Record& rec, std::string* out) const;
    void decode_into(std::string_view bytes, const Field& f, Value& v, Status& bad) const;
    // Where the fields of a record of another layout are, by name, both ways.
    struct Mapping {
        std::shared_ptr<const Layout> other;
        std::vector<int> ours_in_theirs;  // our field i → its position there, or -1
        std::vector<int> theirs_in_ours;  // their field j → our position, or -1
        bool same_types = true;           // false: values need converting (assign_by_name)
    };
    const Mapping& mapping(const std::shared_ptr<const Layout>& other) const;
    [[nodiscard]] Status rewrite(bool keep_active);
    [[nodiscard]] Status release_record_locks();
    void require_write(uint32_t n) const;
    uint64_t record_offset(uint32_t n) const {
        return header_len_ + static_cast<uint64_t>(n - 1) * rec_len_;
    }
    uint64_t lock_header_byte() const;
    uint64_t lock_record_byte(uint32_t n) const;
    uint64_t lock_table_start() const;
    uint64_t lock_table_len() const;
    std::string decode_text(std::string_view bytes) const;
    std::string encode_text(std::string_view utf8) const;
    Date today() const;
    std::string context(const Field* f) const;

    Env* env_ = nullptr;
    std::unique_ptr<File> file_;
    std::unique_ptr<File> memo_;
    std::string path_;
    std::shared_ptr<const Layout> layout_;
    std::vector<Field> fields_;
    const Clock* clock_ = nullptr;
    bool exclusive_ = false;
    bool read_only_ = false;
    bool changed_ = false;
    bool unsynced_ = false;  // written since the last sync
    uint8_t version_ = 0x03;
    uint8_t table_flags_ = 0;
    uint8_t ldid_ = 0x03;
    Date last_update_;
    uint32_t header_len_ = 0;
    uint32_t rec_len_ = 0;
    uint32_t count_ = 0;

    uint32_t recno_ = 0;
    bool eof_ = true;
    bool bof_ = true;
    bool found_ = false;
    std::string buf_;  // current record bytes

    // Read-ahead for exclusive use: records [cache_first_, cache_first_ + cache_n_).
    std::string cache_;
    uint32_t cache_first_ = 0;
    uint32_t cache_n_ = 0;

    // Appends not yet written (exclusive use): records from pending_first_ on.
    std::string pending_;
    uint32_t pending_first_ = 0;

    bool table_locked_ = false;
    std::set<uint32_t> locked_;  // records whose lock byte this handle holds

    mutable Mapping mapping_;  // for records of the last other layout seen

    std::vector<std::unique_ptr<Index>> indexes_;
    size_t order_ = 0;
    std::function<bool(const Table&)> filter_;
};

}  // namespace vorn::store
