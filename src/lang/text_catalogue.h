#pragma once
// The built-in text catalogue (Unit_AppLang): the name, Chinese text and
// English text of every caption, hint and message, in registration order,
// which is also the order of the entry lines of a new language file.
#include <filesystem>
#include <span>

#include "lang/lang_list.h"

namespace t418 {

// One catalogue row as written in this source: UTF-8 literals.
struct CatalogueText {
  const char* name;
  const char* chinese;
  const char* english;
};

// The 238 rows, lang_Main_Title first and info_GNSSMULTInfo last.
std::span<const CatalogueText> CatalogueTexts();

// Messages registered behind the 238 rows, in the same way.
std::span<const CatalogueText> AddedTexts();

// Registers every row, then the added ones, converted to GBK, into the
// built-in layer, in order.
void RegisterDefaultTexts(TLangList& list);

// Start-up: registers the catalogue, then loads "T418Lang.txt" from the
// program's folder (writing it first when there is none).
LangFileStatus InitLanguage(TLangList& list, const std::filesystem::path& programFolder);

}  // namespace t418
