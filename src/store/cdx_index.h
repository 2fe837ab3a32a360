// CDX index files attached to tables: CdxIndex keeps one file's keys in step with the table's
// writes and gives the table its key order (seek, top, bottom, skip both ways); CdxIndexFiles is
// how the opening routine builds, checks and attaches them.
#pragma once

#include <memory>
#include <set>
#include <string>
#include <string_view>

#include "base/operator.h"
#include "store/cdx.h"
#include "store/dbf.h"
#include "store/workareas.h"

namespace vorn::store {

class CdxIndex final : public Index {
  public:
    // Opens an existing index file for `table`: shared, exclusive or read-only as the table is.
    // The order used is the tag named after the file, or else the file's first tag. kCorrupt
    // when the file is damaged or its key does not fit the table's fields.
    [[nodiscard]] static Status open(Table& table, const std::string& path,
                                     std::unique_ptr<CdxIndex>* out);

    // Builds `path` on `key` over every record of `table`, deleted ones included, as one tag named
    // after the file. With the table held alone the file is written beside and renamed over the
    // old one; otherwise it is rewritten in place under the index lock, so that other terminals
    // that have it open go on with the new tree. kDeferred applies to the file written beside.
    [[nodiscard]] static Status build(Table& table, const std::string& path, std::string_view key,
                                      Durability durability = Durability::kSynced);

    // Checks the file against the table: the key expression is `key`, the tree is sound, there
    // is one key per record, and the keys are those of their records (every key for a table of
    // up to 4 MiB, 64 keys spread over the index for a bigger one). kCorrupt says what is wrong.
    // With the table shared the check runs under the index's read lock, and a record another
    // terminal holds locked (its write in progress: record written, key not yet) is not counted
    // against the index; any other difference is looked at again, under the lock, after a pause
    // before it counts.
    [[nodiscard]] Status check(std::string_view key, Operator& pause_with);

    // Index
    std::string name() const override;
    [[nodiscard]] Status on_append(uint32_t recno, std::string_view rec) override;
    [[nodiscard]] Status on_replace(uint32_t recno, std::string_view old_rec,
                                    std::string_view new_rec) override;
    [[nodiscard]] Status on_pack() override;
    [[nodiscard]] Status on_zap() override;
    [[nodiscard]] Status first(uint32_t* recno) override;
    [[nodiscard]] Status last(uint32_t* recno) override;
    [[nodiscard]] Status next(uint32_t recno, std::string_view rec, uint32_t* out) override;
    [[nodiscard]] Status prev(uint32_t recno, std::string_view rec, uint32_t* out) override;
    [[nodiscard]] Status seek(const Value& key, uint32_t* recno) override;
    bool matches(std::string_view rec, const Value& key) const override;

  private:
    CdxIndex(Table& table, std::string path) : table_(table), path_(std::move(path)) {}
    Status attach_file();
    // What makes the index unfit for the table ("" when nothing).
    Status find_problem(std::string* problem);
    // Whether the row has a key in this tag (its FOR condition), and the key.
    bool key_of(std::string_view row, std::string* key) const;
    Status seek_value(const Value& v, std::string* key) const;
    Status step(uint32_t recno, std::string_view rec, bool forward, uint32_t* out);
    Status rebuild();
    Status unusable() const;

    Table& table_;
    std::string path_;
    std::unique_ptr<CdxFile> file_;
    int tag_ = 0;
    TagSpec spec_;  // the order's tag, and its key and FOR expressions parsed for the table
    KeyExpr expr_;
    KeyExpr cond_;
    bool cp850_ = false;
    std::unique_ptr<CdxCursor> cursor_;
    std::string old_key_, new_key_;
};

// The CDX implementation of the opening routine's index files. A damaged index found while
// attaching is told to the operator and built again instead of being used.
class CdxIndexFiles final : public IndexFiles {
  public:
    explicit CdxIndexFiles(Operator& op) : op_(op) {}
    [[nodiscard]] Status build(Table& table, const std::string& path, std::string_view key,
                               Durability durability) override;
    [[nodiscard]] Status attach(Table& table, const std::string& path,
                                std::string_view key) override;

  private:
    Operator& op_;
    std::set<std::string> just_built_;  // files built by this opening: attached unchecked
};

// Text told to the operator before a damaged index file is built again.
std::string damaged_index_notice(std::string_view file);

}  // namespace vorn::store
