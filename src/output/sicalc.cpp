// The Sicalc page's steps by element id, each wait polled once a second.
#include "output/sicalc.h"

#include <charconv>

#include "base/helpers.h"
#include "base/text.h"

namespace vorn::output {
namespace {

// True once the page has loaded and is not the one left behind by a navigation (marked below).
constexpr const char* kLoaded = "return document.readyState === 'complete' && !window.vornLeaving;";
constexpr const char* kMarkLeaving = "window.vornLeaving = true;";
// Sets the value of the element (index < 0) or of its index-th input, as typing would, and
// focuses it when asked; false while the page has no such element.
constexpr const char* kSetValue = R"(var box = document.getElementById(arguments[0]);
if (!box) return false;
var el = arguments[1] < 0 ? box : box.getElementsByTagName('input')[arguments[1]];
if (!el) return false;
el.value = arguments[2];
el.dispatchEvent(new Event('input', {bubbles: true}));
el.dispatchEvent(new Event('change', {bubbles: true}));
if (arguments[3]) el.focus();
return true;)";
// The first input of the element once it is enabled, else null.
constexpr const char* kFirstEnabledInput = R"(var box = document.getElementById(arguments[0]);
if (!box) return null;
var el = box.getElementsByTagName('input')[0];
return el && !el.disabled ? el : null;)";
// True when the element holds a list with an item that is not blank.
constexpr const char* kListFilled = R"(var box = document.getElementById(arguments[0]);
if (!box) return false;
var items = box.getElementsByTagName('li');
for (var i = 0; i < items.length; i++) if (items[i].textContent.trim() !== '') return true;
return false;)";
constexpr const char* kValueOf = R"(var el = document.getElementById(arguments[0]);
return el ? el.value : null;)";

std::string quoted(std::string_view id) {
    return "\"" + std::string(id) + "\"";
}
std::string input_name(std::string_view id, int index) {
    return quoted(id) + " input[" + std::to_string(index) + "]";
}
std::string month_year(Date d) {
    return d.blank() ? std::string() : d.dmy().substr(3);
}
std::string day(Date d) {
    return d.blank() ? std::string() : d.dmy();
}

// The browser's side of a DARF: every wait polled once a second with Esc, up to the limit.
class Page {
  public:
    Page(WebDriver& wd, Operator& op, int limit) : wd_(wd), op_(op), limit_(limit) {}

    // Polls `check` until it says done. Esc gives kCancelled, the limit kNotFound naming `what`,
    // a browser that no longer answers kIoError.
    Status wait(const std::string& what, const std::function<Status(bool*)>& check) {
        for (int polls = 0;; ++polls) {
            if (op_.esc_pressed()) return Status::cancelled("Acesso ao Darf encerrado");
            bool done = false;
            if (Status st = check(&done); !st) {
                if (st.code() != Status::Code::kNotFound && !wd_.alive()) return st;
                done = false;
            }
            if (done) return Status::ok();
            if (polls >= limit_)
                return Status::not_found("A página do Sicalc não mostrou " + what + " em " +
                                         std::to_string(limit_) + " segundos.");
            op_.pause(1);
        }
    }

    // Waits until the script returns something other than false or null; *result gets it.
    Status until(const std::string& what, std::string_view script, const Json::Array& args,
                 Json* result = nullptr) {
        return wait(what, [&](bool* done) {
            Json r;
            if (Status st = wd_.execute(script, args, &r); !st) return st;
            *done = !(r.is_null() || (r.is_bool() && !r.boolean()));
            if (*done && result) *result = std::move(r);
            return Status::ok();
        });
    }

    Status open(const std::string& url) {
        if (Status st = wd_.execute(kMarkLeaving, {}, nullptr); !st) return st;
        if (Status st = wd_.navigate(url); !st) return st;
        return loaded();
    }
    Status loaded() { return until("o fim do carregamento", kLoaded, {}); }

