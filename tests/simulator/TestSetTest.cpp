#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "fakes/TestEnv.h"
#include "iae17/Functions.h"
#include "simulator/HistoryTail.h"
#include "simulator/TestReport.h"
#include "simulator/TestRun.h"
#include "simulator/TestSetRecorder.h"

namespace varnix::sim {
namespace {

using iae17::Function;

// A test set of the given steps (JSON text of each), parsed in Italian, with `top` the set's other
// keys (by default no watch for repeats); fails the test when it does not parse.
TestSet Set(const std::vector<std::string>& steps, const std::string& language = "it",
            const std::string& top = R"("no_repeat_within_s": 0, )") {
    std::string json = R"({"name": "T", )" + top + R"("steps": [)";
    for (std::size_t i = 0; i < steps.size(); ++i) {
        json += (i ? "," : "") + steps[i];
    }
    json += "]}";
    std::string error;
    auto set = ParseTestSet(json, language, error);
    EXPECT_TRUE(set) << error;
    return set.value_or(TestSet{});
}

TEST(TestSetTest, MistakesAreNamedWithTheirStep) {
    const std::string pay = R"({"name": "p", "expect": {"command": "POS_PAGEXT"}})";
    const struct {
        std::string json;
        std::string error;
        std::string language = "it";
    } cases[] = {
        {"{\"steps\": [",
         "non \xC3\xA8 JSON valido: il file finisce a met\xC3\xA0 (riga 1, colonna 12)"},
        {"{\n \"steps\": x}",
         "non \xC3\xA8 JSON valido: qui non \xC3\xA8 atteso \"x\" (riga 2, colonna 11)"},
        {R"({"steps": []})", "\"steps\" deve essere una lista di almeno un passo"},
        {R"({"stepz": []})", "chiave sconosciuta \"stepz\" nel test set"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT", "amout": 5}}]})",
         "passo 1 (\"a\"): chiave sconosciuta \"amout\" in \"expect\""},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_STATUS"}}]})",
         "\"POS_STATUS\" non \xC3\xA8 un comando che raggiunge il terminale"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_TOTTER", "amount": 5}}]})",
         "POS_TOTTER non porta un importo"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT", "amount": -1}}]})",
         "\"amount\" (centesimi) deve essere un numero intero da 1 a 999999999"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT",
            "amount": {"min": 9, "max": 2}}}]})",
         "\"min\" supera \"max\""},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_STORNO", "stan_of": "x"}}]})",
         "\"stan_of\" nomina \"x\", che non \xC3\xA8 un passo precedente"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"answer": "declined"}},
           {"name": "b", "expect": {"command": "POS_STORNO", "stan_of": "a"}}]})",
         "passo 2 (\"b\"): \"stan_of\" nomina \"a\", il cui terminale non approva"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"answer": "decline"}}]})",
         "risposta sconosciuta \"decline\" (note: approved, declined, timeout"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"code": 7}}]})",
         "\"code\" va con \"answer\": \"code\""},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"answer": "declined", "reason": "UNA RAGIONE TROPPO LUNGA, DAVVERO"}}]})",
         "\"reason\" deve avere da 1 a 24 caratteri"},
        {"{\"steps\": [" + pay + "," + pay + "]}",
         "passo 2 (\"p\"): un altro passo si chiama gi\xC3\xA0 \"p\""},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "then": [{"command": "POS_STATUS"}]}]})",
         "una voce di \"then\" \xC3\xA8 {\"command\": ..., \"within_s\": ...}"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "time_limit_s": 0.5}]})",
         "\"time_limit_s\" deve essere almeno 1"},
        {R"({"steps": [{"expect": {"command": "POS_PAGEXT"}}]})",
         "passo 1: un passo richiede un \"name\""},
        {R"({"steps": [{"name": "  ", "expect": {"command": "POS_PAGEXT"}}]})",
         "\"name\" non deve essere vuoto"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "instruction": "Paga\n[2/2] b: altro"}]})",
         "non deve contenere caratteri di controllo"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "expect": {"command": "POS_TOTTER"}}]})",
         "la chiave \"expect\" compare due volte nello stesso oggetto"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT", "amount": 1e400}}]})",
         "non \xC3\xA8 JSON valido: un numero \xC3\xA8 fuori misura"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"answer": "code", "code": 18446744073709551615}}]})",
         "\"code\" deve essere un numero intero da -32768 a 32767"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"},
            "terminal": {"delay_ms": 5000}, "time_limit_s": 5}]})",
         "deve superare il \"delay_ms\" del terminale"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_ACCRED"}},
           {"name": "b", "expect": {"command": "POS_STORNO", "stan_of": "a"}}]})",
         "che non \xC3\xA8 un pagamento: si stornano solo i pagamenti"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"}, "then": [
            {"command": "POS_STATUS", "within_s": 5}, {"command": "POS_TOTTER", "within_s": 5}]}]})",
         "al massimo una voce \"command\" e una \"no_repeat_within_s\""},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"}, "then": [
            {"command": "POS_PAGEXT", "within_s": 5}, {"no_repeat_within_s": 5}]}]})",
         "\"then\" vuole POS_PAGEXT come comando successivo e insieme lo vieta"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT"}, "then": [
            {"no_repeat_within_s": -1}]}]})",
         "\"no_repeat_within_s\" deve essere un numero di secondi sopra 0 (o 0, per spegnerlo)"},
        // Every mistake at once, in the run's language; an instruction language the set lacks.
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_PAGEXT", "amout": 5},
            "terminal": {"answer": "nope"}}, {"name": "b"}]})",
         "passo 1 (\"a\"): chiave sconosciuta \"amout\" in \"expect\" (note: command, amount, "
         "stan, stan_of, terminal_id, ecr_id)\npasso 1 (\"a\"): risposta sconosciuta \"nope\" "
         "(note: approved, declined, timeout, drop, refuse, busy, garbled, code)\npasso 2 "
         "(\"b\"): un passo richiede \"expect\"",
         "it"},
        {R"({"stepz": 1})", "unknown key \"stepz\" in the test set", "en"},
        {R"({"steps": [{"name": "a", "expect": {"command": "POS_CHCASS"},
            "instruction": {"en": "Close", "de": "Schliesse"}}]})",
         "--lang fr: il test set ha le istruzioni in it, de, en", "fr"},
        {std::string(16 * 1024 * 1024 + 1, ' '), "pi\xC3\xB9 grande di 16 MB"},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_FALSE(ParseTestSet(c.json, c.language, error)) << c.error;
        EXPECT_NE(error.find(c.error), std::string::npos) << c.error << "\n  said: " << error;
        EXPECT_EQ(error.find("json.exception"), std::string::npos) << error;
    }
}

