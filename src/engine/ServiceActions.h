// The service window's actions: its load (data folder, configuration, parameters, timer), the
// close request and unload, the File menu, "Salva Dati" and the test tools. Views forward the
// window's events here; the form model holds only the controls.
#pragma once

#include "exchange/TestTools.h"

namespace varnix::exchange {
struct Context;
}

namespace varnix::engine {

class ConsoleActions;

class ServiceActions {
  public:
    ServiceActions(exchange::Context& context, ConsoleActions& console)
        : context_(context), console_(console), testTools_(context) {}

    // The start-up sequence. False when the configuration could not be read, or another resident
    // polls the command file (nothing shown but the message): the message has been shown and
    // the process is ending.
    bool Form_Load();
    // The close request, whatever its source: true lets the window close.
    bool Form_QueryUnload();
    // Removes the tray icon and unloads the console, which ends the process.
    void Form_Unload();

    // Menu "T&ermina ZandrikVarnixPos".
    void m_esci_Click();
    // Menu "&Informazioni  su ZANDRIK VarnixPos".
    void mInfo_Click();

    // "Salva Dati": asks, writes the configuration and reads it back.
    void cmdSalvaDati_Click();
    void cmdSend_Click() { testTools_.cmdSend_Click(); }
    void cmdEseguiTest_Click() { testTools_.CreaEseguiFileDiTest(); }
    void btnReadFile_Click() { testTools_.btnReadFile_Click(); }

    // The parameter file of the data folder, from and into the window's controls.
    void SalvaParametri();
    void LeggiParametri();

  private:
    exchange::Context& context_;
    ConsoleActions& console_;
    exchange::TestTools testTools_;
};

}  // namespace varnix::engine
