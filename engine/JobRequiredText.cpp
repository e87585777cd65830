#include <engine/JobRequiredText.h>

namespace JobLayer {

namespace {

using Item = JobMatcherItem;

bool HasLetter(const std::string& units)
{
    for (char unit : units)
        if (Item::IsLetter(static_cast<uint8_t>(unit)))
            return true;
    return false;
}

bool IsCharacter(const Item& item)
{
    return item.kind == Item::Kind::Literal || item.kind == Item::Kind::Exact;
}

} // namespace

JobRequiredText::JobRequiredText(const RawString& expression, bool ignore_case)
{
    JobMatcher matcher(expression);
    negated_ = matcher.IsNegated();
    literal_form_ = matcher.IsLiteralForm();
    if (literal_form_) {
        std::string units = matcher.LiteralText();
        AddPiece(units, false); // the literal form never folds
    } else {
        items_ = matcher.Items();
        ReadItems(items_, ignore_case);
    }
    const JobMatcherFirst& first = matcher.HitStart(ignore_case);
    if (first.kind == JobMatcherFirst::Kind::Text)
        lead_ = first.text;
    else if (first.kind == JobMatcherFirst::Kind::Units && first.a == first.b)
        lead_.assign(1, static_cast<char>(first.a));
}

// A character taken once extends the current run; one repeated by "+" ends it, and also starts
// the next (its last repetition is followed by what comes after it); anything else ends it. The
// empty item of a trailing "%" matches nothing and joins what stands around it.
void JobRequiredText::ReadItems(const std::vector<JobMatcherItem>& items, bool ignore_case)
{
    std::string units;
    for (const Item& item : items) {
        if (item.kind == Item::Kind::Empty)
            continue;
        if (IsCharacter(item) && item.repeat == Item::Repeat::Once) {
            units += item.text;
            continue;
        }
        if (IsCharacter(item) && item.repeat == Item::Repeat::OneOrMore) {
            units += item.text;
            AddPiece(units, ignore_case);
            units = item.text;
            continue;
        }
        AddPiece(units, ignore_case);
    }
    AddPiece(units, ignore_case);
}

void JobRequiredText::AddPiece(std::string& units, bool ignore_case)
{
    if (!units.empty())
        pieces_.push_back({ units, ignore_case && !literal_form_ && HasLetter(units) });
    units.clear();
}

// Start positions: a search tries each position at most once, a collection of all hits at most
// twice (a search starts again where an empty hit ended), so 2 (n + 2) attempts of two steps
// each plus what the items cost from there; the scans of the searches pass each unit once.
double JobRequiredText::StepBound(int64_t length, bool lead_missing) const
{
    double n = static_cast<double>(length);
    double scans = 4 * (n / 64 + 1);
    if (lead_missing && !lead_.empty())
        return scans + 16;
    double attempts = 2 * (n + 2);
    if (literal_form_)
        return scans + attempts * 3;
    return scans + attempts * (3 + ItemsBound(0, n));
}

// Steps of one attempt from item `from` on: one per item taken once and one for the end; a
// "*" or a repeated item tries at most n + 2 runs, each costing two steps, a scan and the rest.
double JobRequiredText::ItemsBound(size_t from, double length) const
{
    double steps = 1;
    for (size_t index = from; index < items_.size(); ++index) {
        const Item& item = items_[index];
        if (item.kind != Item::Kind::AnyRun && item.repeat == Item::Repeat::Once) {
            steps += 1;
            continue;
        }
        return steps + 2 * (length / 64 + 1) + (length + 2) * (2 + ItemsBound(index + 1, length));
    }
    return steps;
}

} // namespace JobLayer
