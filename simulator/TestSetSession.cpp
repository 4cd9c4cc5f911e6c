#include "simulator/TestSetSession.h"

#include <cstdio>

#include "ports/SystemClock.h"

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

std::string LocalStamp() {
    const auto now = ports::LocalNow();
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", now.year % 10000,
                  now.month % 100, now.day % 100, now.hour % 100, now.minute % 100,
                  now.second % 100);
    return text;
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

void TestSetSession::Start(std::function<void()> onFinished) {
    onFinished_ = std::move(onFinished);
    started_ = std::chrono::steady_clock::now();
    startedAt_ = LocalStamp();
    const TestSet& set = run_.Set();
    out_ << "test set \"" << (set.name.empty() ? options_.setFile : set.name) << "\" ("
         << options_.setFile << "): " << set.steps.size()
         << " passi; storico: " << (history_ ? history_->Path() : "non letto") << "; report in "
         << options_.reportFolder << std::endl;
    if (!history_) {
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
        Reply reply = model.HandleAs(request, ports::LocalNow(), OutcomeOf(terminal.answer),
                                     terminal.code, terminal.reason);
        reply.delayMs = terminal.delayMs;
        run_.OnAnswer(reply);
        Flush();
        return reply;
    });
    run_.Start(NowMs());
    Tick();
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
    std::string error;
    if (!server_.SetListening(run_.ListenerOpen(), error)) {
        err_ << "pos-simulator: " << error << "\n";
    }
    // The instruction of a step that refuses connections shows only once the listener is closed.
    Flush();
    if (run_.Finished()) {
        Finish();
        return;
    }
    Schedule();
}

void TestSetSession::Interrupt() {
    if (finished_) {
        return;
    }
    run_.Abort(NowMs());
    Flush();
    Finish();
}

void TestSetSession::Flush() {
    for (const auto& line : run_.TakeOutput()) {
        out_ << line << "\n";
    }
    out_.flush();
}

void TestSetSession::Finish() {
    finished_ = true;
    timer_.cancel();
    std::string error;
    server_.SetListening(true, error);
    ReportInfo info;
    info.setFile = options_.setFile;
    info.startedAt = startedAt_;
    info.durationMs = NowMs();
    info.history = history_ ? history_->Path() : "";
    const std::size_t total = run_.Set().steps.size();
    out_ << "Risultato: " << run_.Count(Verdict::Passed) << " superati, "
         << run_.Count(Verdict::Failed) << " falliti, " << run_.Count(Verdict::NotJudged)
         << " non verificati su " << total << " passi" << std::endl;
    if (!WriteReports(options_.reportFolder, run_, info, error)) {
        err_ << "pos-simulator: " << error << "\n";
        exitCode_ = kNoReport;
    } else {
        out_ << "Report: " << options_.reportFolder << "/" << kHtmlFileName << ", "
             << options_.reportFolder << "/" << kJUnitFileName << std::endl;
        exitCode_ = run_.Count(Verdict::Passed) == total ? kAllPassed : kNotAllPassed;
    }
    if (onFinished_) {
        onFinished_();
    }
}

}  // namespace varnix::sim
