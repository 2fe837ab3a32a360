// Byte-level codec of the 512-byte pages of a FoxPro compact compound index: the 1024-byte
// headers (compound header and tag headers), interior nodes and compact leaf nodes.
// Only cdx.cpp and its tests use it; everything here works on bytes already read.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "base/status.h"

namespace vorn::store::cdx {

inline constexpr uint32_t kPage = 512;
inline constexpr uint32_t kHeaderSize = 1024;
inline constexpr uint32_t kNone = 0xFFFFFFFF;  // "no page" in sibling and root pointers
using Page = std::array<uint8_t, kPage>;

// Node attribute bits.
inline constexpr uint16_t kAttrRoot = 1;
inline constexpr uint16_t kAttrLeaf = 2;

// Index option bits (header byte 14).
inline constexpr uint8_t kOptUnique = 0x01;
inline constexpr uint8_t kOptFor = 0x08;
inline constexpr uint8_t kOptCompact = 0x20;
inline constexpr uint8_t kOptCompound = 0x40;
inline constexpr uint8_t kOptTagBag = 0x80;

inline uint16_t get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}
inline uint32_t get32(const uint8_t* p) {
    return uint32_t{p[0]} | uint32_t{p[1]} << 8 | uint32_t{p[2]} << 16 | uint32_t{p[3]} << 24;
}
inline uint32_t get32be(const uint8_t* p) {
    return uint32_t{p[3]} | uint32_t{p[2]} << 8 | uint32_t{p[1]} << 16 | uint32_t{p[0]} << 24;
}
inline void put16(uint8_t* p, uint16_t v) {
    p[0] = static_cast<uint8_t>(v);
    p[1] = static_cast<uint8_t>(v >> 8);
}
inline void put32(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (8 * i));
}
inline void put32be(uint8_t* p, uint32_t v) {
    for (int i = 0; i < 4; ++i) p[i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}

// One node, decoded. Keys are kept back to back, each key_length bytes.
struct Node {
    uint16_t attr = 0;
    uint32_t left = kNone;
    uint32_t right = kNone;
    int key_length = 0;
    std::string keys;
    std::vector<uint32_t> recs;
    std::vector<uint32_t> childs;  // interior nodes only

    bool leaf() const { return (attr & kAttrLeaf) != 0; }
    bool root() const { return (attr & kAttrRoot) != 0; }
    size_t size() const { return recs.size(); }
    std::string_view key(size_t i) const {
        return std::string_view(keys).substr(i * static_cast<size_t>(key_length),
                                             static_cast<size_t>(key_length));
    }
    void insert(size_t i, std::string_view key, uint32_t rec, uint32_t child = 0);
    void erase(size_t i);
    void set(size_t i, std::string_view key, uint32_t rec);
    // Moves entries [from, size) into `to` (appended).
    void move_tail(size_t from, Node* to);
};

// Entries an interior node of this key length holds.
size_t interior_capacity(int key_length);

// Decodes a page; a malformed page gives Status::corrupt with what is wrong.
// `fill` is the byte trailing counts stand for: a blank for text keys, 0 for the others.
Status decode_node(const Page& page, int key_length, uint8_t fill, Node* out);
// Encodes a node; false when it does not fit in one page (the page is then unspecified).
bool encode_node(const Node& node, uint8_t fill, Page* out);

// Running size of a compact leaf as entries are appended in order (bulk building).
class LeafSizer {
  public:
    LeafSizer(int key_length, uint8_t fill) : key_length_(key_length), fill_(fill) {}
    void reset() { *this = LeafSizer(key_length_, fill_); }
    // Whether one more entry (following the previous one added) still fits; adds it if so.
    bool add(std::string_view prev_key, std::string_view key, uint32_t rec, bool first);

  private:
    int key_length_;
    uint8_t fill_;
    size_t count_ = 0;
    size_t data_ = 0;
    uint32_t max_rec_ = 0;
};

// A header page pair: the compound header at offset 0 or one tag's header.
struct Header {
    uint32_t root = kNone;
    uint32_t free_list = 0;
    uint32_t counter = 0;  // change counter, stored big-endian at bytes 8-11
    uint16_t key_length = 0;
    uint8_t options = 0;
    bool descending = false;
    std::string key_expr;
    std::string for_expr;
};

Status decode_header(const uint8_t* bytes1024, Header* out);
void encode_header(const Header& h, uint8_t* bytes1024);

}  // namespace vorn::store::cdx
