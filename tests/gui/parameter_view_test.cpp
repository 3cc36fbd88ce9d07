// The parameter view bound to its form model: every control has its widget,
// what the user does reaches the model and its rules once, what the model
// changes reaches the widgets without running a rule again, the key filters,
// numeric and typing limits act on typing only, the wheel scrolls one line, the
// panels follow the model, and the view fits the left half of the window in
// both languages.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QInputMethodEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QStackedWidget>
#include <QTest>
#include <QWheelEvent>

#include <memory>
#include <string>
#include <vector>

#include "app/param_binding.h"
#include "app/parameter_view.h"
#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "monitor/traffic_log.h"
#include "params/commands.h"
#include "form_fakes.h"
#include "log_fakes.h"
#include "text/gbk.h"

using namespace t418;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

// A parameter view on the built-in texts, with recorded messages.
struct Rig {
  testing::FixedLogClock clock;
  TrafficLog log{clock};
  testing::RecordingLogView logView;
  TLangList lang{[] { return true; }};
  HardwareSign hardware;
  testing::RecordingMessages messages;
  ParamForm form_;
  ViewRules rules_{ViewRuleParts{form_, log, lang, hardware, messages, [this] { return lang.UseChinese; }}};
  RegionView regions_{form_};
  std::unique_ptr<ParameterView> view;

  Rig() {
    log.SetView(&logView);
    RegisterDefaultTexts(lang);
    lang.UseChinese = true;
    view = std::make_unique<ParameterView>(
        ParameterViewParts{form_, rules_, regions_, lang});
    view->resize(650, 700);
    view->ApplyTexts();
  }

  ParamForm& form() { return view->Form(); }
  ViewRules& rules() { return view->Rules(); }
  template <typename W>
  W* w(const char* name) {
    W* widget = view->WidgetAs<W>(name);
    if (!widget) qFatal("no widget %s", name);
    return widget;
  }
  void Show() {
    view->show();
    QVERIFY(QTest::qWaitForWindowExposed(view.get()));
    QApplication::processEvents();
  }
  void SetLanguage(bool chinese) {
    lang.UseChinese = chinese;
    view->ApplyTexts();
    QApplication::processEvents();
  }
};

// Clicks a widget as the user would, after scrolling it into view.
void ClickOn(QWidget* widget) {
  for (QWidget* p = widget->parentWidget(); p; p = p->parentWidget())
    if (auto* box = qobject_cast<QScrollArea*>(p)) box->ensureWidgetVisible(widget);
  // On the indicator of a box or button, which may stand wider than its text.
  const bool button = qobject_cast<QCheckBox*>(widget) || qobject_cast<QRadioButton*>(widget);
  QTest::mouseClick(widget, Qt::LeftButton, {}, button ? QPoint(8, widget->height() / 2) : widget->rect().center());
}

// Types characters of any script, one key press and release each.
void TypeText(QWidget* widget, const QString& text) {
  for (QChar ch : text) {
    QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(ch), Qt::NoModifier);
  }
}

// Sends one wheel turn to a widget at its centre.
void Wheel(QWidget* widget, int angle) {
  const QPointF local = QRectF(widget->rect()).center();
  QWheelEvent event(local, widget->mapToGlobal(local), QPoint(), QPoint(0, angle), Qt::NoButton, Qt::NoModifier,
                    Qt::NoScrollPhase, false);
  QApplication::sendEvent(widget, &event);
}

// Widgets that show text and must show it whole: their width is at least what
// their text needs.
QStringList ClippedTexts(QWidget* root) {
  QStringList clipped;
  for (QWidget* w : root->findChildren<QWidget*>()) {
    if (!w->isVisibleTo(root)) continue;
    const bool textual = qobject_cast<QLabel*>(w) || qobject_cast<QCheckBox*>(w) || qobject_cast<QRadioButton*>(w);
    if (!textual) continue;
    if (auto* label = qobject_cast<QLabel*>(w); label && label->text().isEmpty()) continue;
    if (w->width() < w->minimumSizeHint().width() || w->height() < w->minimumSizeHint().height())
      clipped << w->objectName();
  }
  return clipped;
}

}  // namespace

class ParamViewTest : public QObject {
  Q_OBJECT

 private slots:
  void everyControlHasOneWidgetOfItsKind();
  void startStateIsTheModels();
  void checkBoxClickReachesModelAndShowsGroup();
  void radioButtonSwitchesPageAndPicture();
  void clickingTheCheckedRadioButtonKeepsIt();
  void choosingAnEntryRunsItsRule();
  void typedTextReachesModel();
  void aValueTheTerminalWouldRefuseIsFramedWhileTyped();
  void modelChangeReachesWidgetsWithoutRunningRulesAgain();
  void programSetEntryFiresNoWidgetSignal();
  void hexFieldDropsRefusedKeys();
  void numericLimitsEmptyOutOfRangeFields_data();
  void numericLimitsEmptyOutOfRangeFields();
  void typingLimitBindsTypingOnly();
  void pasteIsCutToTheTypingLimit();
  void limitTypingCases_data();
  void limitTypingCases();
  void filterKeysOfKeyEvents();
  void wheelScrollsOneLine();
  void clickGivesScrollBoxFocus();
  void gnssServiceButtonFocusesItsScrollBox();
  void panelsFollowModelAndDoubleClick();
  void draggingThePanelEdgeReachesModel();
  void regionListsRunTheirRules();
  void textsInBothLanguages();
  void privateChannelMessageShownOnce();
  void screenshotsFitTheLeftHalf();
};

