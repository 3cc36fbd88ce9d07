#pragma once
// Where GBK texts of the core meet Qt's Unicode strings.
#include <QString>
#include <string>
#include <string_view>

#include "lang/text_lookup.h"
#include "text/gbk.h"

namespace t418 {

inline QString FromGbk(std::string_view gbk) { return QString::fromStdString(GbkToUtf8(gbk)); }
inline std::string ToGbk(const QString& text) { return Utf8ToGbk(text.toStdString()); }

// The text of a catalogue name in the current language, ready to draw.
inline QString LangQ(const TextLookup& texts, std::string_view name) { return FromGbk(texts.LangText(name)); }

// A text box's content as the core reads it: lines joined by CR LF.
inline std::string BoxTextToGbk(const QString& text) {
  QString joined = text;
  joined.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  joined.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
  return ToGbk(joined);
}

// The other way: CR LF becomes one line break of the box.
inline QString GbkToBoxText(std::string_view gbk) {
  QString text = FromGbk(gbk);
  text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
  return text;
}

}  // namespace t418
