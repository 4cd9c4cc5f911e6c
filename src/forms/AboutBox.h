// The About box frmAbout as a model: its caption and the three labels its load fills from the
// application's version information.
#pragma once

#include <string>

#include "forms/Controls.h"

namespace varnix::forms {

class AboutBox {
  public:
    AboutBox();

    // Fills the labels; every opening reads them again.
    void Form_Load();

    std::string caption = "Informazioni su ZANDRIK VarnixPos (Ingenico)";
    Label lblTitle;
    Label lblVersion;
    Label lblDescription;
    std::string cmdOKCaption = "&OK";

    // The application's version information.
    static const char* const kApplicationTitle;
    static const char* const kComment;
};

}  // namespace varnix::forms
