// The print file: the row/column writer, print pictures, the terminal's own file and its
// publication.
#include "printing/print_file.h"

#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <sstream>

#include "base/text.h"

namespace vorn::printing {

std::string to_latin1(std::string_view utf8) {
    std::string out;
    for (char32_t c : to_u32(utf8))
        out += c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?';
    return out;
}

std::string from_latin1(std::string_view latin1) {
    std::string out;
    for (unsigned char c : latin1) append_utf8(out, c);
    return out;
}

std::vector<std::string_view> lines_of(std::string_view text) {
    std::vector<std::string_view> out;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string_view::npos) end = text.size();
        std::string_view l = text.substr(at, end - at);
        if (!l.empty() && l.back() == '\r') l.remove_suffix(1);
        out.push_back(l);
        at = end + 1;
    }
    return out;
}

Picture money_picture(int width, bool blank_when_zero) {
    // Digits right to left: two decimals, the point, then groups of three between separators.
    std::string t = ".99";
    for (int digits = 0; static_cast<int>(t.size()) < std::max(width, 4);) {
        if (digits > 0 && digits % 3 == 0 && static_cast<int>(t.size()) + 1 < width) {
            t.insert(t.begin(), ',');
        }
        t.insert(t.begin(), '9');
        ++digits;
    }
    return Picture(std::string(blank_when_zero ? "@EZ " : "@E ") + t);
}

Picture percent_picture(int width, bool blank_when_zero) {
    std::string t = ".99";
    while (static_cast<int>(t.size()) < std::max(width, 4)) t.insert(t.begin(), '9');
    return Picture(std::string(blank_when_zero ? "@EZ " : "@E ") + t);
}

namespace {

std::string print_document(std::string_view value, std::string_view mask, size_t digits) {
    std::string d;
    for (char c : value)
        if (c != '.' && c != '-' && c != '/' && c != ' ') d += c;
    if (d.empty()) return std::string(mask.size(), ' ');
    if (d.size() > digits) return std::string(mask.size(), '*');
    d.insert(0, digits - d.size(), '0');
    std::string out;
    size_t k = 0;
    for (char m : mask) out += m == '9' ? d[k++] : m;
    return out;
}

}  // namespace

std::string print_cpf(std::string_view value) {
    return print_document(value, "999.999.999-99", 11);
}

std::string print_cnpj(std::string_view value) {
    return print_document(value, "99.999.999/9999-99", 14);
}

// ---- the writer

void PrintWriter::finish_line() {
    if (line_.empty() && controls_.empty()) return;
    row_used_ = true;
    std::string& out = finished_;
    out.clear();
    size_t next = 0;
    for (size_t i = 0; i <= line_.size(); ++i) {
        for (; next < controls_.size() && controls_[next].first <= i; ++next)
            out += controls_[next].second;
        if (i == line_.size()) break;
        // As to_latin1: a character outside ISO-8859-1's printable ones becomes "?".
        const char32_t c = line_[i];
        out += c < 0x80 || (c >= 0xA0 && c <= 0xFF) ? static_cast<char>(c) : '?';
    }
    for (; next < controls_.size(); ++next) out += controls_[next].second;
    line_.clear();
    controls_.clear();
    emit(out);
}

void PrintWriter::move_to(int row, int col) {
    row = std::max(row, 0);
    col = std::max(col, 0);
    if (row < row_) eject();
    if (row > row_) {
        finish_line();
        for (int k = row_; k < row; ++k) emit("\n");
        row_ = row;
        row_used_ = false;
    }
    col_ = col;
}

void PrintWriter::say(int row, int col, std::string_view utf8) {
    move_to(row, col);
    size_t at = static_cast<size_t>(col_);
    if (line_.size() < at) line_.resize(at, U' ');  // even an empty text reaches its column
    for (size_t i = 0; i < utf8.size(); ++at) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        const char32_t c = byte < 0x80 ? (++i, byte) : next_char(utf8, i);
        if (line_.size() <= at) line_.resize(at + 1, U' ');
        line_[at] = c < 0x20 ? U' ' : c;
    }
    col_ = static_cast<int>(at);
}

void PrintWriter::say(int row, int col, Decimal value, const Picture& picture) {
    say(row, col, transform(value, picture));
}

void PrintWriter::eject() {
    finish_line();
    emit(row_used_ ? "\n\f" : "\f");
    row_ = col_ = 0;
    row_used_ = false;
}

void PrintWriter::finish() {
    finish_line();
    if (row_used_) emit("\n");
    row_ = col_ = 0;
    row_used_ = false;
}

void PrintWriter::control(std::string_view chars) {
    if (chars.empty()) return;
    size_t at = static_cast<size_t>(col_);
    controls_.push_back({at, std::string(chars)});
}

void PrintWriter::restart() {
    line_.clear();
    controls_.clear();
    row_ = col_ = 0;
    row_used_ = false;
}