    Status set(std::string_view id, int index, const std::string& value, bool focus = false) {
        return until(index < 0 ? quoted(id) : input_name(id, index), kSetValue,
                     {Json(std::string(id)), Json(index), Json(value), Json(focus)});
    }

    // Types the value into the element, as the operator would, after emptying it.
    Status type(std::string_view id, const std::string& value) {
        if (Status st = set(id, -1, ""); !st) return st;
        Json el;
        if (Status st = wd_.find_by_id(id, &el); !st) return st;
        return wd_.send_keys(el, value);
    }

    Status click(std::string_view id) {
        Json el;
        if (Status st = wait(quoted(id),
                             [&](bool* done) {
                                 Status found = wd_.find_by_id(id, &el);
                                 *done = found.is_ok();
                                 return found;
                             });
            !st)
            return st;
        return wd_.click(el);
    }

    Status click_first_enabled_input(std::string_view id) {
        Json el;
        if (Status st = until(input_name(id, 0) + " habilitado", kFirstEnabledInput,
                              {Json(std::string(id))}, &el);
            !st)
            return st;
        return wd_.click(el);
    }

    Status list_filled(std::string_view id) {
        return until("a lista de " + quoted(id), kListFilled, {Json(std::string(id))});
    }

    Status value_of(std::string_view id, std::string* out) {
        Json v;
        if (Status st = until(quoted(id), kValueOf, {Json(std::string(id))}, &v); !st) return st;
        *out = v.is_string() ? v.text() : std::string();
        return Status::ok();
    }

    void pause_half() { op_.pause(0.5); }

  private:
    WebDriver& wd_;
    Operator& op_;
    int limit_;
};

bool donation_code(std::string_view code) {
    return code == "3351" || code == "9090";
}

// Steps 4 and 5 of one DARF on the loaded page.
Status fill_page(Page& p, const SicalcDarf& d) {
    const std::string money_principal = sicalc_money(d.principal);
    Status st = p.type("cpfFormatado", mask_picture(d.cpf, "999.999.999-99"));
    if (st) st = p.type("nascimento", day(d.birth));
    if (st) st = p.click_first_enabled_input("divBotoes");
    if (st) st = p.set("observacao", -1, d.observation);
    if (st) st = p.set("codReceitaPrincipal", -1, sicalc_code(d));
    if (st) st = p.list_filled("fldInfo");
    std::string chosen;
    if (st) st = p.value_of("codReceitaPrincipal", &chosen);
    if (!st) return st;
    const std::string family = chosen.substr(0, 4);
    if (family == "0211") {
        st = p.set("fldQuota", 1, d.reference);
        if (st) st = p.set("fldQuota", 2, money_principal);
        if (st) st = p.click(d.quota_count <= 1 ? "quota0" : "quota" + std::to_string(d.quota));
        return st;
    }
    if (family == "0190" || family == "6015" || family == "8523" || family == "4600") {
        if (family == "0190" || family == "4600")
            st = p.set("fldAutomatico", 0, day(d.consolidation));
        if (st) st = p.set("fldAutomatico", 2, month_year(d.period));
        if (st) st = p.set("fldAutomatico", 3, d.reference);
        if (st) st = p.set("fldPrincipal", 0, day(d.due));
        if (st) st = p.set("fldPrincipal", 1, money_principal);
        if (st && family == "4600") {
            st = p.set("dataAlienacao", -1, day(d.period));
            if (st) st = p.click("optGanhoSim");
        }
        return st;
    }
    if (family == "5320" || family == "8960") {
        const std::string values[] = {day(d.consolidation), d.reference,
                                      day(d.due),           money_principal,
                                      sicalc_money(d.fine), sicalc_money(d.interest)};
        for (int i = 0; i < 6 && st; ++i) {
            st = p.set("fldManual", i, values[i], true);
            p.pause_half();
        }
        return st;
    }
    return Status::ok();  // other codes: the operator completes the page
}

}  // namespace

