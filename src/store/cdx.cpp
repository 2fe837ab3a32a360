// CDX files: page cache under the index lock, B+tree maintenance, bulk images and cursors.
#include "store/cdx.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <stdexcept>
#include <tuple>

#include "base/text.h"

namespace vorn::store {

using cdx::kAttrLeaf;
using cdx::kAttrRoot;
using cdx::kHeaderSize;
using cdx::kNone;
using cdx::kPage;
using cdx::Node;
using cdx::Page;

namespace {

constexpr uint64_t kLockByte = 0x7FFFFFFE;     // FoxPro's index lock byte
constexpr uint64_t kMaxFileSize = 0x7FFFFE00;  // the data must stay below the lock area
constexpr uint32_t kBagRoot = kHeaderSize;     // our files: the tag bag's only page
constexpr uint32_t kTagHeader = kHeaderSize + kPage;
constexpr uint32_t kFirstNode = kTagHeader + kHeaderSize;
constexpr int kMaxDepth = 32;
constexpr size_t kCacheLimit = 32768;  // pages kept per file (16 MiB)

Status read_at(File& f, void* buf, size_t n, uint64_t off) {
    size_t got = 0;
    if (Status s = f.read(off, static_cast<char*>(buf), n, &got); !s) return s;
    if (got < n)
        return Status::corrupt(f.path() + ": arquivo termina em " + std::to_string(off + got));
    return Status::ok();
}

Status write_at(File& f, const void* buf, size_t n, uint64_t off) {
    return f.write(off, std::string_view(static_cast<const char*>(buf), n));
}

uint8_t fill_for(KeyType t) {
    return t == KeyType::kChar ? ' ' : 0;
}

Status check_spec(const TagSpec& spec) {
    if (spec.name.empty() || spec.name.size() > 10)
        return Status::invalid("nome de tag '" + spec.name + "' deve ter de 1 a 10 caracteres");
    if (spec.key_length < 1 || spec.key_length > kMaxKeyLength)
        return Status::invalid("tag " + spec.name + ": tamanho de chave " +
                               std::to_string(spec.key_length));
    if (spec.key_expr.empty() || spec.key_expr.size() + spec.for_expr.size() + 2 > kPage)
        return Status::invalid("tag " + spec.name + ": expressões longas demais");
    return Status::ok();
}

void put_node(std::vector<uint8_t>* image, uint32_t off, const Node& n, uint8_t fill) {
    Page p;
    if (!cdx::encode_node(n, fill, &p)) throw std::logic_error("bulk node does not fit");
    std::memcpy(image->data() + off, p.data(), kPage);
}

// The whole file for one tag: compound header, tag bag, tag header, leaves, interior levels.
Status build_image(const TagSpec& spec, const KeyBuffer& keys, uint32_t counter,
                   std::vector<uint8_t>* image) {
    if (Status s = check_spec(spec); !s) return s;
    const int kl = spec.key_length;
    const uint8_t fill = fill_for(spec.type);

    // Leaves, filled in order as far as each page holds.
    std::vector<size_t> starts;
    cdx::LeafSizer sizer(kl, fill);
    for (size_t i = 0; i < keys.size(); ++i) {
        if (starts.empty() || !sizer.add(keys.key(i - 1), keys.key(i), keys.recno(i), false)) {
            starts.push_back(i);
            sizer.reset();
            sizer.add({}, keys.key(i), keys.recno(i), true);
        }
    }
    if (starts.empty()) starts.push_back(0);
    starts.push_back(keys.size());
    size_t leaves = starts.size() - 1;

    struct Child {
        std::string key;  // largest key below, with its record
        uint32_t rec;
        uint32_t off;
    };
    struct Inner {
        uint32_t off, left, right;
        bool root;
        std::vector<Child> children;
    };
    std::vector<Child> level;
    level.reserve(leaves);
    uint32_t next = kFirstNode;
    for (size_t k = 0; k < leaves; ++k, next += kPage) {
        if (keys.size() == 0) {  // an empty tag: one empty root leaf
            level.push_back({{}, 0, next});
            continue;
        }
        size_t last = starts[k + 1] - 1;
        level.push_back({std::string(keys.key(last)), keys.recno(last), next});
    }
    // Interior levels, children spread evenly over the fewest nodes that hold them.
    std::vector<Inner> interiors;
    const size_t cap = cdx::interior_capacity(kl);
    while (level.size() > 1) {
        size_t m = level.size(), nodes = (m + cap - 1) / cap;
        std::vector<Child> up;
        auto from = level.begin();
        for (size_t k = 0; k < nodes; ++k, next += kPage) {
            auto take = static_cast<ptrdiff_t>(m / nodes + (k < m % nodes ? 1 : 0));
            Inner in{next, k == 0 ? kNone : next - kPage, k + 1 == nodes ? kNone : next + kPage,
                     nodes == 1, std::vector<Child>(from, from + take)};
            from += take;
            up.push_back({in.children.back().key, in.children.back().rec, next});
            interiors.push_back(std::move(in));
        }
        level = std::move(up);
    }
    uint32_t root = level.front().off;
    if (next > kMaxFileSize) return Status::invalid("índice " + spec.name + " grande demais");
    image->assign(next, 0);

    cdx::Header bag;
    bag.root = kBagRoot;
    bag.counter = counter;
    bag.key_length = 10;
    bag.options = cdx::kOptTagBag | cdx::kOptCompound | cdx::kOptCompact;
    cdx::encode_header(bag, image->data());
    Node bag_leaf;
    bag_leaf.attr = kAttrRoot | kAttrLeaf;
    bag_leaf.key_length = 10;
    std::string name = upper(spec.name);
    name.resize(10, ' ');
    bag_leaf.insert(0, name, kTagHeader);
    put_node(image, kBagRoot, bag_leaf, ' ');

    cdx::Header th;
    th.root = root;
    th.key_length = static_cast<uint16_t>(kl);
    th.options = static_cast<uint8_t>(cdx::kOptCompound | cdx::kOptCompact |
                                      (spec.unique ? cdx::kOptUnique : 0) |
                                      (spec.for_expr.empty() ? 0 : cdx::kOptFor));
    th.descending = spec.descending;
    th.key_expr = spec.key_expr;
    th.for_expr = spec.for_expr;
    cdx::encode_header(th, image->data() + kTagHeader);

    Node leaf;
    leaf.key_length = kl;
    for (size_t k = 0; k < leaves; ++k) {
        leaf.keys.clear();
        leaf.recs.clear();
        leaf.attr = static_cast<uint16_t>(kAttrLeaf | (leaves == 1 ? kAttrRoot : 0));
        uint32_t off = kFirstNode + static_cast<uint32_t>(k) * kPage;
        leaf.left = k == 0 ? kNone : off - kPage;
        leaf.right = k + 1 == leaves ? kNone : off + kPage;
        for (size_t i = starts[k]; i < starts[k + 1]; ++i)
            leaf.insert(leaf.size(), keys.key(i), keys.recno(i));
        put_node(image, off, leaf, fill);
    }
    for (const Inner& in : interiors) {
        Node inner;
        inner.key_length = kl;
        inner.attr = in.root ? kAttrRoot : 0;
        inner.left = in.left;
        inner.right = in.right;
        for (const Child& c : in.children) inner.insert(inner.size(), c.key, c.rec, c.off);
        put_node(image, in.off, inner, fill);
    }
    return Status::ok();
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// KeyBuffer

void KeyBuffer::add(std::string_view key, uint32_t recno) {
    if (key.size() != key_length_) throw std::invalid_argument("index key of the wrong length");
    keys_.append(key);
    recnos_.push_back(recno);
    order_.clear();
}

void KeyBuffer::sort(bool unique) {
    struct Item {
        uint64_t prefix;
        uint32_t at;
    };
    std::vector<Item> items(recnos_.size());
    size_t head = std::min<size_t>(8, key_length_);
    for (size_t i = 0; i < items.size(); ++i) {
        const auto* k = reinterpret_cast<const uint8_t*>(keys_.data() + i * key_length_);
        uint64_t p = 0;
        for (size_t j = 0; j < 8; ++j) p = p << 8 | (j < head ? k[j] : 0);
        items[i] = {p, static_cast<uint32_t>(i)};
    }
    const char* base = keys_.data();
    size_t kl = key_length_;
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
        if (a.prefix != b.prefix) return a.prefix < b.prefix;
        if (kl > 8) {
            int c = std::memcmp(base + a.at * kl + 8, base + b.at * kl + 8, kl - 8);
            if (c) return c < 0;
        }
        return recnos_[a.at] < recnos_[b.at];
    });
    order_.clear();
    order_.reserve(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        if (unique && i > 0 && items[i].prefix == items[i - 1].prefix &&
            std::memcmp(base + items[i].at * kl, base + items[i - 1].at * kl, kl) == 0)
            continue;
        order_.push_back(items[i].at);
    }
    if (order_.size() != recnos_.size()) {  // unique dropped some: compact the buffers
        std::string keys;
        std::vector<uint32_t> recnos;
        keys.reserve(order_.size() * kl);
        recnos.reserve(order_.size());
        for (uint32_t at : order_) {
            keys.append(keys_, at * kl, kl);
            recnos.push_back(recnos_[at]);
        }
        keys_ = std::move(keys);
        recnos_ = std::move(recnos);
        order_.clear();
    }
}

// ---------------------------------------------------------------------------------------------
// Locked access to the shared file state

struct CdxFile::Pos {
    Node leaf;
    uint32_t off = kNone;
    size_t i = 0;
    bool on = false;
    IndexEntry entry() const { return {std::string(leaf.key(i)), leaf.recs[i]}; }
};

struct CdxFile::Target {
    enum Mode { kEntry, kEntryAfter, kPrefix, kPrefixAfter };
    std::string_view key;
    uint32_t rec = 0;
    Mode mode = kEntry;
    // Whether an entry lies at or beyond the target; false for every entry before it.
    bool reached(std::string_view k, uint32_t r) const {
        int c = std::memcmp(k.data(), key.data(), std::min(k.size(), key.size()));
        switch (mode) {
            case kEntry:
                return c > 0 || (c == 0 && r >= rec);
            case kEntryAfter:
                return c > 0 || (c == 0 && r > rec);
            case kPrefix:
                return c >= 0;
            case kPrefixAfter:
                return c > 0;
        }
        return false;
    }
    size_t first_in(const Node& n) const {
        size_t lo = 0, hi = n.size();
        while (lo < hi) {
            size_t mid = (lo + hi) / 2;
            if (reached(n.key(mid), n.recs[mid]))
                hi = mid;
            else
                lo = mid + 1;
        }
        return lo;
    }
};

// One index operation: the index lock (shared for reading, exclusive for writing) is held for
// the object's life; the compound header is re-read and the cache dropped when another process
// changed the file. A write is committed explicitly; otherwise its changes are forgotten.
class CdxFile::Access {
  public:
    Access(CdxFile& f, bool write) : f_(f), write_(write) { status_ = begin(); }
    ~Access() {
        if (locked_) static_cast<void>(end(false));
    }
    Access(const Access&) = delete;
    Access& operator=(const Access&) = delete;
    const Status& status() const { return status_; }
    Status commit() { return end(true); }

