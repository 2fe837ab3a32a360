#include "store/cdx.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <random>
#include <set>

#include "cdx_test_util.h"

namespace vorn::store {
namespace {

using testing::TempDir;

std::shared_ptr<const Layout> fixture_layout() {
    return std::make_shared<Layout>(std::vector<FieldDef>{{"NAME", FieldType::kChar, 12, 0},
                                                          {"AMOUNT", FieldType::kNumeric, 10, 2},
                                                          {"BORN", FieldType::kDate, 8, 0},
                                                          {"ACTIVE", FieldType::kLogical, 1, 0}});
}

std::unique_ptr<CdxFile> open_cdx(const std::string& path, CdxMode mode = CdxMode::kReadOnly,
                                  const Layout* layout = nullptr) {
    std::unique_ptr<CdxFile> f;
    Status s = CdxFile::open(Env::posix(), path, mode, layout, &f);
    EXPECT_TRUE(s.is_ok()) << s.message();
    return f;
}

std::vector<IndexEntry> all(CdxFile& f, int tag = 0) {
    std::vector<IndexEntry> out;
    Status s = f.entries(tag, &out);
    EXPECT_TRUE(s.is_ok()) << s.message();
    return out;
}

// The tag walked through a cursor, forwards or backwards, in the tag's own order.
std::vector<IndexEntry> walk(CdxFile& f, int tag, bool forward, Status* status = nullptr) {
    CdxCursor c(&f, tag);
    std::vector<IndexEntry> out;
    Status s = forward ? c.first() : c.last();
    while (s.is_ok() && c.on()) {
        out.push_back({c.key(), c.recno()});
        s = forward ? c.next() : c.prev();
    }
    if (status)
        *status = s;
    else
        EXPECT_TRUE(s.is_ok()) << s.message();
    return out;
}

// The tag checked whole: its number of keys, or what is wrong.
Status verify(CdxFile& f, int tag, size_t* keys, uint32_t max_recno) {
    CdxFile::Check c;
    Status s = f.verify(tag, &c);
    if (s && c.max_recno > max_recno) return Status::corrupt("record number beyond the table");
    *keys = c.keys;
    return s;
}

std::string index_dump_type(KeyType t) {
    return t == KeyType::kNumeric ? "num" : t == KeyType::kDate ? "date" : "char";
}

// One line of index_dump's listing for an entry, as that reader formats keys.
std::string dump_line(const IndexEntry& e, KeyType type) {
    std::string key;
    if (type == KeyType::kNumeric) {
        char buf[40];
        std::snprintf(buf, sizeof buf, "%.15g", decode_numeric_key(e.key));
        key = buf;
    } else if (type == KeyType::kDate) {
        double jd = decode_numeric_key(e.key);
        key = jd == 0 ? "0" : Date::from_serial(static_cast<long>(jd) - 2440588).dtos();
    } else {
        key = e.key.substr(0, e.key.find_last_not_of(' ') + 1);
    }
    return key + " " + std::to_string(e.recno) + "\n";
}

std::string dump_of(const std::vector<IndexEntry>& entries, KeyType type) {
    std::string out;
    for (const auto& e : entries) out += dump_line(e, type);
    return out;
}

std::string cpf(std::mt19937& rng) {
    std::string s(11, '0');
    for (char& c : s) c = static_cast<char>('0' + rng() % 10);
    return s;
}

TagSpec cpf_spec() {
    TagSpec spec;
    spec.name = "IMP0926";
    spec.key_expr = "CPF";
    spec.key_length = 11;
    return spec;
}

// ---------------------------------------------------------------------------------------------

TEST(CdxFixtures, EveryTagReadsAsTheOtherReaderListsIt) {
    auto layout = fixture_layout();
    for (const char* name : {"xbase_created.cdx", "xbase_updated.cdx"}) {
        SCOPED_TRACE(name);
        std::string path = testing::fixture(name);
        auto f = open_cdx(path, CdxMode::kReadOnly, layout.get());
        ASSERT_TRUE(f);
        std::vector<std::string> names;
        for (const auto& t : f->tags()) names.push_back(t.spec.name);
        EXPECT_EQ(names, (std::vector<std::string>{"ACTIVE", "AMOUNT", "BORN", "FORACT", "NAME",
                                                   "UNAME", "UNIQ"}));
        for (size_t i = 0; i < f->tags().size(); ++i) {
            const auto& t = f->tags()[i];
            SCOPED_TRACE(t.spec.name);
            EXPECT_FALSE(t.expr.empty());
            auto entries = all(*f, static_cast<int>(i));
            EXPECT_EQ(dump_of(entries, t.spec.type),
                      testing::index_dump(index_dump_type(t.spec.type), path, t.spec.name));
            size_t keys = 0;
            Status s = verify(*f, static_cast<int>(i), &keys, 206);
            EXPECT_TRUE(s.is_ok()) << s.message();
            EXPECT_EQ(keys, entries.size());
        }
    }
}

TEST(CdxFixtures, FlagsAndKeyTypesAreHonoured) {
    auto layout = fixture_layout();
    auto f = open_cdx(testing::fixture("xbase_created.cdx"), CdxMode::kReadOnly, layout.get());
    ASSERT_TRUE(f);
    auto tag = [&](const char* n) { return f->find_tag(n); };
    const auto& uname = f->tags()[static_cast<size_t>(tag("uname"))];
    EXPECT_TRUE(uname.spec.descending);
    EXPECT_EQ(uname.spec.key_expr, "Upper( NAME )");
    EXPECT_TRUE(f->tags()[static_cast<size_t>(tag("UNIQ"))].spec.unique);
    EXPECT_EQ(f->tags()[static_cast<size_t>(tag("FORACT"))].spec.for_expr, "ACTIVE");
    EXPECT_FALSE(f->tags()[static_cast<size_t>(tag("FORACT"))].condition.empty());
    EXPECT_EQ(f->tags()[static_cast<size_t>(tag("AMOUNT"))].spec.type, KeyType::kNumeric);
    EXPECT_EQ(f->tags()[static_cast<size_t>(tag("BORN"))].spec.type, KeyType::kDate);
    EXPECT_EQ(f->tags()[static_cast<size_t>(tag("ACTIVE"))].spec.type, KeyType::kLogical);
    EXPECT_EQ(tag("MISSING"), -1);

    EXPECT_EQ(all(*f, tag("NAME")).size(), 205u);  // deleted record 3 stays in the index
    EXPECT_EQ(all(*f, tag("UNIQ")).size(), 204u);  // "Alpha" only once
    auto active = all(*f, tag("FORACT"));
    EXPECT_EQ(active.size(), 103u);
    for (const auto& e : active) {
        uint32_t r = e.recno;  // rows 1, 3, 5 and N0002, N0004 ... are active
        EXPECT_TRUE(r == 1 || r == 3 || r == 5 || (r > 5 && (r - 5) % 2 == 0)) << r;
    }
    // The same tag read without the table's layout still decodes (text keys guessed).
    auto bare = open_cdx(testing::fixture("xbase_created.cdx"));
    EXPECT_EQ(all(*bare, bare->find_tag("NAME")), all(*f, tag("NAME")));
    EXPECT_EQ(all(*bare, bare->find_tag("AMOUNT")), all(*f, tag("AMOUNT")));
}

TEST(CdxFixtures, CursorsSeekAndWalkBothWaysInTheTagOrder) {
    auto layout = fixture_layout();
    auto f = open_cdx(testing::fixture("xbase_created.cdx"), CdxMode::kReadOnly, layout.get());
    ASSERT_TRUE(f);
    for (size_t i = 0; i < f->tags().size(); ++i) {
        int t = static_cast<int>(i);
        auto stored = all(*f, t);
        if (f->tags()[i].spec.descending) std::reverse(stored.begin(), stored.end());
        auto fwd = walk(*f, t, true);
        auto back = walk(*f, t, false);
        std::reverse(back.begin(), back.end());
        EXPECT_EQ(fwd, stored) << f->tags()[i].spec.name;
        EXPECT_EQ(back, stored) << f->tags()[i].spec.name;
    }

    CdxCursor name(f.get(), f->find_tag("NAME"));
    ASSERT_TRUE(name.seek("N01").is_ok());  // a shorter text matches as a prefix
    EXPECT_TRUE(name.found());
    EXPECT_EQ(name.key(), "N0100       ");
    EXPECT_EQ(name.recno(), 105u);
    ASSERT_TRUE(name.seek("Alpha").is_ok());
    EXPECT_EQ(name.recno(), 1u);  // the first of equal keys
    ASSERT_TRUE(name.next().is_ok());
    EXPECT_EQ(name.recno(), 4u);
    ASSERT_TRUE(name.seek("Bz").is_ok());  // soft: the next key
    EXPECT_FALSE(name.found());
    EXPECT_TRUE(name.on());
    EXPECT_EQ(name.key(), "Delta       ");
    ASSERT_TRUE(name.seek("zz").is_ok());  // beyond every key
    EXPECT_FALSE(name.on());
    ASSERT_TRUE(name.seek_entry("Alpha       ", 4).is_ok());
    EXPECT_TRUE(name.found());
    ASSERT_TRUE(name.prev().is_ok());
    EXPECT_EQ(name.recno(), 1u);
    ASSERT_TRUE(name.prev().is_ok());
    EXPECT_FALSE(name.on());  // before the first

    CdxCursor uname(f.get(), f->find_tag("UNAME"));  // descending
    ASSERT_TRUE(uname.first().is_ok());
    EXPECT_EQ(uname.key(), "N0200       ");
    ASSERT_TRUE(uname.seek("BETA").is_ok());
    EXPECT_TRUE(uname.found());
    EXPECT_EQ(uname.recno(), 2u);
    ASSERT_TRUE(uname.seek("ALPHA").is_ok());
    EXPECT_EQ(uname.recno(), 4u);  // the later record comes first going down
    ASSERT_TRUE(uname.seek("C").is_ok());
    EXPECT_FALSE(uname.found());
    EXPECT_EQ(uname.key(), "BETA        ");

    CdxCursor amount(f.get(), f->find_tag("AMOUNT"));
    ASSERT_TRUE(amount.seek(numeric_key(-0.01)).is_ok());
    EXPECT_TRUE(amount.found());
    EXPECT_EQ(amount.recno(), 5u);
    ASSERT_TRUE(amount.seek(numeric_key(1.0)).is_ok());
    EXPECT_FALSE(amount.found());
    EXPECT_EQ(decode_numeric_key(amount.key()), 1.5);
    CdxCursor born(f.get(), f->find_tag("BORN"));
    ASSERT_TRUE(born.seek(date_key(Date(1999, 12, 31))).is_ok());
    EXPECT_TRUE(born.found());
    EXPECT_EQ(born.recno(), 1u);
}

TEST(CdxFixtures, AnotherProcessesSharedUpdateIsVisible) {
    auto f =
        open_cdx(testing::fixture("xbase_updated.cdx"), CdxMode::kReadOnly, fixture_layout().get());
    ASSERT_TRUE(f);
    CdxCursor c(f.get(), f->find_tag("NAME"));
    ASSERT_TRUE(c.seek("Bravo").is_ok());
    EXPECT_TRUE(c.found());
    EXPECT_EQ(c.recno(), 2u);
    ASSERT_TRUE(c.seek("beta").is_ok());
    EXPECT_FALSE(c.found());
    ASSERT_TRUE(c.seek("Yankee").is_ok());
    EXPECT_EQ(c.recno(), 206u);
    EXPECT_EQ(testing::slurp(testing::fixture("xbase_updated.cdx")).substr(8, 4),
              std::string("\0\0\0\2", 4));  // the change counter the writer left
}

// ---------------------------------------------------------------------------------------------

TEST(CdxWrite, BuiltTagsReadBackAndOtherReadersAgree) {
    TempDir dir;
    std::mt19937 rng(7);
    struct Case {
        KeyType type;
        int length;
        size_t count;
    } cases[] = {{KeyType::kChar, 11, 20000},
                 {KeyType::kChar, 60, 3000},
                 {KeyType::kNumeric, 8, 5000},
                 {KeyType::kDate, 8, 5000},
                 {KeyType::kChar, 11, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(static_cast<int>(c.type)) + "/" + std::to_string(c.count));
        TagSpec spec;
        spec.name = "T";
        spec.key_expr = "X";
        spec.type = c.type;
        spec.key_length = c.length;
        KeyBuffer keys(c.length);
        std::vector<IndexEntry> expect;
        for (uint32_t r = 1; r <= c.count; ++r) {
            std::string k;
            if (c.type == KeyType::kNumeric)
                k = numeric_key(static_cast<double>(static_cast<int>(rng() % 20001) - 10000) / 100);
            else if (c.type == KeyType::kDate)
                k = r % 50 == 0 ? date_key(Date())
                                : date_key(Date(1990, 1, 1).add_days(rng() % 20000));
            else
                k = (c.length == 11 ? cpf(rng) : "NOME " + std::to_string(rng() % 500));
            k.resize(static_cast<size_t>(c.length), ' ');
            keys.add(k, r);
            expect.push_back({k, r});
        }
        std::sort(expect.begin(), expect.end(), [](const IndexEntry& a, const IndexEntry& b) {
            return std::tie(a.key, a.recno) < std::tie(b.key, b.recno);
        });
        std::string path = dir.file("T.CDX");
        ASSERT_TRUE(CdxFile::create(Env::posix(), path, spec, keys).is_ok());
        auto f = open_cdx(path);
        ASSERT_TRUE(f);
        EXPECT_EQ(all(*f), expect);
        size_t n = 0;
        Status s = verify(*f, 0, &n, static_cast<uint32_t>(c.count));
        EXPECT_TRUE(s.is_ok()) << s.message();
        EXPECT_EQ(testing::index_dump(index_dump_type(c.type), path, "T"), dump_of(expect, c.type));
    }
}

TEST(CdxWrite, HeaderBytesFollowTheFormat) {
    TempDir dir;
    TagSpec spec = cpf_spec();
    spec.for_expr = "ATIVO";
    spec.descending = true;
    spec.unique = true;
    KeyBuffer keys(11);
    keys.add("22222222222", 2);
    keys.add("11111111111", 1);
    keys.add("11111111111", 3);  // dropped: unique
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("A.CDX"), spec, keys).is_ok());
    std::string b = testing::slurp(dir.file("A.CDX"));
    ASSERT_EQ(b.size(), 3072u);  // headers, tag bag, tag header, one leaf
    auto u16 = [&](size_t o) {
        return static_cast<uint8_t>(b[o]) | static_cast<uint8_t>(b[o + 1]) << 8;
    };
    EXPECT_EQ(u16(0), 1024);  // tag bag root
    EXPECT_EQ(u16(12), 10);   // tag names are the bag's keys
    EXPECT_EQ(static_cast<uint8_t>(b[14]), 0xE0);
    EXPECT_EQ(u16(1536 + 0), 2560);  // the tag's root leaf
    EXPECT_EQ(u16(1536 + 12), 11);
    EXPECT_EQ(static_cast<uint8_t>(b[1536 + 14]), 0x69);  // compact, compound, FOR, unique
    EXPECT_EQ(u16(1536 + 502), 1);                        // descending
    EXPECT_EQ(u16(1536 + 510), 4);                        // "CPF" + NUL
    EXPECT_EQ(u16(1536 + 506), 6);                        // "ATIVO" + NUL
    EXPECT_EQ(b.substr(2048, 10), std::string("CPF\0ATIVO\0", 10));
    EXPECT_EQ(u16(2560), 3);                            // root and leaf
    EXPECT_EQ(u16(2562), 2);                            // keys
    EXPECT_EQ(b.substr(1024 + 512 - 7, 7), "IMP0926");  // the bag holds the tag's name
}

