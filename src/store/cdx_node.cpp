// CDX page codec.
#include "store/cdx_node.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>

namespace vorn::store::cdx {
namespace {

constexpr size_t kLeafHeader = 24;
constexpr size_t kNodeHeader = 12;

struct LeafBits {
    int rec = 0, dup = 0, trail = 0, bytes = 0;
};

// Bit widths of a leaf: duplicate and trailing counts get the bits of the key length, the entry
// is at least three bytes and grows a byte at a time until the largest record number fits.
LeafBits leaf_bits(int key_length, uint32_t max_rec) {
    LeafBits b;
    int kb = std::bit_width(static_cast<unsigned>(key_length));
    int need = std::max(1, static_cast<int>(std::bit_width(max_rec)));
    b.bytes = 3;
    while (8 * b.bytes - 2 * kb < need) ++b.bytes;
    b.dup = b.trail = kb;
    b.rec = 8 * b.bytes - 2 * kb;
    if (b.rec > 32) {  // spare bits go to the counts, whose masks then merely grow
        int spare = b.rec - 32;
        b.rec = 32;
        int to_dup = std::min(spare, 8 - b.dup);
        b.dup += to_dup;
        b.trail += spare - to_dup;
    }
    return b;
}

size_t trailing(std::string_view key, uint8_t fill) {
    size_t n = 0;
    while (n < key.size() && static_cast<uint8_t>(key[key.size() - 1 - n]) == fill) ++n;
    return n;
}

size_t common_prefix(std::string_view a, std::string_view b) {
    size_t n = 0, m = std::min(a.size(), b.size());
    while (n < m && a[n] == b[n]) ++n;
    return n;
}

uint32_t mask_of(int bits) {
    return bits >= 32 ? 0xFFFFFFFFu : (uint32_t{1} << bits) - 1;
}

}  // namespace

void Node::insert(size_t i, std::string_view key, uint32_t rec, uint32_t child) {
    keys.insert(i * static_cast<size_t>(key_length), key.data(), key.size());
    recs.insert(recs.begin() + static_cast<std::ptrdiff_t>(i), rec);
    if (!leaf()) childs.insert(childs.begin() + static_cast<std::ptrdiff_t>(i), child);
}

void Node::erase(size_t i) {
    keys.erase(i * static_cast<size_t>(key_length), static_cast<size_t>(key_length));
    recs.erase(recs.begin() + static_cast<std::ptrdiff_t>(i));
    if (!leaf()) childs.erase(childs.begin() + static_cast<std::ptrdiff_t>(i));
}

void Node::set(size_t i, std::string_view key, uint32_t rec) {
    keys.replace(i * static_cast<size_t>(key_length), static_cast<size_t>(key_length), key);
    recs[i] = rec;
}

void Node::move_tail(size_t from, Node* to) {
    size_t kl = static_cast<size_t>(key_length);
    to->keys.append(keys, from * kl, std::string::npos);
    keys.resize(from * kl);
    to->recs.insert(to->recs.end(), recs.begin() + static_cast<std::ptrdiff_t>(from), recs.end());
    recs.resize(from);
    if (!leaf()) {
        to->childs.insert(to->childs.end(), childs.begin() + static_cast<std::ptrdiff_t>(from),
                          childs.end());
        childs.resize(from);
    }
}

size_t interior_capacity(int key_length) {
    return (kPage - kNodeHeader) / (static_cast<size_t>(key_length) + 8);
}

Status decode_node(const Page& p, int key_length, uint8_t fill, Node* out) {
    const uint8_t* b = p.data();
    Node& n = *out;
    n.attr = get16(b);
    n.left = get32(b + 4);
    n.right = get32(b + 8);
    n.key_length = key_length;
    n.keys.clear();
    n.recs.clear();
    n.childs.clear();
    size_t count = get16(b + 2);
    size_t kl = static_cast<size_t>(key_length);
    if (n.attr > 3) return Status::corrupt("atributo de nó inválido " + std::to_string(n.attr));
    if (!n.leaf()) {
        if (count == 0 || count > interior_capacity(key_length))
            return Status::corrupt("nó interno com " + std::to_string(count) + " chaves");
        n.keys.reserve(count * kl);
        for (size_t i = 0; i < count; ++i) {
            const uint8_t* e = b + kNodeHeader + i * (kl + 8);
            n.keys.append(reinterpret_cast<const char*>(e), kl);
            n.recs.push_back(get32be(e + kl));
            n.childs.push_back(get32be(e + kl + 4));
        }
        return Status::ok();
    }
    uint32_t rec_mask = get32(b + 14);
    uint32_t dup_mask = b[18], trail_mask = b[19];
    int rbits = b[20], dbits = b[21], tbits = b[22], bytes = b[23];
    if (bytes < 1 || bytes > 8 || rbits + dbits + tbits > 8 * bytes || rbits > 32)
        return Status::corrupt("larguras de bits da folha inválidas");
    if (kLeafHeader + count * static_cast<size_t>(bytes) > kPage)
        return Status::corrupt("folha com " + std::to_string(count) + " chaves");
    n.keys.resize(count * kl);
    n.recs.resize(count);
    size_t end = kPage, floor = kLeafHeader + count * static_cast<size_t>(bytes);
    for (size_t i = 0; i < count; ++i) {
        uint64_t v = 0;
        const uint8_t* e = b + kLeafHeader + i * static_cast<size_t>(bytes);
        for (int k = bytes - 1; k >= 0; --k) v = v << 8 | e[k];
        uint32_t rec = static_cast<uint32_t>(v & rec_mask);
        size_t dup = (v >> rbits) & dup_mask;
        size_t trail = (v >> (rbits + dbits)) & trail_mask;
        if (dup + trail > kl || (i == 0 && dup > 0))
            return Status::corrupt("contagens de compressão inválidas na folha");
        size_t stored = kl - dup - trail;
        if (end < floor + stored)
            return Status::corrupt("dados das chaves invadem as entradas da folha");
        end -= stored;
        char* key = n.keys.data() + i * kl;
        if (dup) std::memcpy(key, key - kl, dup);
        std::memcpy(key + dup, b + end, stored);
        std::memset(key + dup + stored, fill, trail);
        n.recs[i] = rec;
    }
    return Status::ok();
}

bool encode_node(const Node& n, uint8_t fill, Page* out) {
    Page& p = *out;
    p.fill(0);
    uint8_t* b = p.data();
    size_t count = n.size();
    size_t kl = static_cast<size_t>(n.key_length);
    put16(b, n.attr);
    put16(b + 2, static_cast<uint16_t>(count));
    put32(b + 4, n.left);
    put32(b + 8, n.right);
    if (!n.leaf()) {
        if (count > interior_capacity(n.key_length)) return false;
        for (size_t i = 0; i < count; ++i) {
            uint8_t* e = b + kNodeHeader + i * (kl + 8);
            std::memcpy(e, n.key(i).data(), kl);
            put32be(e + kl, n.recs[i]);
            put32be(e + kl + 4, n.childs[i]);
        }
        return true;
    }
    uint32_t max_rec = count ? *std::max_element(n.recs.begin(), n.recs.end()) : 0;
    LeafBits bits = leaf_bits(n.key_length, max_rec);
    size_t floor = kLeafHeader + count * static_cast<size_t>(bits.bytes);
    if (floor > kPage) return false;
    size_t end = kPage;
    for (size_t i = 0; i < count; ++i) {
        std::string_view key = n.key(i);
        size_t trail = trailing(key, fill);
        size_t dup = i == 0 ? 0 : std::min(common_prefix(n.key(i - 1), key), kl - trail);
        size_t stored = kl - dup - trail;
        if (end < floor + stored) return false;
        end -= stored;
        std::memcpy(b + end, key.data() + dup, stored);
        uint64_t v =
            n.recs[i] | uint64_t{dup} << bits.rec | uint64_t{trail} << (bits.rec + bits.dup);
        uint8_t* e = b + kLeafHeader + i * static_cast<size_t>(bits.bytes);
        for (int k = 0; k < bits.bytes; ++k) e[k] = static_cast<uint8_t>(v >> (8 * k));
    }
    put16(b + 12, static_cast<uint16_t>(end - floor));
    put32(b + 14, mask_of(bits.rec));
    b[18] = static_cast<uint8_t>(mask_of(bits.dup));
    b[19] = static_cast<uint8_t>(mask_of(bits.trail));
    b[20] = static_cast<uint8_t>(bits.rec);
    b[21] = static_cast<uint8_t>(bits.dup);
    b[22] = static_cast<uint8_t>(bits.trail);
    b[23] = static_cast<uint8_t>(bits.bytes);
    return true;
}

bool LeafSizer::add(std::string_view prev_key, std::string_view key, uint32_t rec, bool first) {
    size_t kl = static_cast<size_t>(key_length_);
    size_t trail = trailing(key, fill_);
    size_t dup = first ? 0 : std::min(common_prefix(prev_key, key), kl - trail);
    size_t data = data_ + kl - dup - trail;
    uint32_t max_rec = std::max(max_rec_, rec);
    size_t bytes = static_cast<size_t>(leaf_bits(key_length_, max_rec).bytes);
    if (kLeafHeader + (count_ + 1) * bytes + data > kPage) return false;
    ++count_;
    data_ = data;
    max_rec_ = max_rec;
    return true;
}

Status decode_header(const uint8_t* b, Header* out) {
    Header& h = *out;
    h.root = get32(b);
    h.free_list = get32(b + 4);
    h.counter = get32be(b + 8);
    h.key_length = get16(b + 12);
    h.options = b[14];
    if (b[15] == 0x21 || (std::memcmp(b + 20, "RCHB", 4) == 0 && b[15] != 0x01))
        return Status::corrupt("índice gravado com página diferente de 512 bytes");
    if (h.key_length < 1 || h.key_length > 240)
        return Status::corrupt("tamanho de chave " + std::to_string(h.key_length));
    if (!(h.options & kOptCompact)) return Status::corrupt("não é um índice compacto");
    if (h.root == kNone || h.root % kPage != 0 || h.root < kPage)
        return Status::corrupt("ponteiro de raiz inválido");
    h.descending = get16(b + 502) != 0;
    size_t for_len = get16(b + 506), key_pos = get16(b + 508), key_len = get16(b + 510);
    auto text_at = [&](size_t pos, size_t len, std::string* s) {
        if (pos + len > kPage) return false;
        const char* pool = reinterpret_cast<const char*>(b + kPage);
        *s = std::string(pool + pos, strnlen(pool + pos, len));
        return true;
    };
    // The FOR expression follows the key expression's terminating NUL.
    if (!text_at(key_pos, key_len, &h.key_expr) ||
        !text_at(key_pos + key_len, for_len, &h.for_expr))
        return Status::corrupt("tamanhos de expressão inválidos");
    return Status::ok();
}

void encode_header(const Header& h, uint8_t* b) {
    std::memset(b, 0, kHeaderSize);
    put32(b, h.root);
    put32(b + 4, h.free_list);
    put32be(b + 8, h.counter);
    put16(b + 12, h.key_length);
    b[14] = h.options;
    b[15] = 0x01;
    put16(b + 16, static_cast<uint16_t>(kHeaderSize));
    put16(b + 18, static_cast<uint16_t>(kPage));
    put16(b + 502, h.descending ? 1 : 0);
    uint16_t key_len = static_cast<uint16_t>(h.key_expr.size() + 1);
    uint16_t for_len = static_cast<uint16_t>(h.for_expr.size() + 1);
    put16(b + 504, key_len);
    put16(b + 506, for_len);
    put16(b + 508, 0);
    put16(b + 510, key_len);
    std::memcpy(b + kPage, h.key_expr.data(), h.key_expr.size());
    std::memcpy(b + kPage + key_len, h.for_expr.data(), h.for_expr.size());
}

}  // namespace vorn::store::cdx
