// Helpers shared by the storage tests: scratch folders, whole-file reads, outside commands.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "base/date.h"
#include "base/text.h"
#include "store/dbf.h"
#include "store/workareas.h"

namespace vorn::store::testing {

// A fresh folder under the build tree, removed at the end of the test.
class TempDir {
  public:
    // `short_path`: a short folder name, for tables that store folder names in narrow fields.
    explicit TempDir(bool short_path = false) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        std::string name = std::string(info ? info->test_suite_name() : "t") + "." +
                           (info ? info->name() : "x") + "." + std::to_string(::getpid());
        if (short_path)
            path_ = std::filesystem::temp_directory_path() /
                    ("vorn-" + std::to_string(::getpid()) + "-" + std::to_string(++serial()));
        else
            path_ = std::filesystem::path(VORN_BINARY_DIR) / "test-tmp" / name;
        std::filesystem::remove_all(path_);
        std::filesystem::create_directories(path_);
    }
    ~TempDir() { std::filesystem::remove_all(path_); }
    std::string path() const { return path_.string(); }
    std::string file(const std::string& name) const { return (path_ / name).string(); }

  private:
    static int& serial() {
        static int n = 0;
        return n;
    }
    std::filesystem::path path_;
};

inline std::string slurp(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

// The first n bytes of a file (fewer when it is shorter).
inline std::string slurp_prefix(const std::string& path, size_t n) {
    std::ifstream in(path, std::ios::binary);
    std::string s(n, '\0');
    in.read(s.data(), static_cast<std::streamsize>(n));
    s.resize(static_cast<size_t>(in.gcount()));
    return s;
}

inline void spit(const std::string& path, const std::string& data) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << data;
}

// Runs a shell command and returns its standard output; the exit status goes to *status.
inline std::string run(const std::string& cmd, int* status = nullptr) {
    std::string out;
    FILE* p = ::popen(cmd.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    int rc = ::pclose(p);
    if (status) *status = rc;
    return out;
}

inline const ManualClock& test_clock() {
    static ManualClock clock({Date(2026, 3, 15), 10 * 3600});
    return clock;
}

inline std::unique_ptr<Table> open_table(const std::string& path, bool exclusive = false,
                                         Env& env = Env::posix()) {
    std::unique_ptr<Table> t;
    Status s = Table::open(env, path, {exclusive, false, &test_clock()}, &t);
    EXPECT_TRUE(s) << s.to_string();
    return t;
}

// An in-memory index on the bytes of one field: enough to drive the order seam and watch the
// hooks the table calls.
class FieldIndex final : public Index {
  public:
    FieldIndex(Table& t, std::string_view field) : t_(t), f_(t.field(field)) {}
    std::vector<std::string> calls;
    std::string name() const override { return (*t_.layout_ptr())[f_.index].name; }
    Status on_append(uint32_t n, std::string_view rec) override {
        calls.push_back("append " + std::to_string(n));
        keys_.insert({key(rec), n});
        return Status::ok();
    }
    Status on_replace(uint32_t n, std::string_view o, std::string_view r) override {
        calls.push_back("replace " + std::to_string(n) + (o[0] != r[0] ? " flag" : ""));
        keys_.erase({key(o), n});
        keys_.insert({key(r), n});
        return Status::ok();
    }
    Status on_pack() override {
        calls.push_back("pack");
        return rebuild();
    }
    Status on_zap() override {
        calls.push_back("zap");
        keys_.clear();
        return Status::ok();
    }
    Status first(uint32_t* n) override {
        *n = keys_.empty() ? 0 : keys_.begin()->second;
        return Status::ok();
    }
    Status last(uint32_t* n) override {
        *n = keys_.empty() ? 0 : keys_.rbegin()->second;
        return Status::ok();
    }
    Status next(uint32_t n, std::string_view rec, uint32_t* out) override {
        auto it = keys_.upper_bound({key(rec), n});
        *out = it == keys_.end() ? 0 : it->second;
        return Status::ok();
    }
    Status prev(uint32_t n, std::string_view rec, uint32_t* out) override {
        auto it = keys_.lower_bound({key(rec), n});
        *out = it == keys_.begin() ? 0 : std::prev(it)->second;
        return Status::ok();
    }
    Status seek(const Value& k, uint32_t* out) override {
        auto it = keys_.lower_bound({std::get<std::string>(k), 0});
        *out = it == keys_.end() ? 0 : it->second;
        return Status::ok();
    }
    bool matches(std::string_view rec, const Value& k) const override {
        return key(rec).rfind(std::get<std::string>(k), 0) == 0;
    }
    Status rebuild() {
        keys_.clear();
        uint32_t count = 0;
        Status s = t_.record_count(&count);
        for (uint32_t n = 1; s && n <= count; ++n) {
            s = t_.go_to(n);
            keys_.insert({key(t_.bytes()), n});
        }
        return s;
    }

  private:
    std::string key(std::string_view rec) const { return std::string(Table::field_bytes(rec, f_)); }
    Table& t_;
    Field f_;
    std::set<std::pair<std::string, uint32_t>> keys_;
};

// Index files for ABREARQ that write a marker file and attach a FieldIndex on the first field
// the key expression names; every call is logged as "build NAME.CDX" / "attach NAME.CDX".
class FakeIndexFiles final : public IndexFiles {
  public:
    std::vector<std::string> log;
    Status build(Table& t, const std::string& path, std::string_view key, Durability) override {
        log.push_back("build " + base_of(path));
        spit(path, std::string(key));
        return t.go_top();
    }
    Status attach(Table& t, const std::string& path, std::string_view key) override {
        log.push_back("attach " + base_of(path));
        auto ix = std::make_unique<FieldIndex>(t, first_field(t, key));
        Status s = ix->rebuild();
        t.add_index(std::move(ix));
        return s;
    }

  private:
    static std::string first_field(const Table& t, std::string_view key) {
        std::string word;
        for (char c : std::string(key) + " ") {
            if (std::isalnum(static_cast<unsigned char>(c)) || c == '_') {
                word += c;
            } else {
                if (!word.empty() && t.layout().find(word) >= 0) return word;
                word.clear();
            }
        }
        return t.layout()[0].name;
    }
};

#define ASSERT_OK(expr)                            \
    do {                                           \
        ::vorn::Status _s = (expr);                \
        ASSERT_TRUE(_s.is_ok()) << _s.to_string(); \
    } while (0)
#define EXPECT_OK(expr)                            \
    do {                                           \
        ::vorn::Status _s = (expr);                \
        EXPECT_TRUE(_s.is_ok()) << _s.to_string(); \
    } while (0)

}  // namespace vorn::store::testing
