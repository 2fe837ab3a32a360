// The Sicalc page filled through a real, window-less Chromium and its driver, on a local page with
// the page's element ids (tests/data/sicalc): each code family's fields, values with quotes,
// backslashes and accents, the donation refusal, a missing element and Esc. These tests need the
// chromium and chromium-driver packages and fail without them.
#include "output/sicalc.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <cerrno>
#include <map>

namespace vorn::output {
namespace {

const std::string kPage = "file://" VORN_SOURCE_DIR "/tests/data/sicalc/contribuinte.html";

// Every input of the page: by id, or as "container[n]"; radio buttons read "marcado" when checked;
// "focused" lists the fldManual inputs in the order they received the focus; "injected" tells
// whether a value's text ever ran as script.
constexpr const char* kSnapshot = R"(var r = {};
document.querySelectorAll('input').forEach(function (el) {
  var box = el.parentElement;
  var key = el.id || box.id + '[' + Array.prototype.indexOf.call(box.getElementsByTagName('input'), el) + ']';
  r[key] = el.type === 'radio' ? (el.checked ? 'marcado' : '') : el.value;
});
r.focused = (window.focusedInputs || []).join(',');
r.injected = typeof window.x;
return r;)";

using Fields = std::map<std::string, std::string>;

// An operator that really waits, presses Esc after a number of pauses when told to, notes the
// driver's process id while the page is filled, and takes the page's fields at each notice.
class PageOperator final : public ScriptedOperator {
  public:
    explicit PageOperator(Browser& b) : browser_(b) { sleep_for_real = true; }
    std::vector<Fields> pages;  // the page's fields when the operator was asked to print
    int esc_after = -1;
    int pauses = 0;
    long driver_id = 0;

    void notice(NoticeKind kind, std::string_view title, std::string_view text) override {
        ScriptedOperator::notice(kind, title, text);
        if (text.find("Aguardando a impressão") == std::string_view::npos) return;
        WebDriver* wd = nullptr;
        Json r;
        ASSERT_TRUE(browser_.session(&wd));
        ASSERT_TRUE(wd->execute(kSnapshot, {}, &r));
        Fields f;
        for (const auto& [k, v] : r.members()) f[k] = v.text();
        pages.push_back(std::move(f));
    }
    bool esc_pressed() override { return esc_after >= 0 && pauses >= esc_after; }
    void pause(double seconds) override {
        ++pauses;
        if (browser_.driver_running()) driver_id = browser_.driver_id();
        ScriptedOperator::pause(seconds);
    }

