#include "frontends/Usage.h"

#include "startup/RunMode.h"
#include "text/AnsiText.h"

namespace varnix::frontends {

bool AsksForHelp(int argc, const char* const* argv) {
    std::string commandLine;
    bool help = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        commandLine += arg + " ";
        help = help || arg == "-h" || text::ToUpper(arg) == "--HELP" || arg == "/?";
    }
    return help && startup::ChooseRunMode(commandLine).mode == startup::RunMode::Resident;
}

std::string UsageText(const std::string& program) {
    return "Uso: " + program +
           " [-E<file di configurazione> | -I | -V]\n"
           "\n"
           "Senza opzioni resta in esecuzione e cerca il file comandi SRINPF.TXT ogni 900 ms.\n"
           "  -E<file>   esegue una volta il file comandi indicato dalla configurazione <file>\n"
           "             (scritta subito dopo -E, senza spazio) e termina\n"
           "  -I         apre la console di test interattiva\n"
           "  -V         mostra la versione e termina\n"
           "  -h, --help, /?  mostra questo testo\n"
           "  --history [N] [--all]\n"
           "             stampa gli ultimi N scambi dallo storico (20) e termina; con --all\n"
           "             anche i controlli di stato di VarnixPos\n"
           "\n"
           "I file stanno nella cartella dati (ConfigVnxPos.TXT, ParamVnxPos.TXT, "
           "LogVnxPos.TXT,\nHistoryVnxPos.jsonl).\n";
}

}  // namespace varnix::frontends