TEST(TestSetTest, InstructionsComeInTheRunsLanguageOrAreMadeUp) {
    const struct {
        std::string step;
        std::string language;
        std::string instruction;
    } cases[] = {
        {R"("instruction": {"it": "Paga", "en": "Pay"})", "en", "Pay"},
        {R"("instruction": {"it": "Paga", "de": "Zahle"})", "en", "Paga"},
        {R"("instruction": "Sempre questo")", "en", "Sempre questo"},
        {R"("expect": {"command": "POS_PAGEXT", "amount": 1250})", "it",
         "Esegui dalla cassa un pagamento di 12,50 \xE2\x82\xAC"},
        {R"("expect": {"command": "POS_PAGEXT", "amount": {"min": 100, "max": 5000}})", "en",
         "Make a payment between 1,00 \xE2\x82\xAC and 50,00 \xE2\x82\xAC from the register"},
        {R"("expect": {"command": "POS_ACCRED", "amount": {"max": 99}})", "it",
         "Esegui dalla cassa un accredito (rimborso) di al massimo 0,99 \xE2\x82\xAC"},
        {R"("expect": {"command": "POS_STORNO", "stan": "000042"})", "it",
         "Esegui dalla cassa lo storno della transazione con STAN 000042"},
        {R"("expect": {"command": "POS_CHCASS"})", "it",
         "Esegui dalla cassa la chiusura contabile"},
        {R"("expect": {"command": "POS_STORNO"})", "en", "Void a transaction from the register"},
        {R"("expect": {"command": "POS_TOTTER"})", "en",
         "Ask for the terminal's totals from the register"},
    };
    for (const auto& c : cases) {
        std::string step = R"({"name": "s", )" + c.step;
        if (c.step.find("\"expect\"") == std::string::npos) {
            step += R"(, "expect": {"command": "POS_TOTTER"})";
        }
        const TestSet set = Set({step + "}"}, c.language);
        ASSERT_EQ(set.steps.size(), 1U);
        EXPECT_EQ(set.steps[0].instruction, c.instruction) << c.step;
    }
}

// The requests and history entries a register's exchanges make, and a clock the test moves.
class RunDriver {
  public:
    explicit RunDriver(TestSet set, bool history = true) : run(std::move(set), history) {
        run.Start(now);
    }

