// FoxPro compact compound index files (.CDX): reading any such file (several tags, character,
// numeric, date and logical keys, unique/descending/FOR tags), writing our own (one tag per file),
// key maintenance with page splits and merges, bulk building, and ordered cursors. Files opened
// shared follow the FoxPro protocol: one lock byte in the file for index reads and writes and a
// change counter in the header, so every process sees the others' changes at its next access.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "base/status.h"
#include "store/cdx_node.h"
#include "store/env.h"
#include "store/keyexpr.h"

namespace vorn::store {

struct IndexEntry {
    std::string key;
    uint32_t recno = 0;
    friend bool operator==(const IndexEntry&, const IndexEntry&) = default;
};

// What a tag is made of.
struct TagSpec {
    std::string name;      // up to 10 characters, kept in upper case
    std::string key_expr;  // the expression text written into the header
    std::string for_expr;  // empty: every record has a key
    KeyType type = KeyType::kChar;
    int key_length = 0;
    bool unique = false;
    bool descending = false;
};

// Keys collected for a bulk build, kept as fixed-width entries in one buffer.
class KeyBuffer {
  public:
    explicit KeyBuffer(int key_length) : key_length_(static_cast<size_t>(key_length)) {}
    // `key` must be exactly key_length bytes.
    void add(std::string_view key, uint32_t recno);
    // Ascending by key, then record number; `unique` keeps only the first entry of equal keys.
    void sort(bool unique);
    size_t size() const { return recnos_.size(); }
    std::string_view key(size_t i) const {
        return std::string_view(keys_).substr(order(i) * key_length_, key_length_);
    }
    uint32_t recno(size_t i) const { return recnos_[order(i)]; }

  private:
    size_t order(size_t i) const { return order_.empty() ? i : order_[i]; }
    size_t key_length_;
    std::string keys_;
    std::vector<uint32_t> recnos_;
    std::vector<uint32_t> order_;  // after sort(): positions in key order
};

enum class CdxMode {
    kReadOnly,   // shared, never written
    kShared,     // read and written under the index lock; other processes may do the same
    kExclusive,  // this process alone has the table: no locks, pages stay cached
};

class CdxCursor;

class CdxFile {
  public:
    struct Tag {
        TagSpec spec;
        uint32_t header = 0;  // offset of the tag's header
        uint8_t fill = ' ';   // byte that trailing counts stand for
        KeyExpr expr;         // parsed against the layout given at opening; empty if it failed
        KeyExpr condition;    // the FOR expression, likewise
    };

    ~CdxFile();
    CdxFile(const CdxFile&) = delete;
    CdxFile& operator=(const CdxFile&) = delete;

    // Opens an existing index file. `layout` (the table's fields) tells the type of every key;
    // without one, 8-byte keys are taken as numbers or dates and all others as text.
    [[nodiscard]] static Status open(Env& env, const std::string& path, CdxMode mode,
                                     const Layout* layout, std::unique_ptr<CdxFile>* out);
    // Writes a new file holding one tag with the given keys (sorted here), beside the final name
    // and renamed over it, so a crash leaves either the old file or the new one (with kDeferred,
    // once the caller has synced the file system).
    [[nodiscard]] static Status create(Env& env, const std::string& path, const TagSpec& spec,
                                       KeyBuffer& keys,
                                       Durability durability = Durability::kSynced);
    // Writes the file anew as one tag where it is, under the index write lock, for a file other
    // processes may have open: `collect` gathers the keys while the lock is held, and those
    // processes see the new tree at their next access. A missing file is created first; a
    // damaged one is overwritten and cut to the length of the new tree.
    [[nodiscard]] static Status rewrite(Env& env, const std::string& path, const TagSpec& spec,
                                        const std::function<Status(KeyBuffer&)>& collect);

    const std::string& path() const { return path_; }
    CdxMode mode() const { return mode_; }
    const std::vector<Tag>& tags() const { return tags_; }
    int find_tag(std::string_view name) const;  // -1 when absent

    // Key maintenance. Inserting an entry that is already there, or a second key equal to an
    // existing one in a unique tag, changes nothing; erasing an absent entry changes nothing.
    [[nodiscard]] Status insert(int tag, std::string_view key, uint32_t recno);
    [[nodiscard]] Status erase(int tag, std::string_view key, uint32_t recno);
    // Moves a record's entry from old_key to new_key in one locked step.
    [[nodiscard]] Status replace(int tag, std::string_view old_key, std::string_view new_key,
                                 uint32_t recno);

