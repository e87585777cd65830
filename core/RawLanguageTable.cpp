#include <core/RawLanguageTable.h>
#include <core/RawListP.h>
#include <core/RawPath.h>
#include <core/RawProfile.h>

#include <cstdlib>
#include <string_view>

namespace RawLayer {

namespace {

// A locale and the Windows language id that a language file written for Windows uses for it.
struct RawLocaleRecord {
    std::string_view locale;
    int32_t windows_id;
};

class RawLocaleRecordListAllocator : public RawListAllocator<RawLocaleRecord> { };
class RawLocaleRecordList : public RawListP<RawLocaleRecordListAllocator, RawLocaleRecord> { };

// The common interface languages. A locale whose country is not listed takes the first record
// of its language, so "en_AU" maps like "en_US".
const RawLocaleRecordList& LocaleRecords()
{
    static const RawLocaleRecordList records = [] {
        RawLocaleRecordList list;
        for (const RawLocaleRecord& record :
            { RawLocaleRecord { "ja_JP", 1041 }, RawLocaleRecord { "en_US", 1033 },
                RawLocaleRecord { "en_GB", 2057 }, RawLocaleRecord { "de_DE", 1031 },
                RawLocaleRecord { "fr_FR", 1036 }, RawLocaleRecord { "es_ES", 3082 },
                RawLocaleRecord { "it_IT", 1040 }, RawLocaleRecord { "zh_CN", 2052 },
                RawLocaleRecord { "zh_TW", 1028 }, RawLocaleRecord { "ko_KR", 1042 },
                RawLocaleRecord { "pt_BR", 1046 }, RawLocaleRecord { "ru_RU", 1049 } })
            list.Append(record);
        return list;
    }();
    return records;
}

int32_t WindowsLanguageId(std::string_view locale)
{
    std::string_view language = locale.substr(0, locale.find('_'));
    int32_t by_language = 0;
    for (const RawLocaleRecord& record : LocaleRecords()) {
        if (record.locale == locale)
            return record.windows_id;
        if (by_language == 0 && record.locale.substr(0, record.locale.find('_')) == language)
            by_language = record.windows_id;
    }
    return by_language;
}

std::string LowerAscii(std::string text)
{
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

bool HasSection(RawProfile& profile, const RawString& name)
{
    RawParameterList section;
    return profile.ReadSection(name, section);
}

// "Default" when the file has that section, then each language of the map that has one.
RawStringList OfferedLanguages(RawProfile& profile, const RawParameterList& lang_map)
{
    RawStringList candidates;
    candidates.Add("Default");
    for (const RawParameterUnit& unit : lang_map)
        candidates.Add(unit.value);
    RawStringList offered;
    for (const RawString& name : candidates) {
        bool seen = false;
        for (const RawString& other : offered)
            seen = seen || other.EqualsIgnoreCase(name);
        if (!seen && !name.IsEmpty() && offered.Count() < RawLanguageTable::kMaxLanguages
            && HasSection(profile, name))
            offered.Add(name);
    }
    return offered;
}

// "LanguageFile.ini" in `folder`; empty when no folder is given.
RawString FileIn(const RawString& folder)
{
    return folder.IsEmpty() ? RawString() : RawPath::Join(folder, "LanguageFile.ini");
}

RawStringList CopyOf(const RawStringList& list)
{
    RawStringList copy;
    for (const RawString& text : list)
        copy.Add(text);
    return copy;
}

} // namespace

RawLanguageTable& RawLanguageTable::Instance()
{
    static RawLanguageTable table;
    return table;
}

std::string RawLanguageTable::UserLocale()
{
    for (const char* name : { "LC_ALL", "LC_MESSAGES", "LANG" }) {
        const char* value = std::getenv(name);
        if (value == nullptr || *value == '\0')
            continue;
        std::string_view locale = value;
        locale = locale.substr(0, locale.find_first_of(".@"));
        // The portable locale names no language.
        return locale == "C" || locale == "POSIX" ? std::string() : std::string(locale);
    }
    return {};
}

RawStringList RawLanguageTable::LocaleKeys(const std::string& locale)
{
    RawStringList keys;
    if (locale.empty())
        return keys;
    keys.Add(RawString(locale, RawEncoding::Utf8));
    std::size_t underscore = locale.find('_');
    if (underscore != std::string::npos && underscore > 0)
        keys.Add(RawString(std::string_view(locale).substr(0, underscore), RawEncoding::Utf8));
    if (int32_t id = WindowsLanguageId(locale); id != 0)
        keys.Add(RawString::Number(id));
    return keys;
}

RawString RawLanguageTable::ChooseLanguage(const RawParameterList& lang_map)
{
    for (const RawString& key : LocaleKeys(UserLocale())) {
        RawString language = lang_map.GetText(key, "");
        if (!language.IsEmpty())
            return language;
    }
    return "Default";
}

std::string RawLanguageTable::LookupKey(const RawString& section, const RawString& key)
{
    return LowerAscii(section.Str() + "." + key.Str());
}

RawString RawLanguageTable::InstalledFile(const RawString& executable_folder)
{
    if (executable_folder.IsEmpty())
        return {};
    // Folded as text: a bin/ reached through a link finds the share/ beside the link.
    return RawPath::Resolve("../share/quelvane/LanguageFile.ini", executable_folder);
}

RawString RawLanguageTable::FindFile(const RawString& config_folder, const RawString& fallback_folder)
{
    for (const RawString& path :
        { FileIn(config_folder), FileIn(fallback_folder), InstalledFile(fallback_folder) }) {
        if (!path.IsEmpty() && RawPath::IsFile(path))
            return path;
    }
    return {};
}

void RawLanguageTable::SetFilePath(const RawString& path)
{
    std::lock_guard<std::mutex> guard(lock_);
    file_path_ = path;
}

bool RawLanguageTable::Load(const RawString& config_folder)
{
    return Load(config_folder, RawPath::ExecutableFolder());
}

bool RawLanguageTable::Load(const RawString& config_folder, const RawString& fallback_folder)
{
    std::lock_guard<std::mutex> reload(reload_lock_);
    RawString set_path;
    RawString wanted;
    {
        std::lock_guard<std::mutex> guard(lock_);
        set_path = file_path_;
        wanted = wanted_;
    }
    // A file named by the profile is used or nothing is; only an unnamed one is searched for.
    RawString file = set_path.IsEmpty() ? FindFile(config_folder, fallback_folder)
        : RawPath::IsFile(set_path)     ? set_path
                                        : RawString();
    Reload(file, wanted);
    return !file.IsEmpty();
}

void RawLanguageTable::SetLanguage(const RawString& name)
{
    std::lock_guard<std::mutex> reload(reload_lock_);
    RawString file;
    {
        std::lock_guard<std::mutex> guard(lock_);
        wanted_ = name;
        if (!loaded_)
            return;
        file = loaded_file_;
    }
    Reload(file, name);
}

void RawLanguageTable::Reload(const RawString& file, const RawString& wanted)
{
    RawString language = wanted;
    RawStringList languages;
    TextMap texts;
    if (!file.IsEmpty()) {
        RawProfile profile(file);
        RawParameterList lang_map;
        profile.ReadSection("LangMap", lang_map);
        if (language.IsEmpty())
            language = ChooseLanguage(lang_map);
        languages = OfferedLanguages(profile, lang_map);
        RawParameterList section;
        profile.ReadSection(language, section);
        for (const RawParameterUnit& unit : section)
            texts.emplace(LowerAscii(unit.key.Str()), unit.value); // the first of a key wins
    }
    if (language.IsEmpty())
        language = "Default";

    std::lock_guard<std::mutex> guard(lock_);
    loaded_ = true;
    loaded_file_ = file;
    language_ = language;
    languages_ = languages;
    texts_ = std::move(texts);
}

RawString RawLanguageTable::Language() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return language_;
}

RawString RawLanguageTable::FilePath() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return loaded_file_;
}