    // The request reaches the terminal; the model answers as the step scripts it.
    Terminal Request(Function function, const std::string& amount, const std::string& stan = "",
                     const std::string& ecrId = "99999999") {
        iae17::POSRequest request;
        request.Amount.Assign(amount);
        request.EcrId.Assign(ecrId);
        iae17::POSData data;
        data.STAN.Assign(stan);
        const proto::Request wire{iae17::WireNumber(function), iae17::Pack(request),
                                  iae17::Pack(data)};
        const Terminal terminal = run.OnRequest(wire, now);
        const DefaultOutcome outcome =
            terminal.answer == ScriptedAnswer::Declined  ? DefaultOutcome::Refused
            : terminal.answer == ScriptedAnswer::Timeout ? DefaultOutcome::Timeout
                                                         : DefaultOutcome::Ok;
        run.OnAnswer(model.HandleAs(wire, Clock{}, outcome, 0, terminal.reason));
        return terminal;
    }
    void Recorded(const std::string& command, const std::string& outcome = "OK",
                  const std::string& file = "SRINPF.TXT", std::int64_t durationMs = 0,
                  const std::string& handler = "") {
        exchange::HistoryEntry entry;
        entry.handler = handler;
        entry.command = command;
        entry.durationMs = durationMs;
        entry.outcome = outcome;
        entry.transaction = "00";
        entry.file = file;
        run.OnHistory(entry, now);
    }
    void Wait(std::int64_t ms) {
        now += ms;
        run.Tick(now);
    }
    std::string Verdicts() const {
        std::string text;
        for (const auto& r : run.Results()) {
            text += r.verdict == Verdict::Passed ? "P" : r.verdict == Verdict::Failed ? "F" : "N";
        }
        return text;
    }
    std::string Failures(std::size_t step) const {
        std::string text;
        for (const auto& why : run.Results()[step].failures) {
            text += why + "|";
        }
        return text;
    }

    TerminalModel model{{}};
    std::int64_t now = 1000;
    TestRun run;
};

// A step called `name` with the rest of its JSON object.
std::string Step(const std::string& name, const std::string& rest) {
    return R"({"name": ")" + name + "\", " + rest + "}";
}

const std::string kPay1250 =
    R"("expect": {"command": "POS_PAGEXT", "amount": 1250, "ecr_id": "present"})";

