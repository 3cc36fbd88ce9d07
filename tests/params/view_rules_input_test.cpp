#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "form_fakes.h"
#include "lang/text_lookup.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "params/view_rules.h"

namespace t418 {
namespace {

using testing::FixedLogClock;
using testing::RecordingMessages;

class NameTexts : public TextLookup {
 public:
  std::string LangText(std::string_view name) const override { return std::string(name); }
};

class ViewInputTest : public ::testing::Test {
 protected:
  // Types each character at the end of the field and returns the text after every key.
  std::vector<std::string> Type(const char* field, const std::string& keys) {
    std::vector<std::string> texts;
    for (char key : keys) {
      rules.TypeKey(field, key);
      texts.push_back(form.Get<Edit>(field)->Text());
    }
    return texts;
  }

  ParamForm form;
  NameTexts texts;
  FixedLogClock clock;
  TrafficLog log{clock};
  RecordingMessages messages;
  HardwareSign hardware;
  ViewRules rules{ViewRuleParts{form, log, texts, hardware, messages, [] { return true; }}};
};

TEST_F(ViewInputTest, NumericLimitsEmptyAFieldAtTheKeyThatLeavesItsRange) {
  struct Row {
    const char* field;
    std::string keys;
    std::vector<std::string> after;
  };
  const Row rows[] = {
      {"edtMODBUSAddr1", "70000", {"7", "70", "700", "7000", ""}},
      {"edtMODBUSAddr1", "65535", {"6", "65", "655", "6553", ""}},
      {"edtMODBUSAddr1", "65534", {"6", "65", "655", "6553", "65534"}},
      {"edtMODBUSAddr2", "65535", {"6", "65", "655", "6553", "65535"}},
      {"edtMODBUSAddr2", "655359", {"6", "65", "655", "6553", "65535", "65535"}},  // typing limit 5
      {"edtreportinternal", "0", {""}},
      {"edtreportinternal", "6000", {"6", "60", "600", "6000"}},
      {"edtreportinternal", "6001", {"6", "60", "600", ""}},
      {"edtGPOSUPTM", "07", {"", "7"}},
      {"edtQPOSUPTM", "9999", {"9", "99", "999", ""}},
      {"edtQHEARTTM", "1", {"1"}},
      {"edtMODBUSID1", "256", {"2", "25", ""}},
      {"edtMODBUSID2", "255", {"2", "25", "255"}},
      {"edtMODBUSID1", "0", {"0"}},
      {"edtSockgPort", "0", {""}},
      {"edtSOCKQport", "65535", {"6", "65", "655", "6553", "65535"}},
      {"edtSOCKGTO", "101", {"1", "10", ""}},
      {"edtSOCKQTO", "100", {"1", "10", "100"}},
      {"edtQphone", "0000", {"0", "00", "000", "0000"}},  // digits only, no range
  };
  for (const Row& row : rows) {
    form.Get<Edit>(row.field)->SetText("");
    EXPECT_EQ(Type(row.field, row.keys), row.after) << row.field << " " << row.keys;
  }
}

TEST_F(ViewInputTest, AKeyReleaseChecksWhateverTheFieldHolds) {
  // A paste can bring any text; what is no number in range is emptied.
  const std::pair<const char*, const char*> emptied[] = {
      {"edtMODBUSID1", "12a"},      {"edtSockgPort", "-5"},  {"edtreportinternal", "99999999999999999999"},
      {"edtSOCKQTO", " 5"},
  };
  for (const auto& [field, text] : emptied) {
    form.Get<Edit>(field)->SetText(text);
    rules.KeyUp(field);
    EXPECT_EQ(form.Get<Edit>(field)->Text(), "") << field << " " << text;
  }
  // Fields without a range keep what they hold; a set value is not checked until a key.
  form.edtAddrA.SetText("abc");
  rules.KeyUp("edtAddrA");
  EXPECT_EQ(form.edtAddrA.Text(), "abc");
  form.edtMODBUSAddr1.SetText("65535");
  EXPECT_EQ(form.edtMODBUSAddr1.Text(), "65535");
  rules.edtMODBUSAddr1KeyUp();
  EXPECT_EQ(form.edtMODBUSAddr1.Text(), "");
}

TEST_F(ViewInputTest, KeyFilters) {
  struct Row {
    const char* field;
    const char* hexBox;  // nullptr: the filter is always on
    bool boxChecked;
    char key;
    bool accepted;
  };
  const Row rows[] = {
      {"edtHeartDt", "rzchckbxHeartDtHex", true, 'g', false},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, 'f', true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, 'F', true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, '9', true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, ' ', false},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, kKeyBackspace, true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, kKeyCtrlV, true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, kKeyCtrlX, true},
      {"edtHeartDt", "rzchckbxHeartDtHex", true, 3, false},  // Ctrl+C
      {"edtHeartDt", "rzchckbxHeartDtHex", false, 'g', true},
      {"edtHeartDt", "rzchckbxHeartDtHex", false, ' ', true},
      {"cbbRegDt", "rzchckbxRegDtHex", true, 'G', false},
      {"cbbRegDt", "rzchckbxRegDtHex", true, 'a', true},
      {"cbbRegDt", "rzchckbxRegDtHex", false, 'G', true},
      {"cbbGREGDT", "rzchckbxGREGDThex", true, 'z', false},
      {"cbbGREGDT", "rzchckbxGREGDThex", false, 'z', true},
      {"edtdevid", nullptr, false, 'a', false},
      {"edtdevid", nullptr, false, '5', true},
      {"edtQCITY", nullptr, false, '-', false},
      {"edtQphone", nullptr, false, kKeyCtrlV, true},
      {"edtMODBUSAddr2", nullptr, false, 'A', false},
      {"edtSOCKQTO", nullptr, false, kKeyBackspace, true},
      {"edtpwd", nullptr, false, 'x', true},  // no filter
      {"edtAddrA", nullptr, false, '.', true},
  };
  for (const Row& row : rows) {
    if (row.hexBox) form.Get<CheckBox>(row.hexBox)->SetCheckedWithoutRule(row.boxChecked);
    EXPECT_EQ(rules.KeyPress(row.field, row.key), row.accepted)
        << row.field << " key " << static_cast<int>(row.key) << (row.boxChecked ? " hex" : "");
  }
}

