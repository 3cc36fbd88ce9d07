#include "vehicle/region_catalogue.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "gbk_texts.h"
#include "text/gbk.h"
#include "temp_folder.h"

namespace t418 {
namespace {

using Names = std::vector<std::string>;

using testing::G;
using testing::TempFolder;
using testing::WriteBytes;

// The small catalogue of the examples: one province, one city, two counties.
const char* const kBeijingUtf8 =
    R"({"GB/T2260":[{"name":"北京市","code":"110000","cityList":[)"
    R"({"name":"市辖区","code":"110100","areaList":[)"
    R"({"name":"东城区","code":"110101"},{"name":"西城区","code":"110102"}]}]}]})";

RegionCatalogue LoadOrFail(std::string_view bytes) {
  RegionLoadResult result = ParseRegionCatalogue(bytes);
  EXPECT_EQ(result.status, RegionLoadStatus::Loaded) << result.message;
  EXPECT_EQ(result.message, "");
  return std::move(result.catalogue);
}

// ---- the shipped catalogue -----------------------------------------------------

TEST(ShippedRegionCatalogue, HoldsEveryProvinceWithTheBeijingChainFirst) {
  const RegionLoadResult result = LoadRegionCatalogue(T418_SOURCE_DIR "/resources");
  ASSERT_EQ(result.status, RegionLoadStatus::Loaded) << result.message;
  const RegionCatalogue& catalogue = result.catalogue;

  ASSERT_EQ(catalogue.Provinces().size(), 31u);
  // 3 056 third-level entries of the source less the streets of four cities
  // without a county level, which stand for themselves.
  EXPECT_EQ(catalogue.CountyCount(), 2978u);

  const RegionProvince& beijing = catalogue.Provinces().front();
  EXPECT_EQ(beijing.name, G("北京市"));
  EXPECT_EQ(beijing.code, "110000");
  ASSERT_FALSE(beijing.cities.empty());
  EXPECT_EQ(beijing.cities[0].name, G("市辖区"));
  EXPECT_EQ(beijing.cities[0].code, "110100");
  ASSERT_GE(beijing.cities[0].counties.size(), 2u);
  EXPECT_EQ(beijing.cities[0].counties[0].name, G("东城区"));
  EXPECT_EQ(beijing.cities[0].counties[0].code, "110101");

  EXPECT_EQ(catalogue.CountyCode(G("广东省"), G("东莞市"), G("东莞市")), "441900");
}

TEST(ShippedRegionCatalogue, EveryCodeHasSixDigitsUnderItsParentsPrefix) {
  const RegionLoadResult result = LoadRegionCatalogue(T418_SOURCE_DIR "/resources");
  ASSERT_EQ(result.status, RegionLoadStatus::Loaded) << result.message;
  const auto sixDigits = [](const std::string& code) {
    return code.size() == 6 && code.find_first_not_of("0123456789") == std::string::npos;
  };
  for (const auto& p : result.catalogue.Provinces()) {
    EXPECT_TRUE(sixDigits(p.code) && p.code.ends_with("0000")) << p.code;
    EXPECT_FALSE(p.name.empty()) << p.code;
    EXPECT_EQ(p.name.find('?'), std::string::npos) << p.code;  // every name survived GBK
    for (const auto& c : p.cities) {
      EXPECT_TRUE(sixDigits(c.code) && c.code.starts_with(p.code.substr(0, 2))) << c.code;
      EXPECT_FALSE(c.counties.empty()) << c.code;
      for (const auto& k : c.counties) {
        EXPECT_TRUE(sixDigits(k.code) && k.code.starts_with(c.code.substr(0, 4))) << k.code;
        EXPECT_EQ(k.name.find('?'), std::string::npos) << k.code;
        // Each county is found again by its names and by its code.
        EXPECT_EQ(result.catalogue.CountyCode(p.name, c.name, k.name), k.code);
      }
    }
  }
}

// ---- reading the file --------------------------------------------------------------

TEST(RegionCatalogueFile, LineBreaksAndIndentationParseLikeOneLine) {
  const std::string multiLine =
      "{\r\n"
      "  \"GB/T2260\": [\r\n"
      "    {\"name\": \"\\u5317\\u4eac\\u5e02\", \"code\": \"110000\",\r\n"
      "     \"cityList\": [\n"
      "       {\"name\": \"\\u5e02\\u8f96\\u533a\", \"code\": \"110100\",\r"
      "        \"areaList\": [\r\n"
      "          {\"name\": \"\\u4e1c\\u57ce\\u533a\", \"code\": \"110101\"},\r\n"
      "          {\"name\": \"\\u897f\\u57ce\\u533a\", \"code\": \"110102\"}\r\n"
      "        ]}]}]}\r\n";
  const RegionCatalogue fromLines = LoadOrFail(multiLine);
  const RegionCatalogue fromOneLine = LoadOrFail(kBeijingUtf8);
  EXPECT_EQ(fromLines.ProvinceNames(), G({"北京市"}));
  EXPECT_EQ(fromLines.CityNames(G("北京市")), fromOneLine.CityNames(G("北京市")));
  EXPECT_EQ(fromLines.CountyNames(G("北京市"), G("市辖区")), G({"东城区", "西城区"}));
  EXPECT_EQ(fromLines.CountyCode(G("北京市"), G("市辖区"), G("西城区")), "110102");
}

TEST(RegionCatalogueFile, LinesAreJoinedWithoutSeparator) {
  // A break inside a name vanishes, as the lines are joined with nothing between.
  const RegionCatalogue catalogue =
      LoadOrFail("{\"GB/T2260\":[{\"name\":\"Bei\r\njing\",\"code\":\"110000\"}]}");
  EXPECT_EQ(catalogue.ProvinceNames(), Names{"Beijing"});
}

TEST(RegionCatalogueFile, GbkUtf8AndEscapedFilesGiveTheSameGbkNames) {
  const std::string utf8 = kBeijingUtf8;
  const std::string gbk = Utf8ToGbk(utf8);
  ASSERT_NE(gbk, utf8);
  const std::string escaped =
      R"({"GB/T2260":[{"name":"\u5317\u4eac\u5e02","code":"110000","cityList":[)"
      R"({"name":"\u5e02\u8f96\u533a","code":"110100","areaList":[)"
      R"({"name":"\u4e1c\u57ce\u533a","code":"110101"},{"name":"\u897f\u57ce\u533a","code":"110102"}]}]}]})";
  const std::string withBom = "\xEF\xBB\xBF" + utf8;

  for (const std::string* bytes : {&gbk, &escaped, &utf8, &withBom}) {
    const RegionCatalogue catalogue = LoadOrFail(*bytes);
    EXPECT_EQ(catalogue.ProvinceNames(), G({"北京市"}));
    EXPECT_EQ(catalogue.CityNames(G("北京市")), G({"市辖区"}));
    EXPECT_EQ(catalogue.CountyNames(G("北京市"), G("市辖区")), G({"东城区", "西城区"}));
  }
}

TEST(RegionCatalogueFile, CodesMayBeNumbersAndAreComparedAsDecimalText) {
  const RegionCatalogue catalogue = LoadOrFail(
      R"({"GB/T2260":[{"name":"P","code":110000,"cityList":[)"
      R"({"name":"C","code":110100,"areaList":[{"name":"K","code":110102}]}]}]})");
  EXPECT_EQ(catalogue.Provinces()[0].code, "110000");
  EXPECT_EQ(catalogue.CountyCode("P", "C", "K"), "110102");
  const RegionCodeSelection selection = catalogue.SelectCode("110102");
  EXPECT_EQ(selection.provinceIndex, 0);
  EXPECT_EQ(selection.cityIndex, 0);
  EXPECT_EQ(selection.countyIndex, 0);
}

TEST(RegionCatalogueFile, AbsentListsAndNamesAreEmptyNotErrors) {
  const RegionCatalogue catalogue =
      LoadOrFail(R"({"GB/T2260":[{"name":"P","code":"110000"},{"code":"120000","cityList":null}]})");
  EXPECT_EQ(catalogue.ProvinceNames(), (Names{"P", ""}));
  EXPECT_TRUE(catalogue.CityNames("P").empty());
}

TEST(RegionCatalogueFile, MissingFileGivesTheMessageBoxText) {
  const TempFolder folder;
  const RegionLoadResult result = LoadRegionCatalogue(folder.path());
  EXPECT_EQ(result.status, RegionLoadStatus::Missing);
  EXPECT_EQ(result.message, G("缺少province&city.json"));
  EXPECT_EQ(kMissingRegionCatalogueText, G("缺少province&city.json"));
  EXPECT_TRUE(result.catalogue.Empty());
}

TEST(RegionCatalogueFile, ReadsTheFileByItsNameInTheFolder) {
  const TempFolder folder;
  WriteBytes(folder.path() / "province&city.json", Utf8ToGbk(kBeijingUtf8));
  const RegionLoadResult result = LoadRegionCatalogue(folder.path());
  ASSERT_EQ(result.status, RegionLoadStatus::Loaded) << result.message;
  EXPECT_EQ(result.catalogue.ProvinceNames(), G({"北京市"}));
}

TEST(RegionCatalogueFile, BrokenContentGivesAnErrorNamingTheFault) {
  struct Case {
    const char* bytes;
    const char* expectedInMessage;
  };
  const std::vector<Case> cases = {
      {"", "not valid JSON"},
      {"{\"GB/T2260\":[{\"name\":\"P\",", "not valid JSON"},
      {"\xFF\xFE{", "not valid JSON"},  // neither UTF-8 nor GBK
      {"[1,2]", "not a JSON object"},
      {"{\"provinces\":[]}", "no member \"GB/T2260\""},
      {"{\"gb/t2260\":[]}", "no member \"GB/T2260\""},  // member names are matched exactly
      {"{\"GB/T2260\":{}}", "\"GB/T2260\" is not an array"},
      {"{\"GB/T2260\":[7]}", "GB/T2260[0] is not an object"},
      {"{\"GB/T2260\":[{\"name\":\"P\",\"cityList\":\"x\"}]}", "GB/T2260[0]: \"cityList\" is not an array"},
      {"{\"GB/T2260\":[{\"cityList\":[{\"areaList\":[{},3]}]}]}",
       "GB/T2260[0].cityList[0].areaList[1] is not an object"},
  };
  for (const auto& c : cases) {
    const RegionLoadResult result = ParseRegionCatalogue(c.bytes);
    EXPECT_EQ(result.status, RegionLoadStatus::Broken) << c.bytes;
    EXPECT_NE(result.message.find(c.expectedInMessage), std::string::npos) << result.message;
    EXPECT_TRUE(result.message.starts_with("province&city.json: ")) << result.message;
    EXPECT_TRUE(result.catalogue.Empty());
  }
}

TEST(RegionCatalogueFile, BrokenFileInTheFolderGivesAnError) {
  const TempFolder folder;
  WriteBytes(folder.path() / "province&city.json", "{\"GB/T2260\": [ {\"name\": ");
  const RegionLoadResult result = LoadRegionCatalogue(folder.path());
  EXPECT_EQ(result.status, RegionLoadStatus::Broken);
  EXPECT_FALSE(result.message.empty());

  const TempFolder other;
  std::filesystem::create_directory(other.path() / "province&city.json");
  EXPECT_EQ(LoadRegionCatalogue(other.path()).status, RegionLoadStatus::Broken);
}

// ---- the cascade -----------------------------------------------------------------

class RegionCascade : public ::testing::Test {
 protected:
  RegionCatalogue catalogue = LoadOrFail(kBeijingUtf8);
};

TEST_F(RegionCascade, ChoosingNamesFillsTheNextListAndTheCountyGivesItsCode) {
  EXPECT_EQ(catalogue.CityNames(G("北京市")), G({"市辖区"}));
  EXPECT_EQ(catalogue.CountyNames(G("北京市"), G("市辖区")), G({"东城区", "西城区"}));
  EXPECT_EQ(catalogue.CountyCode(G("北京市"), G("市辖区"), G("东城区")), "110101");
}

TEST_F(RegionCascade, TextsThatNameNoEntryYieldNothing) {
  // Names compare byte for byte: a typed fragment or a stray blank matches nothing,
  // and a province or city alone never yields a code.
  EXPECT_TRUE(catalogue.CityNames(G("北京")).empty());
  EXPECT_TRUE(catalogue.CityNames(G("北京市 ")).empty());
  EXPECT_TRUE(catalogue.CountyNames(G("北京市"), G("朝阳区")).empty());
  EXPECT_TRUE(catalogue.CountyNames(G("天津市"), G("市辖区")).empty());
  EXPECT_EQ(catalogue.CountyCode(G("北京市"), G("市辖区"), ""), std::nullopt);
  EXPECT_EQ(catalogue.CountyCode(G("北京市"), "", G("东城区")), std::nullopt);
  EXPECT_EQ(catalogue.CountyCode("", G("市辖区"), G("东城区")), std::nullopt);
}

TEST(RegionCascadeDuplicates, EveryProvinceOfTheChosenNameContributes) {
  const RegionCatalogue catalogue = LoadOrFail(
      R"({"GB/T2260":[)"
      R"({"name":"P","code":"110000","cityList":[{"name":"C","code":"110100","areaList":[{"name":"K","code":"110101"}]}]},)"
      R"({"name":"Q","code":"120000","cityList":[{"name":"D","code":"120100","areaList":[]}]},)"
      R"({"name":"P","code":"130000","cityList":[{"name":"C","code":"130100","areaList":[{"name":"K","code":"130102"}]}]}]})");
  EXPECT_EQ(catalogue.CityNames("P"), (Names{"C", "C"}));
  EXPECT_EQ(catalogue.CountyNames("P", "C"), (Names{"K", "K"}));
  EXPECT_EQ(catalogue.CountyCode("P", "C", "K"), "130102");  // the last match is what stays
}

TEST(RegionCascadeEmpty, AnUnloadedCatalogueYieldsNothing) {
  const RegionCatalogue catalogue;
  EXPECT_TRUE(catalogue.Empty());
  EXPECT_TRUE(catalogue.ProvinceNames().empty());
  EXPECT_TRUE(catalogue.CityNames("").empty());
  EXPECT_EQ(catalogue.CountyCode("", "", ""), std::nullopt);
  const RegionCodeSelection selection = catalogue.SelectCode("110102");
  EXPECT_EQ(selection.provinceIndex, -1);
  EXPECT_TRUE(selection.cityItems.empty());
  EXPECT_TRUE(selection.countyItems.empty());
}

// ---- selecting by code -------------------------------------------------------------

TEST_F(RegionCascade, CodeSelectsProvinceCityAndCountyEachListingOnce) {
  for (int round = 0; round < 2; ++round) {  // the same report twice fills the lists afresh
    const RegionCodeSelection s = catalogue.SelectCode("110102");
    EXPECT_EQ(s.provinceIndex, 0);
    EXPECT_EQ(s.cityItems, G({"市辖区"}));
    EXPECT_EQ(s.cityIndex, 0);
    EXPECT_EQ(s.countyItems, G({"东城区", "西城区"}));
    EXPECT_EQ(s.countyIndex, 1);
  }
}

TEST_F(RegionCascade, CodesThatMatchOnlyInPartSelectOnlyTheirPrefixes) {
  struct Case {
    const char* code;
    int province, city, county;
    std::size_t cities, counties;
  };
  const std::vector<Case> cases = {
      {"110101", 0, 0, 0, 1, 2},
      {"110199", 0, 0, -1, 1, 2},  // county unknown: lists filled, county text untouched
      {"110100", 0, 0, -1, 1, 2},  // the city's own code names no county
      {"110000", 0, -1, -1, 1, 0},
      {"119901", 0, -1, -1, 1, 0},  // city unknown: its siblings are listed, none chosen
      {"11", 0, -1, -1, 1, 0},      // "11" gives the prefixes 110000 and 1100
      {"120101", -1, -1, -1, 0, 0},
      {"999999", -1, -1, -1, 0, 0},
      {"1", -1, -1, -1, 0, 0},
      {"", -1, -1, -1, 0, 0},
      {"1101020", 0, 0, -1, 1, 2},  // seven characters: the county compares the whole code
  };
  for (const auto& c : cases) {
    const RegionCodeSelection s = catalogue.SelectCode(c.code);
    EXPECT_EQ(s.provinceIndex, c.province) << c.code;
    EXPECT_EQ(s.cityIndex, c.city) << c.code;
    EXPECT_EQ(s.countyIndex, c.county) << c.code;
    EXPECT_EQ(s.cityItems.size(), c.cities) << c.code;
    EXPECT_EQ(s.countyItems.size(), c.counties) << c.code;
  }
}

TEST(RegionCodeSelectionShipped, FindsCountiesDeepInTheCatalogue) {
  const RegionLoadResult result = LoadRegionCatalogue(T418_SOURCE_DIR "/resources");
  ASSERT_EQ(result.status, RegionLoadStatus::Loaded) << result.message;
  const RegionCatalogue& catalogue = result.catalogue;

  RegionCodeSelection s = catalogue.SelectCode("110102");
  ASSERT_EQ(s.provinceIndex, 0);
  ASSERT_GE(s.cityIndex, 0);
  ASSERT_GE(s.countyIndex, 0);
  EXPECT_EQ(s.cityItems[s.cityIndex], G("市辖区"));
  EXPECT_EQ(s.countyItems[s.countyIndex], G("西城区"));

  s = catalogue.SelectCode("440305");  // Shenzhen, Nanshan
  ASSERT_GE(s.provinceIndex, 0);
  ASSERT_GE(s.cityIndex, 0);
  ASSERT_GE(s.countyIndex, 0);
  EXPECT_EQ(catalogue.Provinces()[s.provinceIndex].name, G("广东省"));
  EXPECT_EQ(s.cityItems[s.cityIndex], G("深圳市"));
  EXPECT_EQ(s.countyItems[s.countyIndex], G("南山区"));
  // The county list is that of the chosen city only; the city list all of Guangdong's.
  EXPECT_EQ(s.cityItems, catalogue.CityNames(G("广东省")));
  EXPECT_EQ(s.countyItems, catalogue.CountyNames(G("广东省"), G("深圳市")));
}

}  // namespace
}  // namespace t418
