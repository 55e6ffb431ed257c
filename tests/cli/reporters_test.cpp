// What a person and a program read of an upgrade: the window's lines each said once on stdout, the
// failure's detail and hint last on stderr with nothing before them that words the failure
// otherwise, a success summed up last, no status redrawn off a terminal; for a program one JSON
// object a line and nothing else. A line said twice, a hint before its detail, a note lost, or a
// field renamed breaks the scripts and the station that read them. Each row is one run of calls on
// the reporter, with a column for each: the text reporter's stdout and stderr, the JSON reporter's
// stdout.

#include <gtest/gtest.h>

#include "cli/CommandLine.h"
#include "cli/JsonReporter.h"
#include "cli/TextReporter.h"
#include "tests/common/CapturedOutput.h"

namespace {

struct Call {
    enum class Kind { Start, Log, Box, Warning, Note, Progress, Waiting, Finish } kind;
    QString text = {};
};
using K = Call::Kind;

// The closing summary: "" for a success, otherwise the failure's detail; its hint is "Do this.".
UpgradeSummary summaryOf(const QString& detail) {
    UpgradeSummary summary;
    summary.serial = "TARV0001";
    summary.imagePath = "x.frw";
    summary.durationMs = 5349;
    summary.report.image = "abc";
    summary.report.records = 1234;
    if (!detail.isEmpty()) {
        summary.exit = ExitCode::CommunicationError;
        summary.failedStep = "id";
        summary.detail = detail;
        summary.hint = "Do this.";
    }
    return summary;
}

// The reporters of a run given neither -v nor -q, whatever an earlier run in this process was
// given.
void parsedWithoutOptions() {
    QCommandLineParser parser;
    parser.addOptions({CommandLine::VerboseOption(), CommandLine::QuietOption()});
    const Command command{"upgrade", "", "", nullptr};
    ASSERT_FALSE(CommandLine::Parse(parser, command, {"upgrade"}, {}));
}

void play(Reporter& reporter, const QList<Call>& calls) {
    for (const Call& call : calls) {
        switch (call.kind) {
            case K::Start:
                reporter.start("TARV0001", "x.frw", call.text);
                break;
            case K::Log:
                reporter.logLine(call.text);
                break;
            case K::Box:
            case K::Warning:
                reporter.message(call.text, call.kind == K::Box ? MessageIcon::Information
                                                                : MessageIcon::Warning);
                break;
            case K::Note:
                reporter.note(call.text);
                break;
            case K::Progress:
                reporter.progress({1, 3, 33, 50.4, 0.2});
                break;
            case K::Waiting:
                reporter.waiting("the reply to \"id\"", call.text.toInt());
                break;
            case K::Finish:
                reporter.finish(summaryOf(call.text));
                break;
        }
    }
}

// SHA-256 of "abc".
#define ABC_SHA256 "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad"
const QString End =
    R"({"detail":null,"device_key":null,"duration_ms":5349,"event":"end","exit_code":0,)"
    R"("failed_step":null,"hint":null,"image":"x.frw","image_key":null,)"
    R"("image_sha256":")" ABC_SHA256 R"(","latency_ms_found":null,"latency_ms_used":null,)"
    R"("outcome":"upgraded","records":1234,"records_acknowledged":0,"schema_version":1,)"
    R"("serial":"TARV0001"})"
    "\n";
const QString Failed =
    R"({"detail":"no reply","device_key":null,"duration_ms":5349,"event":"end","exit_code":1,)"
    R"("failed_step":"id","hint":"Do this.","image":"x.frw","image_key":null,)"
    R"("image_sha256":")" ABC_SHA256 R"(","latency_ms_found":null,"latency_ms_used":null,)"
    R"("outcome":"communication_error","records":1234,"records_acknowledged":0,)"
    R"("schema_version":1,"serial":"TARV0001"})"
    "\n";
const QString Upgraded =
    "tarvellon-flash: upgraded TARV0001: 1,234 records in 5.3 s, image SHA-256 ba7816bf8f01\n";
const QString Start = R"({"event":"start","image":"x.frw","schema_version":1,"serial":"TARV0001"})"
                      "\n";
const QString Progress =
    R"({"event":"progress","percent":33,"records":3,"records_done":1,"records_per_second":50,"seconds_left":0})"
    "\n";
// The events of a log line and of a box.
QString logged(const QString& text) {
    return R"({"event":"log","text":")" + text + "\"}\n";
}
QString box(const QString& icon, const QString& text) {
    return R"({"event":"message","icon":")" + icon + R"(","text":")" + text + "\"}\n";
}