  private:
    Status begin() {
        if (write_ && f_.mode_ == CdxMode::kReadOnly)
            return Status::invalid(f_.path_ + ": índice aberto somente para leitura");
        if (write_ && f_.held_) throw std::logic_error(f_.path_ + ": change under a read lock");
        own_lock_ = f_.mode_ != CdxMode::kExclusive && !f_.held_;
        if (own_lock_) {
            Status s =
                f_.file_->wait_lock(kLockByte, 1, write_ ? LockType::kWrite : LockType::kRead);
            if (!s) return s;
        }
        locked_ = true;
        if (f_.mode_ != CdxMode::kExclusive || !f_.synced_) {
            uint8_t h[8];
            if (Status s = read_at(*f_.file_, h, 8, 4); !s) return s;
            uint32_t free_list = cdx::get32(h), counter = cdx::get32be(h + 4);
            if (!f_.synced_ || counter != f_.counter_ || free_list != f_.free_) {
                if (Status s = f_.file_->size(&f_.size_); !s) return s;
                f_.cache_.clear();
                f_.counter_ = counter;
                f_.free_ = free_list;
                f_.synced_ = true;
            }
        }
        saved_free_ = f_.free_;
        saved_size_ = f_.size_;
        return Status::ok();
    }

    Status end(bool commit) {
        Status result;
        if (write_ && commit && !f_.dirty_.empty()) {
            std::map<uint32_t, const Page*> order;
            for (const auto& [off, p] : f_.dirty_) order.emplace(off, &p);
            for (const auto& [off, p] : order) {
                result = write_at(*f_.file_, p->data(), kPage, off);
                if (!result) break;
            }
            if (result) {
                uint8_t h[8];
                cdx::put32(h, f_.free_);
                cdx::put32be(h + 4, f_.counter_ + 1);
                result = write_at(*f_.file_, h, 8, 4);
            }
            if (result) {
                ++f_.counter_;
                for (auto& [off, p] : f_.dirty_) f_.cache_[off] = p;
            } else {  // the file may be half written: read everything again next time
                f_.cache_.clear();
                f_.synced_ = false;
            }
        } else if (write_ && !commit) {
            f_.free_ = saved_free_;
            f_.size_ = saved_size_;
        }
        f_.dirty_.clear();
        if (f_.cache_.size() > kCacheLimit) f_.cache_.clear();
        locked_ = false;
        if (own_lock_) {
            Status s = f_.file_->unlock(kLockByte, 1);
            if (result) result = s;
        }
        return result;
    }

