// libFuzzer target over the reading of a declaration document's identification record for the
// government program's list: any bytes give an item or a message, never a crash; an item is one
// well-formed empty element "item" that reads back to itself.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <pugixml.hpp>
#include <sstream>
#include <string>
#include <string_view>

#include "output/handover.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    std::string item;
    const vorn::Status st = vorn::output::list_item(text, &item);
    if (!st) {
        if (st.message().empty()) std::abort();
        return 0;
    }
    if (item.rfind("<item", 0) != 0 || item.size() < 7 || item.compare(item.size() - 2, 2, "/>"))
        std::abort();
    pugi::xml_document doc;
    if (!doc.load_buffer(item.data(), item.size())) std::abort();
    pugi::xml_node n = doc.first_child();
    if (std::string_view(n.name()) != "item" || n.first_child() || n.next_sibling()) std::abort();
    std::ostringstream again;
    n.print(again, "", pugi::format_raw);
    if (again.str() != item) std::abort();
    return 0;
}