    // What a whole-tag check found.
    struct Check {
        size_t keys = 0;
        uint32_t max_recno = 0;
        std::vector<IndexEntry> samples;  // up to 64 entries spread over the tag
    };
    // Walks the whole tag and checks it: page pointers, node kinds, sibling links, interior keys
    // against their children, ascending order (no equal keys in a unique tag), record numbers
    // from 1. Status::corrupt says what is wrong.
    [[nodiscard]] Status verify(int tag, Check* out);
    // Every entry of the tag in the order it is stored (ascending).
    [[nodiscard]] Status entries(int tag, std::vector<IndexEntry>* out);
    // Runs `fn` holding the index read lock, so that the reads it makes of this file (verify,
    // entries, cursors) see one state: no other process changes a key meanwhile. `fn` must not
    // change this file.
    [[nodiscard]] Status read_locked(const std::function<Status()>& fn);

  private:
    friend class CdxCursor;
    class Access;
    struct Pos;
    struct Target;
    struct Step {
        uint32_t off;
        size_t idx;  // entry followed in this node
    };
    using Path = std::vector<Step>;

    CdxFile(std::string path, CdxMode mode, std::unique_ptr<File> file);
    Status load_tags(const Layout* layout);
    Status with_context(Status s, uint32_t off) const;

    // Page access inside an Access scope.
    Status page(uint32_t off, const cdx::Page** out);
    void put(uint32_t off, const cdx::Page& p);
    Status alloc(uint32_t* off);
    Status release(uint32_t off);
    Status load(const Tag& t, uint32_t off, cdx::Node* n);
    Status store(const Tag& t, uint32_t off, const cdx::Node& n);
    Status root_of(const Tag& t, uint32_t* root);
    Status set_root(const Tag& t, uint32_t root);

    // Tree operations.
    Status descend(const Tag& t, const Target& target, Path* path, cdx::Node* leaf);
    Status locate(const Tag& t, const Target& target, Pos* pos);
    Status edge(const Tag& t, bool last, Pos* pos);
    Status step(const Tag& t, Pos* pos, bool forward);
    Status insert_locked(const Tag& t, std::string_view key, uint32_t recno);
    Status erase_locked(const Tag& t, std::string_view key, uint32_t recno);
    Status save(const Tag& t, Path& path, size_t level, cdx::Node& node, bool at_end);
    Status fix_parent(const Tag& t, const Path& path, size_t level, const cdx::Node& node);
    Status shrink(const Tag& t, Path& path, size_t level, cdx::Node& node);
    Status link_sibling(const Tag& t, uint32_t off, bool left_link, uint32_t to);
    struct Walk;
    Status verify_node(const Tag& t, uint32_t off, int depth, Walk* w, IndexEntry* max_out);
    Status entries_locked(int tag, std::vector<IndexEntry>* out);
    const Tag& tag_at(int tag) const;

    std::string path_;
    CdxMode mode_;
    std::unique_ptr<File> file_;
    std::vector<Tag> tags_;
    // Shared state as last read from the compound header.
    uint32_t counter_ = 0;
    uint32_t free_ = 0;
    uint64_t size_ = 0;
    bool synced_ = false;
    // Pages as read, and pages changed by the operation in progress.
    std::unordered_map<uint32_t, cdx::Page> cache_;
    std::unordered_map<uint32_t, cdx::Page> dirty_;
    bool held_ = false;  // inside read_locked: the read lock is already ours
};

// A position in one tag, moving in the tag's own order (a descending tag walks its keys from the
// largest). Every move takes the index read lock; when the file changed since the last move the
// cursor finds its place again from the entry it was on.
class CdxCursor {
  public:
    CdxCursor(CdxFile* file, int tag);
    ~CdxCursor();

    [[nodiscard]] Status first();
    [[nodiscard]] Status last();
    // The first entry, in the tag's order, whose key starts with `key` (a shorter text key
    // matches as a prefix); when none does, the entry that would follow it (found() false).
    [[nodiscard]] Status seek(std::string_view key);
    // The entry (key, recno) itself, or the one that would follow it.
    [[nodiscard]] Status seek_entry(std::string_view key, uint32_t recno);
    [[nodiscard]] Status next();
    [[nodiscard]] Status prev();

    bool on() const { return on_; }        // positioned on an entry
    bool found() const { return found_; }  // the last seek matched
    const std::string& key() const { return key_; }
    uint32_t recno() const { return recno_; }
    const CdxFile::Tag& tag() const { return file_->tag_at(tag_); }

  private:
    Status settle(Status s);
    Status move(bool forward);

    CdxFile* file_;
    int tag_;
    std::unique_ptr<CdxFile::Pos> pos_;
    uint32_t seen_ = 0;  // the file's change counter when pos_ was read
    bool on_ = false;
    bool found_ = false;
    std::string key_;
    uint32_t recno_ = 0;
};

}  // namespace vorn::store
