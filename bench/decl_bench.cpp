// decl_bench [N1 N2 ...]: opens one declaration for entry and saves it back, in generated data
// folders of N declarations each (default 10 and 5000; folders written by gen_folder, found beside
// this program), and prints the median times and their ratio to the first folder's. The indexes
// are built before timing, as they are after a folder's first opening. Then the same through a
// file layer that counts the syncs (of files, folders and file systems) and sleeps 5 ms in each,
// as a slow disk or a network share makes them.
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "base/operator.h"
#include "bench_util.h"
#include "store/cdx_index.h"
#include "store/declaration.h"
#include "store/opening.h"

namespace {

namespace fs = std::filesystem;

double ms_since(bench::Wall::time_point t) {
    return 1000 * bench::seconds_since(t);
}

void opened(bool ok, int table) {
    if (!ok) bench::check(vorn::Status::io_error("tabela " + std::to_string(table)), "abrir");
}

double median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

struct Times {
    double open = 0, save = 0, pack = 0;
    int open_syncs = 0, save_syncs = 0;  // of the last opening and saving
};

Times measure(const fs::path& base, int n, const std::string& generator,
              vorn::store::FaultEnv* slow = nullptr) {
    const fs::path folder = base / ("pasta" + std::to_string(n));
    if (!fs::exists(folder)) {
        fs::create_directories(folder);
        bench::shell_seconds(generator + " " + folder.string() + " " + std::to_string(n) +
                             " > /dev/null");
    }
    vorn::ScriptedOperator op;
    vorn::SystemClock clock;
    vorn::store::CdxIndexFiles indexes(op);
    vorn::store::WorkAreas w(
        slow ? static_cast<vorn::store::Env&>(*slow) : vorn::store::Env::posix(), op, clock);
    w.ARQDEF = w.LOCARQ = folder.string();
    w.NUSU = "01";
    w.index_files = &indexes;
    // The indexes of the folder, as its first opening builds them.
    for (int t = 1; t <= 21; ++t) {
        if (t != 13) opened(vorn::store::ABERTURA(w, t), t);
        w.close(t);
    }
    opened(vorn::store::ABERTURA(w, 9), 9);
    // A client from the middle of the folder.
    vorn::store::Table& reg = *w.table(9);
    reg.set_order(0);
    uint32_t count = 0;
    bench::check(reg.record_count(&count), "registro");
    bench::check(reg.go_to(count / 2 + 1), "registro");
    const std::string cpf = reg.str("CPF");

    std::vector<double> opens, saves;
    Times out;
    for (int k = 0; k < 7; ++k) {
        vorn::store::Declaration d(w, {folder.string(), "BENCH"});
        const int before = slow ? slow->syncs() : 0;
        auto t0 = bench::Wall::now();
        bench::check(d.load(cpf, vorn::store::LoadMode::kExisting, true), "abrir a declaração");
        opens.push_back(ms_since(t0));
        const int loaded = slow ? slow->syncs() : 0;
        d.values().set("NOMECONTR", "NOME " + std::to_string(k));
        auto t1 = bench::Wall::now();
        bench::check(d.save(true), "salvar a declaração");
        saves.push_back(ms_since(t1));
        out.open_syncs = loaded - before;
        out.save_syncs = (slow ? slow->syncs() : 0) - loaded;
    }
    out.open = median(opens);
    out.save = median(saves);
    if (slow) {
        w.close_all();
        return out;
    }
    // For comparison: what packing the assets table of the folder costs (what every save did
    // before the declaration's own records were rewritten in place).
    opened(vorn::store::ABERTURA(w, 4, true), 4);
    auto t2 = bench::Wall::now();
    bench::check(w.table(4)->pack(), "pack");
    out.pack = ms_since(t2);
    w.close_all();
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<int> sizes;
    for (int i = 1; i < argc; ++i) sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty()) sizes = {10, 5000};
    const fs::path self = fs::canonical("/proc/self/exe");
    const std::string generator = (self.parent_path() / "gen_folder").string();
    const fs::path base = fs::temp_directory_path() / ("decl_bench_" + std::to_string(getpid()));
    std::printf("%12s %12s %12s %10s %14s\n", "declarações", "abrir (ms)", "salvar (ms)", "razão",
                "pack IMP04 (ms)");
    Times first{};
    for (size_t i = 0; i < sizes.size(); ++i) {
        Times t = measure(base, sizes[i], generator);
        if (i == 0) first = t;
        std::printf("%12d %12.1f %12.1f %10.2f %14.1f\n", sizes[i], t.open, t.save,
                    t.save / first.save, t.pack);
    }
    std::printf("\ncom 5 ms por sincronização:\n%12s %12s %12s %14s %14s\n", "declarações",
                "abrir (ms)", "salvar (ms)", "sincr. abrir", "sincr. salvar");
    for (int n : sizes) {
        vorn::store::FaultEnv slow(vorn::store::Env::posix());
        slow.on_sync([] { std::this_thread::sleep_for(std::chrono::milliseconds(5)); });
        Times t = measure(base, n, generator, &slow);
        std::printf("%12d %12.1f %12.1f %14d %14d\n", n, t.open, t.save, t.open_syncs,
                    t.save_syncs);
    }
    fs::remove_all(base);
    return 0;
}
