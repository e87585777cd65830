#include <engine/JobExpressionUtility.h>
#include <engine/JobParams.h>

namespace JobLayer {

namespace {

// One pair of enclosing double quotation marks is removed; then the value is decoded.
RawString SavedText(const RawString& value)
{
    int32_t length = value.Length();
    if (length >= 2 && value.At(0) == '"' && value.At(length - 1) == '"')
        return JobExpressionUtility::Unescape(value, 1, length - 1);
    return JobExpressionUtility::Unescape(value);
}

void AppendSavedList(const RawParameterList& section, const RawString& key, RawStringList& list)
{
    const RawLayer::RawParameterUnit* unit = section.Find(key);
    if (unit == nullptr)
        return;
    // An empty list and a list of one empty item are saved alike; the empty value reads as an
    // empty list, so a saved search without expressions does not come back matching everything.
    RawString text = SavedText(unit->value);
    if (text.IsEmpty())
        return;
    RawStringList pieces = JobExpressionUtility::SplitList(text, JobExpressionUtility::Field::Replace);
    for (const RawString& piece : pieces)
        list.Add(piece);
}

void ReadFlag(const RawParameterList& section, const RawString& key, bool& flag)
{
    if (const RawLayer::RawParameterUnit* unit = section.Find(key))
        flag = !unit->value.Equals(RawString("False"));
}

} // namespace

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

} // namespace JobLayer
