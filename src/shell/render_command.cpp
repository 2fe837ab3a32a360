// vorn2026 render IN.TXT OUT.pdf: a print file rendered as the printers receive it.
#include <filesystem>
#include <iostream>
#include <string>

#include "printing/pdf.h"
#include "printing/print_file.h"
#include "shell/commands.h"

namespace vorn {

int run_render_command(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "uso: vorn2026 render ARQUIVO.TXT SAIDA.pdf\n";
        return 2;
    }
    std::string text;
    Status s = printing::read_whole(argv[1], &text);
    // The document is titled by the print file's name, as a print job by its copy's.
    if (s) s = printing::write_pdf(text, std::filesystem::path(argv[1]).stem().string(), argv[2]);
    if (!s) {
        std::cerr << "vorn2026 render: " << s.message() << "\n";
        return 1;
    }
    return 0;
}

}  // namespace vorn
