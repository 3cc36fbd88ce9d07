#pragma once
// The region catalogue "province&city.json": the provinces, cities and counties
// of GB/T 2260 behind the three cascading region lists, and the steps of the
// cascade as functions on that data. The form binding moves their results into
// cbbProvince, cbbcity, cbbCounty and edtQCITY. Names and codes are GBK text;
// codes are compared as their decimal text. Nothing here throws.
#include <optional>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace t418 {

inline constexpr std::string_view kRegionCatalogueFileName = "province&city.json";

// The message box shown at start when the catalogue file is missing, in every
// language (GBK bytes of "缺少province&city.json").
inline constexpr std::string_view kMissingRegionCatalogueText = "\xC8\xB1\xC9\xD9province&city.json";

struct RegionCounty {
  std::string name;
  std::string code;  // the full six digits, e.g. "110101"
};

struct RegionCity {
  std::string name;
  std::string code;  // four digits and "00", e.g. "110100"
  std::vector<RegionCounty> counties;
};

struct RegionProvince {
  std::string name;
  std::string code;  // two digits and "0000", e.g. "110000"
  std::vector<RegionCity> cities;
};

// What a region code selects (ApplyRegionCode): edtQCITY takes the code in any
// case; cbbcity and cbbCounty are emptied and refilled with cityItems and
// countyItems (both empty when no province matches).
struct RegionCodeSelection {
  // Into Provinces(), which is also the order of cbbProvince's items; -1 when no
  // province has the code's province prefix (the province list keeps its text).
  int provinceIndex = -1;
  std::vector<std::string> cityItems;
  // Into cityItems; -1 when no city has the code's city prefix.
  int cityIndex = -1;
  std::vector<std::string> countyItems;
  // Into countyItems; -1 when no county has the whole code.
  int countyIndex = -1;
};

class RegionCatalogue {
 public:
  RegionCatalogue() = default;
  explicit RegionCatalogue(std::vector<RegionProvince> provinces);

  // Empty for a catalogue that was never loaded; every query below then yields
  // nothing, which leaves the lists empty and edtQCITY as it was.
  bool Empty() const { return provinces_.empty(); }
  const std::vector<RegionProvince>& Provinces() const { return provinces_; }
  std::size_t CountyCount() const;

  // The items of cbbProvince, in file order.
  std::vector<std::string> ProvinceNames() const;
  // cbbProvinceChange: the cities of every province with this exact name, in
  // order (a name that occurs twice contributes both city lists).
  std::vector<std::string> CityNames(std::string_view province) const;
  // cbbcityChange: the counties of every matching province and city.
  std::vector<std::string> CountyNames(std::string_view province, std::string_view city) const;
  // cbbCountyChange: the code edtQCITY takes when all three names match an
  // entry (the last match wins); nullopt leaves edtQCITY as it was.
  std::optional<std::string> CountyCode(std::string_view province, std::string_view city,
                                        std::string_view county) const;

  // ApplyRegionCode: the province prefix is the code's first two characters and
  // "0000", the city prefix its first four and "00" (a shorter code gives
  // shorter prefixes). Every matching province contributes all its cities; a
  // matching city all its counties. 110102 selects 北京市, 市辖区, 西城区.
  RegionCodeSelection SelectCode(std::string_view code) const;

 private:
  std::vector<RegionProvince> provinces_;
};

enum class RegionLoadStatus { Loaded, Missing, Broken };

struct RegionLoadResult {
  RegionLoadStatus status = RegionLoadStatus::Missing;
  RegionCatalogue catalogue;  // empty unless Loaded
  // Missing: kMissingRegionCatalogueText. Broken: what is wrong and where, for
  // the log. Loaded: "".
  std::string message;
};

// Reads "province&city.json" from the folder (the program's own): the lines
// are joined without separator, the text is taken as UTF-8 when it is valid
// UTF-8 (a file of ASCII with \u escapes is) and as code page 936 otherwise,
// and names come out as GBK. Codes may be JSON strings or numbers.
RegionLoadResult LoadRegionCatalogue(const std::filesystem::path& folder);

// The same on the file's bytes, for callers that have them already.
RegionLoadResult ParseRegionCatalogue(std::string_view bytes);

}  // namespace t418
