// pos-simulator: a payment terminal on this machine, for developing and testing without hardware.
#include <algorithm>
#include <asio.hpp>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <set>
#include <string>

#include "iae17/Functions.h"
#include "platform/Platform.h"
#include "simulator/SimulatorServer.h"
#include "simulator/TestSetRecorder.h"
#include "simulator/TestSetSession.h"

#ifdef _WIN32
#include "platform/win32/WindowsHeaders.h"
#endif

namespace {

#ifdef _WIN32
// Serial links are pseudo-terminals, which Windows lacks; the stand-in Iae17.dll there reaches the
// simulator over TCP alone, so the option is refused rather than half-served.
constexpr bool kSerialLinks = false;
constexpr const char* kUsageLinks = R"(pos-simulator: a simulated payment terminal for VarnixPos

Usage: pos-simulator --tcp PORT [options]

Link:
  --tcp PORT          listen on 127.0.0.1:PORT, 1 to 9998 as VarnixPos takes
                      (0 picks a free one; the line "tcp 127.0.0.1:PORT"
                      on standard output names it)
                      Serial links (--serial COMn) are not available on
                      Windows: set TIPO:ETH, IPAD:127.0.0.1 and this PORT.
)";
#else
constexpr bool kSerialLinks = true;
constexpr const char* kUsageLinks = R"(pos-simulator: a simulated payment terminal for VarnixPos

Usage: pos-simulator [--tcp PORT] [--serial COMn]... [options]

Links (at least one):
  --tcp PORT          listen on 127.0.0.1:PORT, 1 to 9998 as VarnixPos takes
                      (0 picks a free one; the line "tcp 127.0.0.1:PORT"
                      on standard output names it)
  --serial COMn       serve serial port COMn on a pseudo-terminal linked at
                      $XDG_RUNTIME_DIR/varnixpos/COMn (or /tmp/varnixpos-<uid>/COMn)
)";
#endif

constexpr const char* kUsageOptions = R"(
Options:
  --journal FILE      append one JSON line per request and its answer
  --delay-ms N        wait N milliseconds before each answer (default 0)
  --outcome NAME      answer every request this way unless a magic amount says
                      otherwise: ok (default), refused, timeout, protocol,
                      function, password, drop, busy (hang up without a
                      word), code=N
  --refuse FUNCTION   answer this function with the function error (4);
                      e.g. IAE17AX_Preauthorization; may be repeated
  --no-magic          treat the magic amounts as ordinary amounts
  --terminal-id ID    the terminal id in every answer (default 10001761)
  --help              this text

Test sets (docs/test-sets.md):
  --test-set FILE     play the steps of this JSON test set: each step's
                      instruction is shown here, the request the register
                      sends is judged, and the terminal answers as the step
                      scripts it; the simulator ends after the last step
  --report DIR        where the report goes: report.xml (JUnit) and
                      report.html (default: pos-simulator-report)
  --history PATH      follow VarnixPos's exchange history (HistoryVnxPos.jsonl
                      in its data folder), to see refused connections and what
                      the register does after each exchange
  --lang LANG         the instructions' language, one the set has (default it)
  --record-test-set FILE
                      write a test set that replays this session: one step per
                      exchange (command, amount, STAN, the answer the terminal
                      gave), rewritten after each; with --history also the
                      status request the register sent next
  --from-history PATH with --record-test-set: the test set of the exchanges
                      VarnixPos recorded in this history (against any
                      terminal), written at once, no link opened
  With --test-set the steps decide every answer: --outcome, --refuse,
  --delay-ms and --no-magic are refused. Exit code: 0 every step passed,
  1 a step failed or could not be judged, or the register sent something
  after the last step, 2 bad options, test set or --history (also a history
  that does not appear within the first step), 3 the link could not be
  opened or the report not written.
  The report is written at the start and after each step; Ctrl+C ends the
  run with it.

Magic amounts (cents): 990001 refused, 990002 no answer (timeout), 990003
malformed answer, 990004 function error, 990005 password error, 990006 link
dropped mid-answer, 990007 result code 7.
)";

bool ParseOutcome(const std::string& name, varnix::sim::ModelOptions& model) {
    using varnix::sim::DefaultOutcome;
    if (name == "ok")
        model.outcome = DefaultOutcome::Ok;
    else if (name == "refused")
        model.outcome = DefaultOutcome::Refused;
    else if (name == "timeout")
        model.outcome = DefaultOutcome::Timeout;
    else if (name == "protocol")
        model.outcome = DefaultOutcome::Protocol;
    else if (name == "function")
        model.outcome = DefaultOutcome::Function;
    else if (name == "password")
        model.outcome = DefaultOutcome::Password;
    else if (name == "drop")
        model.outcome = DefaultOutcome::Drop;
    else if (name == "busy")
        model.outcome = DefaultOutcome::Busy;
    else if (name.rfind("code=", 0) == 0 && name.size() > 5) {
        char* end = nullptr;
        const long code = std::strtol(name.c_str() + 5, &end, 10);
        if (*end != '\0' || code < -32768 || code > 32767) {
            return false;
        }
        model.outcome = DefaultOutcome::Code;
        model.outcomeCode = static_cast<int>(code);
    } else {
        return false;
    }
    return true;
}

