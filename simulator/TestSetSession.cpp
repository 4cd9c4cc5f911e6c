#include "simulator/TestSetSession.h"

#include <filesystem>

#include "ports/SystemClock.h"
#include "text/AnsiText.h"

namespace varnix::sim {

namespace {

DefaultOutcome OutcomeOf(ScriptedAnswer answer) {
    switch (answer) {
        case ScriptedAnswer::Declined:
            return DefaultOutcome::Refused;
        case ScriptedAnswer::Timeout:
            return DefaultOutcome::Timeout;
        case ScriptedAnswer::Drop:
            return DefaultOutcome::Drop;
        case ScriptedAnswer::Busy:
            return DefaultOutcome::Busy;
        case ScriptedAnswer::Garbled:
            return DefaultOutcome::Protocol;
        case ScriptedAnswer::Code:
            return DefaultOutcome::Code;
        case ScriptedAnswer::Approved:
        case ScriptedAnswer::Refuse:
            break;
    }
    return DefaultOutcome::Ok;
}

// A path as the developer typed it, for the output and the report (UTF-8): Windows hands the
// program its arguments in the ANSI code page.
std::string Shown(const std::string& path) {
#ifdef _WIN32
    return text::Cp1252ToUtf8(path);
#else
    return path;
#endif
}

}  // namespace

TestSetSession::TestSetSession(asio::io_context& io, SimulatorServer& server, TestSet set,
                               Options options, std::ostream& out, std::ostream& err)
    : server_(server),
      options_(std::move(options)),
      out_(out),
      err_(err),
      run_(std::move(set), !options_.historyPath.empty()),
      timer_(io) {
    if (!options_.historyPath.empty()) {
        history_.emplace(options_.historyPath);
    }
}

std::int64_t TestSetSession::NowMs() const {
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                 started_)
        .count();
}

bool TestSetSession::Start(std::function<void()> onFinished) {
    onFinished_ = std::move(onFinished);
    started_ = std::chrono::steady_clock::now();
    startedAt_ = ports::DateTimeText(ports::LocalNow());
    // Written now, with every step still to come, and again as each one ends: a folder that
    // cannot take the report is found before the developer's time goes into the run, and a run
    // that is killed leaves the steps done so far.
    if (!WriteReport()) {
        return false;
    }
    const TestSet& set = run_.Set();
    out_ << "test set \"" << (set.name.empty() ? Shown(options_.setFile) : set.name) << "\" ("
         << Shown(options_.setFile) << "): " << set.steps.size()
         << " passi; storico: " << (history_ ? Shown(history_->Path()) : "non letto")
         << "; report in " << Shown(options_.reportFolder) << std::endl;
    if (history_) {
        std::error_code ec;
        historySeen_ = std::filesystem::exists(history_->Path(), ec);
        if (!historySeen_) {
            out_ << "lo storico " << Shown(history_->Path())
                 << " non c'\xC3\xA8 ancora: VarnixPos lo crea al primo scambio; se non compare "
                    "entro il primo passo la prova si ferma"
                 << std::endl;
        }
    } else {
        for (const Step& step : set.steps) {
            if (step.NeedsHistory()) {
                err_ << "pos-simulator: without --history the step \"" << step.name
                     << "\" cannot be judged whole: a refused connection and the register's "
                        "next commands show only in VarnixPos's exchange history\n";
            }
        }
    }
    server_.SetScript([this](TerminalModel& model, const proto::Request& request) {
        const Terminal terminal = run_.OnRequest(request, NowMs());
        // The set is UTF-8; the record the register reads is Windows-1252.
        Reply reply = model.HandleAs(request, ports::LocalNow(), OutcomeOf(terminal.answer),
                                     terminal.code, text::Utf8ToCp1252(terminal.reason));
        reply.delayMs = terminal.delayMs;
        run_.OnAnswer(reply);
        Flush();
        return reply;
    });
    run_.Start(NowMs());
    Tick();
    return true;
}