    CdxFile& f_;
    bool write_;
    bool locked_ = false;
    bool own_lock_ = false;  // taken here (not exclusive use, not inside read_locked)
    Status status_;
    uint32_t saved_free_ = 0;
    uint64_t saved_size_ = 0;
};

CdxFile::CdxFile(std::string path, CdxMode mode, std::unique_ptr<File> file)
    : path_(std::move(path)), mode_(mode), file_(std::move(file)) {}

CdxFile::~CdxFile() = default;

Status CdxFile::with_context(Status s, uint32_t off) const {
    if (s) return s;
    return Status(
        s.code() == Status::Code::kCorrupt
            ? Status::corrupt(path_ + ": página " + std::to_string(off) + ": " + s.message())
            : s);
}

Status CdxFile::page(uint32_t off, const Page** out) {
    if (off % kPage != 0 || uint64_t{off} + kPage > size_)
        return Status::corrupt(path_ + ": ponteiro de página " + std::to_string(off) +
                               " fora do arquivo");
    if (auto it = dirty_.find(off); it != dirty_.end()) {
        *out = &it->second;
        return Status::ok();
    }
    if (auto it = cache_.find(off); it != cache_.end()) {
        *out = &it->second;
        return Status::ok();
    }
    Page p;
    if (Status s = read_at(*file_, p.data(), kPage, off); !s) return s;
    *out = &cache_.emplace(off, p).first->second;
    return Status::ok();
}

void CdxFile::put(uint32_t off, const Page& p) {
    dirty_[off] = p;
}

Status CdxFile::alloc(uint32_t* off) {
    if (free_ != 0 && free_ != kNone) {
        const Page* p;
        if (Status s = page(free_, &p); !s) return s;
        *off = free_;
        free_ = cdx::get32(p->data());
        return Status::ok();
    }
    uint64_t at = (size_ + kPage - 1) / kPage * kPage;
    if (at + kPage > kMaxFileSize)
        return Status::io_error(path_ + ": arquivo de índice grande demais");
    size_ = at + kPage;
    *off = static_cast<uint32_t>(at);
    put(*off, Page{});
    return Status::ok();
}

Status CdxFile::release(uint32_t off) {
    Page p{};
    cdx::put32(p.data(), free_);
    put(off, p);
    free_ = off;
    return Status::ok();
}

Status CdxFile::load(const Tag& t, uint32_t off, Node* n) {
    if (off < kHeaderSize)
        return Status::corrupt(path_ + ": ponteiro de nó " + std::to_string(off) + " no cabeçalho");
    const Page* p;
    if (Status s = page(off, &p); !s) return s;
    return with_context(cdx::decode_node(*p, t.spec.key_length, t.fill, n), off);
}

Status CdxFile::store(const Tag& t, uint32_t off, const Node& n) {
    Page p;
    // Only a node read from a damaged file can fail here: the tree code splits what it grows.
    if (!cdx::encode_node(n, t.fill, &p))
        return with_context(Status::corrupt("nó não cabe na página ao ser regravado"), off);
    put(off, p);
    return Status::ok();
}

Status CdxFile::root_of(const Tag& t, uint32_t* root) {
    const Page* p;
    if (Status s = page(t.header, &p); !s) return s;
    *root = cdx::get32(p->data());
    if (cdx::get16(p->data() + 12) != t.spec.key_length)
        return Status::corrupt(path_ + ": tag " + t.spec.name + " mudou o tamanho da chave");
    return Status::ok();
}

Status CdxFile::set_root(const Tag& t, uint32_t root) {
    const Page* p;
    if (Status s = page(t.header, &p); !s) return s;
    Page h = *p;
    cdx::put32(h.data(), root);
    put(t.header, h);
    return Status::ok();
}

const CdxFile::Tag& CdxFile::tag_at(int tag) const {
    if (tag < 0 || static_cast<size_t>(tag) >= tags_.size())
        throw std::out_of_range(path_ + ": no tag " + std::to_string(tag));
    return tags_[static_cast<size_t>(tag)];
}

int CdxFile::find_tag(std::string_view name) const {
    std::string n = upper(trim(name));
    for (size_t i = 0; i < tags_.size(); ++i)
        if (tags_[i].spec.name == n) return static_cast<int>(i);
    return -1;
}

// ---------------------------------------------------------------------------------------------
// Opening and creating

Status CdxFile::open(Env& env, const std::string& path, CdxMode mode, const Layout* layout,
                     std::unique_ptr<CdxFile>* out) {
    std::unique_ptr<File> file;
    Status s =
        env.open(path, mode == CdxMode::kReadOnly ? OpenFor::kRead : OpenFor::kReadWrite, &file);
    if (!s) return s;
    std::unique_ptr<CdxFile> f(new CdxFile(path, mode, std::move(file)));
    {
        Access a(*f, false);
        if (!a.status()) return a.status();
        if (Status s = f->load_tags(layout); !s) return s;
    }
    *out = std::move(f);
    return Status::ok();
}

Status CdxFile::load_tags(const Layout* layout) {
    tags_.clear();
    if (size_ < kHeaderSize + kPage)
        return Status::corrupt(path_ + ": curto demais para um índice");
    uint8_t raw[kHeaderSize];
    if (Status s = read_at(*file_, raw, kHeaderSize, 0); !s) return s;
    cdx::Header bag;
    if (Status s = cdx::decode_header(raw, &bag); !s)
        return Status::corrupt(path_ + ": cabeçalho composto: " + s.message());
    if (!(bag.options & cdx::kOptTagBag) || bag.key_length != 10)
        return Status::corrupt(path_ + ": não é um índice composto");

    Tag bag_tag;
    bag_tag.spec.name = "TAG BAG";
    bag_tag.spec.key_length = 10;
    bag_tag.fill = ' ';
    tags_.push_back(bag_tag);  // temporarily, so that the tree walk below can use it
    std::vector<IndexEntry> names;
    Status s = entries_locked(0, &names);
    tags_.clear();
    if (!s) return s;
    if (names.empty()) return Status::corrupt(path_ + ": sem tags");

    for (const IndexEntry& e : names) {
        Tag t;
        t.header = e.recno;
        if (t.header % kPage != 0 || t.header < kHeaderSize ||
            uint64_t{t.header} + kHeaderSize > size_)
            return Status::corrupt(path_ + ": ponteiro de cabeçalho de tag inválido " +
                                   std::to_string(t.header));
        if (Status r = read_at(*file_, raw, kHeaderSize, t.header); !r) return r;
        cdx::Header h;
        t.spec.name = trim(e.key);
        if (Status r = cdx::decode_header(raw, &h); !r)
            return Status::corrupt(path_ + ": tag " + t.spec.name + ": " + r.message());
        t.spec.key_expr = h.key_expr;
        t.spec.for_expr = h.for_expr;
        t.spec.key_length = h.key_length;
        t.spec.unique = h.options & cdx::kOptUnique;
        t.spec.descending = h.descending;
        KeyExpr expr;
        if (layout && KeyExpr::parse(h.key_expr, *layout, &expr) &&
            expr.key_length() == h.key_length) {
            t.expr = expr;
            t.spec.type = expr.type();
        } else {
            t.spec.type = h.key_length == 8 ? KeyType::kNumeric : KeyType::kChar;
        }
        KeyExpr cond;
        if (layout && !h.for_expr.empty() && KeyExpr::parse(h.for_expr, *layout, &cond) &&
            cond.type() == KeyType::kLogical)
            t.condition = cond;
        t.fill = fill_for(t.spec.type);
        tags_.push_back(std::move(t));
    }
    return Status::ok();
}

Status CdxFile::create(Env& env, const std::string& path, const TagSpec& spec, KeyBuffer& keys,
                       Durability durability) {
    keys.sort(spec.unique);
    std::vector<uint8_t> image;
    if (Status s = build_image(spec, keys, 0, &image); !s) return s;
    std::unique_ptr<File> tmp;
    std::string tmp_path;
    if (Status s = env.create_temp(path, &tmp, &tmp_path); !s) return s;
    Status s = write_at(*tmp, image.data(), image.size(), 0);
    if (s && durability == Durability::kSynced) s = tmp->sync();
    tmp.reset();
    if (s) s = env.rename(tmp_path, path);
    if (!s) {
        static_cast<void>(env.remove(tmp_path));  // only litter is left; the error is s
        return s;
    }
    return durability == Durability::kSynced ? env.sync_dir(dir_of(path)) : Status::ok();
}

Status CdxFile::rewrite(Env& env, const std::string& path, const TagSpec& spec,
                        const std::function<Status(KeyBuffer&)>& collect) {
    if (!env.exists(path)) {  // an empty file first, unless another process made it meanwhile
        std::unique_ptr<File> tmp;
        std::string tmp_path;
        if (Status s = env.create_temp(path, &tmp, &tmp_path); !s) return s;
        tmp.reset();
        bool existed = false;
        Status s = env.rename_new(tmp_path, path, &existed);
        if (!s || existed) static_cast<void>(env.remove(tmp_path));
        if (!s) return s;
    }
    std::unique_ptr<File> file;
    if (Status s = env.open(path, OpenFor::kReadWrite, &file); !s) return s;
    if (Status s = file->wait_lock(kLockByte, 1, LockType::kWrite); !s) return s;
    auto done = [&](Status s) {
        Status u = file->unlock(kLockByte, 1);
        return s ? u : s;
    };
    uint64_t size = 0;
    uint8_t h[12] = {};
    size_t got = 0;
    if (Status s = file->size(&size); !s) return done(s);
    if (Status s = file->read(0, reinterpret_cast<char*>(h), sizeof h, &got); !s) return done(s);
    KeyBuffer keys(spec.key_length);
    if (Status s = collect(keys); !s) return done(s);
    keys.sort(spec.unique);
    std::vector<uint8_t> image;
    if (Status s = build_image(spec, keys, cdx::get32be(h + 8) + 1, &image); !s) return done(s);
    // What lay beyond the new tree (a damaged file may be far bigger) is cut off: other
    // processes re-read the header, whose counter changed, before they use a page.
    Status s = write_at(*file, image.data(), image.size(), 0);
    if (s && size > image.size()) s = file->truncate(image.size());
    return done(s);
}

// ---------------------------------------------------------------------------------------------
// Tree walking

Status CdxFile::descend(const Tag& t, const Target& target, Path* path, Node* leaf) {
    uint32_t off;
    if (Status s = root_of(t, &off); !s) return s;
    path->clear();
    Node n;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (Status s = load(t, off, &n); !s) return s;
        if (n.leaf()) {
            path->push_back({off, 0});
            *leaf = std::move(n);
            return Status::ok();
        }
        size_t i = std::min(target.first_in(n), n.size() - 1);
        path->push_back({off, i});
        off = n.childs[i];
    }
    return Status::corrupt(path_ + ": tag " + t.spec.name + ": árvore profunda demais");
}

