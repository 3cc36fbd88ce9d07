#include "params/region_view.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <utility>
#include <vector>

#include "gbk_texts.h"
#include "log_fakes.h"
#include "monitor/traffic_log.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using Names = std::vector<std::string>;

using testing::FixedLogClock;
using testing::G;
using testing::RecordingLogView;
using testing::TempFolder;
using testing::WriteBytes;

// The catalogue of the examples: 北京市 (110000) with 市辖区 (110100) and its
// counties 东城区 (110101) and 西城区 (110102), plus a second province so that
// a code can move from one to the other.
RegionCatalogue SmallCatalogue() {
  return RegionCatalogue({
      {G("北京市"), "110000",
       {{G("市辖区"), "110100", {{G("东城区"), "110101"}, {G("西城区"), "110102"}}}}},
      {G("河北省"), "130000",
       {{G("石家庄市"), "130100", {{G("长安区"), "130102"}}},
        {G("唐山市"), "130200", {{G("路南区"), "130202"}, {G("路北区"), "130203"}}}}},
  });
}

const std::string kShippedFolder = T418_SOURCE_DIR "/resources";

class RegionBindingTest : public ::testing::Test {
 protected:
  RegionBindingTest() { log.SetView(&logView); }

  // The user picks or types a text into a region list: the list shows it,
  // then its change handler runs.
  void UserSets(ChoiceList& list, std::string_view utf8) {
    list.SetText(G(utf8));
    ASSERT_TRUE(view.RunChangeRule(list));
  }

  void LoadShipped() {
    ASSERT_EQ(view.LoadRegionCatalogue(kShippedFolder, log), "");
    ASSERT_FALSE(view.Catalogue().Empty());
  }

  void ExpectRegion(std::string_view province, std::string_view city, std::string_view county,
                    std::string_view code) {
    EXPECT_EQ(form.cbbProvince.Text(), G(province));
    EXPECT_EQ(form.cbbcity.Text(), G(city));
    EXPECT_EQ(form.cbbCounty.Text(), G(county));
    EXPECT_EQ(form.edtQCITY.Text(), code);
  }

  ParamForm form;
  RegionView view{form};
  FixedLogClock clock;
  TrafficLog log{clock};
  RecordingLogView logView;
};

// ---- the load at start ---------------------------------------------------------

TEST_F(RegionBindingTest, StartLoadFillsTheProvincesOnlyAndChoosesNone) {
  form.cbbProvince.SetItems({"old"});
  form.cbbcity.SetItems({"old city"});
  form.cbbcity.SetText("old city");
  form.cbbCounty.SetItems({"old county"});

  LoadShipped();

  ASSERT_EQ(form.cbbProvince.Count(), 31);
  EXPECT_EQ(form.cbbProvince.Items().front(), G("北京市"));
  EXPECT_EQ(form.cbbProvince.Items()[2], G("河北省"));
  EXPECT_EQ(form.cbbProvince.ItemIndex(), -1);
  EXPECT_EQ(form.cbbProvince.Text(), "");
  EXPECT_EQ(form.cbbcity.Count(), 0);
  EXPECT_EQ(form.cbbcity.Text(), "");
  EXPECT_EQ(form.cbbCounty.Count(), 0);
  EXPECT_TRUE(logView.TextEntries().empty());
}

TEST_F(RegionBindingTest, MissingFileAsksForTheMessageBoxAndEmptiesTheLists) {
  TempFolder folder;
  LoadShipped();
  UserSets(form.cbbProvince, "北京市");

  EXPECT_EQ(view.LoadRegionCatalogue(folder.path(), log), G("缺少province&city.json"));

  EXPECT_TRUE(view.Catalogue().Empty());
  EXPECT_EQ(form.cbbProvince.Count(), 0);
  EXPECT_EQ(form.cbbcity.Count(), 0);
  EXPECT_EQ(form.cbbCounty.Count(), 0);
  EXPECT_TRUE(logView.TextEntries().empty());
}