TEST(CdxWrite, GoldenFileCatchesFormatDrift) {
    TempDir dir;
    TagSpec spec = cpf_spec();
    KeyBuffer keys(11);
    const char* cpfs[] = {"52998224725", "11144477735", "00000000191",
                          "52998224725", "98765432100", "11144477700"};
    uint32_t r = 0;
    for (const char* c : cpfs) keys.add(c, ++r);
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("G.CDX"), spec, keys).is_ok());
    TagSpec num;
    num.name = "VALOR";
    num.key_expr = "VALOR";
    num.type = KeyType::kNumeric;
    num.key_length = 8;
    num.descending = true;
    KeyBuffer values(8);
    r = 0;
    for (double v : {12.5, -3.0, 0.0, 1e6, -0.01}) values.add(numeric_key(v), ++r);
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("N.CDX"), num, values).is_ok());

    for (const auto& [made, golden] :
         {std::pair{"G.CDX", "golden_cpf.cdx"}, std::pair{"N.CDX", "golden_valor.cdx"}}) {
        std::string want = std::string(VORN_SOURCE_DIR) + "/tests/data/cdx/" + golden;
        std::string bytes = testing::slurp(dir.file(made));
        if (std::getenv("UPDATE_GOLDEN")) testing::spit(want, bytes);
        EXPECT_EQ(bytes, testing::slurp(want)) << golden << " differs (UPDATE_GOLDEN=1 to renew)";
    }
}

