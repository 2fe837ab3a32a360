// libFuzzer target over the reader of the government program's transmitted declaration files:
// any bytes give a summary whose CPF is eleven digits and whose year four characters, or none with
// a reason, never a crash.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "maintenance/history.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::string why;
    const auto d = vorn::maintenance::read_transmitted(bytes, &why);
    if (d && (d->cpf.size() != 11 || d->year.size() != 4)) std::abort();
    if (!d && why.empty()) std::abort();
    return 0;
}