int FunctionCode(const std::string& name) {
    for (const auto& entry : varnix::iae17::kFunctions) {
        const int wire = varnix::iae17::WireNumber(entry.function);
        if (name == entry.exportName || name == std::to_string(wire)) {
            return wire;
        }
    }
    return 0;
}

int Fail(const std::string& message) {
    std::cerr << "pos-simulator: " << message << "\n(see pos-simulator --help)\n";
    return 2;
}

}  // namespace

namespace {

// Where the exchange history is to be: an ordinary file, or none yet in a folder that is there
// (VarnixPos makes it with its first exchange). Anything else would fail every step, minutes on.
bool HistoryFollowable(const std::string& path, std::string& error) {
    namespace fs = std::filesystem;
    std::error_code ec;
    const fs::path history(path);
    const auto status = fs::status(history, ec);
    if (fs::exists(status)) {
        if (!fs::is_regular_file(status)) {
            error = "--history " + path + " is not a file";
            return false;
        }
        if (!std::ifstream(history, std::ios::binary)) {
            error = "--history " + path + " cannot be read";
            return false;
        }
        return true;
    }
    const fs::path folder = history.parent_path().empty() ? fs::path(".") : history.parent_path();
    if (!fs::is_directory(folder, ec)) {
        error = "--history " + path + ": no such folder";
        return false;
    }
    return true;
}

// The options that take a value; anything else but --help and --no-magic is unknown.
bool TakesValue(const std::string& arg) {
    for (const char* name :
         {"--tcp", "--serial", "--journal", "--delay-ms", "--outcome", "--refuse", "--terminal-id",
          "--test-set", "--report", "--history", "--lang", "--record-test-set", "--from-history"}) {
        if (arg == name) {
            return true;
        }
    }
    return false;
}

// Writes the recorded set (when it has a step) in place of the last one. False, said, when the
// file cannot be written.
bool SaveRecording(const varnix::sim::TestSetRecorder& recorder, const std::string& file,
                   const std::string& description) {
    if (recorder.Steps() == 0) {
        return true;
    }
    errno = 0;
    if (varnix::platform::HostPlatform().ReplaceContents(
            file, recorder.Json("Sessione registrata", description), /*synced=*/false)) {
        return true;
    }
    std::cerr << "pos-simulator: cannot write " << file
              << (errno != 0 ? std::string(": ") + std::strerror(errno) : std::string()) << "\n";
    return false;
}

// --from-history: the set of what VarnixPos recorded, oldest first.
int RecordFromHistory(const std::string& history, const std::string& file) {
    auto& platform = varnix::platform::HostPlatform();
    if (!platform.StatFile(history)) {
        return Fail("--from-history " + history + ": no such file");
    }
    // Every generation the history keeps, whatever it holds.
    auto entries = varnix::exchange::ExchangeHistory::ReadNewest(platform, history, 100000000);
    std::reverse(entries.begin(), entries.end());
    varnix::sim::TestSetRecorder recorder;
    for (const auto& entry : entries) {
        recorder.OnRecorded(entry);
    }
    if (recorder.Steps() == 0) {
        return Fail("--from-history " + history + ": no exchange with the terminal in it");
    }
    if (!SaveRecording(recorder, file, "Dallo storico di VarnixPos " + history)) {
        return 3;
    }
    std::cout << "test set " << file << ": " << recorder.Steps() << " passi dallo storico "
              << history << std::endl;
    return 0;
}

int Run(int argc, char** argv) {
    varnix::sim::ServerOptions options;
    varnix::sim::TestSetSession::Options testSet;
    testSet.reportFolder = "pos-simulator-report";
    std::string language = "it";
    std::string recordFile;   // --record-test-set
    std::string fromHistory;  // --from-history
    std::string scriptedBy;   // the first option a test set overrides
    std::string setOnly;      // an option that means something with a test set only
    std::set<std::string> givenOnce;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            std::cout << kUsageLinks << kUsageOptions;
            return 0;
        } else if (arg == "--no-magic") {
            options.model.magicAmounts = false;
            scriptedBy = scriptedBy.empty() ? arg : scriptedBy;
        } else if (!TakesValue(arg)) {
            return Fail("unknown option " + arg);
        } else if (!hasValue) {
            return Fail("missing value after " + arg);
        } else if (arg == "--tcp") {
            char* end = nullptr;
            const long port = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || port < 0) {
                return Fail("not a port: " + std::string(argv[i]));
            }
            if (port > varnix::sim::kMaxVarnixPosPort) {
                return Fail("--tcp " + std::string(argv[i]) + ": VarnixPos takes ports 1 to " +
                            std::to_string(varnix::sim::kMaxVarnixPosPort) +
                            " (PORT: of its configuration); give one of those, or 0");
            }
            options.tcpPort = static_cast<int>(port);
        } else if (arg == "--serial") {
            if (!kSerialLinks) {
                return Fail("serial links are not available on Windows: use --tcp PORT");
            }
            const std::string port = argv[++i];
            if (port.size() < 4 || port.rfind("COM", 0) != 0 ||
                port.find_first_not_of("0123456789", 3) != std::string::npos) {
                return Fail("not a serial port name (COMn): " + port);
            }
            options.serialPorts.push_back(port);
        } else if (arg == "--journal") {
            options.journalPath = argv[++i];
        } else if (arg == "--delay-ms") {
            char* end = nullptr;
            const long ms = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || ms < 0 || ms > 600000) {
                return Fail("not a delay: " + std::string(argv[i]));
            }
            options.delayMs = static_cast<int>(ms);
            scriptedBy = scriptedBy.empty() ? arg : scriptedBy;
        } else if (arg == "--outcome") {
            scriptedBy = scriptedBy.empty() ? arg : scriptedBy;
            if (!ParseOutcome(argv[++i], options.model)) {
                return Fail("unknown outcome: " + std::string(argv[i]));
            }
        } else if (arg == "--refuse") {
            const int code = FunctionCode(argv[++i]);
            if (code == 0) {
                return Fail("unknown function: " + std::string(argv[i]));
            }
            options.model.refusedFunctions.insert(code);
            scriptedBy = scriptedBy.empty() ? arg : scriptedBy;
        } else if (arg == "--terminal-id") {
            options.model.terminalId = argv[++i];
        } else if (arg == "--record-test-set" || arg == "--from-history") {
            std::string& value = arg == "--record-test-set" ? recordFile : fromHistory;
            if (!value.empty() || argv[i + 1][0] == '\0') {
                return Fail(arg + " given twice, or without a value");
            }
            value = argv[++i];
        } else if (arg == "--test-set") {
            if (!testSet.setFile.empty()) {
                return Fail("--test-set given twice");
            }
            testSet.setFile = argv[++i];
            if (testSet.setFile.empty()) {
                return Fail("--test-set needs a file");
            }
        } else {  // --report, --history, --lang: they mean something with a test set only
            std::string& value = arg == "--report"    ? testSet.reportFolder
                                 : arg == "--history" ? testSet.historyPath
                                                      : language;
            if (!givenOnce.insert(arg).second) {
                return Fail(arg + " given twice");
            }
            value = argv[++i];
            setOnly = arg;
            if (argv[i][0] == '\0') {
                return Fail(arg + " needs a value");
            }
        }
    }
    if (!recordFile.empty()) {
        // A recording plays the terminal as configured; only the history goes with it.
        for (const char* other : {"--report", "--lang"}) {
            if (givenOnce.count(other) != 0) {
                return Fail(std::string(other) + " goes with --test-set");
            }
        }
        if (!testSet.setFile.empty()) {
            return Fail("--record-test-set and --test-set: one or the other");
        }
        // A set written by hand (or base.json) is never lost to a recording under its name.
        if (varnix::platform::HostPlatform().FileExists(recordFile)) {
            return Fail("--record-test-set " + recordFile +
                        ": the file exists; a recording never replaces it (remove it or choose "
                        "another name)");
        }
        if (!fromHistory.empty()) {
            if (!testSet.historyPath.empty()) {
                return Fail("--from-history reads the history itself: no --history with it");
            }
            return RecordFromHistory(fromHistory, recordFile);
        }
        std::string error;
        if (!testSet.historyPath.empty() && !HistoryFollowable(testSet.historyPath, error)) {
            return Fail(error);
        }
    } else if (!fromHistory.empty()) {
        return Fail("--from-history goes with --record-test-set");
    } else if (testSet.setFile.empty() && !setOnly.empty()) {
        return Fail(setOnly + " goes with --test-set");
    }
    std::optional<varnix::sim::TestSet> set;
    if (!testSet.setFile.empty()) {
        if (!scriptedBy.empty()) {
            return Fail(scriptedBy +
                        " has no effect with --test-set: each step scripts the answer");
        }
        auto& platform = varnix::platform::HostPlatform();
        if (const auto stat = platform.StatFile(testSet.setFile);
            stat && stat->size > varnix::sim::kMaxTestSetBytes) {
            return Fail(testSet.setFile + ": larger than 16 MB: no test set is anywhere near that");
        }
        const auto text = platform.ReadWholeFile(testSet.setFile);
        if (!text) {
            return Fail("cannot read the test set " + testSet.setFile);
        }
        std::string error;
        set = varnix::sim::ParseTestSet(*text, language, error);
        if (!set) {
            // One line a mistake, each naming the file, as compilers do.
            std::size_t start = 0;
            for (std::size_t end = 0; end != std::string::npos; start = end + 1) {
                end = error.find('\n', start);
                std::cerr << "pos-simulator: " << testSet.setFile << ": "
                          << varnix::sim::Printable(error.substr(start, end - start)) << "\n";
            }
            return 2;
        }
        if (!testSet.historyPath.empty() && !HistoryFollowable(testSet.historyPath, error)) {
            return Fail(error);
        }
    }
    if (options.tcpPort < 0 && options.serialPorts.empty()) {
        return Fail(kSerialLinks ? "give --tcp PORT and/or --serial COMn" : "give --tcp PORT");
    }

    asio::io_context io;
    varnix::sim::SimulatorServer server(io, options);
    std::string error;
    if (!server.Start(std::cout, error)) {
        server.Stop();
        std::cerr << "pos-simulator: " << error << "\n";
        return set ? varnix::sim::TestSetSession::kNoReport : 1;
    }
    std::unique_ptr<varnix::sim::TestSetSession> session;
    asio::signal_set signals(io, SIGINT, SIGTERM);
