#include "params/region_view.h"

#include <array>
#include <optional>
#include <utility>

#include "monitor/traffic_log.h"
#include "vehicle/terminal_fields.h"

namespace t418 {
namespace {

// The type lists in the order of kTerminalTypeBitNumbers.
std::array<ChoiceList*, 6> TypeLists(ParamForm& form) {
  return {&form.cbbtype0, &form.cbbtype1, &form.cbbtype2, &form.cbbtype3, &form.cbbtype6, &form.cbbtype7};
}

std::array<const ChoiceList*, 6> TypeLists(const ParamForm& form) {
  return {&form.cbbtype0, &form.cbbtype1, &form.cbbtype2, &form.cbbtype3, &form.cbbtype6, &form.cbbtype7};
}

// Shows entry `index` of the list, whose text is `name`; by text when the
// entry is not where the catalogue puts it.
void ShowEntry(ChoiceList& list, int index, const std::string& name) {
  if (index >= 0 && index < list.Count() && list.Items()[index] == name)
    list.SetItemIndex(index);
  else
    list.SetText(name);
}

}  // namespace

// ---- RegionView ----

std::string RegionView::LoadRegionCatalogue(const std::filesystem::path& folder, TrafficLog& log) {
  RegionLoadResult result = ::t418::LoadRegionCatalogue(folder);
  switch (result.status) {
    case RegionLoadStatus::Loaded:
      UseCatalogue(std::move(result.catalogue));
      return "";
    case RegionLoadStatus::Missing:
      UseCatalogue(RegionCatalogue());
      return result.message;
    case RegionLoadStatus::Broken:
      UseCatalogue(RegionCatalogue());
      log.LogWarning(result.message);
      return "";
  }
  return "";
}

void RegionView::UseCatalogue(RegionCatalogue catalogue) {
  catalogue_ = std::move(catalogue);
  form_.cbbcity.ClearItems();
  form_.cbbCounty.ClearItems();
  FillProvinceList();
}

void RegionView::FillProvinceList() { form_.cbbProvince.SetItems(catalogue_.ProvinceNames()); }

void RegionView::cbbProvinceChange() {
  if (catalogue_.Empty()) return;
  form_.cbbcity.SetItems(catalogue_.CityNames(form_.cbbProvince.Text()));
  form_.cbbCounty.ClearItems();
}

void RegionView::cbbcityChange() {
  if (catalogue_.Empty()) return;
  form_.cbbCounty.SetItems(catalogue_.CountyNames(form_.cbbProvince.Text(), form_.cbbcity.Text()));
}

void RegionView::cbbCountyChange() {
  const std::optional<std::string> code =
      catalogue_.CountyCode(form_.cbbProvince.Text(), form_.cbbcity.Text(), form_.cbbCounty.Text());
  if (code) form_.edtQCITY.SetText(*code);
}

bool RegionView::RunChangeRule(const ChoiceList& list) {
  if (&list == &form_.cbbProvince)
    cbbProvinceChange();
  else if (&list == &form_.cbbcity)
    cbbcityChange();
  else if (&list == &form_.cbbCounty)
    cbbCountyChange();
  else
    return false;
  return true;
}

void RegionView::ApplyRegionCode(std::string_view code) {
  form_.edtQCITY.SetText(std::string(code));
  const RegionCodeSelection selection = catalogue_.SelectCode(code);
  if (selection.provinceIndex < 0) return;  // the lists keep what they show

  const auto& province = catalogue_.Provinces()[static_cast<std::size_t>(selection.provinceIndex)];
  ShowEntry(form_.cbbProvince, selection.provinceIndex, province.name);
  form_.cbbcity.SetItems(selection.cityItems);
  form_.cbbCounty.SetItems(selection.countyItems);
  if (selection.cityIndex >= 0) form_.cbbcity.SetItemIndex(selection.cityIndex);
  if (selection.countyIndex >= 0) form_.cbbCounty.SetItemIndex(selection.countyIndex);
}

std::string RegionCodeValue(const ParamForm& form) { return form.edtQCITY.Text(); }

// ---- QTERMINAL ----

void ApplyTerminalReport(ParamForm& form, std::string_view value) {
  const std::optional<TerminalReport> report = ParseTerminalReport(value);
  if (!report) return;
  form.edtTerminalID.SetText(report->terminalId);
  form.edtTerminalmode.SetText(report->model);
  if (!report->typeItems) return;
  const auto lists = TypeLists(form);
  for (std::size_t k = 0; k < lists.size(); ++k) lists[k]->SetItemIndex((*report->typeItems)[k]);
}

int TerminalTypeBits(const ParamForm& form) {
  TerminalTypeItems items{};
  const auto lists = TypeLists(form);
  for (std::size_t k = 0; k < lists.size(); ++k) items[k] = lists[k]->ItemIndex();
  return TerminalTypeBits(items);
}

std::string TerminalValue(const ParamForm& form) {
  return TerminalCommandValue(form.edtTerminalID.Text(), form.edtTerminalmode.Text(),
                              TerminalTypeBits(form));
}

// ---- QCARINFO ----

void ApplyCarInfoReport(ParamForm& form, std::string_view value) {
  const std::optional<CarInfoReport> report = ParseCarInfoReport(value);
  if (!report) return;
  form.cbbCarcolor.SetItemIndex(report->colourItem);
  form.edtCarNum.SetText(report->plate);
}

std::string CarInfoValue(const ParamForm& form) {
  return CarInfoCommandValue(form.cbbCarcolor.ItemIndex(), form.edtCarNum.Text());
}

std::string CarInfoProfileValue(const ParamForm& form) {
  return std::to_string(form.cbbCarcolor.ItemIndex()) + "," + form.edtCarNum.Text();
}

}  // namespace t418