bool TestSetSession::WriteReport() {
    ReportInfo info;
    info.setFile = Shown(options_.setFile);
    info.startedAt = startedAt_;
    info.durationMs = NowMs();
    info.history = history_ ? Shown(history_->Path()) : "";
    std::string error;
    if (WriteReports(options_.reportFolder, run_, info, error)) {
        return true;
    }
    err_ << "pos-simulator: " << Shown(error) << "\n";
    return false;
}

bool TestSetSession::HistoryAppeared() {
    if (!history_ || historySeen_) {
        return true;
    }
    std::error_code ec;
    historySeen_ = std::filesystem::exists(history_->Path(), ec);
    const bool due = run_.StepsDone() > 0 || (run_.FirstAnswerMs() >= 0 &&
                                              NowMs() - run_.FirstAnswerMs() > kHistoryGraceMs);
    if (historySeen_ || !due) {
        return true;
    }
    // Waiting on would cost the developer every step's whole time limit, for nothing.
    err_ << "pos-simulator: --history " << Shown(history_->Path())
         << ": lo storico non \xC3\xA8 comparso, eppure VarnixPos ha gi\xC3\xA0 lavorato con il "
            "simulatore: lo scrive altrove? (HistoryVnxPos.jsonl nella sua cartella dati)\n";
    run_.Abort(NowMs());
    Flush();
    Finish(kNoHistory);
    return false;
}

void TestSetSession::Schedule() {
    timer_.expires_after(std::chrono::milliseconds(kTickMs));
    timer_.async_wait([this](const asio::error_code& ec) {
        if (!ec) {
            Tick();
        }
    });
}

void TestSetSession::Tick() {
    if (finished_) {
        return;
    }
    if (history_) {
        for (const auto& entry : history_->ReadNew()) {
            run_.OnHistory(entry, NowMs());
        }
    }
    run_.Tick(NowMs());
    if (!HistoryAppeared()) {
        return;
    }
    std::string error;
    if (!server_.SetListening(run_.ListenerOpen(), error)) {
        // Another program took the port while a step refused connections: the register would
        // be talking to it. The run cannot go on.
        err_ << "pos-simulator: " << error << "\n";
        run_.Abort(NowMs());
        Flush();
        Finish(kNoLink);
        return;
    }
    // The instruction of a step that refuses connections shows only once the listener is closed.
    Flush();
    if (run_.Over(NowMs())) {
        Finish(kAllPassed);
        return;
    }
    if (run_.Revision() != reportedRevision_) {
        reportedRevision_ = run_.Revision();
        WriteReport();
    }
    Schedule();
}

void TestSetSession::Interrupt() {
    if (finished_) {
        return;
    }
    run_.Abort(NowMs());
    Flush();
    Finish(kAllPassed);
}

void TestSetSession::Flush() {
    for (const auto& line : run_.TakeOutput()) {
        out_ << line << "\n";
    }
    out_.flush();
}

void TestSetSession::Finish(int failure) {
    finished_ = true;
    timer_.cancel();
    std::string error;
    server_.SetListening(true, error);
    // The report first: a reader of the output that went away must not cost it.
    const bool written = WriteReport();
    const std::size_t total = run_.Set().steps.size();
    exitCode_ = failure != kAllPassed ? failure
                : !written            ? kNoReport
                : run_.AllPassed()    ? kAllPassed
                                      : kNotAllPassed;
    out_ << "Risultato: " << run_.Count(Verdict::Passed) << " superati, "
         << run_.Count(Verdict::Failed) << " falliti, " << run_.Count(Verdict::NotJudged)
         << " non verificati su " << total << " passi"
         << (run_.AfterLast().empty() ? ""
                                      : "; richieste non previste dopo l'ultimo passo: " +
                                            std::to_string(run_.AfterLast().size()))
         << std::endl;
    if (written) {
        const std::string folder = Shown(options_.reportFolder);
        out_ << "Report: " << folder << "/" << kHtmlFileName << ", " << folder << "/"
             << kJUnitFileName << std::endl;
    }
    if (onFinished_) {
        onFinished_();
    }
}

}  // namespace varnix::sim