void ParamViewTest::everyControlHasOneWidgetOfItsKind() {
  Rig rig;
  for (Control* c : rig.form().Controls()) {
    if (c->Name() == "pnlL") continue;  // the main window's; the view is its content
    const QString name = QString::fromStdString(c->Name());
    const QList<QWidget*> named = rig.view->findChildren<QWidget*>(name);
    QVERIFY2(named.size() == 1, qPrintable(name));
    QCOMPARE(rig.view->WidgetOf(c->Name()), named.front());
    QWidget* w = named.front();
    bool kindOk = true;
    switch (c->Kind()) {
      case ControlKind::CheckBox: kindOk = qobject_cast<QCheckBox*>(w); break;
      case ControlKind::RadioButton: kindOk = qobject_cast<QRadioButton*>(w); break;
      case ControlKind::ChoiceList: kindOk = qobject_cast<QComboBox*>(w); break;
      case ControlKind::Edit:
      case ControlKind::LabeledEdit:
      case ControlKind::RegDataField: kindOk = qobject_cast<QLineEdit*>(w); break;
      case ControlKind::Group: kindOk = qobject_cast<QGroupBox*>(w); break;
      case ControlKind::PageControl: kindOk = qobject_cast<QStackedWidget*>(w); break;
      case ControlKind::ScrollBox: kindOk = qobject_cast<QScrollArea*>(w); break;
      case ControlKind::Label:
      case ControlKind::Picture: kindOk = qobject_cast<QLabel*>(w); break;
      default: break;
    }
    QVERIFY2(kindOk, qPrintable(name));
  }
}

void ParamViewTest::startStateIsTheModels() {
  Rig rig;
  rig.Show();
  for (Control* c : rig.form().Controls()) {
    QWidget* w = rig.view->WidgetOf(c->Name());
    if (!w || c->Kind() == ControlKind::Page) continue;
    QVERIFY2(w->isHidden() == !c->Visible(), c->Name().c_str());
    QVERIFY2(w->isEnabled() == c->Enabled(), c->Name().c_str());
  }
  // Hidden for good, and the groups of clear boxes.
  for (const char* hidden : {"rbSmsTran", "rzchckbxSOCKIND", "cbbFlow", "lblFlow", "rzchckbxRFC", "rzchckbxSktC",
                             "rzgrpbxSktC", "rzgrpbxMore", "edtUdcId", "edtCloudPa"})
    QVERIFY2(rig.view->WidgetOf(hidden)->isHidden(), hidden);
  QVERIFY(rig.w<QRadioButton>("rbNetTran")->isChecked());
  QVERIFY(!rig.w<QRadioButton>("rbUdc")->isChecked());
  QCOMPARE(rig.w<QComboBox>("cbbRegTp")->currentIndex(), 3);
  QCOMPARE(rig.w<QComboBox>("cbbHTPTP")->currentText(), U("POST"));
  QCOMPARE(rig.w<QComboBox>("cbbD")->currentText(), U("8"));
  QCOMPARE(rig.w<QStackedWidget>("rzpgcntrlPara")->currentIndex(), 0);
  QCOMPARE(rig.w<QLabel>("imgWkMod")->size(), QSize(534, 90));
  QVERIFY(rig.w<QLineEdit>("cbbGREGDT")->isReadOnly());
}

void ParamViewTest::checkBoxClickReachesModelAndShowsGroup() {
  Rig rig;
  rig.Show();
  auto* more = rig.w<QCheckBox>("rzchckbxMore");
  ClickOn(more);
  QVERIFY(rig.form().rzchckbxMore.Checked());
  QVERIFY(rig.form().rzgrpbxMore.Visible());
  QVERIFY(rig.w<QGroupBox>("rzgrpbxMore")->isVisible());
  ClickOn(more);
  QVERIFY(!rig.form().rzchckbxMore.Checked());
  QVERIFY(!more->isChecked());
  QVERIFY(rig.w<QGroupBox>("rzgrpbxMore")->isHidden());

  ClickOn(rig.w<QCheckBox>("rzchckbxSktB"));
  QVERIFY(!rig.form().rzchckbxSktB.Checked());
  QVERIFY(rig.w<QGroupBox>("rzgrpbxSktB")->isHidden());
}

void ParamViewTest::radioButtonSwitchesPageAndPicture() {
  Rig rig;
  rig.Show();
  ClickOn(rig.w<QRadioButton>("rbHttpd"));
  QVERIFY(rig.form().rbHttpd.Checked());
  QVERIFY(!rig.w<QRadioButton>("rbNetTran")->isChecked());
  QCOMPARE(rig.w<QStackedWidget>("rzpgcntrlPara")->currentIndex(), 1);
  QCOMPARE(rig.form().imgWkMod.Resource(), std::string("HTTP_CN"));
  QVERIFY(!rig.w<QLabel>("imgWkMod")->pixmap().isNull());
  QCOMPARE(rig.w<QGroupBox>("rzgrpbxPara")->title(), U(" HTTPD模式相关参数"));

  // UDC: the network page, the UDC identity instead of the registration data,
  // locked boxes and long connections.
  ClickOn(rig.w<QRadioButton>("rbUdc"));
  QCOMPARE(rig.w<QStackedWidget>("rzpgcntrlPara")->currentIndex(), 0);
  QVERIFY(!rig.w<QRadioButton>("rbHttpd")->isChecked());
  QVERIFY(!rig.w<QLineEdit>("edtUdcId")->isHidden());
  QVERIFY(rig.w<QLineEdit>("cbbRegDt")->isHidden());
  QVERIFY(!rig.w<QCheckBox>("rzchckbxRegEn")->isEnabled());
  QVERIFY(!rig.w<QComboBox>("cbbASL")->isEnabled());
  QCOMPARE(rig.w<QComboBox>("cbbBSL")->currentIndex(), 1);
  QCOMPARE(rig.form().imgWkMod.Resource(), std::string("NET_CN"));
}

