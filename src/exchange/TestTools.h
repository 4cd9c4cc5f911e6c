// The service window's developer test tools: the manual transaction (a sample result file after
// the chosen wait), the sample command file for the polling cycle, and the view of the result
// file. All of them work on the data folder's files, whatever INPF: and OUTF: say.
#pragma once

#include <string>

namespace varnix::exchange {

struct Context;

// The result file of the test tools and of the simulated payment: in the data folder.
std::string ResultFilePath(const Context& context);

class TestTools {
  public:
    explicit TestTools(Context& context) : context_(context) {}

    // "Invia": asks, waits the chosen seconds, writes the sample result file and shows it.
    void cmdSend_Click();
    // "Esegui Test": writes the sample command file for the polling cycle.
    void CreaEseguiFileDiTest();
    // "Mostra File transazione": shows the result file in the file view, or empties the view.
    void btnReadFile_Click();

  private:
    Context& context_;
};

}  // namespace varnix::exchange
