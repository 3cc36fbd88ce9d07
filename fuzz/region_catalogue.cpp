// The region catalogue reader on any bytes: a file is loaded or refused with
// a message, never with a fault. A loaded catalogue answers every query of
// the three cascading lists with indexes inside the lists it gives, and every
// county's own code selects that county.
#include <cstddef>
#include <cstdint>
#include <string>

#include "fuzz_check.h"
#include "params/param_form.h"
#include "params/region_view.h"
#include "vehicle/region_catalogue.h"

namespace {

using t418::fuzz::Require;

// Bounds the work on catalogues the fuzzer makes large.
constexpr std::size_t kMaxVisited = 200;

void CheckSelection(const t418::RegionCatalogue& catalogue, const std::string& code) {
  const auto selection = catalogue.SelectCode(code);
  const int provinces = static_cast<int>(catalogue.Provinces().size());
  Require(selection.provinceIndex >= -1 && selection.provinceIndex < provinces, "province index in range");
  Require(selection.cityIndex >= -1 && selection.cityIndex < static_cast<int>(selection.cityItems.size()),
          "city index in range");
  Require(selection.countyIndex >= -1 && selection.countyIndex < static_cast<int>(selection.countyItems.size()),
          "county index in range");
  if (selection.provinceIndex < 0)
    Require(selection.cityItems.empty() && selection.countyItems.empty(), "no province, no cities");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  auto result = t418::ParseRegionCatalogue(bytes);
  if (result.status != t418::RegionLoadStatus::Loaded) {
    Require(result.status == t418::RegionLoadStatus::Broken && !result.message.empty(),
            "a refused file says why");
    Require(result.catalogue.Empty(), "a refused file gives no catalogue");
    return 0;
  }
  const auto& catalogue = result.catalogue;
  Require(catalogue.ProvinceNames().size() == catalogue.Provinces().size(), "one list item per province");

  std::size_t visited = 0;
  for (const auto& province : catalogue.Provinces()) {
    (void)catalogue.CityNames(province.name);
    CheckSelection(catalogue, province.code);
    for (const auto& city : province.cities) {
      (void)catalogue.CountyNames(province.name, city.name);
      for (const auto& county : city.counties) {
        if (++visited > kMaxVisited) break;
        (void)catalogue.CountyCode(province.name, city.name, county.name);
        CheckSelection(catalogue, county.code);
      }
      if (visited > kMaxVisited) break;
    }
    if (visited > kMaxVisited) break;
  }
  CheckSelection(catalogue, "");
  CheckSelection(catalogue, "1");

  // The lists of the form take the catalogue and a code from a report.
  t418::ParamForm form;
  t418::RegionView view(form);
  view.UseCatalogue(std::move(result.catalogue));
  const auto& provinces = view.Catalogue().Provinces();
  if (!provinces.empty()) {
    const auto& first = provinces.front();
    view.ApplyRegionCode(first.cities.empty() || first.cities.front().counties.empty()
                             ? first.code
                             : first.cities.front().counties.front().code);
    view.cbbProvinceChange();
    view.cbbcityChange();
    view.cbbCountyChange();
  }
  return 0;
}