TEST_F(RegionBindingTest, BrokenFileWritesAWarningLineAndShowsNoMessageBox) {
  const std::vector<std::pair<const char*, std::string>> cases = {
      {"cut off", R"({"GB/T2260":[{"name":"A","code":"110000","cityList":[)"},
      {"no root member", R"({"regions":[]})"},
      {"city list of the wrong kind", R"({"GB/T2260":[{"name":"A","code":"110000","cityList":7}]})"},
  };
  for (const auto& [what, bytes] : cases) {
    SCOPED_TRACE(what);
    TempFolder folder;
    WriteBytes(folder.path() / "province&city.json", bytes);
    logView.entries.clear();

    EXPECT_EQ(view.LoadRegionCatalogue(folder.path(), log), "");

    EXPECT_TRUE(view.Catalogue().Empty());
    EXPECT_EQ(form.cbbProvince.Count(), 0);
    const auto lines = logView.TextEntries();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0].colour, LogColour::Warning);
    EXPECT_NE(lines[0].text.find("province&city.json"), std::string::npos) << lines[0].text;
  }
}

TEST_F(RegionBindingTest, FileWithLineEndsAndIndentationLoadsLikeOneLine) {
  TempFolder folder;
  WriteBytes(folder.path() / "province&city.json",
             G("{\r\n  \"GB/T2260\": [\r\n    {\"name\": \"北京市\", \"code\": 110000,\r\n"
               "     \"cityList\": [{\"name\": \"市辖区\", \"code\": \"110100\",\r\n"
               "       \"areaList\": [{\"name\": \"西城区\", \"code\": 110102}]}]}\r\n  ]\r\n}\r\n"));

  ASSERT_EQ(view.LoadRegionCatalogue(folder.path(), log), "");
  EXPECT_EQ(form.cbbProvince.Items(), G({"北京市"}));
  view.ApplyRegionCode("110102");
  ExpectRegion("北京市", "市辖区", "西城区", "110102");
}

// ---- the cascade ----------------------------------------------------------------

TEST_F(RegionBindingTest, CascadeOnTheShippedCatalogueYieldsTheCountyCode) {
  struct Case {
    const char* province;
    const char* city;
    const char* firstCity;
    std::size_t cityCount;
    const char* county;
    std::size_t countyCount;
    const char* code;
  };
  // 桥西区 is a county of two cities: the city decides the code.
  const Case cases[] = {
      {"北京市", "市辖区", "市辖区", 1, "东城区", 16, "110101"},
      {"河北省", "石家庄市", "石家庄市", 11, "桥西区", 24, "130104"},
      {"河北省", "张家口市", "石家庄市", 11, "桥西区", 19, "130703"},
      {"广东省", "广州市", "广州市", 21, "天河区", 11, "440106"},
  };
  LoadShipped();
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    form.edtQCITY.SetText("000000");

    UserSets(form.cbbProvince, c.province);
    ASSERT_EQ(form.cbbcity.Count(), static_cast<int>(c.cityCount));
    EXPECT_EQ(form.cbbcity.Items().front(), G(c.firstCity));
    EXPECT_EQ(form.cbbcity.Text(), "");
    EXPECT_EQ(form.cbbCounty.Count(), 0);
    EXPECT_EQ(form.edtQCITY.Text(), "000000");

    UserSets(form.cbbcity, c.city);
    EXPECT_EQ(form.cbbCounty.Count(), static_cast<int>(c.countyCount));
    EXPECT_NE(form.cbbCounty.IndexOfText(G(c.county), false), -1);
    EXPECT_EQ(form.edtQCITY.Text(), "000000");

    UserSets(form.cbbCounty, c.county);
    ExpectRegion(c.province, c.city, c.county, c.code);
  }
}

TEST_F(RegionBindingTest, ChoosingOnlyAProvinceLeavesTheCodeAndEmptiesTheCounties) {
  view.UseCatalogue(SmallCatalogue());
  UserSets(form.cbbProvince, "北京市");
  UserSets(form.cbbcity, "市辖区");
  UserSets(form.cbbCounty, "东城区");
  ASSERT_EQ(form.edtQCITY.Text(), "110101");

  UserSets(form.cbbProvince, "河北省");

  EXPECT_EQ(form.cbbcity.Items(), G({"石家庄市", "唐山市"}));
  EXPECT_EQ(form.cbbcity.Text(), "");
  EXPECT_EQ(form.cbbCounty.Count(), 0);
  EXPECT_EQ(form.cbbCounty.Text(), "");
  EXPECT_EQ(form.edtQCITY.Text(), "110101");

  UserSets(form.cbbcity, "唐山市");
  EXPECT_EQ(form.cbbCounty.Items(), G({"路南区", "路北区"}));
  EXPECT_EQ(form.edtQCITY.Text(), "110101");
}

