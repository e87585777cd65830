#pragma once

// The user-interface texts of every window, looked up by window section and key in the language
// file, with the window's built-in English text as the default.
//
// Layout of the language file (a parameter file, see RawProfile):
//   [LangMap]            locale -> language: keys "ll_CC" ("ja_JP"), "ll" ("ja") or a Windows
//   ja=Japanese          language id in decimal ("1041"); the value names a language section
//   [Default]            one section per language; its keys are "<Section>.<Key>", e.g.
//   TitleMenu.ViewHelp=View help.
//   [Japanese]
//   TitleMenu.ViewHelp=ヘルプを表示
// Texts are taken as written; "\n" in a button text is turned into a line break by the button.
//
// The language is the one start-up or the user named; else the one "LangMap" gives for the
// user's locale (LC_ALL, LC_MESSAGES, LANG: the first that is set and not empty, without its
// ".codeset" and "@modifier"), tried as "ll_CC", then "ll", then the Windows language id, so that
// a map written for another system still works; else "Default". A key missing from the chosen
// language's section gives the caller's default, which the table remembers: a later lookup
// without a default gets it, and MissingEntries lists every such key for a translator.
//
// One table serves the whole process (Instance); every operation takes the table's lock, so
// windows on any thread may look texts up while the language changes.

#include <core/RawParameterList.h>
#include <core/RawString.h>
#include <core/RawStringList.h>

#include <cstdint>
#include <map>
#include <mutex>
#include <string>
#include <unordered_map>

namespace RawLayer {

class RawLanguageTable {
public:
    static constexpr int32_t kMaxLanguages = 30;

    // The process-wide table, built on first use.
    static RawLanguageTable& Instance();

    RawLanguageTable() = default;
    RawLanguageTable(const RawLanguageTable&) = delete;
    RawLanguageTable& operator=(const RawLanguageTable&) = delete;

    // The language file to use; empty: look for "LanguageFile.ini" when loading.
    void SetFilePath(const RawString& path);

    // Finds the language file, when no path was set, as "LanguageFile.ini" in `config_folder`,
    // then in the executable's folder, then in the installed data folder (InstalledFile), and
    // reads the texts of the language. True when a file was found; without one every lookup
    // gives its default.
    bool Load(const RawString& config_folder);
    // The same with `fallback_folder` in place of the executable's folder.
    bool Load(const RawString& config_folder, const RawString& fallback_folder);

    // Chooses a language by name (empty: by the user's locale again) and, once a file is
    // loaded, reads its texts. Remembered defaults stay.
    void SetLanguage(const RawString& name);

    // The language in use ("Default" when none was found), and the file in use (empty: none).
    RawString Language() const;
    RawString FilePath() const;
    // The languages the file offers: "Default" when the file has that section, then every
    // language "LangMap" names that has a section, in map order, each once; at most
    // kMaxLanguages.
    RawStringList Languages() const;

    // The text of `key` in window section `section`, or `default_text` (remembered) when the
    // file has none.
    RawString Text(const RawString& section, const RawString& key, const RawString& default_text);
    // The same without a default: the file's text, else the remembered default, else empty.
    RawString Text(const RawString& section, const RawString& key) const;

    // Every "<Section>.<Key>" that was asked for and is missing from the language, with the
    // default it was asked with, sorted by key: the lines a translator has to add.
    RawParameterList MissingEntries() const;

    // The user's locale as "ll_CC" or "ll" from the environment; empty when none is set.
    static std::string UserLocale();
    // The keys tried in "LangMap" for a locale, in order: "ja_JP", "ja", "1041".
    static RawStringList LocaleKeys(const std::string& locale);
    // The language file of an installed program: "../share/quelvane/LanguageFile.ini" from the
    // executable's folder, folded by text without resolving links ("/usr/bin" gives
    // "/usr/share/quelvane/LanguageFile.ini"); empty for an empty folder.
    static RawString InstalledFile(const RawString& executable_folder);

private:
    struct Missing {
        RawString key;
        RawString text;
    };
    using TextMap = std::unordered_map<std::string, RawString>;

    static std::string LookupKey(const RawString& section, const RawString& key);
    static RawString FindFile(const RawString& config_folder, const RawString& fallback_folder);
    static RawString ChooseLanguage(const RawParameterList& lang_map);
    // Reads the file's map, languages and the texts of the language; the lock is not held.
    void Reload(const RawString& file, const RawString& wanted);

    // Taken first, for the whole of a load, so two reloads never interleave; lookups take only
    // `lock_`, which guards every field below it.
    std::mutex reload_lock_;
    mutable std::mutex lock_;
    RawString file_path_;   // as set; empty: search at load
    RawString loaded_file_; // the file in use
    RawString wanted_;      // as named by start-up or the user
    RawString language_ = "Default";
    bool loaded_ = false;
    RawStringList languages_;
    TextMap texts_;
    std::map<std::string, Missing> missing_;
};

} // namespace RawLayer