void ParamViewTest::clickingTheCheckedRadioButtonKeepsIt() {
  Rig rig;
  rig.Show();
  auto* net = rig.w<QRadioButton>("rbNetTran");
  ClickOn(net);
  QVERIFY(net->isChecked());
  QVERIFY(rig.form().rbNetTran.Checked());
  auto* mult = rig.w<QRadioButton>("rbMULT");
  ClickOn(rig.w<QRadioButton>("rbPrivateCloud"));
  ClickOn(mult);
  QVERIFY(mult->isChecked());
  QVERIFY(!rig.w<QRadioButton>("rbINDE")->isChecked());
}

void ParamViewTest::choosingAnEntryRunsItsRule() {
  Rig rig;
  rig.Show();
  // UDP for socket B hides its connection kind and sets it to LONG.
  auto* protocol = rig.w<QComboBox>("cbbProtocolB");
  protocol->setFocus();
  QTest::keyClick(protocol, Qt::Key_Down);
  QCOMPARE(rig.form().cbbProtocolB.ItemIndex(), 1);
  QCOMPARE(rig.form().cbbBSL.ItemIndex(), 1);
  QVERIFY(rig.w<QComboBox>("cbbBSL")->isHidden());
  QCOMPARE(rig.w<QComboBox>("cbbBSL")->currentIndex(), 1);
  QTest::keyClick(protocol, Qt::Key_Up);
  QVERIFY(!rig.w<QComboBox>("cbbBSL")->isHidden());

  // The cloud registration type shows its stored entry and the cloud code.
  rig.form().cbbRegDt.SetEntry(2, "12345678901234567890");
  auto* type = rig.w<QComboBox>("cbbRegTp");
  type->setFocus();
  QTest::keyClick(type, Qt::Key_Up);
  QCOMPARE(rig.form().cbbRegTp.ItemIndex(), 2);
  QCOMPARE(rig.w<QLineEdit>("cbbRegDt")->text(), U("12345678901234567890"));
  QVERIFY(!rig.w<QLineEdit>("edtCloudPa")->isHidden());
  QCOMPARE(rig.w<QLabel>("lblRegDt")->text(), U("设备编号和密码"));
  QTest::keyClick(type, Qt::Key_Up);  // identity: read-only
  QVERIFY(rig.w<QLineEdit>("cbbRegDt")->isReadOnly());
}

void ParamViewTest::typedTextReachesModel() {
  Rig rig;
  rig.Show();
  auto* address = rig.w<QLineEdit>("edtAddrA");
  address->setFocus();
  QTest::keyClicks(address, "10.0.0.1");
  QCOMPARE(rig.form().edtAddrA.Text(), std::string("10.0.0.1"));
  QTest::keyClick(address, Qt::Key_Backspace);
  QCOMPARE(rig.form().edtAddrA.Text(), std::string("10.0.0."));

  // Chinese reaches the model as GBK.
  auto* plate = rig.w<QLineEdit>("edtCarNum");
  plate->setFocus();
  TypeText(plate, U("京A12345"));
  QCOMPARE(rig.form().edtCarNum.Text(), Utf8ToGbk("京A12345"));

  // Typing into the registration data changes the shown text, not the stored entry.
  auto* data = rig.w<QLineEdit>("cbbRegDt");
  data->setFocus();
  QTest::keyClicks(data, "abc");
  QCOMPARE(rig.form().cbbRegDt.Text(), std::string("abc"));
  QCOMPARE(rig.form().cbbRegDt.Entry(3), std::string());

  // A labelled edit.
  auto* apn = rig.w<QLineEdit>("lbledtApn");
  QTest::keyClicks(apn, "cmnet");
  QCOMPARE(rig.form().lbledtApn.Text(), std::string("cmnet"));
}

void ParamViewTest::aValueTheTerminalWouldRefuseIsFramedWhileTyped() {
  Rig rig;
  rig.Show();
  auto* address = rig.w<QLineEdit>("edtAddrA");
  address->setFocus();
  QTest::keyClicks(address, "10.0.0.1");
  QVERIFY(!address->property("valueRefused").toBool());
  const QString hint = address->toolTip();
  address->selectAll();
  QTest::keyClicks(address, "bad,host");
  QVERIFY(address->property("valueRefused").toBool());
  QVERIFY(address->styleSheet().contains("border"));
  QVERIFY(!address->toolTip().isEmpty());
  QVERIFY(address->toolTip() != hint);

  // Mended, the frame and the field's own hint come back.
  address->selectAll();
  QTest::keyClicks(address, "10.0.0.1");
  QVERIFY(!address->property("valueRefused").toBool());
  QVERIFY(address->styleSheet().isEmpty());
  QCOMPARE(address->toolTip(), hint);
}

