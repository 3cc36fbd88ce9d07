// The texts of the main window's widgets in both languages: every control the
// naming rule, its exceptions and the hints name shows its catalogue text (a
// language file's text where it gives one), pop-up menu items by position, and
// a language switch keeps the chosen entry of every list.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QTemporaryDir>
#include <QTest>
#include <algorithm>
#include <map>
#include <memory>
#include <set>

#include "app/qt_text.h"
#include "e2e/text_names.h"
#include "lang/lang_list.h"
#include "text/gbk.h"
#include "window_rig.h"

using namespace t418;
using namespace t418::testing;

class WindowTextsTest : public QObject {
  Q_OBJECT

 private:
  std::unique_ptr<QTemporaryDir> folder_;
  std::unique_ptr<testing::WindowRig> rig_;
  TFrm_Main* window_ = nullptr;

  QString Catalogue(const std::string& name) { return LangQ(rig_->Core().Lang(), name); }

  // The caption a control shows: a label's text, a button's text, a group's
  // title, the attached label of a labelled edit. Null when the window has none.
  QString Caption(const std::string& control, bool* found) {
    const QString name = QString::fromStdString(control);
    *found = true;
    if (auto* label = window_->findChild<QLabel*>(name + "EditLabel")) return label->text();
    if (auto* label = window_->findChild<QLabel*>(name)) return label->text();
    if (auto* button = window_->findChild<QAbstractButton*>(name)) return button->text();
    if (auto* group = window_->findChild<QGroupBox*>(name)) return group->title();
    *found = false;
    return {};
  }

  // Checks every table in the current language; names the window lacks go to missing.
  void CheckAllTexts(std::set<std::string>& missing) {
    bool found = false;
    for (const auto& name : NamedCaptions()) {
      const QString caption = Caption(name, &found);
      if (!found) missing.insert(name);
      else QCOMPARE(caption, Catalogue("lang_" + name));
    }
    for (const auto& row : CaptionExceptions()) {
      const QString caption = Caption(row.control, &found);
      if (!found) missing.insert(row.control);
      else QCOMPARE(caption, Catalogue(row.name) + QString::fromStdString(row.suffix));
    }
    for (const auto& row : ListEntries()) {
      auto* list = window_->findChild<QComboBox*>(QString::fromStdString(row.control));
      if (!list) {
        missing.insert(row.control);
        continue;
      }
      QCOMPARE(list->itemText(row.index), Catalogue(row.name));
    }
    for (const auto& row : PopupItems()) {
      auto* menu = window_->findChild<QMenu*>(QString::fromStdString(row.control));
      if (!menu) {
        missing.insert(row.control);
        continue;
      }
      QVERIFY2(row.index < menu->actions().size(), row.control.c_str());
      QCOMPARE(menu->actions().at(row.index)->text(), Catalogue(row.name));
    }
    for (const auto& row : Hints()) {
      auto* widget = window_->findChild<QWidget*>(QString::fromStdString(row.control));
      if (!widget) {
        missing.insert(row.control);
        continue;
      }
      QCOMPARE(widget->toolTip(), Catalogue(row.name));
    }
  }

 private slots:
  void init() {
    folder_ = std::make_unique<QTemporaryDir>();
    // A language file that renames one entry shared by four lists.
    QFile file(folder_->filePath(kLangFileName));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write((";test\r\nlang_cbbASL0|" + Utf8ToGbk("短连接（文件）") + "|Short link (file)\r\n").c_str());
    file.close();
    rig_ = std::make_unique<testing::WindowRig>(folder_->path());
    window_ = &rig_->Window();
  }
  void cleanup() {
    rig_.reset();
    folder_.reset();
  }

  void everyNamedControlShowsItsTextInBothLanguages() {
    for (const bool chinese : {false, true}) {
      window_->SwitchLanguage(chinese);
      std::set<std::string> missing;
      CheckAllTexts(missing);
      if (QTest::currentTestFailed()) return;
      // Only what the window does not have is missing.
      for (const auto& name : missing) {
        const auto& absent = NotInTheWindow();
        QVERIFY2(std::find(absent.begin(), absent.end(), name) != absent.end(), name.c_str());
      }
      const QString first = chinese ? QStringLiteral("短连接（文件）") : QStringLiteral("Short link (file)");
      for (const char* list : {"cbbASL", "cbbBSL", "cbbCSL", "cbbDSL"})
        QCOMPARE(window_->findChild<QComboBox*>(list)->itemText(0), first);
      QCOMPARE(window_->findChild<QGroupBox*>("rzgrpbxPara")->title(),
               chinese ? QStringLiteral(" 网络透传模式相关参数") : QStringLiteral("Transparent Mode parameters"));
    }
  }

  void aLanguageSwitchKeepsTheChosenEntryOfEveryList() {
    // The last entry of every list of the parameter view, through the rules.
    Session& session = rig_->Core();
    for (Control* c : session.Form().Controls())
      if (auto* list = dynamic_cast<ChoiceList*>(c); list && list->Count() > 0)
        session.Rules().SelectEntry(*list, list->Count() - 1);
    std::map<QString, int> before;
    for (QComboBox* box : window_->findChildren<QComboBox*>())
      if (session.Form().Find(box->objectName().toStdString())) before[box->objectName()] = box->currentIndex();
    QVERIFY(before.size() > 20);
    // The work-mode rule runs again with the texts: the heartbeat goes to the network.
    before["cbbHeartSnd"] = 0;

    window_->SwitchLanguage(false);
    for (const auto& [name, index] : before) {
      auto* box = window_->findChild<QComboBox*>(name);
      QVERIFY2(box->currentIndex() == index, qPrintable(name));
      QCOMPARE(box->currentText(), box->itemText(index));
    }
    QCOMPARE(window_->findChild<QComboBox*>("cbbCarcolor")->currentText(),
             Catalogue("lang_cbbCarcolor5"));
  }
};

QTEST_MAIN(WindowTextsTest)
#include "window_texts_test.moc"
