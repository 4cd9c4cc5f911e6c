// The About box frmAbout as a model: its caption and the three labels its load fills from the
// application's version information.
#pragma once

#include <optional>
#include <string>

#include "forms/Controls.h"
#include "platform/Platform.h"

namespace varnix::forms {

class AboutBox {
  public:
    AboutBox();

    // Fills the labels from the executable's version information when it carries any, from the
    // version the program was built with otherwise; every opening reads them again.
    void Form_Load(const std::optional<platform::ProgramVersion>& fromExecutable = std::nullopt);

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