// ---------------------------------------------------------------------------------------------

// Random inserts and erases against a model, with the tree checked as it grows and shrinks.
void maintain(KeyType type, int key_length, int rounds, uint32_t seed) {
    TempDir dir;
    std::mt19937 rng(seed);
    TagSpec spec;
    spec.name = "M";
    spec.key_expr = "X";
    spec.type = type;
    spec.key_length = key_length;
    KeyBuffer none(key_length);
    std::string path = dir.file("M.CDX");
    ASSERT_TRUE(CdxFile::create(Env::posix(), path, spec, none).is_ok());
    auto f = open_cdx(path, CdxMode::kExclusive);
    ASSERT_TRUE(f);
    std::set<std::pair<std::string, uint32_t>> model;
    auto make_key = [&] {
        std::string k;
        if (type == KeyType::kNumeric) return numeric_key(static_cast<double>(rng() % 3000) - 1500);
        k = "K" + std::to_string(rng() % 4000);
        k.resize(static_cast<size_t>(key_length), rng() % 3 ? ' ' : 'x');
        return k;
    };
    uint32_t next_rec = 1;
    for (int round = 0; round < rounds; ++round) {
        bool grow = round % 2 == 0;  // alternate growing and shrinking phases
        for (int op = 0; op < 600; ++op) {
            if ((grow ? rng() % 4 != 0 : rng() % 4 == 0) || model.empty()) {
                std::string k = make_key();
                uint32_t r = next_rec++;
                ASSERT_TRUE(f->insert(0, k, r).is_ok());
                model.emplace(k, r);
            } else {
                auto it = model.begin();
                std::advance(it, static_cast<long>(rng() % model.size()));
                ASSERT_TRUE(f->erase(0, it->first, it->second).is_ok());
                model.erase(it);
            }
        }
        size_t n = 0;
        Status s = verify(*f, 0, &n, next_rec);
        ASSERT_TRUE(s.is_ok()) << s.message() << " round " << round;
        ASSERT_EQ(n, model.size());
        auto got = all(*f);
        ASSERT_TRUE(std::equal(got.begin(), got.end(), model.begin(), model.end(),
                               [](const IndexEntry& e, const auto& m) {
                                   return e.key == m.first && e.recno == m.second;
                               }));
    }
    // Emptied, the tag keeps one empty root leaf and its pages go to the free list for reuse.
    for (const auto& [k, r] : model) ASSERT_TRUE(f->erase(0, k, r).is_ok());
    size_t n = 1;
    ASSERT_TRUE(verify(*f, 0, &n, next_rec).is_ok());
    EXPECT_EQ(n, 0u);
    uint64_t size = std::filesystem::file_size(path);
    for (uint32_t r = 1; r <= 20; ++r) ASSERT_TRUE(f->insert(0, make_key(), r).is_ok());
    EXPECT_EQ(std::filesystem::file_size(path), size);
    f.reset();
    f = open_cdx(path);  // and it reads back from disk the same
    ASSERT_TRUE(verify(*f, 0, &n, next_rec).is_ok());
    EXPECT_EQ(n, 20u);
    if (type == KeyType::kChar) {
        EXPECT_EQ(testing::index_dump("char", path, "M"), dump_of(all(*f), KeyType::kChar));
    }
}

