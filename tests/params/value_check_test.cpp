// Values checked before they go to the terminal: the faults found, the
// reasons worded from the catalogue, and the check of one form field as the
// user types it.
#include "params/value_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "gbk_texts.h"
#include "lang/lang_list.h"
#include "lang/text_catalogue.h"
#include "params/param_form.h"
#include "params/value_syntax.h"

namespace t418 {
namespace {

using Kind = ValueFault::Kind;
using testing::G;

// The built-in catalogue in one language.
TLangList Catalogue(bool chinese) {
  TLangList list([chinese] { return chinese; });
  list.UseChinese = chinese;
  RegisterDefaultTexts(list);
  return list;
}

TEST(ValueSyntaxTable, OneEntryPerCommandWordInTheVocabularysOrder) {
  ASSERT_EQ(CommandSyntaxes().size(), static_cast<std::size_t>(kCmdCount) + 2);
  for (int i = 0; i < kCmdCount; ++i) {
    const auto cmd = static_cast<TCmd>(i);
    EXPECT_EQ(CommandSyntaxes()[static_cast<std::size_t>(i)].name, CmdToName(cmd));
    EXPECT_EQ(&SettingRule(cmd), &FindSyntax(CmdToName(cmd))->rule);
  }
}

TEST(ValueFaults, EachKindIsFoundWhereTheValueBreaksTheRule) {
  struct Row {
    TCmd cmd;
    std::string value;
    std::optional<Kind> fault;  // nullopt: the terminal takes it
    std::size_t field = 0;
  };
  const Row rows[] = {
      {TCmd::HEARTTM, "30", std::nullopt},
      {TCmd::HEARTTM, "abc", Kind::Field, 0},
      {TCmd::HEARTTM, "", Kind::Field, 0},
      {TCmd::SOCKA, "TCP,host.example,2317", std::nullopt},
      {TCmd::SOCKA, "TCP,host.example,70000", Kind::Field, 2},
      {TCmd::SOCKA, "TCP,,2317", Kind::Field, 1},
      {TCmd::SOCKA, "TCP,host.example", Kind::FieldCount},
      {TCmd::UART, "115200,8,1,NONE", std::nullopt},
      {TCmd::UART, "115201,8,1,NONE", Kind::Field, 0},
      // Commas belong to a text taken whole; a control byte never does.
      {TCmd::APN, "CMNET,,,0", std::nullopt},
      {TCmd::STMSG, "HELLO\rAT+CLEAR", Kind::ControlByte},
      {TCmd::SOCKATO, "5\rAT+SOCKA=TCP,other.host,6666\rAT+CFGTF", Kind::ControlByte},
      {TCmd::STMSG, "A\nB", Kind::ControlByte},
      {TCmd::STMSG, "A\bB", Kind::ControlByte},
      {TCmd::STMSG, "A\x7F", Kind::ControlByte},
      {TCmd::STMSG, std::string("A\0B", 3), Kind::ControlByte},
      {TCmd::STMSG, std::string(2047, 'x'), std::nullopt},
      {TCmd::STMSG, std::string(2048, 'x'), Kind::TooLong},
      {TCmd::STMSG, G("欢迎使用"), std::nullopt},
      {TCmd::CLEAR, "", Kind::NoValue},
      {TCmd::VER, "1", Kind::NoValue},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(CmdToName(row.cmd) + "=" + row.value.substr(0, 40));
    const auto fault = FindValueFault(row.cmd, row.value);
    ASSERT_EQ(fault.has_value(), row.fault.has_value());
    if (!fault) continue;
    EXPECT_EQ(fault->kind, *row.fault);
    if (fault->kind == Kind::Field) {
      EXPECT_EQ(fault->index, row.field);
    }
  }
}

TEST(ValueFaults, TheReasonQuotesTheValueAndSaysWhatIsExpected) {
  const TLangList english = Catalogue(false);
  const auto reason = [&](TCmd cmd, const std::string& value) {
    return CheckFieldValue(cmd, value, english).value_or("<accepted>");
  };
  EXPECT_EQ(reason(TCmd::SOCKGTO, "abc"), "\"abc\" is not a number from 1 to 100");
  EXPECT_EQ(reason(TCmd::HEARTTM, "abc"), "\"abc\" is not a whole number from 0 up");
  EXPECT_EQ(reason(TCmd::SOCKA, "TCP,host,70000"),
            "\"TCP,host,70000\": field 3 \"70000\" is not a number from 1 to 65535");
  EXPECT_EQ(reason(TCmd::SOCKASL, "MEDIUM"), "\"MEDIUM\" is not one of SHORT, LONG");
  EXPECT_EQ(reason(TCmd::QPHONE, "123"), "\"123\" is not 12 decimal digits");
  EXPECT_EQ(reason(TCmd::HEARTDT, "ABC"), "\"ABC\" is not an even count of at least 2 hexadecimal digits");
  EXPECT_EQ(reason(TCmd::GCLOUD, "1,2"), "\"1,2\": field 1 \"1\" is not 20 decimal digits");
  EXPECT_NE(reason(TCmd::QHWVER, std::string(21, 'v')).find("is not a text of 0 to 20 characters"),
            std::string::npos);
  EXPECT_EQ(reason(TCmd::SOCKA, "TCP,host"), "\"TCP,host\" does not have 3 fields separated by commas");
  // A control byte is shown in bracket notation, never as itself.
  EXPECT_EQ(reason(TCmd::STMSG, "HELLO\rAT+CLEAR").substr(0, 21), "\"HELLO[0D]AT+CLEAR\" h");
  EXPECT_EQ(reason(TCmd::STMSG, std::string(3000, 'x')), "is longer than 2047 characters");
  EXPECT_EQ(reason(TCmd::HEARTTM, "30"), "<accepted>");

  const TLangList chinese = Catalogue(true);
  EXPECT_EQ(CheckFieldValue(TCmd::SOCKGTO, "abc", chinese), G("\"abc\" 不是1到100之间的数字"));
}

TEST(FieldCheck, AFormFieldIsCheckedAgainstItsPartOfTheValue) {
  const TLangList english = Catalogue(false);
  ParamForm f;
  const auto check = [&](TextField& field, const std::string& text) {
    field.SetText(text);
    return CheckControlText(f, field, english);
  };
  EXPECT_EQ(check(f.edtPortA, "2317"), std::nullopt);
  EXPECT_EQ(check(f.edtPortA, "70000"), "\"70000\" is not a number from 1 to 65535");
  EXPECT_EQ(check(f.edtAddrA, ""), "\"\" is not a text of at least 1 characters without commas");
  EXPECT_EQ(check(f.edtAddrA, "a,b").has_value(), true);  // a comma would make a fourth field
  EXPECT_EQ(check(f.edtHeartTm, "abc"), "\"abc\" is not a whole number from 0 up");
  EXPECT_EQ(check(f.lbledtStMsg, "HI\r\nAT+CLEAR").has_value(), true);
  EXPECT_EQ(check(f.edtSOCKGTO, "101"), "\"101\" is not a number from 1 to 100");

  // Heartbeat data: with the Hex box clear the build sends the text as hex,
  // so any text but an empty one goes; with the box checked it must be hex.
  f.rzchckbxHeartDtHex.SetCheckedWithoutRule(false);
  EXPECT_EQ(check(f.edtHeartDt, "www.example.com"), std::nullopt);
  EXPECT_TRUE(check(f.edtHeartDt, "").has_value());
  f.rzchckbxHeartDtHex.SetCheckedWithoutRule(true);
  EXPECT_EQ(check(f.edtHeartDt, "4142"), std::nullopt);
  EXPECT_TRUE(check(f.edtHeartDt, "www.example.com").has_value());

  // A control that holds no value of its own is never marked.
  EXPECT_EQ(CheckControlText(f, f.rzchckbxHeartEn, english), std::nullopt);
}

TEST(FieldCheck, TheCaptionNamesTheFieldWithoutItsColon) {
  ParamForm f;
  f.lblHeartTm.SetCaption(G("心跳时间(秒)："));
  f.lbledtApn.SetCaption("APN:");
  EXPECT_EQ(FieldCaption(f, TCmd::HEARTTM), G("心跳时间(秒)"));
  EXPECT_EQ(FieldCaption(f, TCmd::APN), "APN");
  EXPECT_EQ(FieldCaption(f, TCmd::WKMOD), "");
  EXPECT_EQ(DescribeProblem({"HEARTTM", "abc", "Heartbeat", "why"}), "HEARTTM (Heartbeat): why");
  EXPECT_EQ(DescribeProblem({"WKMOD", "X", "", "why"}), "WKMOD: why");
}

}  // namespace
}  // namespace t418
