// The traffic log pane bound to its model: colours, prefixes, hex mode, counters,
// the hex copy, clearing and the batched drawing.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/traffic_log_widget.h"
#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "text/gbk.h"

using namespace t418;

namespace {

class MapLookup : public TextLookup {
 public:
  std::map<std::string, std::string, std::less<>> texts;  // UTF-8 here, GBK out
  std::string LangText(std::string_view name) const override {
    auto it = texts.find(name);
    return it == texts.end() ? std::string(name) : Utf8ToGbk(it->second);
  }
};

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// One displayed run of text and its colour.
struct Run {
  QString text;
  QColor colour;
};

// The runs of a document, one block after another; a block boundary is a '\n'
// at the start of the next run's text, so joining all texts gives toPlainText().
std::vector<Run> RunsOf(const QTextDocument* document) {
  std::vector<Run> runs;
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    bool breakPending = block != document->begin();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (!fragment.isValid()) continue;
      QString text = fragment.text();
      if (breakPending) text.prepend(QLatin1Char('\n'));
      breakPending = false;
      runs.push_back({text, fragment.charFormat().foreground().color()});
    }
    // An empty line has no fragment, only its break.
    if (breakPending) runs.push_back({QStringLiteral("\n"), block.charFormat().foreground().color()});
  }
  return runs;
}

// The distinct colours of all non-empty text in a document.
std::vector<QColor> ColoursOf(const QTextDocument* document) {
  std::vector<QColor> colours;
  for (const Run& run : RunsOf(document)) {
    if (run.text.trimmed().isEmpty()) continue;
    bool known = false;
    for (const QColor& c : colours) known = known || c == run.colour;
    if (!known) colours.push_back(run.colour);
  }
  return colours;
}

}  // namespace

class LogWidgetTest : public QObject {
  Q_OBJECT

 private:
  testing::FixedLogClock clock;
  std::unique_ptr<TrafficLog> log;
  std::unique_ptr<TrafficLogWidget> widget;

  QString Text() { return widget->TextBox()->toPlainText(); }
  QString Hex() { return widget->HexBox()->toPlainText(); }

 private slots:
  void init() {
    clock.time = {14, 3, 27};
    log = std::make_unique<TrafficLog>(clock);
    widget = std::make_unique<TrafficLogWidget>(*log);
    widget->resize(480, 320);
    widget->show();
    QVERIFY(QTest::qWaitForWindowExposed(widget.get()));
  }
  void cleanup() {
    widget.reset();
    log.reset();
  }

