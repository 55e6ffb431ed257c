// The engineer in charge reads the line's state off one screen, and a monitoring script off one
// exit code: a station shown online after it died, totals that do not add up across stations, or
// a line reported whole while a station has stopped it, sends the day's production unwatched.
// Stations publish through their real publishing (a process each); the view reads Debian's
// mosquitto.

#include <signal.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "app/line/LineChoice.h"
#include "app/line/LineWindow.h"
#include "app/station/StationWindow.h"
#include "line/StationStatus.h"
#include "tests/app/StationWindowTesting.h"
#include "tests/common/Mosquitto.h"
#include "tests/common/SimBridge.h"
#include "tests/common/Watched.h"

namespace {

const QString Driver = TEST_DRIVERS_DIR "/line_publish_driver";
constexpr int kWaitMs = 30000;
// The stations' keep-alive: the broker knows a station is gone within it.
constexpr int kKeepAliveMs = 10000;

// A station's status body with `passed` and `failed` units, the last of them failed in slot 2.
QByteArray statusBody(int passed, int failed) {
    StationState state;
    state.run = StationState::Run::Running;
    state.image =
        ImageSummary{"/srv/images/accepted.frw", "accepted.frw", "µTARVEL0",          300, 3908,
                     QString(64, 'a'),           "serial",       "/srv/records.jsonl"};
    for (int number = 1; number <= 4; ++number) {
        SlotView slot;
        slot.number = number;
        slot.name = QString::number(number);
        slot.serial = QString("UNIT%1").arg(number);
        slot.state = number == 2 && failed > 0 ? SlotState::Fail : SlotState::Pass;
        state.slotViews << slot;
    }
    state.totals = {passed,          failed, 0, (passed * 100) / std::max(1, passed + failed),
                    passed + failed, 0};
    if (failed > 0) {
        state.lastFailure = {{"serial", "UNIT2"},
                             {"slot", "2"},
                             {"outcome", "programming_error"},
                             {"detail", "record 150 of 300 was answered 1"},
                             {"hint", "The unit may be faulty: flash it again."}};
    }
    return QJsonDocument(StationStatus::Body(state)).toJson(QJsonDocument::Compact);
}

// A station's publishing alone, its status as given.
std::unique_ptr<Watched> station(const Mosquitto& broker, const QString& name,
                                 const QByteArray& status, const QString& folder) {
    const QString records = folder + "/" + name + ".jsonl";
    QFile(records).open(QIODevice::WriteOnly);
    return std::make_unique<Watched>(
        Driver, QStringList{records, "--publish", broker.url(), "--line", "L1", "--station", name,
                            "--status", QString::fromUtf8(status)});
}

// The line L1 on `broker`, for a view or, named, a station.
LinkOptions lineOf(const Mosquitto& broker, const QString& station = {}) {
    return {{"127.0.0.1", broker.port(), false}, {}, {}, "L1", station};
}

// `tarvellon-flash line ARGS`: exit code, stdout, stderr.
struct Run {
    int exit;
    QString out, err;
};
Run flashLine(const QStringList& args) {
    QProcess flash;
    flash.start(FLASH_PROGRAM, QStringList{"line"} + args);
    flash.waitForFinished(kWaitMs);
    return {flash.exitCode(), QString::fromUtf8(flash.readAllStandardOutput()),
            QString::fromUtf8(flash.readAllStandardError())};
}

void retain(const Mosquitto& broker, const QString& topic, const QByteArray& payload) {
    QCOMPARE(
        QProcess::execute("mosquitto_pub", {"-h", "127.0.0.1", "-p", QString::number(broker.port()),
                                            "-q", "1", "-r", "-t", topic, "-m", payload}),
        0);
}

}  // namespace

class LineViewTest : public QObject {
    Q_OBJECT
  private slots:
    // Started from the menu, the line view asks for its broker and line: a choice it cannot use
    // must be said in the dialog and never taken, and the one taken is offered again at the next
    // start.
    void takesOnlyWhatItCanUse_data() {
        QTest::addColumn<QString>("broker");
        QTest::addColumn<QString>("line");
        QTest::addColumn<QString>("error");
        // clang-format off
        QTest::newRow("no scheme") << "line-pc" << "L1" << "the broker 'line-pc' is not mqtt://HOST[:PORT] or mqtts://HOST[:PORT]: no scheme";
        QTest::newRow("usable") << "mqtt://line-pc:1884" << "L1" << "";
        // clang-format on
    }

    void takesOnlyWhatItCanUse() {
        QFETCH(QString, broker);
        QFETCH(QString, line);
        QFETCH(QString, error);
        LineChoice choice;
        choice.show();
        QVERIFY(QTest::qWaitForWindowActive(&choice));
        const std::pair<QLineEdit*, QString> typed[] = {{choice.Broker, broker},
                                                        {choice.Line, line}};
        for (const auto& [field, text] : typed) {
            field->setFocus();
            QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClick(field, Qt::Key_Delete);
            QTest::keyClicks(field, text);
        }
        QTest::keyClick(choice.Line, Qt::Key_Return);
        QCOMPARE(choice.Error->text(), error);
        QCOMPARE(choice.result() == QDialog::Accepted, error.isEmpty());
        if (!error.isEmpty()) return;
        QCOMPARE(choice.options().broker.text(), QStringLiteral("mqtt://line-pc:1884"));
        QCOMPARE(choice.options().line, QStringLiteral("L1"));
        const LineChoice next;
        QCOMPARE(next.Broker->text(), QStringLiteral("mqtt://line-pc:1884"));
        QCOMPARE(next.Line->text(), QStringLiteral("L1"));
    }

