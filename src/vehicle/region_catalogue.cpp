#include "vehicle/region_catalogue.h"

#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

#include "text/gbk.h"

namespace t418 {
namespace {

using Json = nlohmann::json;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto b = static_cast<unsigned char>(text[i]);
    if (b < 0x80) {
      ++i;
      continue;
    }
    std::size_t length = 0;
    unsigned char low = 0x80, high = 0xBF;  // range of the second byte
    if (b >= 0xC2 && b <= 0xDF) {
      length = 2;
    } else if (b >= 0xE0 && b <= 0xEF) {
      length = 3;
      if (b == 0xE0) low = 0xA0;
      if (b == 0xED) high = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      length = 4;
      if (b == 0xF0) low = 0x90;
      if (b == 0xF4) high = 0x8F;
    } else {
      return false;
    }
    if (i + length > text.size()) return false;
    const auto second = static_cast<unsigned char>(text[i + 1]);
    if (second < low || second > high) return false;
    for (std::size_t k = 2; k < length; ++k) {
      const auto c = static_cast<unsigned char>(text[i + k]);
      if (c < 0x80 || c > 0xBF) return false;
    }
    i += length;
  }
  return true;
}

// The file's lines (ended by CR, LF or CR LF) joined without separator. A GBK
// trail byte is never CR or LF, so dropping those bytes splits no character.
std::string JoinLines(std::string_view bytes) {
  std::string joined;
  joined.reserve(bytes.size());
  for (const char c : bytes) {
    if (c != '\r' && c != '\n') joined.push_back(c);
  }
  return joined;
}

// Any value as text: strings as GBK, numbers as their decimal text; a missing
// member or any other kind gives "".
std::string ValueText(const Json& object, const char* member) {
  const auto it = object.find(member);
  if (it == object.end()) return "";
  if (it->is_string()) return Utf8ToGbk(it->get_ref<const std::string&>());
  if (it->is_number()) return it->dump();
  return "";
}

// A list member that is absent counts as empty; one of another kind is an error.
const Json* ListMember(const Json& object, const char* member, std::string& error,
                       const std::string& where) {
  static const Json kEmpty = Json::array();
  const auto it = object.find(member);
  if (it == object.end() || it->is_null()) return &kEmpty;
  if (!it->is_array()) {
    error = where + ": \"" + member + "\" is not an array";
    return nullptr;
  }
  return &*it;
}

std::string Where(const std::string& parent, const char* list, std::size_t index) {
  return parent + list + "[" + std::to_string(index) + "]";
}

RegionLoadResult Broken(std::string message) {
  RegionLoadResult result;
  result.status = RegionLoadStatus::Broken;
  result.message = std::string(kRegionCatalogueFileName) + ": " + std::move(message);
  return result;
}

}  // namespace

RegionCatalogue::RegionCatalogue(std::vector<RegionProvince> provinces)
    : provinces_(std::move(provinces)) {}

std::size_t RegionCatalogue::CountyCount() const {
  std::size_t count = 0;
  for (const auto& province : provinces_) {
    for (const auto& city : province.cities) count += city.counties.size();
  }
  return count;
}

std::vector<std::string> RegionCatalogue::ProvinceNames() const {
  std::vector<std::string> names;
  names.reserve(provinces_.size());
  for (const auto& province : provinces_) names.push_back(province.name);
  return names;
}

std::vector<std::string> RegionCatalogue::CityNames(std::string_view province) const {
  std::vector<std::string> names;
  for (const auto& p : provinces_) {
    if (p.name != province) continue;
    for (const auto& city : p.cities) names.push_back(city.name);
  }
  return names;
}

std::vector<std::string> RegionCatalogue::CountyNames(std::string_view province,
                                                      std::string_view city) const {
  std::vector<std::string> names;
  for (const auto& p : provinces_) {
    if (p.name != province) continue;
    for (const auto& c : p.cities) {
      if (c.name != city) continue;
      for (const auto& county : c.counties) names.push_back(county.name);
    }
  }
  return names;
}

std::optional<std::string> RegionCatalogue::CountyCode(std::string_view province,
                                                       std::string_view city,
                                                       std::string_view county) const {
  std::optional<std::string> code;
  for (const auto& p : provinces_) {
    if (p.name != province) continue;
    for (const auto& c : p.cities) {
      if (c.name != city) continue;
      for (const auto& k : c.counties) {
        if (k.name == county) code = k.code;
      }
    }
  }
  return code;
}

