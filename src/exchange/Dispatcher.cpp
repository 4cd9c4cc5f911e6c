#include "exchange/Dispatcher.h"

#include <array>

#include "config/FileNames.h"
#include "config/Paths.h"
#include "exchange/CommandHandlers.h"
#include "exchange/Context.h"
#include "exchange/ExchangeRecordWriter.h"
#include "platform/RuntimeError.h"
#include "text/AnsiText.h"

namespace varnix::exchange {

namespace {

using Handler = std::string (CommandHandlers::*)(const std::string&);

struct Keyword {
    const char* text;
    Handler handler;
};

// Tested in this order; the first keyword that opens the line takes it.
constexpr std::array<Keyword, 10> kKeywords = {{
    {"POS_PAGAME", &CommandHandlers::CmdPagamento},
    {"POS_PAGEXT", &CommandHandlers::CmdPagamentoEsteso},
    {"POS_ACCRED", &CommandHandlers::CmdAccredito},
    {"POS_CHCASS", &CommandHandlers::CmdChiusura},
    {"POS_TOTTER", &CommandHandlers::CmdTotali},
    {"POS_STORNO", &CommandHandlers::CmdStorno},
    {"POS_PREAUT", &CommandHandlers::CmdPreautorizzazione},
    {"POS_PREINT", &CommandHandlers::CmdIntegrativa},
    {"POS_CHPREA", &CommandHandlers::CmdChiusuraPreaut},
    {"POS_STATUS", &CommandHandlers::CmdStato},
}};

}  // namespace

std::string Dispatcher::RunLine(const std::string& line, bool& matched) {
    matched = false;
    CommandHandlers handlers(context_);
    for (const auto& keyword : kKeywords) {
        if (line.rfind(keyword.text, 0) == 0) {
            matched = true;
            return (handlers.*keyword.handler)(line);
        }
    }
    return {};
}

void Dispatcher::Record(const std::string& line, const std::string& result) {
    ExchangeRecordWriter writer(context_);
    if (!context_.terminalConnected) {
        const std::string dump =
            config::GetPathFolder(context_.settings.InputFilePath, context_.platform.Style()) +
            config::kDumpFileName;
        writer.WriteCommunicationResult(dump, line, result);
        writer.WritePosData(dump);
    }
    const auto& service = context_.service;
    if (service.chkEnableLog.checked && !service.txtLogFileName.IsEmpty()) {
        writer.WriteCommunicationResult(service.txtLogFileName.Text(), line, result);
        writer.WritePosData(service.txtLogFileName.Text());
    }
}

std::string Dispatcher::EseguiFileComandi(const std::string& path, bool ecrIdRequired,
                                          const std::function<bool()>& stopBeforeLine) {
    contents_.reset();
    if (path.empty() || !context_.platform.FileExists(path)) {
        return kCommandFileNotFound;
    }
    context_.ecrIdRequired = ecrIdRequired;
    // A file that exists but cannot be read (the cash register still holds it) ends the run at
    // once: nothing here ever waits for it.
    contents_ = context_.platform.ReadWholeFile(path);
    const auto& contents = contents_;
    fileWasRead_ = contents.has_value();
    if (!contents) {
        return {};
    }
    std::string result;
    bool stopped = false;
    text::ForEachLine(*contents, [&](std::string_view raw) {
        if (stopped || (stopBeforeLine && stopBeforeLine())) {
            stopped = true;
            return;
        }
        std::string line = text::ToUpper(raw);
        if (line.empty() || line[0] == ';' || line[0] == ':') {
            return;
        }
        if (line.back() == ';') {
            line.pop_back();
        }
        try {
            bool matched = false;
            std::string text = RunLine(line, matched);
            if (matched) {
                result = std::move(text);
            }
        } catch (const RuntimeError&) {
            // A failing step is skipped; the remaining lines still run.
        }
        if (!line.empty()) {
            try {
                Record(line, result);
            } catch (const RuntimeError&) {
            }
        }
    });
    return result;
}

}  // namespace varnix::exchange