void ParamViewTest::modelChangeReachesWidgetsWithoutRunningRulesAgain() {
  Rig rig;
  rig.Show();
  // A hex box set by the program converts once: run twice, "AB" would become "34313432".
  rig.form().edtHeartDt.SetText("AB");
  QCOMPARE(rig.w<QLineEdit>("edtHeartDt")->text(), U("AB"));
  rig.rules().SetChecked(rig.form().rzchckbxHeartDtHex, true);
  QVERIFY(rig.w<QCheckBox>("rzchckbxHeartDtHex")->isChecked());
  QCOMPARE(rig.form().edtHeartDt.Text(), std::string("4142"));
  QCOMPARE(rig.w<QLineEdit>("edtHeartDt")->text(), U("4142"));

  // The same by a user's click: once.
  ClickOn(rig.w<QCheckBox>("rzchckbxHeartDtHex"));
  QCOMPARE(rig.w<QLineEdit>("edtHeartDt")->text(), U("AB"));

  // Enable boxes set by the program show and hide their groups on screen.
  rig.rules().SetChecked(rig.form().rzchckbxHeartEn, false);
  QVERIFY(!rig.w<QCheckBox>("rzchckbxHeartEn")->isChecked());
  QVERIFY(rig.w<QGroupBox>("rzgrpbxHeart")->isHidden());

  // Entry texts replaced by the program keep the chosen entry.
  rig.form().cbbASL.SetItemIndex(1);
  rig.form().cbbASL.SetItemText(1, "LONG");
  QCOMPARE(rig.w<QComboBox>("cbbASL")->currentText(), U("LONG"));
  QCOMPARE(rig.w<QComboBox>("cbbASL")->currentIndex(), 1);

  // Pages set by the program.
  rig.rules().SetChecked(rig.form().rbQianXun, true);
  QCOMPARE(rig.w<QStackedWidget>("RzPageControlGNSS")->currentIndex(), 2);
}

void ParamViewTest::programSetEntryFiresNoWidgetSignal() {
  Rig rig;
  rig.Show();
  auto* type = rig.w<QComboBox>("cbbGREGTP");
  QSignalSpy activated(type, &QComboBox::activated);
  QSignalSpy changed(type, &QComboBox::currentIndexChanged);
  auto* hex = rig.w<QCheckBox>("rzchckbxGREGDThex");
  QSignalSpy clicked(hex, &QCheckBox::clicked);
  QSignalSpy toggled(hex, &QCheckBox::toggled);

  rig.rules().SelectEntry(rig.form().cbbGREGTP, 4);
  QCOMPARE(type->currentIndex(), 4);
  QVERIFY(!hex->isHidden());
  QVERIFY(!rig.w<QLineEdit>("cbbGREGDT")->isReadOnly());
  rig.rules().SetChecked(rig.form().rzchckbxGREGDThex, true);
  QVERIFY(hex->isChecked());
  QCOMPARE(activated.count(), 0);
  QCOMPARE(changed.count(), 0);
  QCOMPARE(clicked.count(), 0);
  QCOMPARE(toggled.count(), 0);
}

void ParamViewTest::hexFieldDropsRefusedKeys() {
  Rig rig;
  rig.Show();
  auto* data = rig.w<QLineEdit>("edtHeartDt");
  data->setFocus();
  QTest::keyClicks(data, "4g");
  QCOMPARE(data->text(), U("4g"));  // hex box clear: any key
  data->clear();
  rig.form().edtHeartDt.SetText("");
  ClickOn(rig.w<QCheckBox>("rzchckbxHeartDtHex"));
  data->setFocus();
  TypeText(data, U("4g1F京"));
  QCOMPARE(data->text(), U("41F"));
  QCOMPARE(rig.form().edtHeartDt.Text(), std::string("41F"));
  QTest::keyClick(data, Qt::Key_Backspace);
  QCOMPARE(rig.form().edtHeartDt.Text(), std::string("41"));

  // Digit fields take digits only.
  auto* id = rig.w<QLineEdit>("edtdevid");
  id->setFocus();
  QTest::keyClicks(id, "12a3-");
  QCOMPARE(rig.form().edtdevid.Text(), std::string("123"));
  // Text from an input method passes the same filter.
  for (const char* composed : {"京", "45"}) {
    QInputMethodEvent event;
    event.setCommitString(U(composed));
    QApplication::sendEvent(id, &event);
  }
  QCOMPARE(rig.form().edtdevid.Text(), std::string("12345"));
}

void ParamViewTest::numericLimitsEmptyOutOfRangeFields_data() {
  QTest::addColumn<QString>("field");
  QTest::addColumn<QString>("typed");
  QTest::addColumn<QString>("kept");
  QTest::newRow("Addr1 keeps 7000, empties at the fifth key") << "edtMODBUSAddr1" << "70000" << "";
  QTest::newRow("Addr1 refuses 65535") << "edtMODBUSAddr1" << "65535" << "";
  QTest::newRow("Addr2 keeps 65535") << "edtMODBUSAddr2" << "65535" << "65535";
  QTest::newRow("interval 0") << "edtreportinternal" << "0" << "";
  QTest::newRow("interval 6000") << "edtreportinternal" << "6000" << "6000";
  QTest::newRow("interval 6001") << "edtreportinternal" << "6001" << "";
  QTest::newRow("MODBUS ID 256") << "edtMODBUSID1" << "256" << "";
}

