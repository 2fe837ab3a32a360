// libFuzzer target over the reading of the browser driver's replies: any bytes at all must give a
// reply or a message, never a crash or a hang; a reply read back from its own writing is the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "output/webdriver.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    vorn::output::WebDriverReply reply;
    const vorn::Status st = vorn::output::parse_webdriver_reply(size % 2 ? 404 : 200, text, &reply);
    if (!st) {
        if (st.message().empty()) std::abort();
        return 0;
    }
    const std::string written = reply.value.dump();
    vorn::output::Json again;
    if (!vorn::output::parse_json(written, &again) || again.dump() != written) std::abort();
    return 0;
}