struct Row {
    const char* name;
    QList<Call> calls;
    QString out, err, json;
};
// clang-format off
const Row rows[] = {
    {"upgraded: the box said before the line that differs from it",
     {{K::Start}, {K::Log, "Openning file x.frw"}, {K::Progress}, {K::Box, "Upgrade successfull."}, {K::Log, "Upgrade successfull !"}, {K::Log, ""}, {K::Finish}},
     "Openning file x.frw\nUpgrade successfull.\nUpgrade successfull !\n\n", Upgraded,
     Start + logged("Openning file x.frw") + Progress + box("information", "Upgrade successfull.") + logged("Upgrade successfull !") + logged("") + End},
    {"failed: the detail and the hint in place of the box and its closing words",
     {{K::Start, "a-1"}, {K::Log, "Openning file x.frw"}, {K::Warning, "Communication error."}, {K::Log, "Communication error."}, {K::Log, "Upgrade failed. Please try again."}, {K::Finish, "no reply"}},
     "Openning file x.frw\n", "tarvellon-flash: no reply\ntarvellon-flash: hint: Do this.\n",
     R"({"attempt":"a-1","event":"start","image":"x.frw","schema_version":1,"serial":"TARV0001"})" "\n" +
     logged("Openning file x.frw") + box("warning", "Communication error.") + logged("Communication error.") + logged("Upgrade failed. Please try again.") + Failed},
    {"a note before the outcome at once, one after it last",
     {{K::Note, "tuned"}, {K::Warning, "Communication error."}, {K::Note, "not put back"}, {K::Finish, "no reply"}},
     "", "tarvellon-flash: tuned\ntarvellon-flash: no reply\ntarvellon-flash: hint: Do this.\ntarvellon-flash: not put back\n",
     R"({"event":"note","text":"tuned"})" "\n" + box("warning", "Communication error.") + R"({"event":"note","text":"not put back"})" "\n" + Failed},
    {"off a terminal nothing is redrawn; a program is told of a wait, and counts down",
     {{K::Progress}, {K::Waiting, "3"}, {K::Waiting, "0"}, {K::Log, "Upgrading firmware..."}},
     "Upgrading firmware...\n", "",
     Progress +
     R"({"awaited":"the reply to \"id\"","event":"waiting","seconds":3,"seconds_left":7})" "\n"
     R"({"awaited":"the reply to \"id\"","event":"waiting","seconds":0,"seconds_left":0})" "\n" +
     logged("Upgrading firmware...")},
};
// clang-format on

TEST(Reporters, SayEachThingOnceWhereItBelongs) {
    parsedWithoutOptions();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        {
            const CapturedOutput output;
            TextReporter text(std::nullopt);
            play(text, row.calls);
            EXPECT_EQ(output.out().toStdString(), row.out.toStdString());
            EXPECT_EQ(output.err().toStdString(), row.err.toStdString());
        }
        const CapturedOutput output;
        JsonReporter json;
        play(json, row.calls);
        EXPECT_EQ(output.out().toStdString(), row.json.toStdString());
        EXPECT_EQ(output.err().toStdString(), "");
    }
}

// -v: each command, reply, record and acknowledgement as the trace line a person reads on
// stderr, and as the exchange event a program reads.
struct ExchangeRow {
    const char* name;
    Exchange exchange;
    QString line;
    QString json;
};
using FTDI::ReadOutcome;
// The event's fields between "direction" and "outcome" are always "event":"exchange".
QString exchangeEvent(const QString& before, const QString& after) {
    return "{" + before + R"(,"event":"exchange",)" + after + "}\n";
}

// clang-format off
const ExchangeRow exchangeRows[] = {
    {"command", {12, true, "id", std::nullopt}, R"([   0.012] > "id")", exchangeEvent(R"("byte":null,"direction":"sent")", R"("outcome":null,"record":null,"text":"id","time_ms":12)")},
    {"reply line", {20, false, "id µTarvellon\r", std::nullopt}, R"([   0.020] < "id µTarvellon\r")", exchangeEvent(R"("byte":null,"direction":"received")", R"("outcome":"ok","record":null,"text":"id µTarvellon\r","time_ms":20)")},
    {"record", {2000, true, "", std::nullopt, 3}, "[   2.000] > record 3", exchangeEvent(R"("byte":null,"direction":"sent")", R"("outcome":null,"record":3,"text":null,"time_ms":2000)")},
    {"acknowledgement", {2001, false, "", 254, 3}, "[   2.001] < record 3: 254", exchangeEvent(R"("byte":254,"direction":"received")", R"("outcome":"ok","record":3,"text":null,"time_ms":2001)")},
    {"silence", {12000, false, "", std::nullopt, 0, ReadOutcome::NoReply}, "[  12.000] < no reply", exchangeEvent(R"("byte":null,"direction":"received")", R"("outcome":"no_reply","record":null,"text":"","time_ms":12000)")},
    {"vanished", {5, false, "", std::nullopt, 0, ReadOutcome::DeviceError}, "[   0.005] < the device vanished", exchangeEvent(R"("byte":null,"direction":"received")", R"("outcome":"vanished","record":null,"text":"","time_ms":5)")},
    {"flood", {5, false, "xxxx", std::nullopt, 0, ReadOutcome::LineTooLong}, "[   0.005] < 4 characters without a line feed", exchangeEvent(R"("byte":null,"direction":"received")", R"("outcome":"line_too_long","record":null,"text":"xxxx","time_ms":5)")},
    {"interrupted", {5, false, "", std::nullopt, 0, ReadOutcome::Interrupted}, "[   0.005] < interrupted", exchangeEvent(R"("byte":null,"direction":"received")", R"("outcome":"interrupted","record":null,"text":"","time_ms":5)")},
};
// clang-format on

TEST(Reporters, TraceEveryExchange) {
    for (const ExchangeRow& row : exchangeRows) {
        SCOPED_TRACE(row.name);
        const CapturedOutput output;
        TextReporter(std::nullopt).exchange(row.exchange);
        JsonReporter().exchange(row.exchange);
        EXPECT_EQ(output.err().toStdString(), (row.line + '\n').toStdString());
        EXPECT_EQ(output.out().toStdString(), row.json.toStdString());
    }
}

}  // namespace