void ParamViewTest::numericLimitsEmptyOutOfRangeFields() {
  QFETCH(QString, field);
  QFETCH(QString, typed);
  QFETCH(QString, kept);
  Rig rig;
  rig.Show();
  auto* edit = rig.w<QLineEdit>(field.toUtf8().constData());
  edit->setFocus();
  QTest::keyClicks(edit, typed.left(typed.size() - 1));
  if (field == "edtMODBUSAddr1" && typed == "70000") QCOMPARE(edit->text(), U("7000"));
  QTest::keyClick(edit, typed.back().toLatin1());
  QCOMPARE(edit->text(), kept);
  QCOMPARE(QString::fromStdString(dynamic_cast<Edit*>(rig.form().Find(field.toStdString()))->Text()), kept);
}

void ParamViewTest::typingLimitBindsTypingOnly() {
  Rig rig;
  rig.Show();
  // A text the program sets longer than the limit is shown whole.
  const std::string longText = "ABCDEFGHIJKL";  // 12 characters, limit 8
  rig.form().edtpwd.SetText(longText);
  auto* pwd = rig.w<QLineEdit>("edtpwd");
  QCOMPARE(pwd->text(), U("ABCDEFGHIJKL"));
  // Typing adds nothing to it; deleting works.
  pwd->setFocus();
  pwd->end(false);
  QTest::keyClick(pwd, 'x');
  QCOMPARE(pwd->text(), U("ABCDEFGHIJKL"));
  QCOMPARE(rig.form().edtpwd.Text(), longText);
  QTest::keyClick(pwd, Qt::Key_Backspace);
  QCOMPARE(rig.form().edtpwd.Text(), std::string("ABCDEFGHIJK"));

  // Typing stops at the limit.
  auto* code = rig.w<QLineEdit>("edtCloudPa");
  rig.form().edtCloudPa.SetVisible(true);
  code->setFocus();
  QTest::keyClicks(code, "123456789");
  QCOMPARE(code->text(), U("12345678"));
  QCOMPARE(rig.form().edtCloudPa.Text(), std::string("12345678"));

  // The GNSS registration data: 128 characters without hex, 256 with it.
  rig.rules().SelectEntry(rig.form().cbbGREGTP, 4);
  auto* greg = rig.w<QLineEdit>("cbbGREGDT");
  greg->setFocus();
  QTest::keyClicks(greg, QString(130, QLatin1Char('a')));
  QCOMPARE(rig.form().cbbGREGDT.Text().size(), 128u);
}

void ParamViewTest::pasteIsCutToTheTypingLimit() {
  Rig rig;
  rig.Show();
  auto* pwd = rig.w<QLineEdit>("edtpwd");
  QApplication::clipboard()->setText(U("abcdefghij"));
  pwd->setFocus();
  QTest::keyClicks(pwd, "12");
  pwd->setCursorPosition(1);
  QTest::keyClick(pwd, Qt::Key_V, Qt::ControlModifier);
  QCOMPARE(pwd->text(), U("1abcdef2"));
  QCOMPARE(rig.form().edtpwd.Text(), std::string("1abcdef2"));
  QCOMPARE(pwd->cursorPosition(), 7);
}

void ParamViewTest::limitTypingCases_data() {
  QTest::addColumn<QString>("before");
  QTest::addColumn<QString>("after");
  QTest::addColumn<int>("cursorAfter");
  QTest::addColumn<int>("limit");
  QTest::addColumn<QString>("kept");
  QTest::addColumn<int>("cursor");
  QTest::newRow("no limit") << "abc" << "abcdef" << 6 << 0 << "abcdef" << 6;
  QTest::newRow("within the limit") << "abc" << "abcd" << 4 << 4 << "abcd" << 4;
  QTest::newRow("typed past the limit") << "abcd" << "abcde" << 5 << 4 << "abcd" << 4;
  QTest::newRow("paste cut to the room") << "ab" << "aXYZb" << 4 << 4 << "aXYb" << 3;
  QTest::newRow("replacing a selection") << "abcd" << "aXYZd" << 4 << 4 << "aXYd" << 3;
  QTest::newRow("program text longer: typing adds nothing") << "abcdef" << "abcdefg" << 7 << 4 << "abcdef" << 6;
  QTest::newRow("program text longer: deleting is kept") << "abcdef" << "abcde" << 5 << 4 << "abcde" << 5;
  QTest::newRow("repeated letters") << "aaa" << "aaaa" << 4 << 3 << "aaa" << 3;
}

void ParamViewTest::limitTypingCases() {
  QFETCH(QString, before);
  QFETCH(QString, after);
  QFETCH(int, cursorAfter);
  QFETCH(int, limit);
  QFETCH(QString, kept);
  QFETCH(int, cursor);
  int at = -1;
  QCOMPARE(LimitTyping(before, after, cursorAfter, limit, &at), kept);
  QCOMPARE(at, cursor);
}

void ParamViewTest::filterKeysOfKeyEvents() {
  QCOMPARE(FilterKeyOf(Qt::Key_Backspace, U("\b"), false, false), kKeyBackspace);
  QCOMPARE(FilterKeyOf(Qt::Key_V, U("\x16"), true, false), kKeyCtrlV);
  QCOMPARE(FilterKeyOf(Qt::Key_X, U("\x18"), false, true), kKeyCtrlX);
  QCOMPARE(FilterKeyOf(Qt::Key_G, U("g"), false, false), 'g');
  QCOMPARE(FilterKeyOf(0, U("京"), false, false), static_cast<char>(0x80));
  QCOMPARE(FilterKeyOf(Qt::Key_Left, QString(), false, false), '\0');
  QCOMPARE(FilterKeyOf(Qt::Key_Return, U("\r"), false, false), '\0');
  QCOMPARE(FilterKeyOf(Qt::Key_A, U("\x01"), false, false), '\0');
}