SicalcSettings sicalc_settings(
    const std::function<std::optional<std::string>(std::string_view)>& variable) {
    SicalcSettings s;
    if (auto v = variable("VORN_SICALC"); v && !trim(*v).empty()) s.page = trim(*v);
    if (auto v = variable("VORN_SICALC_WAIT")) {
        const std::string t = trim(*v);
        int n = 0;
        auto [end, ec] = std::from_chars(t.data(), t.data() + t.size(), n);
        if (ec == std::errc() && end == t.data() + t.size() && n > 0) s.wait_seconds = n;
    }
    if (auto v = variable("VORN_CHROMEDRIVER"); v && !trim(*v).empty()) s.browser.driver = trim(*v);
    if (auto v = variable("VORN_CHROMIUM"); v && !trim(*v).empty()) s.browser.binary = trim(*v);
    if (auto v = variable("VORN_SICALC_HEADLESS")) s.browser.headless = trim(*v) == "1";
    return s;
}

std::string sicalc_code(const SicalcDarf& d) {
    if (d.code == "4600") {
        if (d.final_declaration) return "4600 - 05";
        if (d.gain_kind == 1) return "4600 - 02";
        if (d.gain_kind == 2) return "4600 - 03";
        if (d.gain_kind == 3) return "4600 - 04";
        return d.code;
    }
    if (d.code == "8523") return "8523 - 01";
    if (d.code == "0211") {
        if (d.departure_declaration) return "0211 - 03";
        if (d.final_declaration) return "0211 - 02";
        return "0211 - 01";
    }
    return d.code;
}

std::string sicalc_money(const Decimal& value) {
    std::string text = value.to_string(2);
    for (char& c : text)
        if (c == '.') c = ',';
    return text;
}

SicalcRun fill_sicalc(Browser& browser, const std::vector<SicalcDarf>& darfs, Operator& op,
                      const SicalcSettings& settings) {
    SicalcRun run;
    for (const SicalcDarf& d : darfs) {
        if (donation_code(d.code)) {
            op.notice(NoticeKind::kWarning, "",
                      "O código para doação para o ECA ou IDOSO somente no IRPF");
            continue;
        }
        if (d.code == "0211" && d.quota_count > 1 && (d.quota < 1 || d.quota > 8)) {
            op.notice(NoticeKind::kError, "", "Essa quota não existe !!");
            continue;
        }
        WebDriver* wd = nullptr;
        if (Status st = browser.session(&wd); !st) {
            op.notice(NoticeKind::kError, "",
                      "ERRO! Navegador indisponível . [" + st.message() + "]");
            run.failed = true;
            break;
        }
        Page page(*wd, op, settings.wait_seconds);
        Status st = page.open(settings.page);
        if (st) st = fill_page(page, d);
        if (st) st = page.loaded();
        if (st.code() == Status::Code::kCancelled) {
            browser.close();
            op.notice(NoticeKind::kInformation, "", "Acesso ao Darf encerrado");
            run.interrupted = true;
            break;
        }
        if (!st) {
            browser.close();
            op.notice(NoticeKind::kError, "",
                      st.code() == Status::Code::kNotFound
                          ? st.message()
                          : "ERRO! Navegador indisponível . [" + st.message() + "]");
            run.failed = true;
            break;
        }
        ++run.filled;
        op.notice(NoticeKind::kInformation, "",
                  "Aguardando a impressão no Sicalc!   \nNão encerrre o Navegador até o DARF  \n"
                  "ser impresso. Feche antes a tela do VORN");
    }
    browser.close();
    return run;
}

SicalcRun fill_sicalc(const std::vector<SicalcDarf>& darfs, Operator& op, Processes& processes,
                      const std::function<std::optional<std::string>(std::string_view)>& variable) {
    const SicalcSettings settings = sicalc_settings(variable);
    CurlHttp http;
    Browser browser(processes, http, settings.browser);
    return fill_sicalc(browser, darfs, op, settings);
}

}  // namespace vorn::output