  void controlsCarryTheirNames() {
    for (const char* name : {"edtDialog", "edtDialogHex", "rzRecive", "chbTime", "chbRxHex", "lblRe",
                             "lblReCount", "btnResetCount", "pmCls"}) {
      QVERIFY2(widget->findChild<QObject*>(name) != nullptr, name);
    }
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("0"));
    QVERIFY(!widget->TimeCheck()->isChecked());
    QVERIFY(!widget->RxHexCheck()->isChecked());
    QVERIFY(widget->HexBox()->isHidden());
    QVERIFY(!widget->TextBox()->isHidden());
  }

  void eachWriterHasItsColour_data() {
    QTest::addColumn<int>("writer");
    QTest::addColumn<QColor>("colour");  // invalid: the palette's window-text colour
    QTest::newRow("reply") << 0 << QColor(0, 128, 0);
    QTest::newRow("received") << 1 << QColor();
    QTest::newRow("sent") << 2 << QColor(0, 0, 255);
    QTest::newRow("info") << 3 << QColor();
    QTest::newRow("warning") << 4 << QColor(255, 0, 0);
  }
  void eachWriterHasItsColour() {
    QFETCH(int, writer);
    QFETCH(QColor, colour);
    // A window-text colour unlike any default, so the right palette role shows.
    QPalette palette = widget->TextBox()->palette();
    palette.setColor(QPalette::WindowText, QColor(12, 34, 56));
    palette.setColor(QPalette::Text, QColor(200, 100, 50));
    widget->TextBox()->setPalette(palette);
    if (!colour.isValid()) colour = QColor(12, 34, 56);

    log->timeStamps = true;
    widget->SyncFromModel();
    const std::string text = "OK\r\nline two";
    switch (writer) {
      case 0: log->LogReply(text); break;
      case 1: log->LogReceived(text); break;
      case 2: log->LogSent(text); break;
      case 3: log->LogInfo(text); break;
      case 4: log->LogWarning(text); break;
    }
    widget->Flush();
    const std::vector<QColor> colours = ColoursOf(widget->TextBox()->document());
    QCOMPARE(colours.size(), std::size_t(1));
    QCOMPARE(colours[0], colour);
    QVERIFY(Text().endsWith(U("OK\nline two")));
  }

  void entriesOfDifferentColoursKeepTheirOwn() {
    log->LogSent("AT+CSQ\r\n");
    log->LogReply("\r\n+CSQ: 23,99\r\n\r\nOK\r\n");
    log->LogWarning(Utf8ToGbk("串口未打开"));
    log->LogInfo("done");
    widget->Flush();
    const std::vector<Run> runs = RunsOf(widget->TextBox()->document());
    // Joined, the runs give the text; each entry's lines keep its colour.
    QString joined;
    for (const Run& run : runs) joined += run.text;
    QCOMPARE(joined, Text());
    const QColor window = widget->TextBox()->palette().color(QPalette::WindowText);
    for (const Run& run : runs) {
      const QString t = run.text.trimmed();
      if (t.isEmpty()) continue;
      QColor expected;
      if (t == U("AT+CSQ")) expected = QColor(0, 0, 255);
      else if (t == U("+CSQ: 23,99") || t == U("OK")) expected = QColor(0, 128, 0);
      else if (t == U("串口未打开")) expected = QColor(255, 0, 0);
      else if (t == U("done")) expected = window;
      QVERIFY2(expected.isValid(), qPrintable(t));
      QCOMPARE(run.colour, expected);
    }
  }

  void prefixesFollowTheTimeCheckBox() {
    QTest::mouseClick(widget->TimeCheck(), Qt::LeftButton);
    QVERIFY(log->timeStamps);
    log->LogSent("AT+VER?\r\n");
    widget->Flush();
    // The prefix line, the query, and the empty line of its own CR LF.
    QCOMPARE(Text(), U(">[Tx->][14:03:27][asc]\nAT+VER?\n"));
    QCOMPARE(widget->TextBox()->document()->blockCount(), 3);

    clock.time = {9, 5, 0};
    log->LogReceived("OK");
    log->LogWarning(Utf8ToGbk("串口未打开"));
    widget->Flush();
    QCOMPARE(Text(), U(">[Tx->][14:03:27][asc]\nAT+VER?\n\n"
                       ">[Rx<-][09:05:00][asc]\nOK\n"
                       ">[Warn][09:05:00]\n串口未打开"));

    QTest::mouseClick(widget->TimeCheck(), Qt::LeftButton);
    QVERIFY(!log->timeStamps);
    log->LogReceived("bare");
    widget->Flush();
    QVERIFY(Text().endsWith(U("串口未打开\nbare")));
  }

  void hexModeFollowsItsCheckBox() {
    log->timeStamps = true;
    widget->SyncFromModel();
    QTest::mouseClick(widget->RxHexCheck(), Qt::LeftButton);
    QVERIFY(log->rxHex);
    log->LogSent("AT+VER?\r\n");
    log->LogReply(Utf8ToGbk("好"));
    log->LogWarning("bad");
    log->LogInfo("info");
    widget->Flush();
    QCOMPARE(Text(), U(">[Tx->][14:03:27][Hex]\n41 54 2B 56 45 52 3F 0D 0A\n"
                       ">[Rx<-][14:03:27][Hex]\nBA C3\n"
                       ">[Warn][14:03:27]\nbad\n"
                       "info"));

    QTest::mouseClick(widget->RxHexCheck(), Qt::LeftButton);
    QVERIFY(!log->rxHex);
    log->LogReceived("AT");
    widget->Flush();
    QVERIFY(Text().endsWith(U("info\n>[Rx<-][14:03:27][asc]\nAT")));
  }

  void countersShowAndReset() {
    QSignalSpy spy(widget.get(), &TrafficLogWidget::countersChanged);
    log->LogReceived("12345");
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("5"));
    log->LogWarning(Utf8ToGbk("串口未打开"), WarningOrigin::Terminal);  // 10 bytes
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("15"));
    log->AddSentBytes(7);
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("15"));
    log->LogSent("not counted");
    QCOMPARE(spy.count(), 3);
    QCOMPARE(spy.last().at(0).value<quint32>(), 15u);
    QCOMPARE(spy.last().at(1).value<quint32>(), 7u);

    QTest::mouseClick(widget->ResetCountButton(), Qt::LeftButton);
    QCOMPARE(log->ReceivedCount(), 0u);
    QCOMPARE(log->SentCount(), 0u);
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("0"));
    QCOMPARE(spy.last().at(0).value<quint32>(), 0u);
    QCOMPARE(spy.last().at(1).value<quint32>(), 0u);

    log->LogReply("abcde");
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("5"));
  }

  void hexCopyPaneOnlyWhileSwitchedOn() {
    QVERIFY(widget->HexBox()->isHidden());
    log->timeStamps = true;
    log->LogSent("before");
    widget->SetHexCopy(true);
    QVERIFY(log->hexCopy);
    QVERIFY(widget->HexBox()->isVisible());
    log->LogSent("AT\r\n");
    log->LogWarning("x");
    widget->Flush();
    QCOMPARE(Hex(), U("3E 5B 54 78 2D 3E 5D 5B 31 34 3A 30 33 3A 32 37 5D 5B 61 73 63 5D 0D 0A "
                      "41 54 0D 0A \n"
                      "3E 5B 57 61 72 6E 5D 5B 31 34 3A 30 33 3A 32 37 5D 0D 0A 78 "));
    QCOMPARE(ColoursOf(widget->HexBox()->document()),
             (std::vector<QColor>{QColor(0, 0, 255), QColor(255, 0, 0)}));

    widget->SetHexCopy(false);
    QVERIFY(!log->hexCopy);
    QVERIFY(widget->HexBox()->isHidden());
    log->LogSent("after");
    widget->Flush();
    QVERIFY(!Hex().contains(U("61 66 74")));  // "aft"
    QVERIFY(Text().endsWith(U("after")));

    // A switch set on the model directly shows once the widget syncs.
    log->hexCopy = true;
    widget->SyncFromModel();
    QVERIFY(widget->HexBox()->isVisible());
  }

  void modelClearDropsOnlyWhatCameBefore() {
    log->LogInfo("first");
    log->LogInfo("second");
    widget->ClearPane(LogPane::Text);  // as the model does at the line cap
    log->LogInfo("third");
    QCOMPARE(Text(), QString());  // nothing drawn before the flush
    widget->Flush();
    QCOMPARE(Text(), U("third"));
  }

  void lineCapEmptiesTheLogThroughTheModel() {
    log->LogInfo("first");
    // 65 534 lines after the first one: the log lands exactly on the cap.
    log->LogInfo(std::string(65533, '\n'));
    QCOMPARE(log->LineCount(LogPane::Text), 0);
    log->LogInfo("next");
    widget->Flush();
    QCOMPARE(Text(), U("next"));
    QCOMPARE(widget->TextBox()->document()->blockCount(), 1);
  }

  void contextMenuActsOnTheBoxItWasOpenedOn() {
    widget->SetHexCopy(true);
    log->LogInfo("one");
    log->LogInfo("two");
    widget->Flush();
    log->LogInfo("queued");  // not drawn yet: cleared along with the box
    const QList<QAction*> items = widget->ContextMenu()->actions();
    QCOMPARE(items.size(), 7);
    QVERIFY(items[3]->isSeparator());
    QVERIFY(items[5]->isSeparator());

    // Select all and copy on the log.
    emit widget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    items[2]->trigger();
    items[0]->trigger();
    widget->ContextMenu()->hide();
    QCOMPARE(QGuiApplication::clipboard()->text(), U("one\ntwo"));

    // Clear on the hex pane leaves the log alone.
    emit widget->HexBox()->customContextMenuRequested(QPoint(5, 5));
    items[4]->trigger();
    widget->ContextMenu()->hide();
    QCOMPARE(Hex(), QString());
    QVERIFY(!Text().isEmpty());

    // Clear on the log: empty, counters untouched, model's line count restarted.
    log->LogReceived("abc");
    emit widget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    items[4]->trigger();
    widget->ContextMenu()->hide();
    QCOMPARE(Text(), QString());
    QCOMPARE(widget->PendingEntries(), 1);  // the hex copy of "abc" only
    QCOMPARE(widget->ReceivedCountLabel()->text(), U("3"));
    QCOMPARE(log->LineCount(LogPane::Text), 0);
    log->LogInfo("fresh");
    widget->Flush();
    QCOMPARE(Text(), U("fresh"));

    // Paste puts the clipboard's text into the box.
    QGuiApplication::clipboard()->setText(U("pasted"));
    emit widget->TextBox()->customContextMenuRequested(QPoint(5, 5));
    items[1]->trigger();
    widget->ContextMenu()->hide();
    QVERIFY(Text().contains(U("pasted")));
  }

  void textsComeFromTheCatalogue() {
    MapLookup lookup;
    lookup.texts = {{"lang_chbTime", "时间戳"},    {"lang_lblRxHex", "接收:"},
                    {"lang_btnResetCount", "复位计数"}, {"lang_pmCls0", "复制"},
                    {"lang_pmCls1", "粘贴"},       {"lang_pmCls2", "全选"},
                    {"lang_pmCls4", "清屏"}};
    widget->ApplyTexts(lookup);
    QCOMPARE(widget->TimeCheck()->text(), U("时间戳"));
    QCOMPARE(widget->ReceivedLabel()->text(), U("接收:"));
    QCOMPARE(widget->ResetCountButton()->text(), U("复位计数"));
    QCOMPARE(widget->RxHexCheck()->text(), U("Hex"));
    const QList<QAction*> items = widget->ContextMenu()->actions();
    QCOMPARE(items[0]->text(), U("复制"));
    QCOMPARE(items[1]->text(), U("粘贴"));
    QCOMPARE(items[2]->text(), U("全选"));
    QCOMPARE(items[4]->text(), U("清屏"));
  }

  void batchesDeliverEverythingInOrder() {
    log->timeStamps = true;
    widget->SyncFromModel();
    QString expected;
    std::vector<QColor> expectedColours;
    // Far more than one flush draws, in entries of four colours, with clears
    // between them as the line cap would make them.
    const std::string filler(4000, 'x');
    for (int i = 0; i < 400; ++i) {
      const std::string n = std::to_string(i);
      if (i == 150) {
        widget->ClearPane(LogPane::Text);
        expected.clear();
      }
      if (i % 4 == 0) log->LogReceived(n + ":" + filler);
      if (i % 4 == 1) log->LogSent(n);
      if (i % 4 == 2) log->LogReply(n + "\r\n");
      if (i % 4 == 3) log->LogWarning(n);
      const char* prefix = i % 4 == 1 ? ">[Tx->][14:03:27][asc]\n"
                           : i % 4 == 3 ? ">[Warn][14:03:27]\n"
                                        : ">[Rx<-][14:03:27][asc]\n";
      if (!expected.isEmpty()) expected += QLatin1Char('\n');
      expected += U(prefix) + QString::fromStdString(n);
      if (i % 4 == 0) expected += U(":") + QString::fromStdString(filler);
      if (i % 4 == 2) expected += QLatin1Char('\n');
      // The event loop turns now and then, as between chunks of a line.
      if (i % 50 == 0) QCoreApplication::processEvents();
    }
    QVERIFY(widget->PendingEntries() > 0);
    QTRY_COMPARE_WITH_TIMEOUT(widget->PendingEntries(), 0, 5000);
    QCOMPARE(Text(), expected);

    // Colour by entry, checked on the prefix lines.
    const QColor window = widget->TextBox()->palette().color(QPalette::WindowText);
    for (const Run& run : RunsOf(widget->TextBox()->document())) {
      if (run.text.contains(U("[Tx->]"))) QCOMPARE(run.colour, QColor(0, 0, 255));
      if (run.text.contains(U("[Warn]"))) QCOMPARE(run.colour, QColor(255, 0, 0));
      if (run.text.contains(U("x:")) || run.text.contains(U(":x"))) QCOMPARE(run.colour, window);
    }

    // The log shows its last line.
    QScrollBar* bar = widget->TextBox()->verticalScrollBar();
    QVERIFY(bar->maximum() > 0);
    QCOMPARE(bar->value(), bar->maximum());
  }
};

QTEST_MAIN(LogWidgetTest)
#include "traffic_log_widget_test.moc"