void ParamViewTest::wheelScrollsOneLine() {
  Rig rig;
  rig.Show();
  auto* box = rig.w<QScrollArea>("advscrlbxPara");
  QScrollBar* bar = box->verticalScrollBar();
  QVERIFY2(bar->maximum() > 2 * bar->singleStep(), "the network page should need scrolling");
  const int line = bar->singleStep();
  Wheel(box->viewport(), -120);
  QCOMPARE(bar->value(), line);
  Wheel(box->viewport(), -360);  // a long turn is still one line
  QCOMPARE(bar->value(), 2 * line);
  // Over a list inside the box: the box scrolls, the list keeps its entry.
  auto* kind = rig.w<QComboBox>("cbbHeartSnd");
  Wheel(kind, 120);
  QCOMPARE(bar->value(), line);
  QCOMPARE(kind->currentIndex(), 0);
  QCOMPARE(rig.form().cbbHeartSnd.ItemIndex(), 0);
  Wheel(rig.w<QLineEdit>("edtAddrB"), 120);
  QCOMPARE(bar->value(), 0);

  // A GNSS box the same way.
  rig.rules().SetChecked(rig.form().rbQianXun, true);
  QApplication::processEvents();
  auto* gnss = rig.w<QScrollArea>("advscrlbxGNSS4");
  QVERIFY(gnss->verticalScrollBar()->maximum() > 0);
  Wheel(rig.w<QLineEdit>("edtSOCKQAddr"), -120);
  QCOMPARE(gnss->verticalScrollBar()->value(), gnss->verticalScrollBar()->singleStep());
}

void ParamViewTest::clickGivesScrollBoxFocus() {
  Rig rig;
  rig.Show();
  rig.view->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(rig.view.get()));
  rig.w<QLineEdit>("edtAddrA")->setFocus();
  auto* box = rig.w<QScrollArea>("advscrlbxBase");
  // A blank spot in the right margin of the box's content.
  QTest::mouseClick(box->viewport(), Qt::LeftButton, {}, QPoint(box->viewport()->width() - 2, 6));
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(box));

  // A group that takes the focus on a click.
  auto* uart = rig.w<QGroupBox>("rzgrpbxUart");
  QTest::mouseClick(uart, Qt::LeftButton, {}, QPoint(uart->width() - 3, uart->height() - 3));
  QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(uart));
}

void ParamViewTest::gnssServiceButtonFocusesItsScrollBox() {
  Rig rig;
  rig.Show();
  rig.view->activateWindow();
  QVERIFY(QTest::qWaitForWindowActive(rig.view.get()));
  ClickOn(rig.w<QRadioButton>("rbQianXun"));
  QVERIFY(rig.form().rbQianXun.Checked());
  QVERIFY(!rig.w<QRadioButton>("rbZavCloud")->isChecked());
  QCOMPARE(rig.w<QStackedWidget>("RzPageControlGNSS")->currentIndex(), 2);
  QCOMPARE(QApplication::focusWidget(), rig.view->WidgetOf("advscrlbxGNSS4"));
}

namespace {

// What a scroll box's content wants beyond what the box shows (0: all shown).
int HiddenHeight(QScrollArea* box) {
  return std::max(0, box->widget()->sizeHint().height() - box->viewport()->height());
}

// GNSS on with the JT808 service and its vehicle fields, and the global
// parameters' advanced part: both panels hold more than their heights show.
// True once the panels show the model's heights, which they follow when the loop turns.
bool FillBothPanels(Rig& rig) {
  for (const char* name : {"rzchckbxGNSSen", "rbQianXun", "rzchckbxGNSSMore", "rzchckbxMore"})
    if (!rig.view->WidgetAs<QAbstractButton>(name)->isChecked()) ClickOn(rig.view->WidgetAs<QAbstractButton>(name));
  auto* splitter = rig.view->findChild<QSplitter*>("splParams");
  return splitter && QTest::qWaitFor([&] {
           return splitter->sizes().value(1) == rig.form().RzSizePanel1.Height() &&
                  splitter->sizes().value(2) == rig.form().rzszpnlBase.Height();
         });
}

}  // namespace