TEST(TestRunTest, JudgesTheRequestAndVoidsByTheStanTheTerminalGave) {
    const std::string voidPay = R"("expect": {"command": "POS_STORNO", "stan_of": "pay"})";
    RunDriver d(Set({Step("pay", kPay1250), Step("pay 2", kPay1250), Step("void", voidPay),
                     Step("void again", voidPay), Step("ids", R"("expect": {"command": "POS_TOTTER",
                                     "terminal_id": {"equals": "T1"}})")}));
    d.Request(Function::PaymentExt, "1250");
    d.Recorded("POS_PAGEXT,A1250");
    d.Request(Function::PaymentExt, "1300", "", "");
    d.Recorded("POS_PAGEXT,A1300");
    d.Request(Function::Void, "000001", "000001");
    d.Recorded("POS_STORNO,S000001");
    // Another command is declined, and fails the step at once.
    EXPECT_EQ(d.Request(Function::Refund, "5").reason, TestRun::kUnexpectedReason);
    d.Recorded("POS_ACCRED,A5");
    d.Request(Function::TerminalBalance, "");
    d.Recorded("POS_TOTTER");
    EXPECT_EQ(d.Verdicts(), "PFPFF");
    EXPECT_EQ(d.Failures(4), "identificativo del terminale (vuoto) invece di \"T1\"|");
    EXPECT_EQ(DescribeExpected(d.run.Set().steps[4]), "POS_TOTTER, id terminale \"T1\"");
    EXPECT_EQ(d.Failures(1),
              "importo 1300 (13,00 \xE2\x82\xAC) invece di 1250 (12,50 \xE2\x82\xAC)|"
              "manca l'identificativo della cassa|");
    EXPECT_EQ(d.Failures(3),
              "richiesta non prevista: IAE17AX_Refund (POS_ACCRED), importo 5 (0,05 \xE2\x82\xAC), "
              "terminale (vuoto), cassa \"99999999\" (il passo attende POS_STORNO)|");
    EXPECT_EQ(d.run.Results()[0].answer.substr(0, 22), "approvata, STAN 000001");
    EXPECT_EQ(DescribeExpected(
                  Set({Step("r", R"("expect": {"command": "POS_ACCRED", "amount": {"min": 100}})")})
                      .steps[0]),
              "POS_ACCRED, importo da 100 (1,00 \xE2\x82\xAC)");
    EXPECT_TRUE(d.run.Finished());
}

TEST(TestRunTest, ARequestOutsideItsStepIsDeclinedAndFailsTheStep) {
    RunDriver d(Set({R"({"name": "no", "expect": {"command": "POS_PAGEXT", "amount": 2000},
                         "terminal": {"answer": "declined", "reason": "CARTA RIFIUTATA"},
                         "then": [{"no_repeat_within_s": 5}]})",
                     R"({"name": "totals", "expect": {"command": "POS_TOTTER"},
                         "then": [{"no_repeat_within_s": 5}]})"}));
    EXPECT_EQ(d.Request(Function::PaymentExt, "2000").reason, "CARTA RIFIUTATA");
    d.Recorded("POS_PAGEXT,A2000");
    d.Wait(1200);
    // Sent again: the terminal sees it, and so does the history afterwards; one failure.
    const Terminal again = d.Request(Function::PaymentExt, "2000");
    EXPECT_EQ(again.answer, ScriptedAnswer::Declined);
    EXPECT_EQ(again.reason, TestRun::kUnexpectedReason);
    d.Recorded("POS_PAGEXT,A2000");
    d.Wait(5000);
    EXPECT_EQ(d.Failures(0),
              "la cassa ha ripetuto il comando dopo 1,2 s: IAE17AX_PaymentExt (POS_PAGEXT), "
              "importo 2000 (20,00 \xE2\x82\xAC), tipo (vuoto), terminale (vuoto), cassa "
              "\"99999999\"|");
    // A request of another kind while the step waits out its window is just unexpected.
    d.Request(Function::TerminalBalance, "");
    d.Recorded("POS_TOTTER");
    d.Wait(100);
    d.Request(Function::Closure, "");
    d.Wait(5000);
    EXPECT_EQ(d.Verdicts(), "FF");
    EXPECT_EQ(d.Failures(1).substr(0, 43), "richiesta non prevista: IAE17AX_Closure (PO");
}

TEST(TestRunTest, AResendIsTheMistakeOfTheStepItRepeatsEvenAfterTheLastStep) {
    // The default window: payments, and steps whose terminal says no or leaves it in doubt.
    const TestSet set = Set({Step("no", R"("expect": {"command": "POS_PAGEXT", "amount": 2000},
                                 "terminal": {"answer": "declined"})"),
                             Step("silent", R"("expect": {"command": "POS_PAGEXT", "amount": 3000},
                                 "terminal": {"answer": "timeout"}, "time_limit_s": 5)"),
                             Step("totals", R"("expect": {"command": "POS_TOTTER"})"),
                             Step("pay", R"("expect": {"command": "POS_PAGEXT", "amount": 990},
                                 "then": [{"no_repeat_within_s": 2}])")},
                            "it", "");
    EXPECT_EQ(DescribeExpected(set.steps[1]),
              "POS_PAGEXT, importo 3000 (30,00 \xE2\x82\xAC); nessuna ripetizione per 5 s");
    EXPECT_FALSE(set.steps[2].ForbidsRepeat());
    RunDriver d(set);
    d.Request(Function::PaymentExt, "2000");
    d.Recorded("POS_PAGEXT,A2000");
    d.Wait(5001);
    // Sent again once its window is over: never approved for the step on, which waits on.
    EXPECT_EQ(d.Request(Function::PaymentExt, "2000").reason, TestRun::kUnexpectedReason);
    d.Recorded("POS_PAGEXT,A2000", "OK", "SRINPF.TXT", 0);
    EXPECT_EQ(d.Request(Function::PaymentExt, "3000").answer, ScriptedAnswer::Timeout);
    d.Recorded("POS_PAGEXT,A3000", "TIMEOUT ERROR");
    d.Wait(5001);
    d.Request(Function::TerminalBalance, "");
    d.Recorded("POS_TOTTER");
    d.Request(Function::PaymentExt, "990");
    d.Recorded("POS_PAGEXT,A990");
    d.Wait(2001);
    ASSERT_TRUE(d.run.Finished());
    EXPECT_FALSE(d.run.Over(d.now));
    // After the last step: the step it repeats fails, anything else fails the final case.
    d.Request(Function::PaymentExt, "990");
    d.Recorded("POS_PAGAME,A100", "OK");
    EXPECT_EQ(d.Verdicts(), "FPPF");
    EXPECT_EQ(d.Failures(0).substr(0, 68),
              "la cassa ha ripetuto il comando 0 s dopo la fine del passo: IAE17AX_");
    EXPECT_EQ(d.run.AfterLast(),
              std::vector<std::string>{"comando POS_PAGAME,A100, VarnixPos: \"OK\""});
    EXPECT_TRUE(d.run.Over(d.now + 5000));
    EXPECT_FALSE(d.run.AllPassed());
}

TEST(TestRunTest, WhatVarnixPosDidInsteadFailsTheStepAtOnce) {
    const std::string pay = R"("expect": {"command": "POS_PAGEXT", "amount": 5000})";
    const std::string refuse = pay + R"(, "terminal": {"answer": "refuse"})";
    const struct {
        std::string step;
        std::string command, outcome, handler;
        std::string failure;
    } cases[] = {
        {pay, "POS_PAGAME,A5000", "OK", "",
         "comando POS_PAGAME,A5000 invece di POS_PAGEXT (VarnixPos: \"OK\")"},
        {pay, "POS_PAGEXT,A5000", "", "Parametri mancanti",
         "il comando POS_PAGEXT,A5000 non ha raggiunto il terminale: VarnixPos ha risposto "
         "\"Parametri mancanti\""},
        {refuse, "POS_PAGEXT,A5000", "", "Connessione assente",
         "VarnixPos non ha tentato la connessione: ha risposto \"Connessione assente\""},
        {refuse, "POS_PAGEXT,A5000", "OK", "", "la connessione non \xC3\xA8 fallita: esito \"OK\""},
    };
    for (const auto& c : cases) {
        RunDriver d(Set({Step("a", c.step)}));
        d.Recorded("POS_STATUS");  // asking for the status is no mistake
        d.Recorded(c.command, c.outcome, "SRINPF.TXT", 0, c.handler);
        EXPECT_EQ(d.Verdicts(), "F") << c.failure;
        EXPECT_EQ(d.Failures(0), c.failure + "|");
    }
}

TEST(TestRunTest, WhatTheRegisterDoesNextIsReadFromTheHistory) {
    const std::string drop = R"("expect": {"command": "POS_PAGEXT"},
        "terminal": {"answer": "drop"}, "then": [{"command": "POS_STATUS", "within_s": 10}])";
    RunDriver d(Set({Step("1", drop), Step("2", drop), Step("3", drop), Step("4", drop)}));
    // In time; the polling cycle's own status request is no command of the register's.
    d.Request(Function::PaymentExt, "4000");
    d.Recorded("POS_PAGEXT,A4000", "ETH ERROR");
    d.Wait(3000);
    d.Recorded("POS_STATUS", "OK", "POSDUMPIN.TXT");
    d.Wait(3000);
    d.Recorded("POS_STATUS");
    // Late; then another command first; then nothing at all.
    d.Request(Function::PaymentExt, "4000");
    d.Recorded("POS_PAGEXT,A4000", "ETH ERROR");
    d.now += 10500;  // seen in the history before the clock's tick
    d.Recorded("POS_STATUS");
    d.Request(Function::PaymentExt, "4000");
    d.Recorded("POS_PAGEXT,A4000", "ETH ERROR");
    d.Recorded("POS_TOTTER");
    d.Request(Function::PaymentExt, "4000");
    d.Recorded("POS_PAGEXT,A4000", "ETH ERROR");
    d.Wait(10001);
    EXPECT_EQ(d.Verdicts(), "PFFF");
    EXPECT_EQ(d.Failures(1), "POS_STATUS arrivato dopo 10,5 s, oltre 10 s|");
    EXPECT_EQ(d.Failures(2),
              "dopo lo scambio la cassa ha inviato POS_TOTTER invece di POS_STATUS|");
    EXPECT_EQ(d.Failures(3), "nessun POS_STATUS entro 10 s dalla fine dello scambio|");
}

TEST(TestRunTest, EachRecordGoesToTheStepItsRequestCameIn) {
    RunDriver d(Set({Step("silent", R"("expect": {"command": "POS_PAGEXT"},
                         "terminal": {"answer": "timeout"}, "time_limit_s": 5,
                         "then": [{"command": "POS_TOTTER", "within_s": 10}])"),
                     Step("drop", R"("expect": {"command": "POS_PAGEXT"},
                         "terminal": {"answer": "drop"},
                         "then": [{"command": "POS_TOTTER", "within_s": 10}])"),
                     Step("pay", R"("expect": {"command": "POS_PAGEXT"})")}));
    // The library waits longer than the step: its record comes in the next step, and stays
    // with the step it belongs to.
    d.Request(Function::PaymentExt, "100");
    d.Wait(5000);
    d.Request(Function::PaymentExt, "200");
    d.Recorded("POS_PAGEXT,A100", "TIMEOUT ERROR");
    EXPECT_EQ(d.run.Results()[0].recorded,
              "POS_PAGEXT,A100: TIMEOUT ERROR / 00 (dopo la fine del passo)");
    d.Recorded("POS_PAGEXT,A200", "ETH ERROR");
    // What "then" asks for may reach the terminal: it is answered as usual, not declined.
    EXPECT_EQ(d.Request(Function::TerminalBalance, "").answer, ScriptedAnswer::Approved);
    d.Wait(100);
    d.Recorded("POS_TOTTER");
    d.Request(Function::PaymentExt, "300");
    d.Recorded("POS_PAGEXT,A300");
    EXPECT_EQ(d.Verdicts(), "FPP");
    EXPECT_EQ(d.Failures(0),
              "VarnixPos non ha registrato lo scambio entro 5 s (--history indica lo storico di "
              "questo VarnixPos?)|");
    EXPECT_EQ(d.run.Results()[1].after.back(), "VarnixPos: POS_TOTTER: OK / 00");
}

TEST(TestRunTest, ANewRequestEndsTheLastExchangeAndRecordsFindTheirRequestByTime) {
    const std::string silentThenTotals = R"("expect": {"command": "POS_PAGEXT"},
        "terminal": {"answer": "timeout"}, "time_limit_s": 20,
        "then": [{"command": "POS_TOTTER", "within_s": 10}])";
    // No history: the register's next request shows the silent terminal's exchange is over.
    RunDriver blind(Set({Step("silent", silentThenTotals)}), /*history=*/false);
    blind.Request(Function::PaymentExt, "100");
    blind.Wait(5000);
    EXPECT_EQ(blind.Request(Function::TerminalBalance, "").answer, ScriptedAnswer::Approved);
    blind.Wait(1);
    EXPECT_EQ(blind.Verdicts(), "P");

    // History: both commands of one file reach the terminal before the first record is seen.
    const std::string totals = R"("expect": {"command": "POS_TOTTER"})";
    RunDriver d(Set({Step("drop", R"("expect": {"command": "POS_PAGEXT"},
                         "terminal": {"answer": "drop"},
                         "then": [{"command": "POS_TOTTER", "within_s": 10}])"),
                     Step("lost", totals), Step("totals", totals)}));
    d.Request(Function::PaymentExt, "4000");
    d.Wait(50);
    EXPECT_EQ(d.Request(Function::TerminalBalance, "").answer, ScriptedAnswer::Approved);
    d.Recorded("POS_PAGEXT,A4000", "ETH ERROR", "SRINPF.TXT", 100);
    d.Recorded("POS_TOTTER", "OK", "SRINPF.TXT", 50);
    d.Wait(1);
    // A record that never comes (the history rotated under the follower) takes no later one:
    // each goes to the request that came when its exchange began.
    d.Request(Function::TerminalBalance, "");
    d.Wait(60000);
    d.Request(Function::TerminalBalance, "");
    d.Wait(900);
    d.Recorded("POS_TOTTER", "OK", "SRINPF.TXT", 900);
    EXPECT_EQ(d.Verdicts(), "PFP");
    EXPECT_EQ(d.run.Results()[0].after.back(), "VarnixPos: POS_TOTTER: OK / 00");
    EXPECT_EQ(d.run.Results()[2].recorded, "POS_TOTTER: OK / 00");
}

