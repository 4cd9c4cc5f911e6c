#include "forms/AboutBox.h"

#include "Version.h"

namespace varnix::forms {

const char* const AboutBox::kApplicationTitle = version::kTitle;
const char* const AboutBox::kComment = version::kComment;

AboutBox::AboutBox() {
    lblTitle.caption = "Titolo applicazione";
    lblVersion.caption = "Versione";
    lblDescription.caption = "Descrizione applicazione";
}

void AboutBox::Form_Load(const std::optional<platform::ProgramVersion>& fromExecutable) {
    platform::ProgramVersion built{version::kMajor, version::kMinor, version::kRevision,
                                   kApplicationTitle, kComment};
    const platform::ProgramVersion& v = fromExecutable ? *fromExecutable : built;
    // Major, minor and revision; the third of the four numbers shown is always 0.
    lblVersion.caption = "Versione " + std::to_string(v.major) + "." + std::to_string(v.minor) +
                         ".0." + std::to_string(v.revision);
    lblTitle.caption = v.title + " per sistemi Windows 32/64 bit";
    lblDescription.caption = v.comments;
}

}  // namespace varnix::forms