void ParamViewTest::panelsFollowModelAndDoubleClick() {
  Rig rig;
  rig.Show();
  auto* splitter = rig.view->findChild<QSplitter*>("splParams");
  QVERIFY(splitter);
  QCOMPARE(rig.form().pnlL.Height(), rig.view->height());
  QCOMPARE(rig.form().rzgrpbxWkmod.Height(), rig.view->WidgetOf("rzgrpbxWkmod")->height());

  // GNSS off: its panel keeps only the strip with the switch, the rest is the top part's.
  auto* gnssPanel = rig.view->WidgetOf("RzSizePanel1");
  QVERIFY(splitter->sizes().value(1) < 160);
  QVERIFY(splitter->sizes().value(1) >= gnssPanel->minimumSizeHint().height());

  QVERIFY(FillBothPanels(rig));
  QCOMPARE(splitter->sizes().value(1), 160);
  QCOMPARE(splitter->sizes().value(2), 129);

  // A taller window: the top part shows its whole page, the room it does not
  // need goes to the panels; the model's heights stay.
  rig.view->resize(650, 1300);
  QTRY_COMPARE(HiddenHeight(rig.w<QScrollArea>("advscrlbxPara")), 0);
  QTRY_VERIFY(splitter->sizes().value(1) > 160);
  QTRY_VERIFY(splitter->sizes().value(2) > 129);
  QCOMPARE(rig.form().RzSizePanel1.Height(), 160);
  QCOMPARE(rig.form().rzszpnlBase.Height(), 129);
  rig.view->resize(650, 700);
  QTRY_COMPARE(splitter->sizes().value(1), 160);
  QTRY_COMPARE(splitter->sizes().value(2), 129);

  // A double click on the GNSS group grows its panel to the room left, a second shrinks it.
  auto* gnss = rig.w<QGroupBox>("rzgrpbxGNSS");
  QTest::mouseDClick(gnss, Qt::LeftButton, {}, QPoint(gnss->width() / 2, 4));
  const int grown = rig.form().RzSizePanel1.Height();
  QCOMPARE(grown, rig.form().pnlL.Height() - rig.form().rzgrpbxWkmod.Height() - 129 - 30);
  QVERIFY(splitter->sizes().value(1) > 300);
  QVERIFY(splitter->sizes().value(1) <= grown);
  QCOMPARE(splitter->sizes().value(2), 129);
  QTest::mouseDClick(gnss, Qt::LeftButton, {}, QPoint(gnss->width() / 2, 4));
  QCOMPARE(rig.form().RzSizePanel1.Height(), 160);
  QCOMPARE(splitter->sizes().value(1), 160);
}

void ParamViewTest::draggingThePanelEdgeReachesModel() {
  Rig rig;
  rig.Show();
  QVERIFY(FillBothPanels(rig));
  auto* splitter = rig.view->findChild<QSplitter*>("splParams");
  QSplitterHandle* edge = splitter->handle(2);  // the upper edge of the global parameters
  const QPoint grip = edge->rect().center();
  QTest::mousePress(edge, Qt::LeftButton, {}, grip);
  QTest::mouseMove(edge, grip - QPoint(0, 40));
  QTest::mouseRelease(edge, Qt::LeftButton, {}, grip - QPoint(0, 40));
  QCOMPARE(rig.form().rzszpnlBase.Height(), 169);
  QCOMPARE(rig.form().RzSizePanel1.Height(), 120);
  QCOMPARE(splitter->sizes().value(2), 169);
}

void ParamViewTest::regionListsRunTheirRules() {
  Rig rig;
  rig.Show();
  RegionCatalogue catalogue({RegionProvince{Utf8ToGbk("北京市"), "110000",
                                            {RegionCity{Utf8ToGbk("市辖区"), "110100",
                                                        {RegionCounty{Utf8ToGbk("东城区"), "110101"},
                                                         RegionCounty{Utf8ToGbk("西城区"), "110102"}}}}},
                             RegionProvince{Utf8ToGbk("天津市"), "120000", {}}});
  rig.view->Regions().UseCatalogue(catalogue);
  auto* province = rig.w<QComboBox>("cbbProvince");
  QCOMPARE(province->count(), 2);
  QCOMPARE(province->itemText(0), U("北京市"));
  // Chosen by the user: the province's cities follow.
  emit province->activated(0);
  QCOMPARE(rig.w<QComboBox>("cbbcity")->count(), 1);
  emit rig.w<QComboBox>("cbbcity")->activated(0);
  auto* county = rig.w<QComboBox>("cbbCounty");
  QCOMPARE(county->count(), 2);
  // Typed by the user: a county name that matches gives the region code.
  county->lineEdit()->selectAll();
  county->lineEdit()->setFocus();
  TypeText(county->lineEdit(), U("西城区"));
  QCOMPARE(rig.form().cbbCounty.ItemIndex(), 1);
  QCOMPARE(rig.w<QLineEdit>("edtQCITY")->text(), U("110102"));
}

void ParamViewTest::textsInBothLanguages() {
  Rig rig;
  QCOMPARE(rig.w<QGroupBox>("rzgrpbxPara")->title(), U(" 网络透传模式相关参数"));
  QCOMPARE(rig.w<QCheckBox>("rzchckbxSktA")->text(), U("连接服务器A"));
  QCOMPARE(rig.w<QComboBox>("cbbASL")->itemText(0), U("短链接"));
  QCOMPARE(rig.w<QComboBox>("cbbRegTp")->itemText(1), U("MEID码"));
  QCOMPARE(rig.view->findChild<QLabel*>("lbledtCmdPwEditLabel")->text(), U("命令密码"));
  QCOMPARE(rig.form().imgWkMod.Resource(), std::string("NET_CN"));

  rig.w<QComboBox>("cbbRegTp");
  rig.rules().SelectEntry(rig.form().cbbRegTp, 1);
  rig.hardware.identityCmd = TCmd::IMEI;
  rig.SetLanguage(false);
  QCOMPARE(rig.w<QGroupBox>("rzgrpbxPara")->title(), U("Transparent Mode parameters"));
  QCOMPARE(rig.w<QCheckBox>("rzchckbxSktA")->text(), U("Enable Socket A"));
  QCOMPARE(rig.w<QComboBox>("cbbASL")->itemText(0), U("Short Connection"));
  QCOMPARE(rig.w<QComboBox>("cbbRegTp")->itemText(1), U("IMEI Code"));
  QCOMPARE(rig.w<QComboBox>("cbbRegTp")->currentIndex(), 1);
  QCOMPARE(rig.w<QLabel>("lblRegDt")->text(), U("IMEI Code"));
  QCOMPARE(rig.view->findChild<QLabel*>("lbledtCmdPwEditLabel")->text(), U("Command Password"));
  QCOMPARE(rig.form().imgWkMod.Resource(), std::string("NET_EN"));
  QCOMPARE(rig.w<QCheckBox>("rzchckbxSktA")->toolTip(), QString::fromStdString(GbkToUtf8(rig.lang.LangText("hint_chkEn"))));
}