Status CdxFile::locate(const Tag& t, const Target& target, Pos* pos) {
    Path path;
    if (Status s = descend(t, target, &path, &pos->leaf); !s) return s;
    pos->off = path.back().off;
    // Normally the entry is in this leaf; a foreign file whose interior keys are not exact
    // maxima may put it further right.
    for (uint64_t hops = 0; hops <= size_ / kPage; ++hops) {
        size_t i = target.first_in(pos->leaf);
        if (i < pos->leaf.size()) {
            pos->i = i;
            pos->on = true;
            return Status::ok();
        }
        if (pos->leaf.right == kNone) {
            pos->on = false;
            return Status::ok();
        }
        pos->off = pos->leaf.right;
        if (Status s = load(t, pos->off, &pos->leaf); !s) return s;
    }
    return Status::corrupt(path_ + ": tag " + t.spec.name + ": ligações entre folhas em ciclo");
}

Status CdxFile::edge(const Tag& t, bool last, Pos* pos) {
    uint32_t off;
    if (Status s = root_of(t, &off); !s) return s;
    for (int depth = 0; depth < kMaxDepth; ++depth) {
        if (Status s = load(t, off, &pos->leaf); !s) return s;
        if (pos->leaf.leaf()) {
            pos->off = off;
            pos->on = pos->leaf.size() > 0;
            pos->i = last && pos->on ? pos->leaf.size() - 1 : 0;
            return Status::ok();
        }
        off = pos->leaf.childs[last ? pos->leaf.size() - 1 : 0];
    }
    return Status::corrupt(path_ + ": tag " + t.spec.name + ": árvore profunda demais");
}