// ---- the file

namespace {

std::string file_safe(std::string_view name) {
    std::string out;
    for (char c : name) out += c == '/' || static_cast<unsigned char>(c) < 0x20 ? '_' : c;
    return out;
}

// A private name beside `path` for writing before the rename.
std::string staging_name(const std::string& path) {
    return path + "." + std::to_string(::getpid()) + ".tmp";
}

}  // namespace

Status read_whole(const std::string& path, std::string* bytes) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return Status::not_found("Não foi possível ler " + path);
    std::ostringstream all;
    all << in.rdbuf();
    *bytes = all.str();
    return in.bad() ? Status::io_error("Erro de leitura em " + path) : Status::ok();
}

Status publish_bytes(std::string_view bytes, const std::string& path) {
    const std::string tmp = staging_name(path);
    {
        std::ofstream out(tmp, std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
        out.flush();
        if (!out) {
            std::remove(tmp.c_str());
            return Status::io_error("Não foi possível gravar " + path);
        }
    }
    std::error_code ec;
    std::filesystem::rename(tmp, path, ec);
    if (ec) {
        std::remove(tmp.c_str());
        return Status::io_error("Não foi possível gravar " + path + ": " + ec.message());
    }
    return Status::ok();
}

Status publish_copy(const std::string& from, const std::string& to) {
    std::string bytes;
    Status s = read_whole(from, &bytes);
    return s ? publish_bytes(bytes, to) : s;
}

std::string PrintFile::own_path(const PrintPlace& place) {
    return place.folder + "NAO-DOS-" + place.nusu + ".TXT";
}

std::string PrintFile::published_path(const PrintPlace& place) {
    return place.folder + "NAO-DOS.TXT";
}

std::string PrintFile::part_path() const {
    return place_.folder + "PROV-DOS-" + place_.nusu + ".TXT";
}

Status PrintFile::PREP_IMP(const PrintPlace& place, std::unique_ptr<PrintFile>* out) {
    std::unique_ptr<PrintFile> f(new PrintFile(place));
    const std::string own = own_path(place);
    const std::string first = place.per_taxpayer ? f->part_path() : own;
    if (place.per_taxpayer) {
        std::ofstream clear(own, std::ios::binary | std::ios::trunc);
        if (!clear) return Status::io_error("Não foi possível criar " + own);
    }
    f->out_.open(first, std::ios::binary | std::ios::trunc);
    if (!f->out_) return Status::io_error("Não foi possível criar " + first);
    *out = std::move(f);
    return Status::ok();
}

void PrintFile::emit(std::string_view latin1) {
    out_.write(latin1.data(), static_cast<std::streamsize>(latin1.size()));
    if (!out_ && failed_) failed_ = Status::io_error("Erro ao gravar o arquivo de impressão");
}

void PrintFile::MUDAIMP(int n) {
    if (n == 0 || n == 1) control(place_.strings[n]);
}

Status PrintFile::end_part() {
    finish();
    out_.close();
    if (!failed_) return failed_;
    if (!out_) return Status::io_error("Erro ao gravar " + part_path());
    std::string part;
    Status s = read_whole(part_path(), &part);
    if (!s) return s;
    std::ofstream all(own_path(place_), std::ios::binary | std::ios::app);
    all.write(part.data(), static_cast<std::streamsize>(part.size()));
    if (!all) return Status::io_error("Erro ao gravar " + own_path(place_));
    return Status::ok();
}

std::string PrintFile::copy_path(const PrintPlace& place, std::string_view cpf,
                                 std::string_view name) {
    // The first name with its following blank, and the last name.
    const std::string n = trim(name);
    const size_t first_end = n.find(' ');
    const std::string first = n.substr(0, first_end);
    const std::string last = first_end == std::string::npos ? "" : n.substr(n.rfind(' ') + 1);
    return place.folder + file_safe(trim(cpf) + first + (last.empty() ? "" : " " + last)) + ".TXT";
}

Status PrintFile::taxpayer_done(std::string_view cpf, std::string_view name) {
    if (!place_.per_taxpayer) return Status::ok();
    Status s = end_part();
    if (!s) return s;
    s = publish_copy(part_path(), copy_path(place_, cpf, name));
    if (!s) return s;
    out_.clear();
    out_.open(part_path(), std::ios::binary | std::ios::trunc);
    if (!out_) return Status::io_error("Não foi possível criar " + part_path());
    restart();
    return Status::ok();
}

Status PrintFile::close(std::string* path) {
    Status s;
    if (place_.per_taxpayer) {
        s = end_part();
    } else {
        finish();
        out_.close();
        s = failed_;
        if (s && !out_) s = Status::io_error("Erro ao gravar " + own_path(place_));
    }
    if (!s) return s;
    *path = own_path(place_);
    return publish_copy(*path, published_path(place_));
}

}  // namespace vorn::printing