void ParamViewTest::privateChannelMessageShownOnce() {
  Rig rig;
  rig.Show();
  ClickOn(rig.w<QRadioButton>("rbHttpd"));
  ClickOn(rig.w<QRadioButton>("rbPrivateCloud"));
  ClickOn(rig.w<QRadioButton>("rbINDE"));
  QCOMPARE(rig.w<QStackedWidget>("rzpgcntrlGWKMOD")->currentIndex(), 1);
  QVERIFY(rig.messages.shown.empty());
  ClickOn(rig.w<QRadioButton>("rbMULT"));
  QCOMPARE(rig.messages.shown.size(), 1u);
  QCOMPARE(rig.messages.shown[0], Utf8ToGbk("复用原有通道功能仅支持网络透传模式使用"));
  QCOMPARE(rig.logView.TextsOf(LogColour::Warning).size(), 1u);
  QVERIFY(rig.w<QRadioButton>("rbMULT")->isChecked());
  QCOMPARE(rig.w<QStackedWidget>("rzpgcntrlGWKMOD")->currentIndex(), 0);
}

void ParamViewTest::screenshotsFitTheLeftHalf() {
  Rig rig;
  rig.Show();
  const QDir folder(QCoreApplication::applicationDirPath());
  const auto save = [&](QWidget* widget, const QString& name) {
    QVERIFY(widget->grab().save(folder.filePath("param_view_" + name + ".png")));
  };
  const char* boxes[] = {"advscrlbxPara", "advscrlbxBase", "advscrlbxGNSS1", "advscrlbxGNSS2", "advscrlbxGNSS4"};
  QStringList problems;
  for (bool chinese : {true, false}) {
    rig.SetLanguage(chinese);
    const QString language = chinese ? "cn" : "en";
    // Every group shown, and each GNSS page and channel once.
    rig.rules().SetChecked(rig.form().rzchckbxMore, true);
    rig.rules().SetChecked(rig.form().rzchckbxQHEARTEN, true);
    rig.rules().SelectEntry(rig.form().cbbGHEARTTP2, 2);
    rig.rules().SelectEntry(rig.form().cbbGREGTP, 4);
    for (RadioButton* service : {&rig.form().rbZavCloud, &rig.form().rbPrivateCloud, &rig.form().rbQianXun}) {
      rig.rules().SetChecked(*service, true);
      for (RadioButton* channel : {&rig.form().rbINDE, &rig.form().rbMULT}) {
        rig.rules().SetChecked(*channel, true);
        QApplication::processEvents();
        for (const char* name : boxes) {
          auto* box = rig.w<QScrollArea>(name);
          if (box->isVisible() && box->horizontalScrollBar()->maximum() > 0)
            problems << QString("%1 scrolls sideways by %2 (%3)")
                            .arg(name)
                            .arg(box->horizontalScrollBar()->maximum())
                            .arg(language);
        }
        const QStringList clipped = ClippedTexts(rig.view.get());
        if (!clipped.isEmpty()) problems << "clipped (" + language + "): " + clipped.join(", ");
        if (service == &rig.form().rbPrivateCloud && channel == &rig.form().rbINDE)
          save(rig.w<QScrollArea>("advscrlbxGNSS2")->widget(), "advscrlbxGNSS2_INDE_" + language);
      }
      // The whole content of the service's scroll box, as it scrolls by.
      const QString box = service == &rig.form().rbZavCloud       ? "advscrlbxGNSS1"
                          : service == &rig.form().rbPrivateCloud ? "advscrlbxGNSS2"
                                                                  : "advscrlbxGNSS4";
      save(rig.w<QScrollArea>(box.toUtf8().constData())->widget(), box + "_" + language);
    }
    save(rig.w<QScrollArea>("advscrlbxPara")->widget(), "advscrlbxPara_" + language);
    save(rig.w<QScrollArea>("advscrlbxBase")->widget(), "advscrlbxBase_" + language);
    rig.rules().SetChecked(rig.form().rbZavCloud, true);
    rig.rules().SetChecked(rig.form().rzchckbxMore, false);
    QApplication::processEvents();
    save(rig.view.get(), language);
    rig.rules().SetChecked(rig.form().rbHttpd, true);
    QApplication::processEvents();
    save(rig.view.get(), "httpd_" + language);
    rig.rules().SetChecked(rig.form().rbNetTran, true);
  }
  QVERIFY2(problems.isEmpty(), qPrintable(problems.join("\n")));
}

QTEST_MAIN(ParamViewTest)
#include "parameter_view_test.moc"