TEST(CdxMaintain, ShortTextKeysSplitMergeAndShrink) {
    maintain(KeyType::kChar, 11, 12, 1);
}
TEST(CdxMaintain, LongTextKeysMakeDeepTrees) {
    maintain(KeyType::kChar, 200, 6, 2);
}
TEST(CdxMaintain, NumericKeys) {
    maintain(KeyType::kNumeric, 8, 8, 3);
}

TEST(CdxMaintain, DuplicatesUniqueTagsAndReplacement) {
    TempDir dir;
    TagSpec spec = cpf_spec();
    spec.unique = true;
    KeyBuffer none(11);
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("U.CDX"), spec, none).is_ok());
    auto f = open_cdx(dir.file("U.CDX"), CdxMode::kShared);
    ASSERT_TRUE(f->insert(0, "11111111111", 5).is_ok());
    ASSERT_TRUE(f->insert(0, "11111111111", 2).is_ok());  // same key: the unique tag keeps one
    ASSERT_TRUE(f->insert(0, "11111111111", 5).is_ok());  // already there
    ASSERT_TRUE(f->erase(0, "99999999999", 1).is_ok());   // absent: nothing happens
    EXPECT_EQ(all(*f), (std::vector<IndexEntry>{{"11111111111", 5}}));
    ASSERT_TRUE(f->replace(0, "11111111111", "00000000000", 5).is_ok());
    EXPECT_EQ(all(*f), (std::vector<IndexEntry>{{"00000000000", 5}}));
}