RawStringList RawLanguageTable::Languages() const
{
    std::lock_guard<std::mutex> guard(lock_);
    return CopyOf(languages_);
}

RawString RawLanguageTable::Text(
    const RawString& section, const RawString& key, const RawString& default_text)
{
    std::string lookup = LookupKey(section, key);
    std::lock_guard<std::mutex> guard(lock_);
    if (auto found = texts_.find(lookup); found != texts_.end())
        return found->second;
    RawString full_key = section;
    if (!full_key.Append(".", key))
        full_key = RawString(lookup, RawEncoding::Utf8);
    missing_.insert_or_assign(lookup, Missing { full_key, default_text });
    return default_text;
}

RawString RawLanguageTable::Text(const RawString& section, const RawString& key) const
{
    std::string lookup = LookupKey(section, key);
    std::lock_guard<std::mutex> guard(lock_);
    if (auto found = texts_.find(lookup); found != texts_.end())
        return found->second;
    if (auto found = missing_.find(lookup); found != missing_.end())
        return found->second.text;
    return {};
}

RawParameterList RawLanguageTable::MissingEntries() const
{
    std::lock_guard<std::mutex> guard(lock_);
    RawParameterList entries;
    for (const auto& [lookup, missing] : missing_) {
        if (!texts_.contains(lookup))
            entries.Add(missing.key, missing.text);
    }
    return entries;
}

} // namespace RawLayer