TEST_F(RegionBindingTest, TypedNamesThatAreNoEntryMatchNothing) {
  view.UseCatalogue(SmallCatalogue());
  form.edtQCITY.SetText("110101");

  UserSets(form.cbbProvince, "北京");  // a prefix is no match
  EXPECT_EQ(form.cbbcity.Count(), 0);

  UserSets(form.cbbProvince, "北京市");
  UserSets(form.cbbcity, "石家庄市");  // a city of another province
  EXPECT_EQ(form.cbbCounty.Count(), 0);

  UserSets(form.cbbcity, "市辖区");
  UserSets(form.cbbCounty, "长安区");  // a county of another city
  EXPECT_EQ(form.edtQCITY.Text(), "110101");
}

TEST_F(RegionBindingTest, WithoutACatalogueTheHandlersKeepWhatWasTyped) {
  TempFolder missing;
  ASSERT_NE(view.LoadRegionCatalogue(missing.path(), log), "");
  form.edtQCITY.SetText("110101");
  form.cbbcity.SetText(G("市辖区"));
  form.cbbCounty.SetText(G("西城区"));

  UserSets(form.cbbProvince, "北京市");
  UserSets(form.cbbcity, "市辖区");
  UserSets(form.cbbCounty, "西城区");

  EXPECT_EQ(form.cbbcity.Text(), G("市辖区"));
  EXPECT_EQ(form.cbbCounty.Text(), G("西城区"));
  EXPECT_EQ(form.edtQCITY.Text(), "110101");

  view.ApplyRegionCode("130102");
  EXPECT_EQ(form.edtQCITY.Text(), "130102");
  EXPECT_EQ(form.cbbProvince.Text(), G("北京市"));
}

TEST_F(RegionBindingTest, OnlyTheRegionListsHaveAChangeRuleHere) {
  view.UseCatalogue(SmallCatalogue());
  EXPECT_FALSE(view.RunChangeRule(form.cbbCarcolor));
  EXPECT_FALSE(view.RunChangeRule(form.cbbtype0));
}

// ---- QCITY ----------------------------------------------------------------------

TEST_F(RegionBindingTest, RegionCodeSelectsTheChainAndListsEachEntryOnce) {
  view.UseCatalogue(SmallCatalogue());
  for (int round = 1; round <= 2; ++round) {
    SCOPED_TRACE(round);
    view.ApplyRegionCode("110102");

    ExpectRegion("北京市", "市辖区", "西城区", "110102");
    EXPECT_EQ(form.cbbProvince.ItemIndex(), 0);
    EXPECT_EQ(form.cbbProvince.Items(), G({"北京市", "河北省"}));
    EXPECT_EQ(form.cbbcity.Items(), G({"市辖区"}));
    EXPECT_EQ(form.cbbcity.ItemIndex(), 0);
    EXPECT_EQ(form.cbbCounty.Items(), G({"东城区", "西城区"}));
    EXPECT_EQ(form.cbbCounty.ItemIndex(), 1);
    EXPECT_EQ(RegionCodeValue(form), "110102");
  }
}

TEST_F(RegionBindingTest, RegionCodeOfAnotherProvinceReplacesTheLists) {
  view.UseCatalogue(SmallCatalogue());
  view.ApplyRegionCode("110102");

  view.ApplyRegionCode("130203");

  ExpectRegion("河北省", "唐山市", "路北区", "130203");
  EXPECT_EQ(form.cbbProvince.ItemIndex(), 1);
  EXPECT_EQ(form.cbbcity.Items(), G({"石家庄市", "唐山市"}));
  EXPECT_EQ(form.cbbcity.ItemIndex(), 1);
  EXPECT_EQ(form.cbbCounty.Items(), G({"路南区", "路北区"}));
}

TEST_F(RegionBindingTest, RegionCodeOnTheShippedCatalogue) {
  LoadShipped();
  view.ApplyRegionCode("130703");
  ExpectRegion("河北省", "张家口市", "桥西区", "130703");
  EXPECT_EQ(form.cbbcity.Count(), 11);

  // The user then picks the other 桥西区 by hand.
  UserSets(form.cbbcity, "石家庄市");
  UserSets(form.cbbCounty, "桥西区");
  EXPECT_EQ(form.edtQCITY.Text(), "130104");
}