Status CdxFile::step(const Tag& t, Pos* pos, bool forward) {
    if (!pos->on) return Status::ok();
    if (forward && pos->i + 1 < pos->leaf.size()) {
        ++pos->i;
        return Status::ok();
    }
    if (!forward && pos->i > 0) {
        --pos->i;
        return Status::ok();
    }
    IndexEntry from = pos->entry();
    uint32_t off = forward ? pos->leaf.right : pos->leaf.left;
    for (uint64_t hops = 0; off != kNone; ++hops) {
        if (hops > size_ / kPage)
            return Status::corrupt(path_ + ": tag " + t.spec.name +
                                   ": ligações entre folhas em ciclo");
        if (Status s = load(t, off, &pos->leaf); !s) return s;
        if (!pos->leaf.leaf())
            return with_context(Status::corrupt("vizinho de uma folha não é folha"), off);
        if (pos->leaf.size() > 0) {
            pos->off = off;
            pos->i = forward ? 0 : pos->leaf.size() - 1;
            IndexEntry to = pos->entry();
            bool ordered = forward ? std::tie(from.key, from.recno) < std::tie(to.key, to.recno)
                                   : std::tie(to.key, to.recno) < std::tie(from.key, from.recno);
            if (!ordered)
                return with_context(Status::corrupt("chaves fora de ordem com a folha vizinha"),
                                    off);
            return Status::ok();
        }
        off = forward ? pos->leaf.right : pos->leaf.left;
    }
    pos->on = false;
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Maintenance

namespace {
IndexEntry max_of(const Node& n) {
    return {std::string(n.key(n.size() - 1)), n.recs.back()};
}
}  // namespace

Status CdxFile::insert(int tag, std::string_view key, uint32_t recno) {
    Access a(*this, true);
    if (!a.status()) return a.status();
    if (Status s = insert_locked(tag_at(tag), key, recno); !s) return s;
    return a.commit();
}

Status CdxFile::erase(int tag, std::string_view key, uint32_t recno) {
    Access a(*this, true);
    if (!a.status()) return a.status();
    if (Status s = erase_locked(tag_at(tag), key, recno); !s) return s;
    return a.commit();
}

Status CdxFile::replace(int tag, std::string_view old_key, std::string_view new_key,
                        uint32_t recno) {
    Access a(*this, true);
    if (!a.status()) return a.status();
    const Tag& t = tag_at(tag);
    if (old_key != new_key) {
        if (Status s = erase_locked(t, old_key, recno); !s) return s;
    }
    if (Status s = insert_locked(t, new_key, recno); !s) return s;
    return a.commit();
}

Status CdxFile::insert_locked(const Tag& t, std::string_view key, uint32_t recno) {
    if (key.size() != static_cast<size_t>(t.spec.key_length))
        throw std::invalid_argument("index key of the wrong length");
    if (t.spec.unique) {
        Pos p;
        if (Status s = locate(t, {key, 0, Target::kPrefix}, &p); !s) return s;
        if (p.on && p.leaf.key(p.i) == key) return Status::ok();
    }
    Path path;
    Node leaf;
    Target target{key, recno, Target::kEntry};
    if (Status s = descend(t, target, &path, &leaf); !s) return s;
    size_t i = target.first_in(leaf);
    if (i < leaf.size() && leaf.key(i) == key && leaf.recs[i] == recno) return Status::ok();
    leaf.insert(i, key, recno);
    return save(t, path, path.size() - 1, leaf, i + 1 == leaf.size());
}

Status CdxFile::erase_locked(const Tag& t, std::string_view key, uint32_t recno) {
    if (key.size() != static_cast<size_t>(t.spec.key_length))
        throw std::invalid_argument("index key of the wrong length");
    Path path;
    Node leaf;
    Target target{key, recno, Target::kEntry};
    if (Status s = descend(t, target, &path, &leaf); !s) return s;
    size_t i = target.first_in(leaf);
    if (i >= leaf.size() || leaf.key(i) != key || leaf.recs[i] != recno) return Status::ok();
    leaf.erase(i);
    return shrink(t, path, path.size() - 1, leaf);
}

Status CdxFile::link_sibling(const Tag& t, uint32_t off, bool left_link, uint32_t to) {
    Node n;
    if (Status s = load(t, off, &n); !s) return s;
    (left_link ? n.left : n.right) = to;
    return store(t, off, n);
}

// Writes a node back at its place in `path`, splitting it in two when it no longer fits.
Status CdxFile::save(const Tag& t, Path& path, size_t level, Node& node, bool at_end) {
    uint32_t off = path[level].off;
    Page p;
    if (cdx::encode_node(node, t.fill, &p)) {
        put(off, p);
        return fix_parent(t, path, level, node);
    }
    size_t n = node.size();
    auto fits = [&](size_t from, size_t to) {
        Node part;
        part.attr = node.attr;
        part.key_length = node.key_length;
        for (size_t i = from; i < to; ++i)
            part.insert(part.size(), node.key(i), node.recs[i], node.leaf() ? 0 : node.childs[i]);
        return cdx::encode_node(part, t.fill, &p);
    };
    size_t cut;
    if (at_end && node.right == kNone) {
        cut = n - 1;  // keys arriving in order: keep the full page, start a new one
    } else {
        cut = n / 2;
        for (size_t tries = 0; tries < n; ++tries) {
            if (!fits(0, cut) && cut > 1)
                --cut;
            else if (!fits(cut, n) && cut + 1 < n)
                ++cut;
            else
                break;
        }
    }
    Node right;
    right.attr = static_cast<uint16_t>(node.attr & ~kAttrRoot);
    right.key_length = node.key_length;
    node.move_tail(cut, &right);
    uint32_t right_off;
    if (Status s = alloc(&right_off); !s) return s;
    right.left = off;
    right.right = node.right;
    node.right = right_off;
    if (right.right != kNone) {
        if (Status s = link_sibling(t, right.right, true, right_off); !s) return s;
    }
    if (level == 0) {
        node.attr = right.attr;
        uint32_t root_off;
        if (Status s = alloc(&root_off); !s) return s;
        Node root;
        root.attr = kAttrRoot;
        root.key_length = node.key_length;
        IndexEntry lm = max_of(node), rm = max_of(right);
        root.insert(0, lm.key, lm.recno, off);
        root.insert(1, rm.key, rm.recno, right_off);
        if (Status s = store(t, off, node); !s) return s;
        if (Status s = store(t, right_off, right); !s) return s;
        if (Status s = store(t, root_off, root); !s) return s;
        return set_root(t, root_off);
    }
    if (Status s = store(t, off, node); !s) return s;
    if (Status s = store(t, right_off, right); !s) return s;
    Node parent;
    uint32_t parent_off = path[level - 1].off;
    size_t idx = path[level - 1].idx;
    if (Status s = load(t, parent_off, &parent); !s) return s;
    IndexEntry lm = max_of(node), rm = max_of(right);
    parent.set(idx, lm.key, lm.recno);
    parent.insert(idx + 1, rm.key, rm.recno, right_off);
    return save(t, path, level - 1, parent, idx + 2 == parent.size());
}

// Carries a node's largest entry up into its parents, as far as it changes them.
Status CdxFile::fix_parent(const Tag& t, const Path& path, size_t level, const Node& node) {
    if (node.size() == 0) return Status::ok();
    IndexEntry m = max_of(node);
    Node parent;
    for (; level > 0; --level) {
        const Step& up = path[level - 1];
        if (Status s = load(t, up.off, &parent); !s) return s;
        if (parent.key(up.idx) == m.key && parent.recs[up.idx] == m.recno) return Status::ok();
        parent.set(up.idx, m.key, m.recno);
        if (Status s = store(t, up.off, parent); !s) return s;
        if (up.idx + 1 != parent.size()) return Status::ok();
    }
    return Status::ok();
}

// Writes a node back after entries left it: an empty node leaves the tree, a small one is
// merged into a neighbour under the same parent when their entries fit one page, and a root
// left with one child hands the root over to it.
Status CdxFile::shrink(const Tag& t, Path& path, size_t level, Node& node) {
    uint32_t off = path[level].off;
    if (node.size() == 0) {
        if (level == 0) {
            node.attr = kAttrRoot | kAttrLeaf;
            node.childs.clear();
            node.left = node.right = kNone;
            return store(t, off, node);
        }
        if (node.left != kNone) {
            if (Status s = link_sibling(t, node.left, false, node.right); !s) return s;
        }
        if (node.right != kNone) {
            if (Status s = link_sibling(t, node.right, true, node.left); !s) return s;
        }
        if (Status s = release(off); !s) return s;
        Node parent;
        if (Status s = load(t, path[level - 1].off, &parent); !s) return s;
        parent.erase(path[level - 1].idx);
        return shrink(t, path, level - 1, parent);
    }
    if (level == 0) {
        if (!node.leaf() && node.size() == 1) {
            uint32_t child = node.childs[0];
            Node c;
            if (Status s = load(t, child, &c); !s) return s;
            c.attr |= kAttrRoot;
            if (Status s = store(t, child, c); !s) return s;
            if (Status s = set_root(t, child); !s) return s;
            return release(off);
        }
        return store(t, off, node);
    }
    Page p;
    bool small = node.leaf() ? cdx::encode_node(node, t.fill, &p) &&
                                   cdx::get16(p.data() + 12) > kPage * 2 / 3
                             : node.size() < cdx::interior_capacity(node.key_length) / 3;
    if (small) {
        Node parent;
        uint32_t parent_off = path[level - 1].off;
        size_t idx = path[level - 1].idx;
        if (Status s = load(t, parent_off, &parent); !s) return s;
        // Merge [a, b] (adjacent children idx_a, idx_a + 1) into a's page.
        auto merge = [&](size_t idx_a, uint32_t a_off, Node& a, uint32_t b_off, Node& b,
                         bool* merged) -> Status {
            Node m = a;
            for (size_t i = 0; i < b.size(); ++i)
                m.insert(m.size(), b.key(i), b.recs[i], b.leaf() ? 0 : b.childs[i]);
            m.right = b.right;
            *merged = cdx::encode_node(m, t.fill, &p);
            if (!*merged) return Status::ok();
            put(a_off, p);
            if (b.right != kNone) {
                if (Status s = link_sibling(t, b.right, true, a_off); !s) return s;
            }
            if (Status s = release(b_off); !s) return s;
            IndexEntry mm = max_of(m);
            parent.set(idx_a, mm.key, mm.recno);
            parent.erase(idx_a + 1);
            return Status::ok();
        };
        bool merged = false;
        if (idx + 1 < parent.size()) {
            Node r;
            uint32_t r_off = parent.childs[idx + 1];
            if (Status s = load(t, r_off, &r); !s) return s;
            if (Status s = merge(idx, off, node, r_off, r, &merged); !s) return s;
        }
        if (!merged && idx > 0) {
            Node l;
            uint32_t l_off = parent.childs[idx - 1];
            if (Status s = load(t, l_off, &l); !s) return s;
            if (Status s = merge(idx - 1, l_off, l, off, node, &merged); !s) return s;
        }
        if (merged) return shrink(t, path, level - 1, parent);
    }
    if (Status s = store(t, off, node); !s) return s;
    return fix_parent(t, path, level, node);
}

// ---------------------------------------------------------------------------------------------
// Whole-tag walks

Status CdxFile::entries(int tag, std::vector<IndexEntry>* out) {
    Access a(*this, false);
    if (!a.status()) return a.status();
    return entries_locked(tag, out);
}

Status CdxFile::read_locked(const std::function<Status()>& fn) {
    if (held_ || mode_ == CdxMode::kExclusive) return fn();
    if (Status s = file_->wait_lock(kLockByte, 1, LockType::kRead); !s) return s;
    held_ = true;
    Status s;
    try {
        s = fn();
    } catch (...) {
        held_ = false;
        static_cast<void>(file_->unlock(kLockByte, 1));  // the exception is what matters
        throw;
    }
    held_ = false;
    Status u = file_->unlock(kLockByte, 1);
    return s ? u : s;
}

Status CdxFile::entries_locked(int tag, std::vector<IndexEntry>* out) {
    const Tag& t = tag_at(tag);
    out->clear();
    Pos p;
    if (Status s = edge(t, false, &p); !s) return s;
    while (p.on) {
        out->push_back(p.entry());
        if (Status s = step(t, &p, true); !s) return s;
    }
    return Status::ok();
}

struct CdxFile::Walk {
    std::vector<std::vector<uint32_t>> levels;  // node offsets met at each depth, in key order
    int leaf_depth = -1;
    size_t visited = 0;
    bool any = false;
    IndexEntry last;
    size_t stride = 1;  // keep every stride-th entry as a sample
    Check* out;
};

Status CdxFile::verify(int tag, Check* out) {
    Access a(*this, false);
    if (!a.status()) return a.status();
    const Tag& t = tag_at(tag);
    uint32_t root;
    if (Status s = root_of(t, &root); !s) return s;
    *out = Check{};
    Walk w;
    w.out = out;
    IndexEntry max;
    if (Status s = verify_node(t, root, 0, &w, &max); !s) return s;
    // Each level must be one chain of sibling links, in key order.
    for (const auto& level : w.levels) {
        for (size_t i = 0; i < level.size(); ++i) {
            Node n;
            if (Status s = load(t, level[i], &n); !s) return s;
            uint32_t want_left = i ? level[i - 1] : kNone;
            uint32_t want_right = i + 1 < level.size() ? level[i + 1] : kNone;
            if (n.left != want_left || n.right != want_right)
                return with_context(
                    Status::corrupt("ligações entre vizinhos não correspondem à árvore"), level[i]);
        }
    }
    if (w.any && (out->samples.empty() || !(out->samples.back() == w.last)))
        out->samples.push_back(w.last);
    return Status::ok();
}

Status CdxFile::verify_node(const Tag& t, uint32_t off, int depth, Walk* w, IndexEntry* max_out) {
    if (depth >= kMaxDepth)
        return Status::corrupt(path_ + ": tag " + t.spec.name + ": profunda demais");
    if (++w->visited > size_ / kPage)
        return Status::corrupt(path_ + ": páginas encontradas duas vezes");
    Node n;
    if (Status s = load(t, off, &n); !s) return s;
    if (n.root() != (depth == 0)) return with_context(Status::corrupt("marca de raiz errada"), off);
    if (w->levels.size() <= static_cast<size_t>(depth))
        w->levels.resize(static_cast<size_t>(depth) + 1);
    w->levels[static_cast<size_t>(depth)].push_back(off);
    Check& out = *w->out;
    if (n.leaf()) {
        if (w->leaf_depth >= 0 && w->leaf_depth != depth)
            return with_context(Status::corrupt("folhas em profundidades diferentes"), off);
        w->leaf_depth = depth;
        if (n.size() == 0 && depth > 0) return with_context(Status::corrupt("folha vazia"), off);
        for (size_t i = 0; i < n.size(); ++i) {
            IndexEntry e{std::string(n.key(i)), n.recs[i]};
            if (e.recno < 1) return with_context(Status::corrupt("registro número 0"), off);
            if (w->any) {
                int c = e.key.compare(w->last.key);
                if (c < 0 || (c == 0 && (t.spec.unique || e.recno <= w->last.recno)))
                    return with_context(Status::corrupt("chaves fora de ordem"), off);
            }
            out.max_recno = std::max(out.max_recno, e.recno);
            if (out.keys % w->stride == 0) {
                if (out.samples.size() == 64) {  // keep every other one and sample half as often
                    for (size_t k = 0; k < 32; ++k) out.samples[k] = out.samples[2 * k];
                    out.samples.resize(32);
                    w->stride *= 2;
                }
                if (out.keys % w->stride == 0) out.samples.push_back(e);
            }
            ++out.keys;
            w->last = std::move(e);
            w->any = true;
        }
        if (n.size()) *max_out = max_of(n);
        return Status::ok();
    }
    for (size_t i = 0; i < n.size(); ++i) {
        IndexEntry child_max;
        if (Status s = verify_node(t, n.childs[i], depth + 1, w, &child_max); !s) return s;
        if (child_max.key != n.key(i) || child_max.recno != n.recs[i])
            return with_context(Status::corrupt("chave interna não é a maior do filho"), off);
    }
    *max_out = max_of(n);
    return Status::ok();
}

// ---------------------------------------------------------------------------------------------
// Cursor

CdxCursor::CdxCursor(CdxFile* file, int tag)
    : file_(file), tag_(tag), pos_(std::make_unique<CdxFile::Pos>()) {
    file_->tag_at(tag);
}

CdxCursor::~CdxCursor() = default;

Status CdxCursor::settle(Status s) {
    if (!s) {
        on_ = found_ = false;
        return s;
    }
    seen_ = file_->counter_;
    on_ = pos_->on;
    if (on_) {
        key_ = pos_->leaf.key(pos_->i);
        recno_ = pos_->leaf.recs[pos_->i];
    }
    return s;
}

Status CdxCursor::first() {
    CdxFile::Access a(*file_, false);
    if (!a.status()) return settle(a.status());
    found_ = false;
    return settle(file_->edge(tag(), tag().spec.descending, pos_.get()));
}

Status CdxCursor::last() {
    CdxFile::Access a(*file_, false);
    if (!a.status()) return settle(a.status());
    found_ = false;
    return settle(file_->edge(tag(), !tag().spec.descending, pos_.get()));
}

Status CdxCursor::seek(std::string_view key) {
    CdxFile::Access a(*file_, false);
    if (!a.status()) return settle(a.status());
    const CdxFile::Tag& t = tag();
    if (key.size() > static_cast<size_t>(t.spec.key_length))
        key = key.substr(0, static_cast<size_t>(t.spec.key_length));
    Status s;
    if (!t.spec.descending) {
        s = file_->locate(t, {key, 0, CdxFile::Target::kPrefix}, pos_.get());
    } else {  // the last entry not beyond the key is the first in descending order
        s = file_->locate(t, {key, 0, CdxFile::Target::kPrefixAfter}, pos_.get());
        if (s) s = pos_->on ? file_->step(t, pos_.get(), false) : file_->edge(t, true, pos_.get());
    }
    s = settle(s);
    found_ = on_ && key_.compare(0, key.size(), key) == 0;
    return s;
}

Status CdxCursor::seek_entry(std::string_view key, uint32_t recno) {
    CdxFile::Access a(*file_, false);
    if (!a.status()) return settle(a.status());
    const CdxFile::Tag& t = tag();
    Status s;
    if (!t.spec.descending) {
        s = file_->locate(t, {key, recno, CdxFile::Target::kEntry}, pos_.get());
    } else {
        s = file_->locate(t, {key, recno, CdxFile::Target::kEntryAfter}, pos_.get());
        if (s) s = pos_->on ? file_->step(t, pos_.get(), false) : file_->edge(t, true, pos_.get());
    }
    s = settle(s);
    found_ = on_ && key_ == key && recno_ == recno;
    return s;
}

Status CdxCursor::next() {
    return move(true);
}
Status CdxCursor::prev() {
    return move(false);
}

Status CdxCursor::move(bool forward) {
    if (!on_) return Status::ok();
    CdxFile::Access a(*file_, false);
    if (!a.status()) return settle(a.status());
    const CdxFile::Tag& t = tag();
    bool ahead = forward != t.spec.descending;  // direction in stored (ascending) order
    found_ = false;
    if (file_->counter_ == seen_) return settle(file_->step(t, pos_.get(), ahead));
    // The file changed: find the place again from the entry the cursor was on.
    if (ahead)
        return settle(file_->locate(t, {key_, recno_, CdxFile::Target::kEntryAfter}, pos_.get()));
    Status s = file_->locate(t, {key_, recno_, CdxFile::Target::kEntry}, pos_.get());
    if (s) s = pos_->on ? file_->step(t, pos_.get(), false) : file_->edge(t, true, pos_.get());
    return settle(s);
}

}  // namespace vorn::store