RegionCodeSelection RegionCatalogue::SelectCode(std::string_view code) const {
  const std::string provinceCode = std::string(code.substr(0, 2)) + "0000";
  const std::string cityCode = std::string(code.substr(0, 4)) + "00";
  RegionCodeSelection selection;
  for (std::size_t pi = 0; pi < provinces_.size(); ++pi) {
    const auto& province = provinces_[pi];
    if (province.code != provinceCode) continue;
    selection.provinceIndex = static_cast<int>(pi);
    for (const auto& city : province.cities) {
      selection.cityItems.push_back(city.name);
      if (city.code != cityCode) continue;
      selection.cityIndex = static_cast<int>(selection.cityItems.size()) - 1;
      for (const auto& county : city.counties) {
        selection.countyItems.push_back(county.name);
        if (county.code == code) {
          selection.countyIndex = static_cast<int>(selection.countyItems.size()) - 1;
        }
      }
    }
  }
  return selection;
}

RegionLoadResult ParseRegionCatalogue(std::string_view bytes) {
  std::string text = JoinLines(bytes);
  if (text.starts_with("\xEF\xBB\xBF")) text.erase(0, 3);  // a UTF-8 byte-order mark
  if (!IsValidUtf8(text)) text = GbkToUtf8(text);

  Json document;
  try {
    document = Json::parse(text, nullptr, true, /*ignore_comments=*/true);
  } catch (const Json::exception& e) {
    return Broken("not valid JSON (" + Utf8ToGbk(e.what()) + ")");
  }
  if (!document.is_object()) return Broken("the text is not a JSON object");
  const auto root = document.find("GB/T2260");
  if (root == document.end()) return Broken("no member \"GB/T2260\"");
  if (!root->is_array()) return Broken("\"GB/T2260\" is not an array");

  std::vector<RegionProvince> provinces;
  provinces.reserve(root->size());
  std::string error;
  for (std::size_t pi = 0; pi < root->size(); ++pi) {
    const Json& p = (*root)[pi];
    const std::string pWhere = Where("", "GB/T2260", pi);
    if (!p.is_object()) return Broken(pWhere + " is not an object");
    RegionProvince province{ValueText(p, "name"), ValueText(p, "code"), {}};
    const Json* cities = ListMember(p, "cityList", error, pWhere);
    if (cities == nullptr) return Broken(error);
    for (std::size_t ci = 0; ci < cities->size(); ++ci) {
      const Json& c = (*cities)[ci];
      const std::string cWhere = Where(pWhere + ".", "cityList", ci);
      if (!c.is_object()) return Broken(cWhere + " is not an object");
      RegionCity city{ValueText(c, "name"), ValueText(c, "code"), {}};
      const Json* areas = ListMember(c, "areaList", error, cWhere);
      if (areas == nullptr) return Broken(error);
      for (std::size_t ai = 0; ai < areas->size(); ++ai) {
        const Json& a = (*areas)[ai];
        if (!a.is_object()) return Broken(Where(cWhere + ".", "areaList", ai) + " is not an object");
        city.counties.push_back(RegionCounty{ValueText(a, "name"), ValueText(a, "code")});
      }
      province.cities.push_back(std::move(city));
    }
    provinces.push_back(std::move(province));
  }

  RegionLoadResult result;
  result.status = RegionLoadStatus::Loaded;
  result.catalogue = RegionCatalogue(std::move(provinces));
  return result;
}

RegionLoadResult LoadRegionCatalogue(const std::filesystem::path& folder) {
  const std::filesystem::path path = folder / kRegionCatalogueFileName;
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    RegionLoadResult result;
    result.status = RegionLoadStatus::Missing;
    result.message = std::string(kMissingRegionCatalogueText);
    return result;
  }
  if (std::filesystem::is_directory(path, ec)) return Broken("is a folder, not a file");
  std::ifstream in(path, std::ios::binary);
  if (!in) return Broken("cannot be read");
  const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (in.bad()) return Broken("cannot be read");
  return ParseRegionCatalogue(bytes);
}

}  // namespace t418
