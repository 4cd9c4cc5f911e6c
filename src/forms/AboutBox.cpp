#include "forms/AboutBox.h"

#include "Version.h"

namespace varnix::forms {

const char* const AboutBox::kApplicationTitle = "ZANDRIK VarnixPos";
const char* const AboutBox::kComment =
    "Programma di TEST per sviluppatori per  \"Scambio Importo\" con POS Ingenico (compat. x "
    "Windows XP, VISTA/7/8/ 10)";

AboutBox::AboutBox() {
    lblTitle.caption = "Titolo applicazione";
    lblVersion.caption = "Versione";
    lblDescription.caption = "Descrizione applicazione";
}

void AboutBox::Form_Load() {
    // Major, minor and revision; the third of the four numbers shown is always 0.
    lblVersion.caption = "Versione " + std::to_string(version::kMajor) + "." +
                         std::to_string(version::kMinor) + ".0." +
                         std::to_string(version::kRevision);
    lblTitle.caption = std::string(kApplicationTitle) + " per sistemi Windows 32/64 bit";
    lblDescription.caption = kComment;
}

}  // namespace varnix::forms