    // The station window, its broker away: the header says since when and how many records wait,
    // the units are flashed all the same, and the notice goes once the backlog is through.
    void theStationWindowSaysTheLinkIsDown() {
        SimBridge sim("device=UNIT0001\nlatency_ms=0\n");
        QVERIFY(sim.ready());
        Mosquitto broker;
        QVERIFY(broker.start());
        broker.stop();
        QTemporaryDir folder;
        StationWindowOptions options = StationWindowTesting::optionsFor(folder);
        options.line = lineOf(broker, "S1");
        options.station.station = "S1";
        StationWindow window(options);
        window.show();
        QVERIFY(window.startWith(SAMPLE_IMAGES_DIR "/three-records.frw"));
        const QRegularExpression down(
            "^line link down since \\d\\d:\\d\\d \\(connection refused\\), 2 records waiting$");
        QVERIFY(WaitUntil(
            [&] {
                return window.Header->Link->isVisible() &&
                       down.match(window.Header->Link->text()).hasMatch();
            },
            kWaitMs));
        QCOMPARE(ReadRecordFile(options.station.recordPath).closing[0]["station"], "S1");
        QVERIFY(broker.start());
        QVERIFY(WaitUntil([&] { return window.Header->Link->isHidden(); }, kWaitMs));
    }

    // Two stations on one broker, their statuses as given: the view shows each and the line's
    // totals, and `line --once` writes each, as text and as JSON, word for word. Then one is
    // killed: the broker sends its last will, and the view turns it grey, offline since the moment
    // it saw it go, within the keep-alive.
    void twoStationsThenOneKilled() {
        Mosquitto broker;
        QVERIFY(broker.start());
        QTemporaryDir folder;
        const auto first = station(broker, "S1", statusBody(8, 0), folder.path());
        const auto second = station(broker, "S2", statusBody(3, 1), folder.path());
        LineModel model(lineOf(broker));
        LineWindow window(model);
        window.show();
        model.open();
        QVERIFY(WaitUntil(
            [&] {
                return window.panelCount() == 2 && window.Summary->Passed->text() == "11" &&
                       window.Summary->Online->text() == "2";
            },
            kWaitMs));
        QCOMPARE(window.Summary->Failed->text(), "1");
        QCOMPARE(window.Summary->Yield->text(), "91 %");
        QCOMPARE(window.panel(1)->Failed->text(), "1");
        QCOMPARE(
            window.panel(1)->Failure->text(),
            "Last failure: UNIT2 in slot 2: flash it again (record 150 of 300 was answered 1)");

        const Run json = flashLine({"--broker", broker.url(), "--line", "L1", "--once", "--json"});
        QCOMPARE(json.exit, 0);
        const QJsonObject line = QJsonDocument::fromJson(json.out.toUtf8()).object();
        QCOMPARE(QJsonDocument(line["totals"].toObject()).toJson(QJsonDocument::Compact),
                 R"({"failed":1,"last_hour":12,"lines_stopped":0,"passed":11,)"
                 R"("stations_offline":0,"stations_online":2,"yield_percent":91})");
        const QJsonArray stations = line["stations"].toArray();
        QCOMPARE(stations.size(), 2);
        QCOMPARE(stations[1]["station"], "S2");
        QCOMPARE(stations[1]["status"]["totals"]["failed"], 1);

        const Run text = flashLine({"--broker", broker.url(), "--line", "L1", "--once"});
        QCOMPARE(text.exit, 0);
        QCOMPARE(
            text.out.split('\n'),
            QStringList({"line L1: 2 online, 0 offline; passed 11, failed 1, yield 91 %, 12 in "
                         "the last hour",
                         "S1  RUNNING  accepted.frw  key µTARVEL0  SHA-256 aaaaaaaa  passed 8, "
                         "failed 0, yield 100 %, 8 in the last hour, 0 waiting",
                         "S2  RUNNING  accepted.frw  key µTARVEL0  SHA-256 aaaaaaaa  passed 3, "
                         "failed 1, yield 75 %, 4 in the last hour, 0 waiting",
                         "S2  last failure: UNIT2 in slot 2: flash it again (record 150 of 300 "
                         "was answered 1)",
                         ""}));

        const QDateTime killedAt = QDateTime::currentDateTime();
        first->end(SIGKILL);
        QVERIFY(WaitUntil([&] { return model.totals().offline == 1; }, kKeepAliveMs));
        const StationEntry entry = model.stations().value(0);
        QVERIFY(!entry.online);
        QVERIFY(entry.offlineSince >= killedAt.addSecs(-1));
        QVERIFY(WaitUntil(
            [&] { return window.panelCount() == 2 && window.panel(0)->State->text() == "OFFLINE"; },
            kWaitMs));
        QCOMPARE(window.panel(0)->Backlog->text(),
                 "offline since " + entry.offlineSince.toLocalTime().toString("HH:mm:ss"));
        QCOMPARE(window.panel(0)->Passed->text(), "8");
    }