#ifndef _WIN32
    // A closed terminal ends the run like Ctrl+C does, with its report.
    signals.add(SIGHUP);
#endif
    asio::steady_timer linger(io);
    const auto stop = [&] {
        signals.cancel();
        server.Stop();
        io.stop();
    };
    signals.async_wait([&](const asio::error_code& ec, int) {
        if (ec) {
            return;
        }
        if (session) {
            session->Interrupt();  // the report of the steps so far, then stop
        }
        stop();
    });
    varnix::sim::TestSetRecorder recorder;
    std::optional<varnix::sim::HistoryTail> followed;
    asio::steady_timer follow(io);
    std::function<void()> followHistory;
    if (!recordFile.empty()) {
        const std::string description =
            "Registrata con pos-simulator --record-test-set: uno scambio, un passo";
        server.SetObserver([&, description](const varnix::proto::Request& request,
                                            const varnix::sim::Reply& reply) {
            recorder.OnExchange(request, reply);
            if (SaveRecording(recorder, recordFile, description)) {
                std::cout << "passo " << recorder.Steps() << " registrato in " << recordFile
                          << std::endl;
            }
        });
        if (!testSet.historyPath.empty()) {
            followed.emplace(testSet.historyPath);
            followHistory = [&, description] {
                follow.expires_after(std::chrono::milliseconds(200));
                follow.async_wait([&, description](const asio::error_code& ec) {
                    if (ec) {
                        return;
                    }
                    const auto entries = followed->ReadNew();
                    for (const auto& entry : entries) {
                        recorder.OnHistory(entry);
                    }
                    if (!entries.empty()) {
                        SaveRecording(recorder, recordFile, description);
                    }
                    followHistory();
                });
            };
            followHistory();
        }
        std::cout << "registrazione in " << recordFile
                  << ": ogni scambio diventa un passo; Ctrl+C per finire" << std::endl;
    }
    if (!set && recordFile.empty()) {
        server.SetConsole(&std::cout);  // a run of its own: the exchanges are all there is to see
    }
    if (set) {
        session = std::make_unique<varnix::sim::TestSetSession>(io, server, std::move(*set),
                                                                testSet, std::cout, std::cerr);
        // An answer still on its way when the last step ends gets its moment to go out.
        const bool started = session->Start([&] {
            linger.expires_after(std::chrono::seconds(1));
            linger.async_wait([&](const asio::error_code&) { stop(); });
        });
        if (!started) {
            server.Stop();
            return varnix::sim::TestSetSession::kNoReport;
        }
    }
    io.run();
    if (!recordFile.empty() && recorder.Steps() == 0) {
        std::cerr << "pos-simulator: no exchange came: " << recordFile << " not written\n";
    }
    return session ? session->ExitCode() : 0;
}

}  // namespace

int main(int argc, char** argv) {
#ifndef _WIN32
    // A reader of the output that goes away (`| tee` stopped by Ctrl+C) must not end the run
    // before its report is written: writes to it just fail.
    std::signal(SIGPIPE, SIG_IGN);
#endif
#ifdef _WIN32
    // The instructions are UTF-8 ("12,50 €"): the console shows them as such.
    ::SetConsoleOutputCP(CP_UTF8);
#endif
    try {
        return Run(argc, argv);
    } catch (const std::exception& e) {
        std::cerr << "pos-simulator: " << e.what() << "\n";
        return 1;
    }
}