  private:
    Browser& browser_;
};

SicalcSettings page_settings(const std::string& query, int wait) {
    SicalcSettings s;
    s.page = kPage + query;
    s.wait_seconds = wait;
    s.browser.headless = true;
    return s;
}

struct Rig {
    explicit Rig(const std::string& query = {}, int wait = 20)
        : settings(page_settings(query, wait)) {}
    SicalcSettings settings;
    CurlHttp http;
    Browser browser{SystemProcesses::instance(), http, settings.browser};
    PageOperator op{browser};
    SicalcRun fill(const std::vector<SicalcDarf>& darfs) {
        return fill_sicalc(browser, darfs, op, settings);
    }
    // The notices given, one a line, for the failure messages.
    std::string notices() const {
        std::string all;
        for (const auto& s : op.said) all += s.text + "\n";
        return all;
    }
};

bool process_gone(long pid) {
    return pid > 0 && kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH;
}

SicalcDarf darf(std::string code) {
    SicalcDarf d;
    d.code = std::move(code);
    d.cpf = "12345678909";
    d.birth = Date(1970, 3, 9);
    d.observation = "Pagto. \"quota\" \\ ação'); window.x=1; //";
    d.period = Date(2025, 12, 31);
    d.due = Date(2026, 7, 31);
    d.reference = "12\"3\\4";
    d.principal = Decimal::from("1234.56");
    d.fine = Decimal::from("24.69");
    d.interest = Decimal::from("3.5");
    d.consolidation = Date(2026, 8, 31);
    return d;
}

TEST(SicalcPage, FillsEachCodeFamilysFields) {
    Rig rig;

    SicalcDarf quota = darf("0211");
    quota.quota = 3;
    quota.quota_count = 5;
    quota.departure_declaration = true;
    SicalcDarf single = darf("0211");
    single.quota_count = 1;
    SicalcDarf leao = darf("0190");
    leao.period = Date(2025, 4, 30);
    SicalcDarf gain = darf("4600");
    gain.gain_kind = 2;
    gain.period = Date(2025, 2, 14);
    const std::vector<SicalcDarf> darfs = {quota,        single,       leao,
                                           darf("6015"), darf("3351"), darf("8523"),
                                           gain,         darf("5320"), darf("8960")};
    const SicalcRun run = rig.fill(darfs);
    const PageOperator& op = rig.op;
    EXPECT_EQ(run.filled, 8) << rig.notices();
    EXPECT_FALSE(run.failed);
    EXPECT_FALSE(run.interrupted);
    ASSERT_EQ(op.pages.size(), 8u);
    EXPECT_FALSE(rig.browser.driver_running());

    for (const Fields& f : op.pages) {
        EXPECT_EQ(f.at("cpfFormatado"), "123.456.789-09");
        EXPECT_EQ(f.at("nascimento"), "09/03/1970");
        EXPECT_EQ(f.at("observacao"), quota.observation);
        EXPECT_EQ(f.at("injected"), "undefined");
    }
    // The donation between them was refused and the others went on.
    EXPECT_TRUE(op.saw("notice", "O código para doação para o ECA ou IDOSO somente no IRPF"))
        << rig.notices();
    const Fields& q = op.pages[0];
    EXPECT_EQ(q.at("codReceitaPrincipal"), "0211 - 03");
    EXPECT_EQ(q.at("fldQuota[1]"), "12\"3\\4");
    EXPECT_EQ(q.at("fldQuota[2]"), "1234,56");
    EXPECT_EQ(q.at("quota3"), "marcado");
    EXPECT_EQ(q.at("quota0"), "");
    EXPECT_EQ(op.pages[1].at("codReceitaPrincipal"), "0211 - 01");
    EXPECT_EQ(op.pages[1].at("quota0"), "marcado");

    const Fields& l = op.pages[2];
    EXPECT_EQ(l.at("codReceitaPrincipal"), "0190");
    EXPECT_EQ(l.at("fldAutomatico[0]"), "31/08/2026");
    EXPECT_EQ(l.at("fldAutomatico[2]"), "04/2025");
    EXPECT_EQ(l.at("fldAutomatico[3]"), "12\"3\\4");
    EXPECT_EQ(l.at("fldPrincipal[0]"), "31/07/2026");
    EXPECT_EQ(l.at("fldPrincipal[1]"), "1234,56");
    EXPECT_EQ(l.at("fldQuota[2]"), "");
    for (int i : {3, 4}) {  // 6015 and 8523: no consolidation date
        EXPECT_EQ(op.pages[i].at("fldAutomatico[0]"), "");
        EXPECT_EQ(op.pages[i].at("fldAutomatico[2]"), "12/2025");
        EXPECT_EQ(op.pages[i].at("fldPrincipal[1]"), "1234,56");
    }
    EXPECT_EQ(op.pages[4].at("codReceitaPrincipal"), "8523 - 01");

    const Fields& g = op.pages[5];
    EXPECT_EQ(g.at("codReceitaPrincipal"), "4600 - 03");
    EXPECT_EQ(g.at("fldAutomatico[0]"), "31/08/2026");
    EXPECT_EQ(g.at("fldAutomatico[2]"), "02/2025");
    EXPECT_EQ(g.at("dataAlienacao"), "14/02/2025");
    EXPECT_EQ(g.at("optGanhoSim"), "marcado");

    for (int i : {6, 7}) {
        const Fields& m = op.pages[i];
        EXPECT_EQ(m.at("fldManual[0]"), "31/08/2026");
        EXPECT_EQ(m.at("fldManual[1]"), "12\"3\\4");
        EXPECT_EQ(m.at("fldManual[2]"), "31/07/2026");
        EXPECT_EQ(m.at("fldManual[3]"), "1234,56");
        EXPECT_EQ(m.at("fldManual[4]"), "24,69");
        EXPECT_EQ(m.at("fldManual[5]"), "3,50");
        EXPECT_EQ(m.at("focused"), "0,1,2,3,4,5");
        EXPECT_EQ(m.at("fldAutomatico[2]"), "");
    }
    EXPECT_TRUE(process_gone(op.driver_id));
}

TEST(SicalcPage, DonationsAreRefusedWithoutStartingTheBrowser) {
    FakeProcesses procs;
    ScriptedOperator op;
    SicalcDarf quota9 = darf("0211");
    quota9.quota = 9;
    quota9.quota_count = 8;
    const SicalcRun run =
        fill_sicalc({darf("3351"), darf("9090"), quota9}, op, procs,
                    [](std::string_view) -> std::optional<std::string> { return std::nullopt; });
    EXPECT_EQ(run.filled, 0);
    EXPECT_TRUE(procs.started.empty());
    ASSERT_EQ(op.said.size(), 3u);
    EXPECT_EQ(op.said[0].text, "O código para doação para o ECA ou IDOSO somente no IRPF");
    EXPECT_EQ(op.said[1].text, op.said[0].text);
    EXPECT_EQ(op.said[2].text, "Essa quota não existe !!");
}

TEST(SicalcPage, AnElementThePageNoLongerHasIsNamedAndTheBrowserClosed) {
    Rig rig("?sem=codReceitaPrincipal", 2);
    const SicalcRun run = rig.fill({darf("0190"), darf("6015")});
    EXPECT_TRUE(run.failed);
    EXPECT_EQ(run.filled, 0);
    EXPECT_TRUE(rig.op.saw("notice",
                           "A página do Sicalc não mostrou \"codReceitaPrincipal\" em 2 segundos."))
        << rig.notices();
    EXPECT_TRUE(rig.op.pages.empty());
    EXPECT_FALSE(rig.browser.driver_running());
    EXPECT_TRUE(process_gone(rig.op.driver_id));
}

TEST(SicalcPage, EscStopsAWaitAndClosesTheBrowser) {
    Rig rig("?sem=fldInfo", 60);
    rig.op.esc_after = 3;
    const SicalcRun run = rig.fill({darf("0190"), darf("6015")});
    EXPECT_TRUE(run.interrupted);
    EXPECT_FALSE(run.failed);
    EXPECT_EQ(run.filled, 0);
    EXPECT_TRUE(rig.op.saw("notice", "Acesso ao Darf encerrado")) << rig.notices();
    EXPECT_LT(rig.op.pauses, 10);
    EXPECT_FALSE(rig.browser.driver_running());
    EXPECT_TRUE(process_gone(rig.op.driver_id));
}

TEST(Sicalc, CodeVariationsFollowTheDeclarationAndTheGain) {
    SicalcDarf d = darf("4600");
    const std::pair<int, const char*> gains[] = {
        {1, "4600 - 02"}, {2, "4600 - 03"}, {3, "4600 - 04"}};
    for (const auto& [kind, code] : gains) {
        d.gain_kind = kind;
        EXPECT_EQ(sicalc_code(d), code);
    }
    d.final_declaration = true;
    EXPECT_EQ(sicalc_code(d), "4600 - 05");
    d = darf("0211");
    EXPECT_EQ(sicalc_code(d), "0211 - 01");
    d.final_declaration = true;
    EXPECT_EQ(sicalc_code(d), "0211 - 02");
    d.departure_declaration = true;
    EXPECT_EQ(sicalc_code(d), "0211 - 03");
    EXPECT_EQ(sicalc_code(darf("8523")), "8523 - 01");
    EXPECT_EQ(sicalc_code(darf("5320")), "5320");
    EXPECT_EQ(sicalc_money(Decimal::from("1234567.8")), "1234567,80");
    EXPECT_EQ(sicalc_money(Decimal(0)), "0,00");
}

TEST(Sicalc, SettingsComeFromTheEnvironment) {
    std::map<std::string, std::string, std::less<>> env;
    auto variable = [&](std::string_view name) -> std::optional<std::string> {
        auto it = env.find(name);
        if (it == env.end()) return std::nullopt;
        return it->second;
    };
    SicalcSettings s = sicalc_settings(variable);
    EXPECT_EQ(s.page, "https://sicalc.receita.economia.gov.br/sicalc/rapido/contribuinte");
    EXPECT_EQ(s.wait_seconds, 60);
    EXPECT_FALSE(s.browser.headless);
    env = {{"VORN_SICALC", " http://localhost:8080/x "},
           {"VORN_SICALC_WAIT", "15"},
           {"VORN_CHROMEDRIVER", "/opt/cd"},
           {"VORN_CHROMIUM", "/opt/chromium"},
           {"VORN_SICALC_HEADLESS", "1"}};
    s = sicalc_settings(variable);
    EXPECT_EQ(s.page, "http://localhost:8080/x");
    EXPECT_EQ(s.wait_seconds, 15);
    EXPECT_EQ(s.browser.driver, "/opt/cd");
    EXPECT_EQ(s.browser.binary, "/opt/chromium");
    EXPECT_TRUE(s.browser.headless);
    for (const char* bad : {"0", "-5", "15s", ""}) {
        env["VORN_SICALC_WAIT"] = bad;
        EXPECT_EQ(sicalc_settings(variable).wait_seconds, 60) << bad;
    }
}

}  // namespace
}  // namespace vorn::output