TEST_F(ViewInputTest, RefusedKeysLeaveTheTextAndTypingLimitsHold) {
  form.rzchckbxHeartDtHex.SetCheckedWithoutRule(true);
  form.edtHeartDt.SetText("41");
  rules.TypeKey("edtHeartDt", 'g');
  EXPECT_EQ(form.edtHeartDt.Text(), "41");
  rules.TypeKey("edtHeartDt", 'a');
  EXPECT_EQ(form.edtHeartDt.Text(), "41a");
  rules.TypeKey("edtHeartDt", kKeyBackspace);
  EXPECT_EQ(form.edtHeartDt.Text(), "41");

  form.edtCloudPa.SetText("1234567");
  rules.TypeKey("edtCloudPa", '8');
  rules.TypeKey("edtCloudPa", '9');
  EXPECT_EQ(form.edtCloudPa.Text(), "12345678");

  // Read-only registration data takes no typing.
  form.cbbRegDt.SetReadOnly(true);
  form.cbbRegDt.SetText("8986");
  rules.TypeKey("cbbRegDt", '1');
  EXPECT_EQ(form.cbbRegDt.Text(), "8986");
}

TEST_F(ViewInputTest, GnssRegistrationDataLimitFollowsItsHexBoxAtEachKey) {
  form.rzchckbxGREGDThex.SetCheckedWithoutRule(true);
  rules.KeyPress("cbbGREGDT", 'A');
  EXPECT_EQ(form.cbbGREGDT.MaxLength(), 256);
  form.rzchckbxGREGDThex.SetCheckedWithoutRule(false);
  EXPECT_EQ(form.cbbGREGDT.MaxLength(), 256);  // until the next key
  rules.KeyPress("cbbGREGDT", '!');
  EXPECT_EQ(form.cbbGREGDT.MaxLength(), 128);
}

TEST(ViewInput, WheelAndFocus) {
  EXPECT_EQ(WheelScrollLines(-120), 1);
  EXPECT_EQ(WheelScrollLines(120), -1);
  for (const char* taker : {"advscrlbxPara", "advscrlbxBase", "advscrlbxGNSS1", "advscrlbxGNSS2", "advscrlbxGNSS4",
                            "rzgrpbxUart", "rzgrpbxMore", "rzgrpbxPara", "rzgrpbxGNSSmore", "TabSheet5", "TabSheet6"})
    EXPECT_TRUE(TakesFocusOnClick(taker)) << taker;
  for (const char* other : {"rzgrpbxGNSS", "TabSheet1", "edtAddrA"}) EXPECT_FALSE(TakesFocusOnClick(other)) << other;
}

}  // namespace
}  // namespace t418