TEST(CdxMaintain, KeysArrivingInOrderFillPages) {
    TempDir dir;
    KeyBuffer none(11);
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("S.CDX"), cpf_spec(), none).is_ok());
    auto f = open_cdx(dir.file("S.CDX"), CdxMode::kExclusive);
    for (uint32_t r = 1; r <= 20000; ++r) {
        char k[32];
        std::snprintf(k, sizeof k, "%011u", r * 7919u);
        ASSERT_TRUE(f->insert(0, k, r).is_ok());
    }
    size_t n = 0;
    ASSERT_TRUE(verify(*f, 0, &n, 20000).is_ok());
    // Appending at the end keeps the earlier pages full: no more than a tenth above a bulk build.
    KeyBuffer keys(11);
    for (const auto& e : all(*f)) keys.add(e.key, e.recno);
    ASSERT_TRUE(CdxFile::create(Env::posix(), dir.file("B.CDX"), cpf_spec(), keys).is_ok());
    EXPECT_LT(std::filesystem::file_size(dir.file("S.CDX")),
              std::filesystem::file_size(dir.file("B.CDX")) * 11 / 10);
}

// ---------------------------------------------------------------------------------------------

TEST(CdxShared, AnotherHandlesChangesAreSeenAtTheNextMove) {
    TempDir dir;
    KeyBuffer keys(11);
    for (uint32_t r = 1; r <= 3000; ++r) {
        char k[32];
        std::snprintf(k, sizeof k, "%011u", r * 10);
        keys.add(k, r);
    }
    std::string path = dir.file("S.CDX");
    ASSERT_TRUE(CdxFile::create(Env::posix(), path, cpf_spec(), keys).is_ok());
    auto a = open_cdx(path, CdxMode::kShared);
    auto b = open_cdx(path, CdxMode::kShared);
    CdxCursor c(b.get(), 0);
    ASSERT_TRUE(c.seek("00000010000").is_ok());
    ASSERT_EQ(c.recno(), 1000u);
    // The other handle adds a key right after the cursor and removes the one after that.
    ASSERT_TRUE(a->insert(0, "00000010005", 9001).is_ok());
    ASSERT_TRUE(a->erase(0, "00000010010", 1001).is_ok());
    ASSERT_TRUE(c.next().is_ok());
    EXPECT_EQ(c.recno(), 9001u);
    ASSERT_TRUE(c.next().is_ok());
    EXPECT_EQ(c.recno(), 1002u);
    ASSERT_TRUE(c.prev().is_ok());
    EXPECT_EQ(c.recno(), 9001u);
    // Rebuilt in place by the other handle: the cursor finds its place in the new tree.
    ASSERT_TRUE(CdxFile::rewrite(Env::posix(), path, cpf_spec(), [](KeyBuffer& k) {
                    for (uint32_t r = 1; r <= 3000; ++r) {
                        char key[32];
                        std::snprintf(key, sizeof key, "%011u", r * 10 + 1);
                        k.add(key, r);
                    }
                    return Status::ok();
                }).is_ok());
    ASSERT_TRUE(c.next().is_ok());
    EXPECT_EQ(c.key(), "00000010011");
    EXPECT_EQ(all(*b).size(), 3000u);
}

