#pragma once
// The current language of the run, its record in the registry, and the resources found
// for it. Log lines are never translated.
#include <windows.h>
#include <string>

namespace SLANG {

const LANGID LANG_ID_ENGLISH = 1033;
const LANGID LANG_ID_RUSSIAN = 1049;

// Run once at start-up, before the controller exists.
void InitLanguage(HINSTANCE instance);
// Makes lang current and records it ("NATIVE" for Russian, "ENGLISH" otherwise); returns
// the previous current language.
LANGID SetLanguageAndStore(LANGID lang);
// Makes lang current for this run only; returns the previous one.
LANGID SetLanguage(LANGID lang);
LANGID GetCurrentLanguage();
HMODULE GetResourceModule();

// The resource in the current language, else the user's default, else English, else any.
HRSRC FindLanguageResource(LPCSTR type, LPCSTR name);
// The bytes of what FindLanguageResource found; null when there is none.
const void* LoadLanguageResource(LPCSTR type, LPCSTR name, DWORD* size = nullptr);

// A string of the current language (with a fallback when that is neither English nor
// Russian); false and an empty text when it is missing.
bool LoadText(UINT id, std::string& text);
std::string LoadText(UINT id);
// A string of exactly that language, converted to the ANSI code page.
bool LoadTextInLanguage(UINT id, LANGID lang, std::string& text);
std::string LoadTextInLanguage(UINT id, LANGID lang);

// The running system's name for the log header.
std::string GetOSName();
std::string GetOSName(const OSVERSIONINFOA& version, bool versionRead);

} // namespace SLANG