    // What a monitoring script gets from --once, from what the broker holds.
    void onceSaysWhetherTheLineIsWhole_data() {
        QTest::addColumn<QStringList>("retained");  // "STATION online|offline STATE"
        QTest::addColumn<int>("exit");
        QTest::newRow("every station online")
            << QStringList{"S1 online running", "S2 online stopping"} << 0;
        QTest::newRow("one offline") << QStringList{"S1 online running", "S2 offline running"} << 7;
        QTest::newRow("none has reported") << QStringList{} << 7;
        QTest::newRow("one stopped its line")
            << QStringList{"S1 online line_stopped", "S2 offline running"} << 8;
        QTest::newRow("the broker is down") << QStringList{"down"} << 9;
    }

    void onceSaysWhetherTheLineIsWhole() {
        QFETCH(QStringList, retained);
        QFETCH(int, exit);
        Mosquitto broker;
        QVERIFY(broker.start());
        for (const QString& station : retained) {
            const QStringList words = station.split(' ');
            if (words[0] == "down") {
                broker.stop();
                continue;
            }
            QJsonObject status = QJsonDocument::fromJson(statusBody(1, 0)).object();
            status["state"] = words[2];
            retain(broker, "tarvellon/L1/" + words[0] + "/status",
                   QJsonDocument(status).toJson(QJsonDocument::Compact));
            retain(broker, "tarvellon/L1/" + words[0] + "/online",
                   words[1] == "online" ? R"({"online":true})" : R"({"online":false})");
        }
        const Run run = flashLine({"--broker", broker.url(), "--line", "L1", "--once", "--json"});
        QCOMPARE(run.exit, exit);
        if (exit == 9) {
            QCOMPARE(run.err, "tarvellon-flash: connection refused\n");
            QCOMPARE(run.out, "");
            return;
        }
        const QJsonObject line = QJsonDocument::fromJson(run.out.toUtf8()).object();
        QCOMPARE(line["exit_code"], exit);
        QCOMPARE(line["stations"].toArray().size(), retained.size());
    }

    // With --publish, a run's link says goodbye to the broker when the line is started again or the
    // window refused to start it: that runs the event loop, in which a new engine once started
    // upgrades only to kill them, and a second Start once freed the link it was still using (which
    // the sanitized build sees). Here a station name too long for the cursor's file name: the start
    // is refused, and no upgrade is started while the box says so.
    void aRefusedLinkStartsNoUpgrade() {
        QTest::failOnWarning(QRegularExpression("Destroyed while process"));
        SimBridge sim("device=UNIT0001\nprogram_ms=50\n");
        QVERIFY(sim.ready());
        Mosquitto broker;
        QVERIFY(broker.start());
        QTemporaryDir folder;
        StationWindowOptions options = StationWindowTesting::optionsFor(folder);
        options.line = lineOf(broker, QString(300, 'S'));
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QString title, text;
        StationWindowTesting::readBox(title, text);
        QVERIFY(!window.startWith(SAMPLE_IMAGES_DIR "/three-records.frw"));
        QVERIFY2(text.startsWith("cannot write the publishing cursor"), qPrintable(text));
        QCOMPARE(QFile(options.station.recordPath).size(), 0);
    }

    // Start pressed again while the last run's goodbye waits for a broker that answers nothing.
    void aSecondStartDuringTheGoodbyeWaits() {
        SimBridge sim("");
        QVERIFY(sim.ready());
        Mosquitto broker;
        QVERIFY(broker.start());
        Subscriber online(broker, "tarvellon/L1/S1/online");
        QVERIFY(online.ready());
        QTemporaryDir folder;
        StationWindowOptions options = StationWindowTesting::optionsFor(folder);
        options.line = lineOf(broker, "S1");
        StationWindow window(options);
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
        QVERIFY(window.startWith(SAMPLE_IMAGES_DIR "/three-records.frw"));
        QVERIFY(online.waitFor([](const auto& came) { return !came.isEmpty(); }, 20000));
        QTest::mouseClick(window.Stop, Qt::LeftButton);
        QTRY_VERIFY_WITH_TIMEOUT(window.Start->isEnabled(), 20000);
        broker.pause();
        // Clicked from within the first click's goodbye, the first event loop it runs.
        QMetaObject::invokeMethod(
            window.Start, [&] { QTest::mouseClick(window.Start, Qt::LeftButton); },
            Qt::QueuedConnection);
        QTest::mouseClick(window.Start, Qt::LeftButton);
        broker.resume();
        QVERIFY(window.Stop->isEnabled());
    }

  private:
    StationWindowTesting::OwnConfigFolder m_config;
};

QTEST_MAIN(LineViewTest)
#include "line_window_qtest.moc"