TEST(TestRunTest, ARefusedConnectionIsSeenInTheHistoryAlone) {
    const std::string refuse = R"({"name": "refuse", "expect": {"command": "POS_PAGEXT",
        "amount": 5000}, "terminal": {"answer": "refuse"}, "time_limit_s": 30})";
    RunDriver d(Set({refuse, R"({"name": "pay", "expect": {"command": "POS_PAGEXT"}})"}));
    EXPECT_FALSE(d.run.ListenerOpen());
    d.Recorded("POS_STATUS");  // not what the step waits for
    EXPECT_FALSE(d.run.ListenerOpen());
    d.Recorded("POS_PAGEXT,T1,E1,A5000,P0", "ETH ERROR");
    EXPECT_TRUE(d.run.ListenerOpen());
    EXPECT_EQ(d.run.Results()[0].recorded, "POS_PAGEXT,T1,E1,A5000,P0: ETH ERROR / 00");
    // A command VarnixPos turns down never reaches the terminal: the step says so at once.
    d.Recorded("POS_PAGEXT,A1", "KO");
    EXPECT_EQ(d.Verdicts(), "PF");
    EXPECT_EQ(d.Failures(1),
              "il comando POS_PAGEXT,A1 non ha raggiunto il terminale: VarnixPos ha risposto "
              "\"KO\"|");
}