TEST_F(RegionBindingTest, RegionCodeMatchingOnlyInPartSelectsAsFarAsItMatches) {
  struct Case {
    const char* code;
    Names cities;
    const char* city;
    Names counties;
  };
  // The province prefix matches but no city: the province's cities, none chosen.
  // A code of two or four characters gives shorter prefixes.
  const Case cases[] = {
      {"119900", G({"市辖区"}), "", {}},
      {"110199", G({"市辖区"}), "市辖区", G({"东城区", "西城区"})},
      {"11", G({"市辖区"}), "", {}},
  };
  view.UseCatalogue(SmallCatalogue());
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    view.ApplyRegionCode("130102");

    view.ApplyRegionCode(c.code);

    EXPECT_EQ(form.edtQCITY.Text(), c.code);
    EXPECT_EQ(form.cbbProvince.Text(), G("北京市"));
    EXPECT_EQ(form.cbbcity.Items(), c.cities);
    EXPECT_EQ(form.cbbcity.Text(), G(c.city));
    EXPECT_EQ(form.cbbCounty.Items(), c.counties);
    EXPECT_EQ(form.cbbCounty.Text(), "");
  }
}

TEST_F(RegionBindingTest, UnknownRegionCodeChangesTheCodeOnly) {
  view.UseCatalogue(SmallCatalogue());
  view.ApplyRegionCode("110102");

  for (const char* code : {"999999", "", "1", "abcdef"}) {
    SCOPED_TRACE(code);
    view.ApplyRegionCode(code);
    EXPECT_EQ(form.edtQCITY.Text(), code);
    EXPECT_EQ(form.cbbProvince.Text(), G("北京市"));
    EXPECT_EQ(form.cbbcity.Items(), G({"市辖区"}));
    EXPECT_EQ(form.cbbcity.Text(), G("市辖区"));
    EXPECT_EQ(form.cbbCounty.Items(), G({"东城区", "西城区"}));
    EXPECT_EQ(form.cbbCounty.Text(), G("西城区"));
  }
}

// ---- QTERMINAL ------------------------------------------------------------------

std::array<int, 6> TypeItems(const ParamForm& form) {
  return {form.cbbtype0.ItemIndex(), form.cbbtype1.ItemIndex(), form.cbbtype2.ItemIndex(),
          form.cbbtype3.ItemIndex(), form.cbbtype6.ItemIndex(), form.cbbtype7.ItemIndex()};
}