// ---------------------------------------------------------------------------------------------

TEST(CdxDamage, DamagedFilesAreReportedNeverTrusted) {
    TempDir dir;
    std::string path = dir.file("D.CDX");
    testing::spit(path, "");
    std::unique_ptr<CdxFile> f;
    EXPECT_EQ(CdxFile::open(Env::posix(), path, CdxMode::kReadOnly, nullptr, &f).code(),
              Status::Code::kCorrupt);
    EXPECT_EQ(
        CdxFile::open(Env::posix(), dir.file("NONE.CDX"), CdxMode::kReadOnly, nullptr, &f).code(),
        Status::Code::kNotFound);

    std::mt19937 rng(11);
    KeyBuffer keys(40);
    for (uint32_t r = 1; r <= 2000; ++r) {
        std::string k = "NOME " + std::to_string(rng() % 700);
        k.resize(40, ' ');
        keys.add(k, r);
    }
    TagSpec spec = cpf_spec();
    spec.key_length = 40;
    ASSERT_TRUE(CdxFile::create(Env::posix(), path, spec, keys).is_ok());
    const std::string good = testing::slurp(path);

    // A page pointing at itself as its right sibling, and a root pointer outside the file.
    std::string bad = good;
    bad[2560 + 8] = static_cast<char>(2560 & 0xFF);
    bad[2560 + 9] = static_cast<char>(2560 >> 8);
    bad[2560 + 10] = bad[2560 + 11] = 0;
    testing::spit(path, bad);
    ASSERT_TRUE(CdxFile::open(Env::posix(), path, CdxMode::kReadOnly, nullptr, &f).is_ok());
    std::vector<IndexEntry> out;
    EXPECT_EQ(f->entries(0, &out).code(), Status::Code::kCorrupt);
    size_t n;
    EXPECT_EQ(verify(*f, 0, &n, 2000).code(), Status::Code::kCorrupt);
    bad = good;
    bad[1536 + 3] = 0x40;
    testing::spit(path, bad);
    ASSERT_TRUE(CdxFile::open(Env::posix(), path, CdxMode::kReadOnly, nullptr, &f).is_ok());
    EXPECT_EQ(f->entries(0, &out).code(), Status::Code::kCorrupt);
    testing::spit(path, good.substr(0, 1300));
    EXPECT_EQ(CdxFile::open(Env::posix(), path, CdxMode::kReadOnly, nullptr, &f).code(),
              Status::Code::kCorrupt);

    // Random damage: whatever happens is a status, never a crash or a hang.
    int detected = 0;
    for (int round = 0; round < 300; ++round) {
        bad = good;
        int flips = 1 + static_cast<int>(rng() % 6);
        for (int i = 0; i < flips; ++i) {
            size_t at = round % 3 == 0 ? rng() % 2048 : 2560 + rng() % (good.size() - 2560);
            bad[at] = static_cast<char>(rng());
        }
        testing::spit(path, bad);
        if (!CdxFile::open(Env::posix(), path, CdxMode::kExclusive, nullptr, &f)) {
            ++detected;
            continue;
        }
        bool broken = !verify(*f, 0, &n, 2000);
        broken |= !f->entries(0, &out);
        Status s;
        walk(*f, 0, true, &s);
        broken |= !s;
        walk(*f, 0, false, &s);
        broken |= !s;
        CdxCursor c(f.get(), 0);
        static_cast<void>(c.seek("NOME 3"));
        std::string k = "NOME X";
        k.resize(40, ' ');
        broken |= !f->insert(0, k, 5);
        broken |= !f->erase(0, k, 5);
        detected += broken;
    }
    EXPECT_GT(detected, 150);
}

}  // namespace
}  // namespace vorn::store