TEST(TestRunTest, WithoutTheHistoryWhatOnlyItShowsIsNotJudged) {
    RunDriver d(Set({R"({"name": "a", "expect": {"command": "POS_PAGEXT"},
                         "then": [{"command": "POS_STATUS", "within_s": 10}]})",
                     R"({"name": "b", "expect": {"command": "POS_PAGEXT"},
                         "terminal": {"answer": "refuse"}, "time_limit_s": 5})",
                     R"({"name": "c", "expect": {"command": "POS_TOTTER"}, "time_limit_s": 5,
                         "terminal": {"delay_ms": 300}})",
                     R"({"name": "d", "expect": {"command": "POS_TOTTER"}, "time_limit_s": 5})",
                     R"({"name": "e", "expect": {"command": "POS_TOTTER"},
                         "terminal": {"answer": "timeout"}, "time_limit_s": 7})"},
                    "it"),
                /*history=*/false);
    d.Request(Function::PaymentExt, "1");  // the answer ends the exchange
    d.Wait(1);
    d.Wait(5000);
    d.Request(Function::TerminalBalance, "");
    d.Wait(299);
    EXPECT_EQ(d.Verdicts().substr(0, 2), "NN");
    EXPECT_EQ(d.run.Results()[2].endMs, -1);
    d.Wait(1);
    d.Wait(5000);  // nothing came for "d"
    // A silent terminal: the register waits up to the library's limit, so the step lasts its
    // whole time before the next one starts.
    d.Request(Function::TerminalBalance, "");
    d.Wait(6999);
    EXPECT_EQ(d.run.Results()[4].endMs, -1);
    d.Wait(1);
    EXPECT_EQ(d.Verdicts(), "NNPFP");
    EXPECT_EQ(d.Failures(3), "nessuna richiesta POS_TOTTER dalla cassa entro 5 s|");
    EXPECT_TRUE(d.run.Finished());
}

