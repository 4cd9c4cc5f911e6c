#include "exchange/TestTools.h"

#include "config/FileNames.h"
#include "exchange/Context.h"
#include "exchange/ExchangeRecordWriter.h"
#include "exchange/ResultFile.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

std::string ResultFilePath(const Context& context) {
    return context.DataFile(config::kResultFileName);
}

void TestTools::cmdSend_Click() {
    auto& ports = context_.ports;
    auto& platform = context_.platform;
    auto& service = context_.service;
    ports.timer.SetEnabled(false);
    if (!text::IsNumeric(service.txtAmount.Text())) {
        service.txtAmount.SetText("1");
    }
    // The corrected amount is on screen before the question that quotes it.
    service.Refresh();
    const std::string command =
        "POS_PAGAME,A" + service.txtAmount.Text() + ",P" + service.txtTipo.Text() + ";";
    if (!ports.dialogs.Confirm("Invio dati: " + command)) {
        service.txtReadFile.SetText("");
        ports.timer.SetEnabled(true);
        service.Refresh();
        return;
    }
    service.txtReadFile.SetText("");
    if (service.ComboResult.ListIndex() < 0) {
        ports.dialogs.Inform("ATTENZIONE: SELEZIONARE OUTPUT !");
        ports.timer.SetEnabled(true);
        return;
    }
    const std::string resultPath = ResultFilePath(context_);
    SkipOnRuntimeError([&] {
        if (platform.FileExists(context_.settings.DataFolder + service.ComboResult.Text()) &&
            platform.FileExists(resultPath)) {
            platform.RemoveFile(resultPath);
        }
    });
    SkipOnRuntimeError([&] {
        ports.SleepDelay(
            static_cast<float>(text::LeadingNumber(service.ComboSecondi.Text()) * 1000));
    });
    SkipOnRuntimeError([&] {
        ExchangeRecordWriter writer(context_);
        // Replaced whole: the register under test reads it as soon as it exists.
        platform.ReplaceContents(
            resultPath,
            resultfile::FormatManualSampleFile(service.txtAmount.Text(), service.txtTipo.Text(),
                                               writer.CurrDateTime()),
            /*synced=*/false);
    });
    service.txtRisultatoFinale.SetText(resultPath);
    SkipOnRuntimeError([&] { btnReadFile_Click(); });
    ports.timer.SetEnabled(true);
    service.Refresh();
}

void TestTools::CreaEseguiFileDiTest() {
    auto& timer = context_.ports.timer;
    auto& service = context_.service;
    service.cmdEseguiTest.enabled = false;
    const bool wasEnabled = timer.IsEnabled();
    timer.SetEnabled(false);
    context_.platform.WriteWholeFile(context_.DataFile(config::kCommandFileName),
                                     "POS_PAGAME,A2,P0\r\n");
    SkipOnRuntimeError([&] { context_.ports.SleepDelay(1000); });
    timer.SetEnabled(wasEnabled);
    service.cmdEseguiTest.enabled = true;
    service.Refresh();
}

void TestTools::btnReadFile_Click() {
    auto& service = context_.service;
    if (!service.txtReadFile.IsEmpty()) {
        service.txtReadFile.SetText("");
        service.Refresh();
        return;
    }
    const std::string path = ResultFilePath(context_);
    const auto contents =
        context_.platform.FileExists(path) ? context_.platform.ReadWholeFile(path) : std::nullopt;
    if (!contents) {
        context_.ports.dialogs.Inform("FILE NON TROVATO");
        return;
    }
    // The first line is never shown as stored: it is rebuilt from the amount and type boxes.
    std::string shown;
    bool first = true;
    for (const auto& line : text::SplitLines(*contents)) {
        shown += first ? "TIPO_COMANDO = POS_PAGAME,A" + service.txtAmount.Text() + ",P" +
                             service.txtTipo.Text() + ";"
                       : line;
        shown += text::kCrLf;
        first = false;
    }
    service.txtReadFile.SetText(shown);
    service.Refresh();
}

}  // namespace varnix::exchange
