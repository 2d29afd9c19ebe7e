// Language files read through the INI layer into the table of interface texts.
#pragma once

#include <string>

#include "base/uniIni.h"
#include "lang/uniLang.h"

// The lookup the text table reads `file` through: raw values (references kept, so the
// table decodes them by its own rules) and section key names in 7-bit form. The file must
// outlive the source.
TLangSource LangSourceOf(const TIniFile& file);

// Lays the language file over the current texts. A missing file changes nothing; the
// result tells whether it existed.
bool ApplyLanguageFile(TUniLangTexts& texts, const std::string& fileName);