TEST(TestReportTest, JUnitCountsAndHtmlPutsFailuresFirst) {
    RunDriver d(Set({R"({"name": "ok <1>", "expect": {"command": "POS_TOTTER"}})",
                     R"({"name": "bad & worse", "expect": {"command": "POS_PAGEXT",
                         "amount": 5}})",
                     R"({"name": "never", "expect": {"command": "POS_CHCASS"}})"}));
    d.Request(Function::TerminalBalance, "");
    d.Recorded("POS_TOTTER");
    d.Request(Function::PaymentExt, "6");
    d.Recorded("POS_PAGEXT,A6");
    d.run.Abort(d.now);
    const ReportInfo info{"set \"x\".json", "2026-12-06 09:41:07", 12345, ""};
    const std::string xml = JUnitXml(d.run, info);
    // Not judged is an error a CI cannot mistake for a pass; each failure has its kind.
    EXPECT_NE(xml.find(R"(<testsuite name="T" tests="3" failures="1" errors="1" skipped="0" )"
                       R"(time="12.345" timestamp="2026-12-06T09:41:07">)"),
              std::string::npos);
    EXPECT_NE(xml.find(R"(<testcase classname="T" name="02 bad &amp; worse" time="0.000">)"
                       "\n"
                       R"(      <failure type="richiesta errata" message="importo 6 (0,06 )"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find(R"(<error type="non verificato" message="prova interrotta)"),
              std::string::npos);
    EXPECT_NE(xml.find(R"(<property name="test_set" value="set &quot;x&quot;.json"/>)"),
              std::string::npos);
    const std::string html = HtmlReport(d.run, info);
    const auto bad = html.find("02 bad &amp; worse");
    const auto never = html.find("03 never");
    const auto ok = html.find("01 ok &lt;1&gt;");
    EXPECT_TRUE(bad < never && never < ok) << bad << " " << never << " " << ok;
    // Control characters go; what is no UTF-8, or no XML character (U+FFFE), becomes U+FFFD.
    EXPECT_EQ(MarkupEscape(std::string("a\x01<b\n\xC3\xA9\xFF\xF0\x9F\x98\x80", 12)),
              "a&lt;b\n\xC3\xA9\xEF\xBF\xBD\xF0\x9F\x98\x80");
    std::string replaced;
    for (int i = 0; i < 5; ++i) {
        replaced += "\xEF\xBF\xBD";  // each byte of U+FFFE and of an overlong "/"
    }
    EXPECT_EQ(MarkupEscape("\xEF\xBF\xBE\xC0\xAF"), replaced);
}

