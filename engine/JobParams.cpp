#include <core/RawPath.h>
#include <engine/JobParams.h>
#include <engine/JobResultFile.h>

namespace JobLayer {

namespace {

void AppendSavedList(const RawParameterList& section, const RawString& key, RawStringList& list)
{
    const RawLayer::RawParameterUnit* unit = section.Find(key);
    if (unit == nullptr)
        return;
    for (const RawString& item : JobResultFile::UnescapeList(unit->value))
        list.Add(item);
}

void ReadFlag(const RawParameterList& section, const RawString& key, bool& flag)
{
    if (const RawLayer::RawParameterUnit* unit = section.Find(key))
        flag = !unit->value.Equals(RawString("False"));
}

} // namespace

void JobParams::Reset()
{
    targets = RawStringList();
    filters = RawStringList();
    expressions = RawStringList();
    replacements = RawStringList();
    ignore_case = false;
    preview = false;
    checker = 0;
    line_count = 1;
}

void JobParams::ReadSection(const RawParameterList& section)
{
    AppendSavedList(section, RawString("TargetPath"), targets);
    AppendSavedList(section, RawString("FileFilter"), filters);
    AppendSavedList(section, RawString("Search"), expressions);
    AppendSavedList(section, RawString("Replace"), replacements);
    ReadFlag(section, RawString("IgnoreCase"), ignore_case);
    ReadFlag(section, RawString("IsPreview"), preview);
    if (section.Contains(RawString("Checker")))
        checker = static_cast<uint32_t>(section.GetInteger(RawString("Checker"), 0));
    if (section.Contains(RawString("LineCount")))
        line_count = static_cast<int32_t>(section.GetInteger(RawString("LineCount"), 1));
}

void JobParams::MakeTargetsAbsolute()
{
    RawStringList absolute;
    for (const RawString& target : targets)
        absolute.Add(RawLayer::RawPath::MakeAbsolute(target));
    targets = absolute;
}

void JobParams::WriteSection(RawParameterList& section, bool all_keys) const
{
    RawStringList absolute;
    for (const RawString& target : targets)
        absolute.Add(RawLayer::RawPath::MakeAbsolute(target));
    section.Add(RawString("TargetPath"), JobResultFile::EscapeList(absolute));
    section.Add(RawString("FileFilter"), JobResultFile::EscapeList(filters));
    section.Add(RawString("Search"), JobResultFile::EscapeList(expressions));
    section.Add(RawString("Replace"), JobResultFile::EscapeList(replacements));
    RawParameterList::SetBoolean(section.Add(RawString("IgnoreCase")), ignore_case);
    if (!all_keys)
        return;
    RawParameterList::SetBoolean(section.Add(RawString("IsPreview")), preview);
    section.Add(RawString("Checker"), RawString::UnsignedNumber(checker));
    section.Add(RawString("LineCount"), RawString::UnsignedNumber(static_cast<uint32_t>(line_count)));
}

} // namespace JobLayer