TEST(TerminalBinding, TypeWordSpreadsOverTheSixListsAndComesBack) {
  struct Case {
    const char* value;
    std::array<int, 6> items;  // cbbtype0, 1, 2, 3, 6, 7
    int bits;
    const char* back;
  };
  const Case cases[] = {
      {"ZAVGNSS,zav-gnss-001,207", {1, 1, 1, 1, 1, 1}, 207, "ZAVGNSS,zav-gnss-001,207"},
      {"ID1,M1,64", {0, 0, 0, 0, 1, 0}, 64, "ID1,M1,64"},
      {"ZAVGNSS,zav-gnss-001,15", {1, 1, 1, 1, 0, 0}, 15, "ZAVGNSS,zav-gnss-001,15"},
      {"ID2,M2,130", {0, 1, 0, 0, 0, 1}, 130, "ID2,M2,130"},
      // Bits 4 and 5 have no list: ignored coming in, 0 going out.
      {"ID3,M3,48", {0, 0, 0, 0, 0, 0}, 0, "ID3,M3,0"},
      {"ID4,M4,255", {1, 1, 1, 1, 1, 1}, 207, "ID4,M4,207"},
      {"ID5,M5,0", {0, 0, 0, 0, 0, 0}, 0, "ID5,M5,0"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ParamForm form;
    ApplyTerminalReport(form, "X,Y,73");  // some other state first

    ApplyTerminalReport(form, c.value);

    EXPECT_EQ(TypeItems(form), c.items);
    EXPECT_EQ(TerminalTypeBits(form), c.bits);
    EXPECT_EQ(TerminalValue(form), c.back);
  }
}

TEST(TerminalBinding, ReportFillsTheIdModelAndListTexts) {
  ParamForm form;
  ApplyTerminalReport(form, "ID1,M1,64");
  EXPECT_EQ(form.edtTerminalID.Text(), "ID1");
  EXPECT_EQ(form.edtTerminalmode.Text(), "M1");
  EXPECT_EQ(form.cbbtype6.Text(), G("支持硬盘录像"));
  EXPECT_EQ(form.cbbtype7.Text(), G("一体机"));
  EXPECT_EQ(form.cbbtype0.Text(), G("不适用客运车辆"));
}

TEST(TerminalBinding, ListsWithoutAChoiceCountAsBitClear) {
  ParamForm form;
  ASSERT_EQ(form.cbbtype0.ItemIndex(), -1);
  EXPECT_EQ(TerminalTypeBits(form), 0);
  form.cbbtype3.SetItemIndex(1);
  EXPECT_EQ(TerminalTypeBits(form), 8);
}

TEST(TerminalBinding, MalformedValuesLeaveTheFieldsAlone) {
  // Anything but three fields changes nothing; a trailing comma adds a field.
  for (const char* value : {"a,b", "a,b,7,x", "a,b,7,", "", "207"}) {
    SCOPED_TRACE(value);
    ParamForm form;
    ApplyTerminalReport(form, "ID0,M0,207");

    ApplyTerminalReport(form, value);

    EXPECT_EQ(form.edtTerminalID.Text(), "ID0");
    EXPECT_EQ(form.edtTerminalmode.Text(), "M0");
    EXPECT_EQ(TerminalTypeBits(form), 207);
  }
}

TEST(TerminalBinding, TypeWordThatIsNoNumberKeepsTheLists) {
  // Three fields: the ID and model are taken, the six lists stay.
  for (const char* value : {"a,b,x7", "a,b,", "a,b,7.5"}) {
    SCOPED_TRACE(value);
    ParamForm form;
    ApplyTerminalReport(form, "ID0,M0,64");

    ApplyTerminalReport(form, value);

    EXPECT_EQ(form.edtTerminalID.Text(), "a");
    EXPECT_EQ(form.edtTerminalmode.Text(), "b");
    EXPECT_EQ(TerminalTypeBits(form), 64);
  }
}

// ---- QCARINFO -------------------------------------------------------------------

TEST(CarInfoBinding, ColourCodesChooseTheirEntryAndComeBack) {
  struct Case {
    const char* value;
    int item;
    const char* colour;
    const char* plate;
    const char* command;
    const char* profile;
  };
  const Case cases[] = {
      {"0,A12345", 0, "未上牌", "A12345", "0,A12345", "0,A12345"},
      {"1,0", 1, "蓝色", "VIN", "1,VIN", "1,VIN"},
      {"2,B1", 2, "黄色", "B1", "2,B1", "2,B1"},
      {"3,B1", 3, "黑色", "B1", "3,B1", "3,B1"},
      {"4,B1", 4, "白色", "B1", "4,B1", "4,B1"},
      {"9,0", 5, "其他", "VIN", "9,VIN", "5,VIN"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value);
    ParamForm form;
    ApplyCarInfoReport(form, "3,OLD");

    ApplyCarInfoReport(form, c.value);

    EXPECT_EQ(form.cbbCarcolor.ItemIndex(), c.item);
    EXPECT_EQ(form.cbbCarcolor.Text(), G(c.colour));
    EXPECT_EQ(form.edtCarNum.Text(), c.plate);
    EXPECT_EQ(CarInfoValue(form), c.command);
    EXPECT_EQ(CarInfoProfileValue(form), c.profile);
  }
}

TEST(CarInfoBinding, ColourWithoutAnEntryChoosesNone) {
  ParamForm form;
  ApplyCarInfoReport(form, "2,OLD");
  ApplyCarInfoReport(form, "7,B1");
  EXPECT_EQ(form.cbbCarcolor.ItemIndex(), -1);
  EXPECT_EQ(form.cbbCarcolor.Text(), "");
  EXPECT_EQ(form.edtCarNum.Text(), "B1");
  EXPECT_EQ(CarInfoProfileValue(form), "-1,B1");
}

TEST(CarInfoBinding, MalformedValuesLeaveTheFieldsAlone) {
  for (const char* value : {"x,B1", "1", "1,B1,C", "", ",B1"}) {
    SCOPED_TRACE(value);
    ParamForm form;
    ApplyCarInfoReport(form, "2,OLD");

    ApplyCarInfoReport(form, value);

    EXPECT_EQ(form.cbbCarcolor.ItemIndex(), 2);
    EXPECT_EQ(form.edtCarNum.Text(), "OLD");
  }
}

}  // namespace
}  // namespace t418