TEST(TestSetRecorderTest, AHistoryBecomesASetThatParsesWithTheTerminalAsItWas) {
    const struct {
        std::string command, outcome, transaction, handler, file;
        std::string answer;      // of the step made, "" for none
        bool inherited = false;  // no outcome record of the terminal's own
    } exchanges[] = {
        {"POS_PAGEXT,T1,A1250,P0", "OK", "00 ", "", "SRINPF.TXT", "approved"},
        {"POS_STATUS", "OK", "", "", "POSDUMPIN.TXT", ""},  // VarnixPos's own poll
        {"POS_PAGEXT,A2000", "OK", "05 ", "", "SRINPF.TXT", "declined"},
        {"POS_PAGEXT,A3000", "", "", "Parametri mancanti", "SRINPF.TXT", ""},
        {"POS_STORNO,S000001", "OK", "00", "", "SRINPF.TXT", "approved"},
        {"POS_PAGEXT,A4000", "ETH ERROR", "", "", "SRINPF.TXT", "drop"},
        {"POS_STATUS", "OK", "", "", "SRINPF.TXT", ""},
        {"POS_TOTTER", "TIMEOUT ERROR", "", "", "SRINPF.TXT", "timeout"},
        {"POS_CHCASS", "FUNCTION ERROR", "", "", "SRINPF.TXT", "code"},
        // An unknown result code VarnixPos took for OK, the earlier record kept: never approved.
        {"POS_PAGEXT,A990007", "OK", "00 ", "", "SRINPF.TXT", "declined", true},
    };
    TestSetRecorder recorder;
    std::vector<std::string> answers;
    for (const auto& e : exchanges) {
        exchange::HistoryEntry entry;
        entry.command = e.command;
        entry.outcome = e.outcome;
        entry.transaction = e.transaction;
        entry.handler = e.handler;
        entry.file = e.file;
        entry.posData = {{"STAN", "000001"}};
        if (e.inherited) {
            entry.inherited = {exchange::kInheritedPosData};
        }
        recorder.OnRecorded(entry);
        if (!e.answer.empty()) {
            answers.push_back(e.answer);
        }
    }
    std::string error;
    const auto set = ParseTestSet(recorder.Json("S", "d"), "it", error);
    ASSERT_TRUE(set) << error;
    ASSERT_EQ(set->steps.size(), answers.size());
    for (std::size_t i = 0; i < answers.size(); ++i) {
        EXPECT_EQ(NameOf(set->steps[i].terminal.answer), answers[i]) << i;
    }
    EXPECT_EQ(set->steps[1].expect.amount, 2000);
    EXPECT_EQ(set->steps[2].expect.stanOf, "pagamento 1");
    EXPECT_EQ(set->steps[3].NextCommand(), "POS_STATUS");
    EXPECT_EQ(set->steps[5].terminal.code, 4);
}

TEST(HistoryTailTest, HandsOutWholeNewLinesAndStartsAgainAfterARotation) {
    const testing::TempDir folder;
    const std::string path = folder / "HistoryVnxPos.jsonl";
    const auto write = [&](const std::string& text, std::ios::openmode mode) {
        std::ofstream(path, std::ios::binary | mode) << text;
    };
    write("{\"command\":\"OLD\"}\n", std::ios::trunc);
    HistoryTail tail(path);
    EXPECT_TRUE(tail.ReadNew().empty());
    write("{\"command\":\"A\"}\nnot json\n{\"command\":", std::ios::app);
    auto entries = tail.ReadNew();
    ASSERT_EQ(entries.size(), 1U);
    EXPECT_EQ(entries[0].command, "A");
    write("\"B\"}\n", std::ios::app);
    EXPECT_EQ(tail.ReadNew().at(0).command, "B");
    write("{\"command\":\"C\"}\n", std::ios::trunc);  // cut short in place
    EXPECT_EQ(tail.ReadNew().at(0).command, "C");
    // Rotated between two looks: the old file's last line is read from ".1", then the new one.
    write("{\"command\":\"D\"}\n", std::ios::app);
    std::filesystem::rename(path, path + ".1");
    write("{\"command\":\"E\"}\n", std::ios::trunc);
    entries = tail.ReadNew();
    ASSERT_EQ(entries.size(), 2U);
    EXPECT_EQ(entries[0].command + entries[1].command, "DE");
}

}  // namespace
}  // namespace varnix::sim
